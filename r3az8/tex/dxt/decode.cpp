// The five DXT block decoders, and RXGB's, which is DXT5's.
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/dxt/dxt_internal.h"

using namespace dxt;

namespace {

FloatColor Interpolate(const FloatColor& from, const FloatColor& to, float share)
{
    return {from.r + (to.r - from.r) * share, from.g + (to.g - from.g) * share, from.b + (to.b - from.b) * share,
            1.0f};
}

// The colour half: four colours when color0 > color1, else three and
// transparent black. DXT2..DXT5 blocks follow the same rule.
void DecodeColorHalf(FloatColor* pColors, const BYTE* pHalf)
{
    WORD word0 = LoadWord(pHalf);
    WORD word1 = LoadWord(pHalf + 2);
    FloatColor palette[4];
    palette[0] = Expand565(word0);
    palette[1] = Expand565(word1);
    if (word0 > word1) {
        palette[2] = Interpolate(palette[0], palette[1], kOneThird);
        palette[3] = Interpolate(palette[0], palette[1], kTwoThirds);
    } else {
        palette[2] = Interpolate(palette[0], palette[1], 0.5f);
        palette[3] = {0.0f, 0.0f, 0.0f, 0.0f};
    }
    DWORD codes = LoadDword(pHalf + 4);
    for (UINT i = 0; i < kBlockPixels; ++i)
        pColors[i] = palette[(codes >> (2 * i)) & 3];
}

} // namespace

namespace dxt {

void AlphaPalette(BYTE alpha0, BYTE alpha1, AlphaRamp ramp, float* palette)
{
    float a0 = static_cast<float>(alpha0) * kReciprocal255;
    float a1 = static_cast<float>(alpha1) * kReciprocal255;
    palette[0] = a0;
    palette[1] = a1;
    if (ramp == AlphaRamp::EightValues) {
        for (int k = 1; k <= 6; ++k)
            palette[k + 1] = (static_cast<float>(7 - k) * a0 + static_cast<float>(k) * a1) * kOneSeventh;
    } else {
        for (int k = 1; k <= 4; ++k)
            palette[k + 1] = (static_cast<float>(5 - k) * a0 + static_cast<float>(k) * a1) * kOneFifth;
        palette[6] = 0.0f;
        palette[7] = 1.0f;
    }
}

void StoreAlphaCodes(BYTE* p, const BYTE* codes)
{
    for (int half = 0; half < 2; ++half) {
        DWORD bits = 0;
        for (int i = 0; i < 8; ++i)
            bits |= static_cast<DWORD>(codes[8 * half + i] & 7) << (3 * i);
        for (int k = 0; k < 3; ++k)
            p[3 * half + k] = static_cast<BYTE>(bits >> (8 * k));
    }
}

} // namespace dxt

HRESULT DecodeBlockDXT1(FloatColor* pColors, const BYTE* pBlock)
{
    DecodeColorHalf(pColors, pBlock);
    return S_OK;
}

HRESULT DecodeBlockDXT3(FloatColor* pColors, const BYTE* pBlock)
{
    DecodeColorHalf(pColors, pBlock + 8);
    for (UINT i = 0; i < kBlockPixels; ++i) {
        UINT nibble = (pBlock[i / 2] >> (4 * (i & 1))) & 15;
        pColors[i].a = static_cast<float>(nibble) * kReciprocal15;
    }
    return S_OK;
}

HRESULT DecodeBlockDXT5(FloatColor* pColors, const BYTE* pBlock)
{
    DecodeColorHalf(pColors, pBlock + 8);
    float palette[8];
    AlphaPalette(pBlock[0], pBlock[1], pBlock[0] > pBlock[1] ? AlphaRamp::EightValues : AlphaRamp::SixValues, palette);
    for (int half = 0; half < 2; ++half) {
        const BYTE* p = pBlock + 2 + 3 * half;
        DWORD bits = static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16;
        for (int i = 0; i < 8; ++i)
            pColors[8 * half + i].a = palette[(bits >> (3 * i)) & 7];
    }
    return S_OK;
}

HRESULT DecodeBlockDXT2(FloatColor* pColors, const BYTE* pBlock)
{
    DecodeBlockDXT3(pColors, pBlock);
    Unpremultiply(pColors, pColors);
    return S_OK;
}

HRESULT DecodeBlockDXT4(FloatColor* pColors, const BYTE* pBlock)
{
    DecodeBlockDXT5(pColors, pBlock);
    Unpremultiply(pColors, pColors);
    return S_OK;
}

HRESULT DecodeBlockRXGB(FloatColor* pColors, const BYTE* pBlock)
{
    DecodeBlockDXT5(pColors, pBlock);
    for (UINT i = 0; i < kBlockPixels; ++i)
        pColors[i] = {pColors[i].a, pColors[i].g, pColors[i].b, 1.0f};
    return S_OK;
}
