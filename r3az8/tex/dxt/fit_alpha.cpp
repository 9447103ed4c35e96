// Alpha endpoint search of DXT4/DXT5: the range of the alphas, refined by
// Gauss-Newton rounds against the ramp they will be coded to.
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/dxt/dxt_internal.h"

#include <utility>

using namespace dxt;

namespace {

constexpr float EightLow[8] = {1.0f, 6.0f / 7.0f, 5.0f / 7.0f, 4.0f / 7.0f, 3.0f / 7.0f, 2.0f / 7.0f, 1.0f / 7.0f, 0.0f};
constexpr float EightHigh[8] = {0.0f, 1.0f / 7.0f, 2.0f / 7.0f, 3.0f / 7.0f, 4.0f / 7.0f, 5.0f / 7.0f, 6.0f / 7.0f, 1.0f};
constexpr float SixLow[6] = {1.0f, 4.0f / 5.0f, 3.0f / 5.0f, 2.0f / 5.0f, 1.0f / 5.0f, 0.0f};
constexpr float SixHigh[6] = {0.0f, 1.0f / 5.0f, 2.0f / 5.0f, 3.0f / 5.0f, 4.0f / 5.0f, 1.0f};

float Clamp01(float x)
{
    x = x > 0.0f ? x : 0.0f; // NaN too
    return x < 1.0f ? x : 1.0f;
}

} // namespace

void FitAlphaEndpoints(const float* pAlphas, UINT steps, float* pLow, float* pHigh)
{
    const bool six = steps == 6;
    float low = 1.0f;
    float high = 0.0f;
    for (UINT i = 0; i < BlockPixels; ++i) {
        float v = pAlphas[i];
        // With six steps, 0 and 1 have codes of their own and stay out.
        if (v < low && (!six || v > 0.0f))
            low = v;
        if (v > high && (!six || v < 1.0f))
            high = v;
    }

    const float* lowWeights = six ? SixLow : EightLow;
    const float* highWeights = six ? SixHigh : EightHigh;
    const float last = six ? 5.0f : 7.0f;
    for (int round = 0; round < RefinementRounds && high - low >= AlphaSpanLimit; ++round) {
        float scale = last / (high - low);
        float ramp[8];
        for (UINT j = 0; j < steps; ++j)
            ramp[j] = low * lowWeights[j] + high * highWeights[j];
        float gradientLow = 0.0f;
        float gradientHigh = 0.0f;
        float curvatureLow = 0.0f;
        float curvatureHigh = 0.0f;
        for (UINT i = 0; i < BlockPixels; ++i) {
            float v = pAlphas[i];
            float t = (v - low) * scale;
            if (six && ((t <= 0.0f && v <= low * 0.5f) || (t >= last && v >= (high + 1.0f) * 0.5f)))
                continue;
            int j = static_cast<int>(RoundedPosition(t, last));
            float residual = ramp[j] - v;
            gradientLow += residual * lowWeights[j];
            curvatureLow += lowWeights[j] * lowWeights[j];
            gradientHigh += residual * highWeights[j];
            curvatureHigh += highWeights[j] * highWeights[j];
        }
        if (curvatureLow > 0.0f)
            low = low - gradientLow / curvatureLow;
        if (curvatureHigh > 0.0f)
            high = high - gradientHigh / curvatureHigh;
        if (high < low)
            std::swap(low, high);
        if (gradientLow * gradientLow < AlphaGradientLimit && gradientHigh * gradientHigh < AlphaGradientLimit)
            break;
    }
    *pLow = Clamp01(low);
    *pHigh = Clamp01(high);
}
