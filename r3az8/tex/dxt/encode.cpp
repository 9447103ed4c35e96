// The five block encoders: an alpha half (explicit 4-bit or a fitted 3-bit
// ramp) in front of the colour half.
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/dxt/dxt_internal.h"

using namespace dxt;

namespace {

// Sixteen 4-bit alphas, dithered by error diffusion.
void EncodeExplicitAlpha(BYTE* pBlock, const FloatColor* pColors)
{
    float pending[BlockPixels] = {};
    for (UINT i = 0; i < BlockPixels; ++i) {
        float value = pColors[i].a + pending[i];
        int code = RoundToCode(value, 15.0f, 15.0f);
        if (i & 1)
            pBlock[i / 2] = static_cast<BYTE>(pBlock[i / 2] | code << 4);
        else
            pBlock[i / 2] = static_cast<BYTE>(code);
        DiffuseError(pending, i, value - static_cast<float>(code) * Reciprocal15);
    }
}

// The alpha ramp half: endpoints fitted to the alphas dithered to 8 bits,
// then each pixel coded with error diffusion against the decoded ramp.
void EncodeAlphaRamp(BYTE* pBlock, const FloatColor* pColors)
{
    float quantised[BlockPixels];
    float pending[BlockPixels] = {};
    // The running extremes start at pixel 0's alpha as given.
    float minimum = pColors[0].a;
    float maximum = pColors[0].a;
    for (UINT i = 0; i < BlockPixels; ++i) {
        float value = pColors[i].a + pending[i];
        float v = static_cast<float>(RoundToCode(value, 255.0f, 255.0f)) * Reciprocal255;
        quantised[i] = v;
        minimum = v < minimum ? v : minimum;
        maximum = v > maximum ? v : maximum;
        DiffuseError(pending, i, value - v);
    }

    BYTE codes[BlockPixels] = {};
    if (minimum == 1.0f) {
        pBlock[0] = pBlock[1] = 255;
        StoreAlphaCodes(pBlock + 2, codes);
        return;
    }
    // Blocks touching 0 or 1 use the ramp with exact 0 and 1 codes.
    const bool six = minimum == 0.0f || maximum == 1.0f;
    float low;
    float high;
    FitAlphaEndpoints(quantised, six ? 6 : 8, &low, &high);
    BYTE lowByte = static_cast<BYTE>(RoundToCode(low, 255.0f, 255.0f));
    BYTE highByte = static_cast<BYTE>(RoundToCode(high, 255.0f, 255.0f));

    float palette[8];
    if (six) {
        pBlock[0] = lowByte;
        pBlock[1] = highByte;
        AlphaPalette(lowByte, highByte, AlphaRamp::SixValues, palette);
    } else {
        if (lowByte == highByte) {
            pBlock[0] = pBlock[1] = lowByte;
            StoreAlphaCodes(pBlock + 2, codes);
            return;
        }
        pBlock[0] = highByte;
        pBlock[1] = lowByte;
        AlphaPalette(highByte, lowByte, AlphaRamp::EightValues, palette);
    }

    const float last = six ? 5.0f : 7.0f;
    const BYTE* positionCodes = six ? SixAlphaCodes : EightAlphaCodes;
    const float scale = palette[0] == palette[1] ? 0.0f : last / (palette[1] - palette[0]);
    const float zeroBelow = palette[0] * 0.5f;
    const float oneAbove = (palette[1] + 1.0f) * 0.5f;
    for (UINT i = 0; i < BlockPixels; ++i)
        pending[i] = 0.0f;
    for (UINT i = 0; i < BlockPixels; ++i) {
        float value = pColors[i].a + pending[i];
        float h = (value - palette[0]) * scale;
        BYTE code = positionCodes[static_cast<int>(RoundedPosition(h, last))];
        if (six) {
            // Codes 6 and 7 are exact 0 and 1. With equal ends the ramp has
            // no length, so an alpha near 1 is tested directly; otherwise a
            // block of halves and ones would lose its ones.
            if (h <= 0.0f && value <= zeroBelow)
                code = 6;
            else if ((h >= last || scale == 0.0f) && value >= oneAbove)
                code = 7;
        }
        codes[i] = code;
        DiffuseError(pending, i, value - palette[code]);
    }
    StoreAlphaCodes(pBlock + 2, codes);
}

} // namespace

HRESULT EncodeBlockDXT1(BYTE* pBlock, const FloatColor* pColors)
{
    return EncodeColorBlock(pBlock, pColors, ColorAlpha::OneBit);
}

HRESULT EncodeBlockDXT3(BYTE* pBlock, const FloatColor* pColors)
{
    EncodeExplicitAlpha(pBlock, pColors);
    return EncodeColorBlock(pBlock + 8, pColors, ColorAlpha::Ignored);
}

HRESULT EncodeBlockDXT5(BYTE* pBlock, const FloatColor* pColors)
{
    EncodeAlphaRamp(pBlock, pColors);
    return EncodeColorBlock(pBlock + 8, pColors, ColorAlpha::Ignored);
}

HRESULT EncodeBlockDXT2(BYTE* pBlock, const FloatColor* pColors)
{
    FloatColor premultiplied[BlockPixels];
    Premultiply(premultiplied, pColors);
    return EncodeBlockDXT3(pBlock, premultiplied);
}

HRESULT EncodeBlockDXT4(BYTE* pBlock, const FloatColor* pColors)
{
    FloatColor premultiplied[BlockPixels];
    Premultiply(premultiplied, pColors);
    return EncodeBlockDXT5(pBlock, premultiplied);
}
