// One set of BC7 endpoints fitted in three steps, all public techniques:
// the principal axis of the pixels (power iteration on their weighted
// covariance) gives the first pair of ends; the ends are quantised under
// the p-bits that fit them best and indices chosen; then rounds of
// least-squares ends solved from the current indices refine the best.
// Indices are chosen by projecting each pixel on the quantised ends and
// comparing the two palette entries either side exactly, so the error
// counted is the decoded one.
//
// Every loop runs over all 16 pixels at once (bc7_lanes.h), channel by
// channel: pixels outside the subset weigh nothing. Sums over pixels are
// taken in a fixed tree, so the bytes do not depend on the vector width.
#include "r3az8/tex/bptc/bc7_fit.h"
#include "r3az8/tex/dxt/no_fused_multiply_add.h"

#include "r3az8/tex/bptc/bc7_lanes.h"
#include "r3az8/tex/bptc/bc7_layout.h"
#include "r3az8/tex/bptc/bc7_tables.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>

namespace bptc {
namespace {

float Clamp255(float v) { return v > 0.0f ? (v < 255.0f ? v : 255.0f) : 0.0f; }

// Sums a value over the fitted channels, in channel order.
template <unsigned First, unsigned Last, class Term>
inline float SumChannels(Term term)
{
    float sum = term(First);
    for (unsigned c = First + 1; c < Last; ++c)
        sum += term(c);
    return sum;
}

// Channels First..Last - 1 fitted; with `fixedAlpha`, channel 3 is held at
// its largest code besides (an opaque block in a mode with alpha).
template <unsigned First, unsigned Last>
class SubsetFitter {
public:
    SubsetFitter(const Bc7Pixels& pixels, const SubsetProblem& problem, bool fixedAlpha)
        : problem_(problem),
          fixedAlpha_(fixedAlpha),
          entries_(1u << problem.indexBits),
          weights_(Bc7Weights(problem.indexBits)),
          nearest_(Bc7NearestIndex(problem.indexBits)),
          weightOf_(Bc7FloatWeights().weight[problem.indexBits - 2]),
          nearestWeight_(Bc7FloatWeights().nearest[problem.indexBits - 2]),
          quantizers_(Bc7Quantizers())
    {
        for (unsigned c = 0; c < 4; ++c)
            w_[c] = c >= First && c < Last ? pixels.weight[c] : 0.0f;
        float member[16] = {};
        for (unsigned i = 0; i < problem.count; ++i)
            member[problem.pixels[i] & 15u] = 1.0f;
        covered_ = Lanes::Load(member) * Lanes::Load(pixels.covered);
        for (unsigned c = First; c < Last; ++c)
            x_[c] = Lanes::Load(pixels.value[c]);
    }

    SubsetFit Fit()
    {
        best_.error = 1e30f;
        float e0[4] = {}, e1[4] = {};
        PrincipalEnds(e0, e1);
        TryEnds(e0, e1);
        for (unsigned round = 0; round < problem_.refinements; ++round) {
            if (best_.error <= problem_.goodEnough || !LeastSquaresEnds(best_.index, e0, e1))
                break;
            TryEnds(e0, e1);
        }
        for (unsigned pass = 0; pass < problem_.polish && best_.error > problem_.goodEnough; ++pass)
            if (!Polish())
                break;
        return best_;
    }

private:
    // The ends of the pixels' spread along their principal axis, in a space
    // scaled by the square roots of the channel weights.
    void PrincipalEnds(float* e0, float* e1) const
    {
        float scale[4], mean[4];
        const float total = Sum(covered_);
        if (total == 0.0f)
            return;
        Lanes d[4];
        for (unsigned c = First; c < Last; ++c) {
            scale[c] = std::sqrt(w_[c]);
            mean[c] = Sum(covered_ * x_[c]) / total;
            d[c] = (x_[c] - mean[c]) * scale[c] * covered_;
        }
        float cov[4][4];
        for (unsigned a = First; a < Last; ++a)
            for (unsigned b = a; b < Last; ++b)
                cov[a][b] = cov[b][a] = Sum(d[a] * d[b]);
        // Start from the channel of widest spread.
        unsigned widest = First;
        for (unsigned c = First; c < Last; ++c)
            if (cov[c][c] > cov[widest][widest])
                widest = c;
        float axis[4];
        for (unsigned c = First; c < Last; ++c)
            axis[c] = cov[widest][c];
        for (int iteration = 0; iteration < 3; ++iteration) {
            float next[4];
            float length = 0.0f;
            for (unsigned a = First; a < Last; ++a) {
                next[a] = SumChannels<First, Last>([&](unsigned b) { return cov[a][b] * axis[b]; });
                length = std::fabs(next[a]) > length ? std::fabs(next[a]) : length;
            }
            if (length == 0.0f)
                break;
            const float inverse = 1.0f / length;
            for (unsigned c = First; c < Last; ++c)
                axis[c] = next[c] * inverse;
        }
        // Pixels outside the subset have d 0 and so t 0, which the spread
        // from the mean covers already.
        Lanes t = d[First] * axis[First];
        for (unsigned c = First + 1; c < Last; ++c)
            t = t + d[c] * axis[c];
        float lowest = 0.0f, highest = 0.0f;
        for (unsigned p = 0; p < 16; ++p) {
            lowest = t[p] < lowest ? t[p] : lowest;
            highest = t[p] > highest ? t[p] : highest;
        }
        const float axisLength = SumChannels<First, Last>([&](unsigned c) { return axis[c] * axis[c]; });
        if (axisLength > 0.0f) {
            lowest /= axisLength;
            highest /= axisLength;
        }
        // The outermost pixels pull the ends out further than the
        // least-squares ends lie; moving them in a little helps most where
        // no least-squares round follows ("inset" ends, as DXT encoders
        // have long done).
        const float inset = (highest - lowest) * problem_.inset;
        lowest += inset;
        highest -= inset;
        for (unsigned c = First; c < Last; ++c) {
            e0[c] = Clamp255(mean[c] + lowest * axis[c] / scale[c]);
            e1[c] = Clamp255(mean[c] + highest * axis[c] / scale[c]);
        }
    }

    // The ends that best reproduce the pixels with the given indices (the
    // normal equations of the two blend weights); false when every pixel
    // has the same weight and the system has no single answer.
    bool LeastSquaresEnds(const unsigned* index, float* e0, float* e1) const
    {
        float at[16];
        for (unsigned p = 0; p < 16; ++p)
            at[p] = weightOf_[index[p] & 15u] / 64.0f;
        const Lanes weight = Lanes::Load(at);
        const Lanes rest = Lanes::All(1.0f) - weight;
        const Lanes t = covered_ * weight;
        const Lanes s = covered_ * rest;
        const float aa = Sum(s * rest), ab = Sum(s * weight), bb = Sum(t * weight);
        const float det = aa * bb - ab * ab;
        if (!(det > 1e-4f))
            return false;
        for (unsigned c = First; c < Last; ++c) {
            const float ax = Sum(s * x_[c]), bx = Sum(t * x_[c]);
            e0[c] = Clamp255((bb * ax - ab * bx) / det);
            e1[c] = Clamp255((aa * bx - ab * ax) / det);
        }
        return true;
    }

    // Quantises the ends under the allowed pairs of p-bits, chooses
    // indices and keeps the closest result.
    void TryEnds(const float* e0, const float* e1)
    {
        static constexpr unsigned kPairs[4][2] = {{0, 0}, {1, 1}, {0, 1}, {1, 0}};
        const unsigned pCount = problem_.pBits ? 1 : 0;
        unsigned first = 0, pairs = problem_.pBits == 0 ? 1 : problem_.pBits == 2 ? 2 : 4;
        unsigned chosen[2] = {0, 0};
        if (fixedAlpha_ && pCount) {
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
                for (unsigned c = First; c < Last; ++c)
                    candidate.raw[end][c] = Quantize(e[c], problem_.bits[c], pCount, p, candidate.value[end][c]);
                if (fixedAlpha_) {
                    const unsigned bits = problem_.bits[3];
                    candidate.raw[end][3] = (1u << bits) - 1;
                    candidate.value[end][3] = ExpandBc7(candidate.raw[end][3] << pCount | p, bits + pCount);
                }
            }
            if (Seen(candidate))
                continue;
            candidate.error = ChooseIndices(candidate);
            if (candidate.error < best_.error)
                best_ = candidate;
        }
    }

    // Moves each end's channels one code up or down, keeping every move
    // that lowers the error (a search around the quantised ends). The moves
    // are judged with the indices nearest each projection (half the work of
    // the exact choice); the moved ends then get the exact choice and are
    // kept if that lowers the error. False when nothing did.
    bool Polish()
    {
        const unsigned pCount = problem_.pBits ? 1 : 0;
        SubsetFit moved = best_;
        float movedError = ChooseIndices(moved, false);
        bool anyMove = false;
        for (unsigned end = 0; end < 2; ++end)
            for (unsigned c = First; c < Last; ++c) {
                const unsigned top = (1u << problem_.bits[c]) - 1;
                for (int step : {-1, 1}) {
                    const unsigned raw = moved.raw[end][c];
                    if ((step < 0 && raw == 0) || (step > 0 && raw == top))
                        continue;
                    SubsetFit candidate = moved;
                    candidate.raw[end][c] = raw + static_cast<unsigned>(step);
                    candidate.value[end][c] =
                        ExpandBc7(candidate.raw[end][c] << pCount | candidate.pBit[end], problem_.bits[c] + pCount);
                    const float error = ChooseIndices(candidate, false);
                    if (error < movedError) {
                        movedError = error;
                        moved = candidate;
                        anyMove = true;
                    }
                }
            }
        if (!anyMove || Seen(moved))
            return false;
        moved.error = ChooseIndices(moved);
        if (!(moved.error < best_.error))
            return false;
        best_ = moved;
        return true;
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

    // The raw code (without the p-bit `p`) whose widened value lies
    // nearest v (in 0..255, taken to the nearest whole value).
    unsigned Quantize(float v, unsigned bits, unsigned pCount, unsigned p, int& widened) const
    {
        const unsigned kind = pCount == 0 ? 0 : 1 + p;
        const int at = static_cast<int>(v + 0.5f);
        const unsigned index = static_cast<unsigned>(at < 0 ? 0 : (at > 255 ? 255 : at));
        widened = quantizers_.widened[bits - 4][kind][index];
        return quantizers_.raw[bits - 4][kind][index];
    }

    // Weighted squared distance of an end from its quantised self, were
    // its p-bit `p`.
    float QuantizationError(const float* e, unsigned p) const
    {
        float error = 0.0f;
        for (unsigned c = First; c < Last; ++c) {
            int widened = 0;
            Quantize(e[c], problem_.bits[c], 1, p, widened);
            const float d = static_cast<float>(widened) - e[c];
            error += w_[c] * d * d;
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

    // The weighted squared error of each pixel against the entry of
    // weight `weight` (out of 64), decoded as the format does:
    // e0 + floor((w * (e1 - e0) + 32) / 64), the floor taken on a value
    // lifted above 0 so that truncation gives it.
    Lanes EntryErrors(const float* low, const float* d, const Lanes& weight) const
    {
        Lanes error = Lanes::All(0.0f);
        for (unsigned c = First; c < Last; ++c) {
            const Lanes lifted = (weight * d[c] + (32.0f + 64.0f * 256.0f)) * (1.0f / 64.0f);
            const Lanes decoded = ToFloat(Truncate(lifted)) + (low[c] - 256.0f);
            const Lanes e = decoded - x_[c];
            error = error + e * w_[c] * e;
        }
        return error;
    }

    // The indices and their error. Each pixel's projection on the ends,
    // in 64ths of the way, gives the nearest entry by table; with
    // `checkNeighbour`, the entries either side of it are compared exactly
    // instead; with `everyIndex`, every entry.
    float ChooseIndices(SubsetFit& fit) const { return ChooseIndices(fit, problem_.checkNeighbour); }

    float ChooseIndices(SubsetFit& fit, bool checkNeighbour) const
    {
        float low[4], d[4], wd[4];
        for (unsigned c = First; c < Last; ++c) {
            low[c] = static_cast<float>(fit.value[0][c]);
            d[c] = static_cast<float>(fit.value[1][c] - fit.value[0][c]);
            wd[c] = w_[c] * d[c];
        }
        const float dd = SumChannels<First, Last>([&](unsigned c) { return wd[c] * d[c]; });
        const int lastIndex = static_cast<int>(entries_) - 1;
        if (!problem_.everyIndex) {
            Lanes position = (x_[First] - low[First]) * wd[First];
            for (unsigned c = First + 1; c < Last; ++c)
                position = position + (x_[c] - low[c]) * wd[c];
            if (!checkNeighbour) {
                const float toWeight = dd > 0.0f ? 64.0f / dd : 0.0f;
                const Lanes at = Min(Max(position * toWeight + 0.5f, Lanes::All(0.0f)), Lanes::All(64.0f));
                int step[16];
                Truncate(at).Store(step);
                float weight[16];
                for (unsigned p = 0; p < 16; ++p) {
                    fit.index[p] = nearest_[step[p]];
                    weight[p] = nearestWeight_[step[p]];
                }
                return Sum(EntryErrors(low, d, Lanes::Load(weight)) * covered_);
            }
            const float toPosition = dd > 0.0f ? static_cast<float>(lastIndex) / dd : 0.0f;
            const Lanes at =
                Min(Max(position * toPosition, Lanes::All(0.0f)), Lanes::All(static_cast<float>(lastIndex - 1)));
            int guess[16];
            Truncate(at).Store(guess);
            float below[16], above[16];
            for (unsigned p = 0; p < 16; ++p) {
                below[p] = weightOf_[guess[p]];
                above[p] = weightOf_[guess[p] + 1];
            }
            const Lanes belowError = EntryErrors(low, d, Lanes::Load(below));
            const Lanes aboveError = EntryErrors(low, d, Lanes::Load(above));
            for (unsigned p = 0; p < 16; ++p)
                fit.index[p] = static_cast<unsigned>(guess[p] + (aboveError[p] < belowError[p] ? 1 : 0));
            return Sum(SelectLess(aboveError, belowError, aboveError, belowError) * covered_);
        }
        Lanes bestError = Lanes::All(1e30f);
        for (int k = 0; k <= lastIndex; ++k) {
            const Lanes error = EntryErrors(low, d, Lanes::All(static_cast<float>(weights_[k])));
            for (unsigned p = 0; p < 16; ++p)
                if (error[p] < bestError[p])
                    fit.index[p] = static_cast<unsigned>(k);
            bestError = Min(error, bestError);
        }
        return Sum(bestError * covered_);
    }

    Lanes x_[4];
    Lanes covered_;
    const SubsetProblem& problem_;
    const bool fixedAlpha_;
    const unsigned entries_;
    const std::uint8_t* weights_;
    const std::uint8_t* nearest_;
    const float* weightOf_;      // the index weights as floats
    const float* nearestWeight_; // the weight of the index nearest each 64th
    const Bc7QuantizeTables& quantizers_;
    float w_[4];
    static constexpr unsigned kMostSeen = 64;
    std::uint64_t seen_[kMostSeen][2];
    unsigned seenCount_ = 0;
    SubsetFit best_;
};

} // namespace

SubsetFit FitSubset(const Bc7Pixels& pixels, const SubsetProblem& problem)
{
    // An opaque block in a mode with alpha: the alpha ends are fixed and
    // every alpha decodes to what the pixels hold, so three channels are
    // fitted.
    const bool fixedAlpha = problem.opaqueAlpha && problem.firstChannel == 0 && problem.channels == 4;
    if (fixedAlpha || (problem.firstChannel == 0 && problem.channels == 3))
        return SubsetFitter<0, 3>(pixels, problem, fixedAlpha).Fit();
    if (problem.firstChannel == 0)
        return SubsetFitter<0, 4>(pixels, problem, false).Fit();
    return SubsetFitter<3, 4>(pixels, problem, false).Fit();
}

} // namespace bptc
