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
#include <cstdint>
#include <initializer_list>

namespace bptc {
namespace {

float Clamp255(float v) { return v > 0.0f ? (v < 255.0f ? v : 255.0f) : 0.0f; }

// For every endpoint width (4 to 8 bits) with no p-bit, p-bit 0 or p-bit 1,
// the raw code whose widened value lies nearest each 8-bit value, and that
// widened value.
struct QuantizeTables {
    std::uint8_t raw[5][3][256];
    std::uint8_t widened[5][3][256];
};

const QuantizeTables& Quantizers()
{
    static const QuantizeTables tables = [] {
        QuantizeTables t{};
        for (unsigned bits = 4; bits <= 8; ++bits)
            for (unsigned kind = 0; kind < (bits < 8 ? 3u : 1u); ++kind) { // no 8-bit end has a p-bit
                const unsigned pCount = kind == 0 ? 0 : 1;
                const unsigned p = kind == 2 ? 1 : 0;
                for (int v = 0; v < 256; ++v) {
                    int bestDistance = 1 << 20;
                    for (unsigned r = 0; r < (1u << bits); ++r) {
                        const int value = ExpandBc7(r << pCount | p, bits + pCount);
                        const int distance = value > v ? value - v : v - value;
                        if (distance < bestDistance) {
                            bestDistance = distance;
                            t.raw[bits - 4][kind][v] = static_cast<std::uint8_t>(r);
                            t.widened[bits - 4][kind][v] = static_cast<std::uint8_t>(value);
                        }
                    }
                }
            }
        return t;
    }();
    return tables;
}

// The raw code (without the p-bit `p`) whose widened value lies nearest v
// (in 0..255, taken to the nearest whole value).
unsigned QuantizeChannel(float v, unsigned bits, unsigned pCount, unsigned p, int& widened)
{
    const QuantizeTables& tables = Quantizers();
    const unsigned kind = pCount == 0 ? 0 : 1 + p;
    const int at = static_cast<int>(v + 0.5f);
    const unsigned index = static_cast<unsigned>(at < 0 ? 0 : (at > 255 ? 255 : at));
    widened = tables.widened[bits - 4][kind][index];
    return tables.raw[bits - 4][kind][index];
}

class SubsetFitter {
public:
    SubsetFitter(const Bc7Pixels& pixels, const SubsetProblem& problem)
        : pixels_(pixels), problem_(problem), last_(problem.firstChannel + problem.channels),
          entries_(1u << problem.indexBits)
    {
        for (unsigned k = 0; k < entries_; ++k)
            weights_[k] = WeightOf(problem.indexBits, k);
        // The subset's pixels side by side, so that the loops over them
        // read one array in order.
        for (unsigned i = 0; i < problem.count; ++i) {
            const unsigned p = problem.pixels[i];
            for (unsigned c = 0; c < 4; ++c)
                x_[i][c] = pixels.value[p][c];
            covered_[i] = pixels.covered[p];
        }
    }

    SubsetFit Fit()
    {
        best_.error = 1e30f;
        float e0[4] = {}, e1[4] = {};
        PrincipalEnds(e0, e1);
        TryEnds(e0, e1);
        for (unsigned round = 0; round < problem_.refinements; ++round) {
            if (best_.error == 0.0f || !LeastSquaresEnds(best_.index, e0, e1))
                break;
            TryEnds(e0, e1);
        }
        for (unsigned pass = 0; pass < problem_.polish && best_.error > 0.0f; ++pass)
            if (!Polish())
                break;
        return best_;
    }

private:
    // The ends of the pixels' spread along their principal axis, in a space
    // scaled by the square roots of the channel weights.
    void PrincipalEnds(float* e0, float* e1) const
    {
        float scale[4], mean[4] = {};
        float total = 0.0f;
        for (unsigned c = problem_.firstChannel; c < last_; ++c)
            scale[c] = std::sqrt(pixels_.weight[c]);
        for (unsigned i = 0; i < problem_.count; ++i) {
            total += covered_[i];
            for (unsigned c = problem_.firstChannel; c < last_; ++c)
                mean[c] += covered_[i] * x_[i][c];
        }
        if (total == 0.0f)
            return;
        for (unsigned c = problem_.firstChannel; c < last_; ++c)
            mean[c] /= total;
        float cov[4][4] = {};
        for (unsigned i = 0; i < problem_.count; ++i) {
            float d[4] = {};
            for (unsigned c = problem_.firstChannel; c < last_; ++c)
                d[c] = (x_[i][c] - mean[c]) * scale[c] * covered_[i];
            for (unsigned a = problem_.firstChannel; a < last_; ++a)
                for (unsigned b = a; b < last_; ++b)
                    cov[a][b] += d[a] * d[b];
        }
        for (unsigned a = problem_.firstChannel; a < last_; ++a)
            for (unsigned b = problem_.firstChannel; b < a; ++b)
                cov[a][b] = cov[b][a];
        // Start from the channel of widest spread.
        float axis[4] = {};
        unsigned widest = problem_.firstChannel;
        for (unsigned c = problem_.firstChannel; c < last_; ++c)
            if (cov[c][c] > cov[widest][widest])
                widest = c;
        for (unsigned c = problem_.firstChannel; c < last_; ++c)
            axis[c] = cov[widest][c];
        for (int iteration = 0; iteration < 4; ++iteration) {
            float next[4] = {};
            float length = 0.0f;
            for (unsigned a = problem_.firstChannel; a < last_; ++a) {
                for (unsigned b = problem_.firstChannel; b < last_; ++b)
                    next[a] += cov[a][b] * axis[b];
                length = std::fabs(next[a]) > length ? std::fabs(next[a]) : length;
            }
            if (length == 0.0f)
                break;
            for (unsigned c = problem_.firstChannel; c < last_; ++c)
                axis[c] = next[c] / length;
        }
        float low = 0.0f, high = 0.0f;
        for (unsigned i = 0; i < problem_.count; ++i) {
            if (covered_[i] == 0.0f)
                continue;
            float t = 0.0f;
            for (unsigned c = problem_.firstChannel; c < last_; ++c)
                t += (x_[i][c] - mean[c]) * scale[c] * axis[c];
            low = t < low ? t : low;
            high = t > high ? t : high;
        }
        float axisLength = 0.0f;
        for (unsigned c = problem_.firstChannel; c < last_; ++c)
            axisLength += axis[c] * axis[c];
        if (axisLength > 0.0f) {
            low /= axisLength;
            high /= axisLength;
        }
        for (unsigned c = problem_.firstChannel; c < last_; ++c) {
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
        for (unsigned i = 0; i < problem_.count; ++i) {
            const float w = covered_[i];
            const float t = static_cast<float>(weights_[index[problem_.pixels[i]]]) / 64.0f;
            const float s = 1.0f - t;
            aa += w * s * s;
            ab += w * s * t;
            bb += w * t * t;
            for (unsigned c = problem_.firstChannel; c < last_; ++c) {
                ax[c] += w * s * x_[i][c];
                bx[c] += w * t * x_[i][c];
            }
        }
        const float det = aa * bb - ab * ab;
        if (!(det > 1e-4f))
            return false;
        for (unsigned c = problem_.firstChannel; c < last_; ++c) {
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
        const unsigned pCount = problem_.pBits ? 1 : 0;
        unsigned first = 0, pairs = problem_.pBits == 0 ? 1 : problem_.pBits == 2 ? 2 : 4;
        unsigned chosen[2] = {0, 0};
        if (problem_.opaqueAlpha && pCount) {
            first = 1; // both p-bits 1: the largest alpha code widens to 255
            pairs = 2;
        } else if (pCount && !problem_.everyPBit) {
            // One fit, with the p-bits that quantise the ends closest.
            NearestPBits(e0, e1, chosen);
            pairs = 1;
        }
        for (unsigned pair = first; pair < pairs; ++pair) {
            SubsetFit candidate;
            for (unsigned end = 0; end < 2; ++end) {
                const unsigned p = pairs == 1 ? chosen[end] : kPairs[pair][end];
                const float* e = end ? e1 : e0;
                candidate.pBit[end] = p;
                for (unsigned c = problem_.firstChannel; c < last_; ++c) {
                    const unsigned bits = problem_.bits[c];
                    if (problem_.opaqueAlpha && c == 3) {
                        candidate.raw[end][c] = (1u << bits) - 1;
                        candidate.value[end][c] = ExpandBc7(candidate.raw[end][c] << pCount | p, bits + pCount);
                    } else {
                        candidate.raw[end][c] = QuantizeChannel(e[c], bits, pCount, p, candidate.value[end][c]);
                    }
                }
            }
            if (Seen(candidate))
                continue;
            candidate.error = ChooseIndices(candidate, best_.error);
            if (candidate.error < best_.error)
                best_ = candidate;
        }
    }

    // Moves each end's channels one code up or down, keeping every move
    // that lowers the error (a search around the quantised ends); false
    // when none did.
    bool Polish()
    {
        const unsigned pCount = problem_.pBits ? 1 : 0;
        bool improved = false;
        for (unsigned end = 0; end < 2; ++end)
            for (unsigned c = problem_.firstChannel; c < last_; ++c) {
                if (problem_.opaqueAlpha && c == 3)
                    continue;
                const unsigned top = (1u << problem_.bits[c]) - 1;
                for (int step : {-1, 1}) {
                    const unsigned raw = best_.raw[end][c];
                    if ((step < 0 && raw == 0) || (step > 0 && raw == top))
                        continue;
                    SubsetFit candidate = best_;
                    candidate.raw[end][c] = raw + static_cast<unsigned>(step);
                    candidate.value[end][c] =
                        ExpandBc7(candidate.raw[end][c] << pCount | candidate.pBit[end], problem_.bits[c] + pCount);
                    if (Seen(candidate))
                        continue;
                    candidate.error = ChooseIndices(candidate, best_.error);
                    if (candidate.error < best_.error) {
                        best_ = candidate;
                        improved = true;
                    }
                }
            }
        return improved;
    }

    // Whether these quantised ends were tried before, noting them if not.
    // A second try would give the same error, which lost or is the best
    // already, so it is skipped.
    bool Seen(const SubsetFit& fit)
    {
        // Raw codes are at most 8 bits wide: the key is the ends entire.
        const std::uint64_t key = fit.pBit[0] | fit.pBit[1] << 1;
        std::uint64_t exact = 0;
        for (unsigned end = 0; end < 2; ++end)
            for (unsigned c = 0; c < 4; ++c)
                exact = exact << 8 | fit.raw[end][c];
        for (unsigned i = 0; i < seenCount_; ++i)
            if (seen_[i][0] == key && seen_[i][1] == exact)
                return true;
        if (seenCount_ < kMostSeen) {
            seen_[seenCount_][0] = key;
            seen_[seenCount_][1] = exact;
            ++seenCount_;
        }
        return false;
    }

    // Weighted squared distance of an end from its quantised self, were
    // its p-bit `p`.
    float QuantizationError(const float* e, unsigned p) const
    {
        float error = 0.0f;
        for (unsigned c = problem_.firstChannel; c < last_; ++c) {
            int widened = 0;
            QuantizeChannel(e[c], problem_.bits[c], 1, p, widened);
            const float d = static_cast<float>(widened) - e[c];
            error += pixels_.weight[c] * d * d;
        }
        return error;
    }

    void NearestPBits(const float* e0, const float* e1, unsigned* chosen) const
    {
        const float zero[2] = {QuantizationError(e0, 0), QuantizationError(e1, 0)};
        const float one[2] = {QuantizationError(e0, 1), QuantizationError(e1, 1)};
        if (problem_.pBits == 2) {
            chosen[0] = chosen[1] = one[0] + one[1] < zero[0] + zero[1] ? 1 : 0;
            return;
        }
        for (unsigned end = 0; end < 2; ++end)
            chosen[end] = one[end] < zero[end] ? 1 : 0;
    }

    // The indices and their error; stops early, with a partial total, once
    // the error reaches `toBeat`, as the fit can then no longer win.
    float ChooseIndices(SubsetFit& fit, float toBeat) const
    {
        // Four channels throughout, those not fitted weighing nothing, so
        // that the loops have one fixed length.
        float w[4] = {}, low[4] = {}, d[4] = {}, palette[16][4] = {};
        float dd = 0.0f;
        for (unsigned c = problem_.firstChannel; c < last_; ++c) {
            w[c] = pixels_.weight[c];
            low[c] = static_cast<float>(fit.value[0][c]);
            d[c] = static_cast<float>(fit.value[1][c] - fit.value[0][c]);
            dd += w[c] * d[c] * d[c];
            for (unsigned k = 0; k < entries_; ++k)
                palette[k][c] = static_cast<float>(Interpolate(fit.value[0][c], fit.value[1][c], weights_[k]));
        }
        const int lastIndex = static_cast<int>(entries_) - 1;
        const float toPosition = dd > 0.0f ? static_cast<float>(lastIndex) / dd : 0.0f;
        float total = 0.0f;
        if (!problem_.everyIndex) {
            // The two entries either side of the projection, compared
            // without a branch: which one wins is a coin toss to the
            // processor's predictor.
            for (unsigned i = 0; i < problem_.count; ++i) {
                const float* x = x_[i];
                float t = 0.0f;
                for (unsigned c = 0; c < 4; ++c)
                    t += w[c] * (x[c] - low[c]) * d[c];
                const float position = t * toPosition;
                int guess = position > 0.0f ? static_cast<int>(position) : 0;
                guess = guess < lastIndex ? guess : lastIndex - 1;
                const float* below = palette[guess];
                const float* above = palette[guess + 1];
                float belowError = 0.0f, aboveError = 0.0f;
                for (unsigned c = 0; c < 4; ++c) {
                    const float e = below[c] - x[c];
                    belowError += w[c] * e * e;
                }
                for (unsigned c = 0; c < 4; ++c) {
                    const float e = above[c] - x[c];
                    aboveError += w[c] * e * e;
                }
                const bool up = aboveError < belowError;
                fit.index[problem_.pixels[i]] = static_cast<unsigned>(guess + (up ? 1 : 0));
                total += covered_[i] * (up ? aboveError : belowError);
                if (total >= toBeat)
                    return total;
            }
            return total;
        }
        for (unsigned i = 0; i < problem_.count; ++i) {
            const float* x = x_[i];
            float bestError = 1e30f;
            for (int k = 0; k <= lastIndex; ++k) {
                float error = 0.0f;
                for (unsigned c = 0; c < 4; ++c) {
                    const float e = palette[k][c] - x[c];
                    error += w[c] * e * e;
                }
                if (error < bestError) {
                    bestError = error;
                    fit.index[problem_.pixels[i]] = static_cast<unsigned>(k);
                }
            }
            total += covered_[i] * bestError;
            if (total >= toBeat)
                return total;
        }
        return total;
    }

    const Bc7Pixels& pixels_;
    const SubsetProblem& problem_;
    const unsigned last_;
    const unsigned entries_;
    unsigned weights_[16] = {};
    float x_[16][4];
    float covered_[16];
    static constexpr unsigned kMostSeen = 64;
    std::uint64_t seen_[kMostSeen][2];
    unsigned seenCount_ = 0;
    SubsetFit best_;
};

} // namespace

SubsetFit FitSubset(const Bc7Pixels& pixels, const SubsetProblem& problem) { return SubsetFitter(pixels, problem).Fit(); }

} // namespace bptc
