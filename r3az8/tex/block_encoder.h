// Block compression for programs: 4x4 pixel blocks of DXT1 to DXT5
// (D3DFMT_DXT1..DXT5), BC4, BC5 (D3DFMT_BC4, D3DFMT_BC5), BC6H
// (FMT_BC6H_UF16, FMT_BC6H_SF16) and BC7 (FMT_BC7) fitted for the least
// error, at a chosen effort.
//
//   IsQualityBlockFormat(format)   whether the encoder writes the format
//   QualityBlockBytes(format)      bytes of one block (8 or 16; 0: not written)
//   EncodeQualityImage(...)        a whole image of FloatColor into rows of blocks
//   EncodeQualityBlocks(...)       blocks of 16 pixels each, with a mask of the
//                                  pixels that count
//
// The pixels are FloatColor (pixel_formats.h), channels in 0..1 (BC6H:
// any value, fitted in stops); BC4 codes red, BC5 red and green, DXT2 and
// DXT4 store colour premultiplied by alpha. The load operations (load.h)
// compress with the library's fixed encoder, which is faster; these calls
// are for a program's final compression step. The bytes are the same on
// every build and processor, and any number of threads may call at once.
// Both return S_OK, or E_FAIL (writing nothing) for a format they do not
// write.
#pragma once

#include "d3d8.h"
#include "r3az8/tex/pixel_formats.h"

enum class BlockQuality {
    Fast,   // the fixed encoder's bytes (BC4/BC5: as Normal; BC6H, BC7: their own quick search)
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

bool IsQualityBlockFormat(D3DFORMAT format);
UINT QualityBlockBytes(D3DFORMAT format);

// Encodes `count` blocks: block k's 16 pixels at pColors + 16k (row-major),
// its bytes at pBlocks + k x QualityBlockBytes. pCovered, when given, holds
// 16 bytes per block: 0 for a pixel outside the image, which then carries
// no weight.
HRESULT EncodeQualityBlocks(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, const BYTE* pCovered,
                            UINT count, const QualityOptions& options);

// Encodes a whole image of `width` x `height` pixels (rows `pixelPitch`
// pixels apart) into rows of blocks `blockPitch` bytes apart: (width + 3) / 4
// blocks per row, (height + 3) / 4 rows. Pixels beyond the edges of partial
// blocks repeat the nearest edge pixel (all the Fast level sees) and carry
// no weight at the other levels.
HRESULT EncodeQualityImage(D3DFORMAT format, BYTE* pBlocks, UINT blockPitch, const FloatColor* pPixels, UINT pixelPitch,
                           UINT width, UINT height, const QualityOptions& options);
