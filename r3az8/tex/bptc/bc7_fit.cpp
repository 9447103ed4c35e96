// One set of BC7 endpoints fitted in three steps, all public techniques:
// the principal axis of the pixels (power iteration on their weighted
// covariance) gives the first pair of ends; the ends are quantised under
// the p-bits that fit them best and indices chosen; then rounds of
// least-squares ends solved from the current indices refine the best.
// Indices are chosen by projecting each pixel on the quantised ends and
// comparing the two palette entries either side exactly, so the error
// counted is the decoded one.
//
// Every loop runs over all 16 pixels and all 4 channels, channel by
// channel: pixels outside the subset and channels outside the fit weigh
// nothing. Fixed lengths let the compiler work on several pixels at once;
// sums are taken in a fixed tree (Sum16) rather than left to right, so
// that a wider vector gives the same bytes.
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/bptc/bc7_fit.h"

#include "r3az8/tex/bptc/bc7_layout.h"
#include "r3az8/tex/bptc/bc7_tables.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>

namespace bptc {
#ifdef BC7_TUNE
unsigned long long g_fits = 0, g_chooses = 0;
#endif
namespace {

float Clamp255(float v) { return v > 0.0f ? (v < 255.0f ? v : 255.0f) : 0.0f; }

// Sixteen values summed pairwise, halves first: the order is the same
// whatever width the compiler gives the additions.
inline float Sum16(const float* v)
{
    float s8[8], s4[4];
    for (unsigned i = 0; i < 8; ++i)
        s8[i] = v[i] + v[i + 8];
    for (unsigned i = 0; i < 4; ++i)
        s4[i] = s8[i] + s8[i + 4];
    return (s4[0] + s4[2]) + (s4[1] + s4[3]);
}

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
        : x_(pixels.value), problem_(problem), fixedAlpha_(fixedAlpha), entries_(1u << problem.indexBits),
          weights_(Bc7Weights(problem.indexBits)), nearest_(Bc7NearestIndex(problem.indexBits)),
          quantizers_(Bc7Quantizers())
    {
        for (unsigned c = 0; c < 4; ++c)
            w_[c] = c >= First && c < Last ? pixels.weight[c] : 0.0f;
        bool member[16] = {};
        for (unsigned i = 0; i < problem.count; ++i)
            member[problem.pixels[i]] = true;
        for (unsigned p = 0; p < 16; ++p)
            covered_[p] = member[p] ? pixels.covered[p] : 0.0f;
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
        float scale[4], mean[4];
        const float total = Sum16(covered_);
        if (total == 0.0f)
            return;
        for (unsigned c = First; c < Last; ++c) {
            scale[c] = std::sqrt(w_[c]);
            float product[16];
            for (unsigned p = 0; p < 16; ++p)
                product[p] = covered_[p] * x_[c][p];
            mean[c] = Sum16(product) / total;
        }
        float d[4][16];
        for (unsigned c = First; c < Last; ++c)
            for (unsigned p = 0; p < 16; ++p)
                d[c][p] = (x_[c][p] - mean[c]) * scale[c] * covered_[p];
        float cov[4][4];
        for (unsigned a = First; a < Last; ++a)
            for (unsigned b = a; b < Last; ++b) {
                float product[16];
                for (unsigned p = 0; p < 16; ++p)
                    product[p] = d[a][p] * d[b][p];
                cov[a][b] = cov[b][a] = Sum16(product);
            }
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
        float low[16], high[16];
        for (unsigned p = 0; p < 16; ++p) {
            // Pixels outside the subset have d 0 and so t 0, which the
            // spread from the mean covers already.
            const float t = SumChannels<First, Last>([&](unsigned c) { return d[c][p] * axis[c]; });
            low[p] = t;
            high[p] = t;
        }
        for (unsigned half = 8; half > 0; half /= 2)
            for (unsigned p = 0; p < half; ++p) {
                low[p] = low[p + half] < low[p] ? low[p + half] : low[p];
                high[p] = high[p + half] > high[p] ? high[p + half] : high[p];
            }
        float lowest = low[0] < 0.0f ? low[0] : 0.0f, highest = high[0] > 0.0f ? high[0] : 0.0f;
        const float axisLength = SumChannels<First, Last>([&](unsigned c) { return axis[c] * axis[c]; });
        if (axisLength > 0.0f) {
            lowest /= axisLength;
            highest /= axisLength;
        }
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
        float s[16], t[16], ss[16], st[16], tt[16];
        for (unsigned p = 0; p < 16; ++p) {
            const float at = static_cast<float>(weights_[index[p] & 15u]) / 64.0f;
            t[p] = covered_[p] * at;
            s[p] = covered_[p] * (1.0f - at);
            ss[p] = s[p] * (1.0f - at);
            st[p] = s[p] * at;
            tt[p] = t[p] * at;
        }
        const float aa = Sum16(ss), ab = Sum16(st), bb = Sum16(tt);
        const float det = aa * bb - ab * ab;
        if (!(det > 1e-4f))
            return false;
        for (unsigned c = First; c < Last; ++c) {
            float sx[16], tx[16];
            for (unsigned p = 0; p < 16; ++p) {
                sx[p] = s[p] * x_[c][p];
                tx[p] = t[p] * x_[c][p];
            }
            const float ax = Sum16(sx), bx = Sum16(tx);
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
    // that lowers the error (a search around the quantised ends); false
    // when none did.
    bool Polish()
    {
        const unsigned pCount = problem_.pBits ? 1 : 0;
        bool improved = false;
        for (unsigned end = 0; end < 2; ++end)
            for (unsigned c = First; c < Last; ++c) {
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
                    candidate.error = ChooseIndices(candidate);
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
    // weight `weight[p]` (out of 64), decoded as the format does:
    // e0 + floor((w * (e1 - e0) + 32) / 64), the floor taken on a value
    // lifted above 0 so that truncation gives it.
    void EntryErrors(const float* low, const float* d, const float* weight, float* error) const
    {
        for (unsigned p = 0; p < 16; ++p)
            error[p] = 0.0f;
        for (unsigned c = First; c < Last; ++c)
            for (unsigned p = 0; p < 16; ++p) {
                const float lifted = (weight[p] * d[c] + (32.0f + 64.0f * 256.0f)) * (1.0f / 64.0f);
                const float decoded = low[c] + static_cast<float>(static_cast<int>(lifted) - 256);
                const float e = decoded - x_[c][p];
                error[p] += w_[c] * e * e;
            }
    }

    // The indices and their error. Each pixel's projection on the ends,
    // in 64ths of the way, gives the nearest entry by table; with
    // `checkNeighbour`, the entries either side of it are compared exactly
    // instead; with `everyIndex`, every entry.
    float ChooseIndices(SubsetFit& fit) const
    {
#ifdef BC7_TUNE
        ++g_chooses;
#endif
        float low[4], d[4], wd[4];
        for (unsigned c = First; c < Last; ++c) {
            low[c] = static_cast<float>(fit.value[0][c]);
            d[c] = static_cast<float>(fit.value[1][c] - fit.value[0][c]);
            wd[c] = w_[c] * d[c];
        }
        const float dd = SumChannels<First, Last>([&](unsigned c) { return wd[c] * d[c]; });
        const int lastIndex = static_cast<int>(entries_) - 1;
        float bestError[16];
        if (!problem_.everyIndex) {
            float position[16];
            for (unsigned p = 0; p < 16; ++p)
                position[p] = 0.0f;
            for (unsigned c = First; c < Last; ++c)
                for (unsigned p = 0; p < 16; ++p)
                    position[p] += wd[c] * (x_[c][p] - low[c]);
            if (!problem_.checkNeighbour) {
                const float toWeight = dd > 0.0f ? 64.0f / dd : 0.0f;
                float weight[16];
                int at[16];
                for (unsigned p = 0; p < 16; ++p) {
                    const float w = position[p] * toWeight + 0.5f;
                    at[p] = w > 0.0f ? (w < 64.0f ? static_cast<int>(w) : 64) : 0;
                }
                for (unsigned p = 0; p < 16; ++p) {
                    fit.index[p] = nearest_[at[p]];
                    weight[p] = static_cast<float>(weights_[fit.index[p]]);
                }
                EntryErrors(low, d, weight, bestError);
                for (unsigned p = 0; p < 16; ++p)
                    bestError[p] *= covered_[p];
                return Sum16(bestError);
            }
            const float toPosition = dd > 0.0f ? static_cast<float>(lastIndex) / dd : 0.0f;
            int guess[16];
            float below[16], above[16];
            for (unsigned p = 0; p < 16; ++p) {
                const float at = position[p] * toPosition;
                const int g = at > 0.0f ? static_cast<int>(at) : 0;
                guess[p] = g < lastIndex ? g : lastIndex - 1;
            }
            for (unsigned p = 0; p < 16; ++p) {
                below[p] = static_cast<float>(weights_[guess[p]]);
                above[p] = static_cast<float>(weights_[guess[p] + 1]);
            }
            float belowError[16], aboveError[16];
            EntryErrors(low, d, below, belowError);
            EntryErrors(low, d, above, aboveError);
            for (unsigned p = 0; p < 16; ++p) {
                const bool up = aboveError[p] < belowError[p];
                fit.index[p] = static_cast<unsigned>(guess[p] + (up ? 1 : 0));
                bestError[p] = covered_[p] * (up ? aboveError[p] : belowError[p]);
            }
            return Sum16(bestError);
        }
        for (unsigned p = 0; p < 16; ++p)
            bestError[p] = 1e30f;
        for (int k = 0; k <= lastIndex; ++k) {
            float weight[16], error[16];
            for (unsigned p = 0; p < 16; ++p)
                weight[p] = static_cast<float>(weights_[k]);
            EntryErrors(low, d, weight, error);
            for (unsigned p = 0; p < 16; ++p)
                if (error[p] < bestError[p]) {
                    bestError[p] = error[p];
                    fit.index[p] = static_cast<unsigned>(k);
                }
        }
        for (unsigned p = 0; p < 16; ++p)
            bestError[p] *= covered_[p];
        return Sum16(bestError);
    }

    const float (&x_)[4][16];
    const SubsetProblem& problem_;
    const bool fixedAlpha_;
    const unsigned entries_;
    const std::uint8_t* weights_;
    const std::uint8_t* nearest_;
    const Bc7QuantizeTables& quantizers_;
    float w_[4];
    float covered_[16];
    static constexpr unsigned kMostSeen = 64;
    std::uint64_t seen_[kMostSeen][2];
    unsigned seenCount_ = 0;
    SubsetFit best_;
};

} // namespace

SubsetFit FitSubset(const Bc7Pixels& pixels, const SubsetProblem& problem)
{
#ifdef BC7_TUNE
    ++g_fits;
#endif
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
