// The colour half of every DXT block: dither the block to 5:6:5, fit two
// endpoints in weighted space, then code each pixel with error diffusion.
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/dxt/dxt_internal.h"

#include <utility>

using namespace dxt;

namespace {

constexpr WeightedColor FieldScales = {31.0f, 63.0f, 31.0f};
constexpr WeightedColor FieldSteps = {Reciprocal31, Reciprocal63, Reciprocal31};

void StoreColorHalf(BYTE* pBlock, WORD color0, WORD color1, DWORD codes)
{
    StoreWord(pBlock, color0);
    StoreWord(pBlock + 2, color1);
    StoreDword(pBlock + 4, codes);
}

// First pass: the block dithered to 5:6:5 precision, in weighted space.
void DitherTo565(const FloatColor* pColors, WeightedColor* pWorking)
{
    WeightedColor pending[BlockPixels] = {};
    for (UINT i = 0; i < BlockPixels; ++i) {
        WeightedColor value = ColorPart(pColors[i]) + pending[i];
        WeightedColor quantised = {
            static_cast<float>(RoundToCode(value.r, FieldScales.r, FieldScales.r)) * FieldSteps.r,
            static_cast<float>(RoundToCode(value.g, FieldScales.g, FieldScales.g)) * FieldSteps.g,
            static_cast<float>(RoundToCode(value.b, FieldScales.b, FieldScales.b)) * FieldSteps.b};
        pWorking[i] = quantised * ColorWeights;
        DiffuseError(pending, i, value - quantised);
    }
}

WeightedColor WeightedEndpoint(WORD word)
{
    return ColorPart(Expand565(word)) * ColorWeights;
}

} // namespace

HRESULT EncodeColorBlock(BYTE* pBlock, const FloatColor* pColors, ColorAlpha alpha)
{
    UINT steps = 4;
    bool transparent[BlockPixels] = {};
    if (alpha == ColorAlpha::OneBit) {
        UINT count = 0;
        for (UINT i = 0; i < BlockPixels; ++i) {
            transparent[i] = pColors[i].a < 0.5f;
            count += transparent[i];
        }
        if (count == BlockPixels) {
            StoreColorHalf(pBlock, 0x0000, 0xFFFF, 0xFFFFFFFFu);
            return S_OK;
        }
        if (count != 0)
            steps = 3;
    }

    WeightedColor working[BlockPixels];
    DitherTo565(pColors, working);
    WeightedColor first;
    WeightedColor second;
    FitColorEndpoints(working, steps, &first, &second);
    WeightedColor e0 = first * InverseColorWeights;
    WeightedColor e1 = second * InverseColorWeights;
    WORD word0 = Quantize565({e0.r, e0.g, e0.b, 1.0f});
    WORD word1 = Quantize565({e1.r, e1.g, e1.b, 1.0f});
    if (steps == 4 && word0 == word1) {
        StoreColorHalf(pBlock, word0, word0, 0);
        return S_OK;
    }
    // The decoder reads four colours from color0 > color1 and three from
    // color0 <= color1, so the order of the words carries the mode.
    if ((steps == 3) != (word0 <= word1))
        std::swap(word0, word1);

    WeightedColor palette[4]; // by code
    palette[0] = WeightedEndpoint(word0);
    palette[1] = WeightedEndpoint(word1);
    WeightedColor span = palette[1] - palette[0];
    if (steps == 3) {
        palette[2] = palette[0] + span * 0.5f;
        palette[3] = palette[0];
    } else {
        palette[2] = palette[0] + span * OneThird;
        palette[3] = palette[0] + span * TwoThirds;
    }
    const float last = static_cast<float>(steps - 1);
    WeightedColor direction = {0.0f, 0.0f, 0.0f};
    if (word0 != word1)
        direction = span * last / Dot(span, span);
    const BYTE* positionCodes = steps == 3 ? ThreeColorCodes : FourColorCodes;

    WeightedColor pending[BlockPixels] = {};
    DWORD codes = 0;
    for (UINT i = 0; i < BlockPixels; ++i) {
        if (steps == 3 && transparent[i]) {
            codes |= 3u << (2 * i);
            continue;
        }
        WeightedColor value = ColorPart(pColors[i]) * ColorWeights + pending[i];
        float t = Dot(value - palette[0], direction);
        UINT code = positionCodes[static_cast<int>(RoundedPosition(t, last))];
        codes |= code << (2 * i);
        DiffuseError(pending, i, value - palette[code]);
    }
    StoreColorHalf(pBlock, word0, word1, codes);
    return S_OK;
}
