// The BC6H encoder: 16 pixels of HDR colour in, the 16-byte block of
// whichever mode, partition and endpoints decodes them closest, unsigned
// (FMT_BC6H_UF16) or signed (FMT_BC6H_SF16). Follows the BC6H format's
// public description.
//
// Errors are measured among the halves (bc6h_space.h), which is close to
// log2: an HDR block is fitted for its shape in stops, not for its
// brightest pixels. Channels count alike, whatever weighting is asked for.
// Before fitting, NaN reads as 0, values beyond +-65504 (infinities too)
// as +-65504, and an unsigned block reads negative values as 0. No block
// written decodes to infinity or NaN.
//
// Two entries sit in each BC6H row of the block format table: the quality
// encoder (every level, with coverage masks) and the fixed encoder the
// codec writes with (the Fast level). Both are deterministic and hold no
// state, so any number of threads may call them.
#pragma once

#include "r3az8/tex/block_encoder.h"
#include "r3az8/tex/pixel_codec.h"

// Quality entry, the signature of QualityBlockEncoder; E_FAIL for a format
// other than the two BC6H forms.
HRESULT EncodeQualityBlocksBC6H(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, const BYTE* pCovered,
                                UINT count, const QualityOptions& options);
// Fixed entry, the signature of FixedBlockEncoder: the Fast level.
HRESULT EncodeBlocksBC6H(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, UINT count);

namespace bptc {

// One block with its search narrowed, for tests and measurements.
struct Bc6hRequest {
    BlockQuality quality = BlockQuality::Normal;
    bool isSigned = false;
    int onlyMode = -1; // 0..13, a row of bc6h_modes.h kModes: that mode alone
};

// Encodes one block and returns its squared error over the covered pixels
// and the three channels, in places among the halves (bc6h_space.h
// HalfPlace). `predicted`, when given, receives the 16 colours the block
// decodes to, as the encoder worked them out.
float EncodeBlockBC6H(BYTE* block, const FloatColor* pixels, const BYTE* covered, const Bc6hRequest& request,
                      FloatColor* predicted);

} // namespace bptc
