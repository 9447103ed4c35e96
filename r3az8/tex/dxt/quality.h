// The quality block encoder: DXT1 to DXT5, BC4 and BC5 blocks fitted for
// the least error, at a chosen effort, with pixels outside the image left
// out of the fit.
//
// This is a separate entry point beside the fixed encoder (EncodeBlocks):
// Blit, FilterTexture and every load operation keep the fixed encoder's
// bytes; tools call this one for their final compression step. Like the
// fixed encoder it is deterministic, single precision in a fixed order, and
// gives the same bytes on every build and in every lane width. It holds no
// mutable state: any number of threads may call it at once.
#pragma once

#include "r3az8/tex/dxt/dxt_block.h"

enum class BlockQuality {
    Fast,   // the fixed encoder's bytes (BC4/BC5: as Normal)
    Normal, // principal axis, least-squares ends, exact single colours
    High,   // Normal, both DXT1 modes, then a search around the quantised ends
};

// How colour errors count. Perceptual weighs red, green and blue by their
// share of brightness (0.299, 0.587, 0.114); Uniform counts them alike, for
// normal maps and other data.
enum class ColorWeighting { Perceptual, Uniform };

struct QualityOptions {
    BlockQuality quality = BlockQuality::Normal;
    ColorWeighting weighting = ColorWeighting::Perceptual;
};

// Whether the quality encoder writes the format (DXT1..DXT5, BC4, BC5).
bool IsQualityBlockFormat(D3DFORMAT format);
// Bytes of one block: 8 for DXT1 and BC4, 16 for the others, 0 for a
// format the quality encoder does not write.
UINT QualityBlockBytes(D3DFORMAT format);
// Whether EncodeQualityBlocks runs the quality encoder for the format at
// this level, rather than handing the blocks to the fixed encoder (Fast,
// where the format has one: the block format table's FastLevel). False for
// a format it does not write.
bool RunsQualityEncoder(D3DFORMAT format, BlockQuality quality);

// Encodes `count` blocks: block k's 16 pixels at pColors + 16k (row-major),
// its bytes at pBlocks + k x QualityBlockBytes. pCovered, when given, holds
// 16 bytes per block: 0 for a pixel outside the image, which then carries
// no weight. Returns E_FAIL (writing nothing) for another format.
HRESULT EncodeQualityBlocks(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, const BYTE* pCovered,
                            UINT count, const QualityOptions& options);

// Encodes a whole image of `width` x `height` pixels (rows `pixelPitch`
// pixels apart) into rows of blocks `blockPitch` bytes apart. Pixels beyond
// the edges of partial blocks repeat the nearest edge pixel (all the Fast
// level sees) and carry no weight at the other levels.
HRESULT EncodeQualityImage(D3DFORMAT format, BYTE* pBlocks, UINT blockPitch, const FloatColor* pPixels,
                           UINT pixelPitch, UINT width, UINT height, const QualityOptions& options);
