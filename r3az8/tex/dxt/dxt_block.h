// DXT1 to DXT5 block codec: one 4x4 block of FloatColor to and from its
// compressed bytes, and the decoders of the formats built from its halves
// (BC4, BC5, RXGB).
//
// Layouts are the S3 Texture Compression blocks of D3DFMT_DXT1..DXT5
// (little-endian): DXT1 is the 8-byte colour half alone; DXT2/DXT3 put
// sixteen 4-bit alphas before it; DXT4/DXT5 put two 8-bit alpha endpoints
// and sixteen 3-bit codes before it.
//
// Pixels are 16 FloatColor, row-major within the block (pixel i at row i / 4,
// column i % 4), channels expected in 0..1. The encoder is deterministic:
// every step is single-precision arithmetic in a fixed order, so the same
// pixels give the same bytes on every build. Pixels outside 0..1, infinities
// and NaNs never make it write a code outside its field.
//
// Every function returns S_OK.
#pragma once

#include "r3az8/tex/pixel_codec.h"

constexpr UINT kBlockPixels = 16;

// --- decoding: 16 pixels out, block in -----------------------------------------
HRESULT DecodeBlockDXT1(FloatColor* pColors, const BYTE* pBlock);
HRESULT DecodeBlockDXT2(FloatColor* pColors, const BYTE* pBlock); // DXT3, then Unpremultiply
HRESULT DecodeBlockDXT3(FloatColor* pColors, const BYTE* pBlock);
HRESULT DecodeBlockDXT4(FloatColor* pColors, const BYTE* pBlock); // DXT5, then Unpremultiply
HRESULT DecodeBlockDXT5(FloatColor* pColors, const BYTE* pBlock);
// BC4 and BC5: red (BC5: red and green) from DXT5 alpha halves, the other
// channels 0 and alpha 1.
HRESULT DecodeBlockBC4(FloatColor* pColors, const BYTE* pBlock);
HRESULT DecodeBlockBC5(FloatColor* pColors, const BYTE* pBlock);
// A DXT5 block whose alpha half carries red: the colour half holds green
// and blue (its red is unused); alpha 1.
HRESULT DecodeBlockRXGB(FloatColor* pColors, const BYTE* pBlock);

// --- encoding: block out, 16 pixels in (never modified) -------------------------
HRESULT EncodeBlockDXT1(BYTE* pBlock, const FloatColor* pColors);
HRESULT EncodeBlockDXT2(BYTE* pBlock, const FloatColor* pColors); // Premultiply, then DXT3
HRESULT EncodeBlockDXT3(BYTE* pBlock, const FloatColor* pColors);
HRESULT EncodeBlockDXT4(BYTE* pBlock, const FloatColor* pColors); // Premultiply, then DXT5
HRESULT EncodeBlockDXT5(BYTE* pBlock, const FloatColor* pColors);

// Encodes `count` blocks at once: block k's 16 pixels at pColors + 16k, its
// bytes at pBlocks + k x (8 for DXT1, else 16). Gives exactly the bytes of
// the one-block encoder of that format, several blocks side by side in
// vector lanes. Returns E_FAIL (writing nothing) for a format that is not
// DXT1..DXT5.
HRESULT EncodeBlocks(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, UINT count);

// --- building blocks --------------------------------------------------------------

// A colour in the weighted space of the endpoint search (red and blue scaled
// by kColorWeights).
struct WeightedColor {
    float r;
    float g;
    float b;
};

// Perceptual weights of the endpoint search and their reciprocals.
extern const WeightedColor kColorWeights;
extern const WeightedColor kInverseColorWeights;

// 16-bit 5:6:5 word (red in bits 15-11) to a colour with alpha 1.
FloatColor Expand565(WORD word);
// Clamps R, G, B to 0..1 (NaN counts as 0) and rounds each to its field.
WORD Quantize565(const FloatColor& color);

// Whether the colour half can give pixels transparent black (DXT1 alone):
// with OneBit, pixels with alpha below 0.5 are coded transparent.
enum class ColorAlpha { Ignored, OneBit };

// Two endpoints in weighted space for 16 weighted colours and a ramp of
// `steps` colours (3 or 4): a diagonal of the colours' bounding box,
// refined by up to 8 Gauss-Newton rounds.
void FitColorEndpoints(const WeightedColor* pColors, UINT steps, WeightedColor* pFirst, WeightedColor* pSecond);

// Alpha ramp ends (lo <= hi, both in 0..1) for 16 alphas and a ramp of
// `steps` values (6: the codes 6 and 7 hold 0 and 1; or 8). When no alpha
// takes part (with 6 steps none lies strictly between 0 and 1; with 8 all
// are NaN) the ends stay at their start, lo = 1 and hi = 0.
void FitAlphaEndpoints(const float* pAlphas, UINT steps, float* pLow, float* pHigh);

// Multiplies R, G, B by A (in place when pOut == pIn).
void Premultiply(FloatColor* pOut, const FloatColor* pIn);
// Undoes Premultiply where alpha allows: alpha 0 gives black, colour at or
// above alpha saturates to 1, alpha 1 or more leaves the pixel alone.
void Unpremultiply(FloatColor* pOut, const FloatColor* pIn);
