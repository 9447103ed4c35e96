// One set of BC7 endpoints fitted in three steps, all public techniques:
// the principal axis of the pixels (power iteration on their weighted
// covariance) gives the first pair of ends; every choice of p-bits is
// quantised and its indices chosen; then rounds of least-squares ends
// solved from the current indices refine the best. Indices are chosen by
// projecting each pixel on the quantised ends and comparing the nearest
// palette entries exactly, so the error counted is the decoded one.
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/bptc/bc7_fit.h"

#include "r3az8/tex/bptc/bc7_layout.h"
#include "r3az8/tex/bptc/partitions.h"

#include <cmath>

namespace bptc {
namespace {

float Clamp255(float v) { return v > 0.0f ? (v < 255.0f ? v : 255.0f) : 0.0f; }

// The raw code (without the p-bit `p`) whose widened value lies nearest v.
unsigned QuantizeChannel(float v, unsigned bits, unsigned pCount, unsigned p, int& widened)
{
    const unsigned total = bits + pCount;
    const int top = static_cast<int>((1u << bits) - 1);
    const float code = v * static_cast<float>((1u << total) - 1) / 255.0f;
    int guess = pCount ? static_cast<int>((code - static_cast<float>(p)) * 0.5f + 0.5f) : static_cast<int>(code + 0.5f);
    guess = guess < 0 ? 0 : (guess > top ? top : guess);
    unsigned best = 0;
    float bestDistance = 1e30f;
    for (int r = guess - 1; r <= guess + 1; ++r) {
        if (r < 0 || r > top)
            continue;
        const int value = ExpandBc7(static_cast<unsigned>(r) << pCount | p, total);
        const float distance = std::fabs(static_cast<float>(value) - v);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<unsigned>(r);
            widened = value;
        }
    }
    return best;
}

class SubsetFitter {
public:
    SubsetFitter(const Bc7Pixels& pixels, const SubsetFitSpec& spec)
        : pixels_(pixels), spec_(spec), last_(spec.firstChannel + spec.channels),
          entries_(1u << spec.indexBits)
    {
        for (unsigned k = 0; k < entries_; ++k)
            weights_[k] = WeightOf(spec.indexBits, k);
    }

    SubsetFit Fit()
    {
        best_.error = 1e30f;
        float e0[4] = {}, e1[4] = {};
        PrincipalEnds(e0, e1);
        TryEnds(e0, e1);
        for (unsigned round = 0; round < spec_.refinements; ++round) {
            if (best_.error == 0.0f || !LeastSquaresEnds(best_.index, e0, e1))
                break;
            TryEnds(e0, e1);
        }
        return best_;
    }

private:
    // The ends of the pixels' spread along their principal axis, in a space
    // scaled by the square roots of the channel weights.
    void PrincipalEnds(float* e0, float* e1) const
    {
        float scale[4], mean[4] = {};
        float total = 0.0f;
        for (unsigned c = spec_.firstChannel; c < last_; ++c)
            scale[c] = std::sqrt(pixels_.weight[c]);
        for (unsigned i = 0; i < spec_.count; ++i) {
            const unsigned p = spec_.pixels[i];
            total += pixels_.covered[p];
            for (unsigned c = spec_.firstChannel; c < last_; ++c)
                mean[c] += pixels_.covered[p] * pixels_.value[p][c];
        }
        if (total == 0.0f)
            return;
        for (unsigned c = spec_.firstChannel; c < last_; ++c)
            mean[c] /= total;
        float cov[4][4] = {};
        for (unsigned i = 0; i < spec_.count; ++i) {
            const unsigned p = spec_.pixels[i];
            float d[4] = {};
            for (unsigned c = spec_.firstChannel; c < last_; ++c)
                d[c] = (pixels_.value[p][c] - mean[c]) * scale[c] * pixels_.covered[p];
            for (unsigned a = spec_.firstChannel; a < last_; ++a)
                for (unsigned b = spec_.firstChannel; b < last_; ++b)
                    cov[a][b] += d[a] * d[b];
        }
        // Start from the channel of widest spread.
        float axis[4] = {};
        unsigned widest = spec_.firstChannel;
        for (unsigned c = spec_.firstChannel; c < last_; ++c)
            if (cov[c][c] > cov[widest][widest])
                widest = c;
        for (unsigned c = spec_.firstChannel; c < last_; ++c)
            axis[c] = cov[widest][c];
        for (int iteration = 0; iteration < 6; ++iteration) {
            float next[4] = {};
            float length = 0.0f;
            for (unsigned a = spec_.firstChannel; a < last_; ++a) {
                for (unsigned b = spec_.firstChannel; b < last_; ++b)
                    next[a] += cov[a][b] * axis[b];
                length = std::fabs(next[a]) > length ? std::fabs(next[a]) : length;
            }
            if (length == 0.0f)
                break;
            for (unsigned c = spec_.firstChannel; c < last_; ++c)
                axis[c] = next[c] / length;
        }
        float low = 0.0f, high = 0.0f;
        for (unsigned i = 0; i < spec_.count; ++i) {
            const unsigned p = spec_.pixels[i];
            if (pixels_.covered[p] == 0.0f)
                continue;
            float t = 0.0f;
            for (unsigned c = spec_.firstChannel; c < last_; ++c)
                t += (pixels_.value[p][c] - mean[c]) * scale[c] * axis[c];
            low = t < low ? t : low;
            high = t > high ? t : high;
        }
        float axisLength = 0.0f;
        for (unsigned c = spec_.firstChannel; c < last_; ++c)
            axisLength += axis[c] * axis[c];
        if (axisLength > 0.0f) {
            low /= axisLength;
            high /= axisLength;
        }
        for (unsigned c = spec_.firstChannel; c < last_; ++c) {
            e0[c] = Clamp255(mean[c] + low * axis[c] / scale[c]);
            e1[c] = Clamp255(mean[c] + high * axis[c] / scale[c]);
        }
    }

    // The ends that best reproduce the pixels with the given indices (the
    // normal equations of the two blend weights); false when every pixel
    // has the same weight and the system has no single answer, in which
    // case both ends are the mean.
    bool LeastSquaresEnds(const unsigned* index, float* e0, float* e1) const
    {
        float aa = 0.0f, ab = 0.0f, bb = 0.0f, ax[4] = {}, bx[4] = {};
        for (unsigned i = 0; i < spec_.count; ++i) {
            const unsigned p = spec_.pixels[i];
            const float w = pixels_.covered[p];
            const float t = static_cast<float>(weights_[index[p]]) / 64.0f;
            const float s = 1.0f - t;
            aa += w * s * s;
            ab += w * s * t;
            bb += w * t * t;
            for (unsigned c = spec_.firstChannel; c < last_; ++c) {
                ax[c] += w * s * pixels_.value[p][c];
                bx[c] += w * t * pixels_.value[p][c];
            }
        }
        const float det = aa * bb - ab * ab;
        if (!(det > 1e-4f))
            return false;
        for (unsigned c = spec_.firstChannel; c < last_; ++c) {
            e0[c] = Clamp255((bb * ax[c] - ab * bx[c]) / det);
            e1[c] = Clamp255((aa * bx[c] - ab * ax[c]) / det);
        }
        return true;
    }

    // Quantises the ends under every allowed pair of p-bits, chooses
    // indices and keeps the closest result.
    void TryEnds(const float* e0, const float* e1)
    {
        static constexpr unsigned kPairs[4][2] = {{0, 0}, {1, 1}, {0, 1}, {1, 0}};
        const unsigned pCount = spec_.pBits ? 1 : 0;
        unsigned first = 0, pairs = spec_.pBits == 0 ? 1 : spec_.pBits == 2 ? 2 : 4;
        if (spec_.opaqueAlpha && pCount) {
            first = 1; // both p-bits 1: the largest alpha code widens to 255
            pairs = 2;
        }
        for (unsigned pair = first; pair < pairs; ++pair) {
            SubsetFit candidate;
            for (unsigned end = 0; end < 2; ++end) {
                const unsigned p = kPairs[pair][end];
                const float* e = end ? e1 : e0;
                candidate.pBit[end] = p;
                for (unsigned c = spec_.firstChannel; c < last_; ++c) {
                    const unsigned bits = spec_.bits[c];
                    if (spec_.opaqueAlpha && c == 3) {
                        candidate.raw[end][c] = (1u << bits) - 1;
                        candidate.value[end][c] = ExpandBc7(candidate.raw[end][c] << pCount | p, bits + pCount);
                    } else {
                        candidate.raw[end][c] = QuantizeChannel(e[c], bits, pCount, p, candidate.value[end][c]);
                    }
                }
            }
            candidate.error = ChooseIndices(candidate);
            if (candidate.error < best_.error)
                best_ = candidate;
        }
    }

    float ChooseIndices(SubsetFit& fit) const
    {
        int palette[16][4];
        for (unsigned k = 0; k < entries_; ++k)
            for (unsigned c = spec_.firstChannel; c < last_; ++c)
                palette[k][c] = Interpolate(fit.value[0][c], fit.value[1][c], weights_[k]);
        float d[4] = {}, dd = 0.0f;
        for (unsigned c = spec_.firstChannel; c < last_; ++c) {
            d[c] = static_cast<float>(fit.value[1][c] - fit.value[0][c]);
            dd += pixels_.weight[c] * d[c] * d[c];
        }
        const int lastIndex = static_cast<int>(entries_) - 1;
        float total = 0.0f;
        for (unsigned i = 0; i < spec_.count; ++i) {
            const unsigned p = spec_.pixels[i];
            const float* x = pixels_.value[p];
            int from = 0, to = lastIndex;
            if (!spec_.everyIndex) {
                int guess = 0;
                if (dd > 0.0f) {
                    float t = 0.0f;
                    for (unsigned c = spec_.firstChannel; c < last_; ++c)
                        t += pixels_.weight[c] * (x[c] - static_cast<float>(fit.value[0][c])) * d[c];
                    const float position = t / dd * static_cast<float>(lastIndex) + 0.5f;
                    guess = position > 0.0f ? static_cast<int>(position) : 0;
                    guess = guess < lastIndex ? guess : lastIndex;
                }
                from = guess > 0 ? guess - 1 : 0;
                to = guess < lastIndex ? guess + 1 : lastIndex;
            }
            float bestError = 1e30f;
            for (int k = from; k <= to; ++k) {
                float error = 0.0f;
                for (unsigned c = spec_.firstChannel; c < last_; ++c) {
                    const float e = static_cast<float>(palette[k][c]) - x[c];
                    error += pixels_.weight[c] * e * e;
                }
                if (error < bestError) {
                    bestError = error;
                    fit.index[p] = static_cast<unsigned>(k);
                }
            }
            total += pixels_.covered[p] * bestError;
        }
        return total;
    }

    const Bc7Pixels& pixels_;
    const SubsetFitSpec& spec_;
    const unsigned last_;
    const unsigned entries_;
    unsigned weights_[16] = {};
    SubsetFit best_;
};

} // namespace

SubsetFit FitSubset(const Bc7Pixels& pixels, const SubsetFitSpec& spec) { return SubsetFitter(pixels, spec).Fit(); }

} // namespace bptc
