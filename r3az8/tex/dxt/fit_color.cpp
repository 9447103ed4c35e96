// Colour endpoint search: a diagonal of the bounding box, then Gauss-Newton
// refinement of both ends against the ramp the block will decode to.
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/dxt/dxt_internal.h"

#include <utility>

using namespace dxt;

namespace {

// Ramp weights of the first and second endpoint at each position.
constexpr float FourLow[4] = {1.0f, 2.0f / 3.0f, 1.0f / 3.0f, 0.0f};
constexpr float FourHigh[4] = {0.0f, 1.0f / 3.0f, 2.0f / 3.0f, 1.0f};
constexpr float ThreeLow[3] = {1.0f, 0.5f, 0.0f};
constexpr float ThreeHigh[3] = {0.0f, 0.5f, 1.0f};

// Index of the largest of four sums of squares (the first of equals): which
// of the box's four diagonals the colours spread along.
int ChooseDiagonal(const WeightedColor* pColors, const WeightedColor& low, const WeightedColor& high,
                   const WeightedColor& span, float spanSquared)
{
    WeightedColor centre = (low + high) / 2.0f;
    float sums[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    for (UINT i = 0; i < BlockPixels; ++i) {
        WeightedColor u = (pColors[i] - centre) * span / spanSquared;
        float along[4] = {u.r + u.g + u.b, u.r + u.g - u.b, u.r - u.g + u.b, u.r - u.g - u.b};
        for (int k = 0; k < 4; ++k)
            sums[k] += along[k] * along[k];
    }
    int best = 0;
    for (int k = 1; k < 4; ++k)
        if (sums[k] > sums[best])
            best = k;
    return best;
}

} // namespace

void FitColorEndpoints(const WeightedColor* pColors, UINT steps, WeightedColor* pFirst, WeightedColor* pSecond)
{
    // The minimum starts at the weights, the largest an in-range colour has.
    WeightedColor low = ColorWeights;
    WeightedColor high = {0.0f, 0.0f, 0.0f};
    for (UINT i = 0; i < BlockPixels; ++i) {
        const WeightedColor& c = pColors[i];
        low = {c.r < low.r ? c.r : low.r, c.g < low.g ? c.g : low.g, c.b < low.b ? c.b : low.b};
        high = {c.r > high.r ? c.r : high.r, c.g > high.g ? c.g : high.g, c.b > high.b ? c.b : high.b};
    }
    WeightedColor span = high - low;
    float spanSquared = Dot(span, span);
    if (spanSquared < SmallestNormal) {
        *pFirst = low;
        *pSecond = high;
        return;
    }

    int diagonal = ChooseDiagonal(pColors, low, high, span, spanSquared);
    if (diagonal & 2)
        std::swap(low.g, high.g);
    if (diagonal & 1)
        std::swap(low.b, high.b);
    WeightedColor first = low;
    WeightedColor second = high;

    if (spanSquared >= ColorSpanLimit) {
        const float* lowWeights = steps == 3 ? ThreeLow : FourLow;
        const float* highWeights = steps == 3 ? ThreeHigh : FourHigh;
        const float last = static_cast<float>(steps - 1);
        for (int round = 0; round < RefinementRounds; ++round) {
            WeightedColor ramp[4];
            for (UINT j = 0; j < steps; ++j)
                ramp[j] = first * lowWeights[j] + second * highWeights[j];
            WeightedColor direction = second - first;
            float length = Dot(direction, direction);
            if (length < ColorSpanLimit)
                break;
            direction = direction * last / length;

            WeightedColor gradientFirst = {0.0f, 0.0f, 0.0f};
            WeightedColor gradientSecond = {0.0f, 0.0f, 0.0f};
            float curvatureFirst = 0.0f;
            float curvatureSecond = 0.0f;
            for (UINT i = 0; i < BlockPixels; ++i) {
                float t = Dot(pColors[i] - first, direction);
                int j = static_cast<int>(RoundedPosition(t, last));
                WeightedColor residual = ramp[j] - pColors[i];
                float lowShare = lowWeights[j] / 8.0f;
                float highShare = highWeights[j] / 8.0f;
                gradientFirst += residual * lowShare;
                curvatureFirst += lowShare * lowWeights[j];
                gradientSecond += residual * highShare;
                curvatureSecond += highShare * highWeights[j];
            }
            if (curvatureFirst > 0.0f)
                first = first - gradientFirst / curvatureFirst;
            if (curvatureSecond > 0.0f)
                second = second - gradientSecond / curvatureSecond;

            const float g[6] = {gradientFirst.r, gradientFirst.g, gradientFirst.b,
                                gradientSecond.r, gradientSecond.g, gradientSecond.b};
            bool settled = true;
            for (float component : g)
                settled = settled && component * component < ColorGradientLimit;
            if (settled)
                break;
        }
    }
    *pFirst = first;
    *pSecond = second;
}
