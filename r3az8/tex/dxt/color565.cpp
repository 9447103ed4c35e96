// 5:6:5 colour words of the DXT colour half, and the weights of the
// encoder's colour space.
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/dxt/dxt_internal.h"

using namespace dxt;

// Green counts fully; red and blue count by their share of perceived
// brightness relative to green.
const WeightedColor kColorWeights = {0.29703665f, 1.0f, 0.10078278f};
const WeightedColor kInverseColorWeights = {3.3665881f, 1.0f, 9.9223299f};

FloatColor Expand565(WORD word)
{
    return {static_cast<float>(word >> 11) * kReciprocal31, static_cast<float>((word >> 5) & 63) * kReciprocal63,
            static_cast<float>(word & 31) * kReciprocal31, 1.0f};
}

WORD Quantize565(const FloatColor& color)
{
    // RoundToCode clamps to the field (NaN to 0), which is the clamp to 0..1.
    int r = RoundToCode(color.r, 31.0f, 31.0f);
    int g = RoundToCode(color.g, 63.0f, 63.0f);
    int b = RoundToCode(color.b, 31.0f, 31.0f);
    return static_cast<WORD>(r << 11 | g << 5 | b);
}
