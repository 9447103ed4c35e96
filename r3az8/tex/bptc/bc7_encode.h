// The BC7 encoder: 16 pixels in, the 16-byte block of whichever mode,
// partition, rotation and p-bits decodes them closest.
//
// Two entries sit in BC7's row of the block format table: the quality
// encoder (every level, with coverage masks and the chosen weighting) and
// the fixed encoder the codec writes with (the Fast level, perceptual
// weights). Both are deterministic and hold no state, so any number of
// threads may call them.
#pragma once

#include "r3az8/tex/block_encoder.h"
#include "r3az8/tex/pixel_codec.h"

// Quality entry, the signature of QualityBlockEncoder; E_FAIL for a format
// other than FMT_BC7.
HRESULT EncodeQualityBlocksBC7(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, const BYTE* pCovered,
                               UINT count, const QualityOptions& options);
// Fixed entry, the signature of FixedBlockEncoder: the Fast level with
// perceptual weights and every pixel counting.
HRESULT EncodeBlocksBC7(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, UINT count);

namespace bptc {

// One block with its search narrowed, for tests and measurements.
struct Bc7Request {
    BlockQuality quality = BlockQuality::Normal;
    ColorWeighting weighting = ColorWeighting::Perceptual;
    int onlyMode = -1; // 0..7: that mode alone (when it can hold the block)
};

// Encodes one block and returns its weighted squared error over the
// covered pixels, channels counted in 0..255. `predicted`, when given,
// receives the 16 colours the block decodes to, as the encoder worked them
// out. A block whose covered pixels are all opaque decodes to alpha 255 in
// every mode: the alpha endpoints are then held at their largest code.
float EncodeBlockBC7(BYTE* block, const FloatColor* pixels, const BYTE* covered, const Bc7Request& request,
                     FloatColor* predicted);

} // namespace bptc
