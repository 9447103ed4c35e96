// The quality encoder, one block per vector lane. Included after
// block_lanes_kernel.h, in the same namespace and at the same width, whose
// lane helpers it uses; the same rules hold: one copy of the arithmetic for
// every width, per-lane branches as selects, sums over the 16 pixels in
// order, nothing summed across lanes.
//
// Colour works in a space scaled by the square roots of the channel
// weights, where the weighted error is the plain squared distance:
//   - a block of one colour takes the exact single-colour endpoints;
//   - otherwise the weighted principal axis gives the first ends, which
//     least-squares rounds refine against the ramp;
//   - the ends are quantised to 5:6:5 and every pixel takes the nearest
//     colour of the palette our decoder builds from them; then the best
//     5:6:5 ends for those codes are tried;
//   - High also tries the three-colour mode of DXT1 and a cluster fit, and
//     steps the six fields while that lowers the error.
// Alpha (DXT4/DXT5, and each channel of BC4/BC5) tries the eight-value ramp
// over the weighted range and the six-value ramp over the inner values;
// High then walks each end a step at a time while that lowers the error.

#ifndef BLOCK_LANES_WIDTH
#error "include block_lanes_kernel.h before quality_kernel.h"
#endif

#include "r3az8/tex/dxt/quality.h"
#include "r3az8/tex/dxt/single_color.h"

#include <initializer_list>

namespace BLOCK_LANES_NAMESPACE {

namespace {

struct QualityParams {
    bool high;
    float scale[3];       // square roots of the channel weights
    float inverseScale[3];
    float weight[3];      // the channel weights
    Floats clusterAbove;  // error per counted pixel from which High runs the cluster fit
};

// Mean squared error per pixel and channel, in 8-bit steps, below which
// High skips the cluster fit: it would rarely find better there.
constexpr float ClusterAboveSteps = 4.0f;

constexpr float FieldTop[3] = {31.0f, 63.0f, 31.0f};
constexpr float FieldStep[3] = {dxt::Reciprocal31, dxt::Reciprocal63, dxt::Reciprocal31};
constexpr int FieldShift[3] = {11, 5, 0};
constexpr int FieldMask[3] = {31, 63, 31};

// Pixels of the lanes' blocks in scaled colour space, and their weights.
struct ColorInput {
    Floats x[3][16];
    Floats weight[16]; // 0 outside the image and, with transparency, for transparent pixels
    Ints black[16];    // transparent pixels of three-colour blocks: code 3
};

struct ColorResult {
    Ints word0;
    Ints word1;
    Ints codes;
    Floats error;
};

LANE_INLINE Floats Field(Ints word, int c) { return ToFloats((word >> FieldShift[c]) & FieldMask[c]) * FieldStep[c]; }

// Error and codes of the block with these words, in our decoder's palette.
ColorResult EvaluateColor(const ColorInput& in, const QualityParams& q, Ints word0, Ints word1)
{
    const Ints four = word0 > word1;
    Floats palette[4][3];
    for (int c = 0; c < 3; ++c) {
        const Floats a = Field(word0, c);
        const Floats b = Field(word1, c);
        const Floats d = b - a;
        palette[0][c] = a * q.scale[c];
        palette[1][c] = b * q.scale[c];
        palette[2][c] = (four ? a + d * dxt::OneThird : a + d * 0.5f) * q.scale[c];
        palette[3][c] = (a + d * dxt::TwoThirds) * q.scale[c];
    }
    const Floats never = Splat(3.0e38f);
    ColorResult result = {word0, word1, SplatInt(0), Splat(0.0f)};
    for (int i = 0; i < 16; ++i) {
        Floats distance[4];
        for (int k = 0; k < 4; ++k) {
            const Floats d0 = in.x[0][i] - palette[k][0];
            const Floats d1 = in.x[1][i] - palette[k][1];
            const Floats d2 = in.x[2][i] - palette[k][2];
            distance[k] = d0 * d0 + d1 * d1 + d2 * d2;
        }
        distance[3] = four ? distance[3] : never;
        Floats best = distance[0];
        Ints code = SplatInt(0);
        for (int k = 1; k < 4; ++k) {
            const Ints closer = distance[k] < best;
            best = closer ? distance[k] : best;
            code = closer ? SplatInt(k) : code;
        }
        code = in.black[i] ? SplatInt(3) : code;
        result.error += in.weight[i] * best;
        result.codes |= code << (2 * i);
    }
    return result;
}

LANE_INLINE void KeepBetter(ColorResult& best, const ColorResult& candidate)
{
    const Ints better = candidate.error < best.error;
    best.word0 = better ? candidate.word0 : best.word0;
    best.word1 = better ? candidate.word1 : best.word1;
    best.codes = better ? candidate.codes : best.codes;
    best.error = better ? candidate.error : best.error;
}

// Scaled ends to words, in the order of the mode: color0 > color1 for four
// colours (equal words stay, giving three colours of one), else <=.
LANE_INLINE void QuantiseEnds(const QualityParams& q, const Floats* a, const Floats* b, Ints three, Ints& word0,
                              Ints& word1)
{
    Ints w0 = SplatInt(0);
    Ints w1 = SplatInt(0);
    for (int c = 0; c < 3; ++c) {
        const Floats top = Splat(FieldTop[c]);
        w0 |= RoundedPosition(a[c] * q.inverseScale[c] * FieldTop[c], top) << FieldShift[c];
        w1 |= RoundedPosition(b[c] * q.inverseScale[c] * FieldTop[c], top) << FieldShift[c];
    }
    const Ints exchange = three ? w0 > w1 : w0 < w1;
    word0 = exchange ? w1 : w0;
    word1 = exchange ? w0 : w1;
}

// Least-squares ends for pixels at ramp positions `position` (0..last).
LANE_INLINE void SolveEnds(const ColorInput& in, const QualityParams& q, const Ints* position, Floats last, Floats* a,
                           Floats* b)
{
    Floats aa = Splat(0.0f), bb = Splat(0.0f), ab = Splat(0.0f);
    Floats ax[3] = {Splat(0.0f), Splat(0.0f), Splat(0.0f)};
    Floats bx[3] = {Splat(0.0f), Splat(0.0f), Splat(0.0f)};
    for (int i = 0; i < 16; ++i) {
        const Floats beta = ToFloats(position[i]) / last;
        const Floats alpha = 1.0f - beta;
        const Floats w = in.weight[i];
        aa += w * alpha * alpha;
        bb += w * beta * beta;
        ab += w * alpha * beta;
        for (int c = 0; c < 3; ++c) {
            ax[c] += w * alpha * in.x[c][i];
            bx[c] += w * beta * in.x[c][i];
        }
    }
    const Floats determinant = aa * bb - ab * ab;
    const Ints solvable = determinant > (aa * bb) * 1.0e-5f;
    const Floats divisor = solvable ? determinant : Splat(1.0f);
    for (int c = 0; c < 3; ++c) {
        Floats na = (ax[c] * bb - bx[c] * ab) / divisor;
        Floats nb = (bx[c] * aa - ax[c] * ab) / divisor;
        const Floats top = Splat(q.scale[c]);
        na = na > Splat(0.0f) ? (na < top ? na : top) : Splat(0.0f);
        nb = nb > Splat(0.0f) ? (nb < top ? nb : top) : Splat(0.0f);
        a[c] = solvable ? na : a[c];
        b[c] = solvable ? nb : b[c];
    }
}

// Ramp positions of the pixels by projection onto the ends' line.
LANE_INLINE void ProjectPositions(const ColorInput& in, const Floats* a, const Floats* b, Floats last, Ints* position)
{
    const Floats d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const Floats length = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    const Floats scale = length > Splat(0.0f) ? last / (length > Splat(0.0f) ? length : Splat(1.0f)) : Splat(0.0f);
    for (int i = 0; i < 16; ++i) {
        const Floats t = ((in.x[0][i] - a[0]) * d[0] + (in.x[1][i] - a[1]) * d[1] + (in.x[2][i] - a[2]) * d[2]) * scale;
        position[i] = RoundedPosition(t, last);
    }
}

// Ends along the weighted principal axis, spanning the pixels' projections.
LANE_INLINE void PrincipalEnds(const ColorInput& in, Floats* a, Floats* b, Floats* axisOut)
{
    Floats total = Splat(0.0f);
    Floats mean[3] = {Splat(0.0f), Splat(0.0f), Splat(0.0f)};
    for (int i = 0; i < 16; ++i) {
        total += in.weight[i];
        for (int c = 0; c < 3; ++c)
            mean[c] += in.weight[i] * in.x[c][i];
    }
    const Floats divisor = total > Splat(0.0f) ? total : Splat(1.0f);
    for (int c = 0; c < 3; ++c)
        mean[c] = mean[c] / divisor;
    Floats cov[6] = {Splat(0.0f), Splat(0.0f), Splat(0.0f), Splat(0.0f), Splat(0.0f), Splat(0.0f)};
    for (int i = 0; i < 16; ++i) {
        const Floats d0 = in.x[0][i] - mean[0];
        const Floats d1 = in.x[1][i] - mean[1];
        const Floats d2 = in.x[2][i] - mean[2];
        const Floats w = in.weight[i];
        cov[0] += w * d0 * d0;
        cov[1] += w * d0 * d1;
        cov[2] += w * d0 * d2;
        cov[3] += w * d1 * d1;
        cov[4] += w * d1 * d2;
        cov[5] += w * d2 * d2;
    }
    // Power iteration from the covariance row of the widest channel (a
    // fixed start such as the grey diagonal can lie almost at right angles
    // to the axis, as when two channels fall while one rises), each step
    // scaled to a largest component of 1.
    const Ints greenWidest = (cov[3] > cov[0]) & (cov[3] >= cov[5]);
    const Ints blueWidest = ~greenWidest & (cov[5] > cov[0]);
    Floats axis[3] = {greenWidest ? cov[1] : blueWidest ? cov[2] : cov[0],
                      greenWidest ? cov[3] : blueWidest ? cov[4] : cov[1],
                      greenWidest ? cov[4] : blueWidest ? cov[5] : cov[2]};
    const Ints noSpread = (axis[0] == Splat(0.0f)) & (axis[1] == Splat(0.0f)) & (axis[2] == Splat(0.0f));
    for (int c = 0; c < 3; ++c)
        axis[c] = noSpread ? Splat(1.0f) : axis[c];
    for (int round = 0; round < 8; ++round) {
        Floats next[3] = {cov[0] * axis[0] + cov[1] * axis[1] + cov[2] * axis[2],
                          cov[1] * axis[0] + cov[3] * axis[1] + cov[4] * axis[2],
                          cov[2] * axis[0] + cov[4] * axis[1] + cov[5] * axis[2]};
        Floats largest = Splat(0.0f);
        for (int c = 0; c < 3; ++c) {
            const Floats magnitude = next[c] < Splat(0.0f) ? -next[c] : next[c];
            largest = magnitude > largest ? magnitude : largest;
        }
        const Ints usable = largest > Splat(1.0e-12f);
        const Floats divide = usable ? largest : Splat(1.0f);
        for (int c = 0; c < 3; ++c)
            axis[c] = usable ? next[c] / divide : axis[c];
    }
    for (int c = 0; c < 3; ++c)
        axisOut[c] = axis[c];
    const Floats length = axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2];
    Floats low = Splat(3.0e38f);
    Floats high = Splat(-3.0e38f);
    for (int i = 0; i < 16; ++i) {
        const Floats t =
            (in.x[0][i] - mean[0]) * axis[0] + (in.x[1][i] - mean[1]) * axis[1] + (in.x[2][i] - mean[2]) * axis[2];
        const Ints counts = in.weight[i] > Splat(0.0f);
        low = counts & (t < low) ? t : low;
        high = counts & (t > high) ? t : high;
    }
    const Ints any = low <= high;
    low = any ? low / length : Splat(0.0f);
    high = any ? high / length : Splat(0.0f);
    for (int c = 0; c < 3; ++c) {
        a[c] = mean[c] + axis[c] * low;
        b[c] = mean[c] + axis[c] * high;
    }
}

// The 5:6:5 ends that best fit pixels at fixed ramp positions. The error
// splits by field, and for each code of the first end the best code of the
// second is the one nearest its least-squares value; the first end's codes
// within GridReach of its own least-squares value are tried.
constexpr int GridReach = 3;

LANE_INLINE void GridEnds(const ColorInput& in, const QualityParams& q, const Ints* position, Floats last,
                          Ints& word0, Ints& word1)
{
    Floats aa = Splat(0.0f), bb = Splat(0.0f), ab = Splat(0.0f);
    Floats ax[3] = {Splat(0.0f), Splat(0.0f), Splat(0.0f)};
    Floats bx[3] = {Splat(0.0f), Splat(0.0f), Splat(0.0f)};
    for (int i = 0; i < 16; ++i) {
        const Floats beta = ToFloats(position[i]) / last;
        const Floats alpha = 1.0f - beta;
        const Floats w = in.weight[i];
        aa += w * alpha * alpha;
        bb += w * beta * beta;
        ab += w * alpha * beta;
        for (int c = 0; c < 3; ++c) {
            ax[c] += w * alpha * in.x[c][i];
            bx[c] += w * beta * in.x[c][i];
        }
    }
    const Floats inverseB = bb > Splat(0.0f) ? 1.0f / (bb > Splat(0.0f) ? bb : Splat(1.0f)) : Splat(0.0f);
    const Floats determinant = aa * bb - ab * ab;
    const Ints solvable = determinant > (aa * bb) * 1.0e-5f;
    const Floats divisor = solvable ? determinant : aa > Splat(0.0f) ? aa : Splat(1.0f);
    word0 = SplatInt(0);
    word1 = SplatInt(0);
    for (int c = 0; c < 3; ++c) {
        const Floats top = Splat(FieldTop[c]);
        const float toCode = q.inverseScale[c] * FieldTop[c];
        // The first end's codes around its least-squares value (or, with
        // every pixel at the first end, their mean).
        const Floats first = (solvable ? ax[c] * bb - bx[c] * ab : ax[c]) / divisor;
        const Ints centre = RoundedPosition(first * toCode, top);
        Floats bestError = Splat(3.0e38f);
        Ints best0 = SplatInt(0), best1 = SplatInt(0);
        for (int offset = -GridReach; offset <= GridReach; ++offset) {
            const Ints k0 = centre + offset;
            const Ints inside = (k0 >= SplatInt(0)) & (k0 <= SplatInt(FieldMask[c]));
            const Floats e0 = ToFloats(k0) * FieldStep[c] * q.scale[c];
            const Ints k1 = RoundedPosition((bx[c] - ab * e0) * inverseB * toCode, top);
            const Floats e1 = ToFloats(k1) * FieldStep[c] * q.scale[c];
            const Floats error = aa * e0 * e0 + bb * e1 * e1 + 2.0f * ab * e0 * e1 - 2.0f * ax[c] * e0 -
                                 2.0f * bx[c] * e1;
            const Ints better = inside & (error < bestError);
            bestError = better ? error : bestError;
            best0 = better ? k0 : best0;
            best1 = better ? k1 : best1;
        }
        word0 |= best0 << FieldShift[c];
        word1 |= best1 << FieldShift[c];
    }
}

// Cluster fit of the four-colour ramp: the pixels ordered along the axis,
// every split of that order into four runs (first end, a third, two
// thirds, second end) scored by its least-squares error, and the codes of
// the best split. With a, b the runs' shares of the first end (1, 2/3,
// 1/3, 0), the colour sums weighted by them are a third of the sums of
// three prefix sums, so each split costs a few additions.
struct SplitTracker {
    Floats score = Splat(0.0f);
    Floats determinant = Splat(1.0f);
    Ints split = SplatInt(16 << 10 | 16 << 5 | 16); // i << 10 | j << 5 | k
};

constexpr int SplitTrackers = 4;

void ClusterPositions(const ColorInput& in, const Floats* axis, Ints (*positions)[16])
{
    // Each lane's pixels in the order of their projections: Batcher's
    // odd-even merge network on keys and pixel numbers, the same
    // exchanges in every lane.
    Floats key[16];
    Ints order[16];
    for (int i = 0; i < 16; ++i) {
        key[i] = in.x[0][i] * axis[0] + in.x[1][i] * axis[1] + in.x[2][i] * axis[2];
        order[i] = SplatInt(i);
    }
    for (int p = 1; p < 16; p <<= 1)
        for (int k = p; k >= 1; k >>= 1)
            for (int j = k % p; j + k < 16; j += 2 * k)
                for (int i = 0; i < k && i + j + k < 16; ++i)
                    if ((i + j) / (2 * p) == (i + j + k) / (2 * p)) {
                        const int low = i + j, high = i + j + k;
                        const Ints exchange = key[high] < key[low];
                        const Floats lowKey = key[low];
                        key[low] = exchange ? key[high] : key[low];
                        key[high] = exchange ? lowKey : key[high];
                        const Ints lowOrder = order[low];
                        order[low] = exchange ? order[high] : order[low];
                        order[high] = exchange ? lowOrder : order[high];
                    }
    Floats x[3][16];
    Floats w[16];
    Ints rank[16];
    for (int lane = 0; lane < LaneCount; ++lane)
        for (int i = 0; i < 16; ++i) {
            const int pixel = order[i][lane];
            for (int c = 0; c < 3; ++c)
                x[c][i][lane] = in.x[c][pixel][lane];
            w[i][lane] = in.weight[pixel][lane];
            rank[pixel][lane] = i;
        }
    // Colours about their weighted mean, which leaves each split's least
    // error unchanged (the shares of the two ends add up to 1) and makes
    // the colour total 0. A split's least error is then the constant sum of
    // squares less W |X_a|^2 / det, with W the weight and X_a the colours
    // weighted by the first end's shares: the best split scores highest.
    Floats sumW = Splat(0.0f);
    Floats mean[3] = {Splat(0.0f), Splat(0.0f), Splat(0.0f)};
    for (int i = 0; i < 16; ++i) {
        sumW += w[i];
        for (int c = 0; c < 3; ++c)
            mean[c] += w[i] * x[c][i];
    }
    for (int c = 0; c < 3; ++c)
        mean[c] = mean[c] / (sumW > Splat(0.0f) ? sumW : Splat(1.0f));
    // Prefix sums, pre-multiplied by the shares they enter with: X_a is a
    // third of the sum of the prefix sums at the three split points.
    Floats third[17], fifthNinths[17], thirdNinths[17], ninth[17];
    Floats xThird[3][17];
    Floats runningW = Splat(0.0f);
    Floats runningX[3] = {Splat(0.0f), Splat(0.0f), Splat(0.0f)};
    for (int i = 0; i <= 16; ++i) {
        third[i] = runningW * dxt::OneThird;
        fifthNinths[i] = runningW * (5.0f / 9.0f);
        thirdNinths[i] = runningW * (3.0f / 9.0f);
        ninth[i] = runningW * (1.0f / 9.0f);
        for (int c = 0; c < 3; ++c)
            xThird[c][i] = runningX[c] * dxt::OneThird;
        if (i < 16) {
            runningW += w[i];
            for (int c = 0; c < 3; ++c)
                runningX[c] += w[i] * (x[c][i] - mean[c]);
        }
    }
    // With S the sum of first-end shares and aa that of their squares, the
    // shares of the second end being 1 minus them, det = W aa - S^2; splits
    // that put (nearly) every pixel in one run have none and are skipped.
    const Floats degenerate = sumW * 1.0e-3f;
    // Trackers of the best split, one per step of k modulo SplitTrackers, so
    // the comparisons do not wait on each other.
    SplitTracker trackers[SplitTrackers];
    for (int i = 0; i <= 16; ++i)
        for (int j = i; j <= 16; ++j) {
            const Floats alphaIJ = third[i] + third[j];
            const Floats aaIJ = fifthNinths[i] + thirdNinths[j];
            const Floats xIJ[3] = {xThird[0][i] + xThird[0][j], xThird[1][i] + xThird[1][j],
                                   xThird[2][i] + xThird[2][j]};
            auto consider = [&](SplitTracker& tracker, int k, Ints split) {
                const Floats sumAlpha = alphaIJ + third[k];
                const Floats aa = aaIJ + ninth[k];
                const Floats determinant = sumW * aa - sumAlpha * sumAlpha;
                const Floats s0 = xIJ[0] + xThird[0][k];
                const Floats s1 = xIJ[1] + xThird[1][k];
                const Floats s2 = xIJ[2] + xThird[2][k];
                const Floats score = s0 * s0 + s1 * s1 + s2 * s2;
                const Ints better =
                    (determinant > degenerate) & (score * tracker.determinant > tracker.score * determinant);
                tracker.score = better ? score : tracker.score;
                tracker.determinant = better ? determinant : tracker.determinant;
                tracker.split = better ? split : tracker.split;
            };
            int k = j;
            Ints split = SplatInt(i << 10 | j << 5 | j);
            for (; k + 3 <= 16; k += 4) {
                for (int t = 0; t < SplitTrackers; ++t)
                    consider(trackers[t], k + t, split + t);
                split += SplitTrackers;
            }
            for (; k <= 16; ++k, split += 1)
                consider(trackers[0], k, split);
        }
    // Every tracker's split: the best and some good others, for the
    // quantised ends to judge.
    for (int t = 0; t < SplitTrackers; ++t) {
        const Ints bestSplit = trackers[t].split;
        const Ints bestI = bestSplit >> 10;
        const Ints bestJ = (bestSplit >> 5) & 31;
        const Ints bestK = bestSplit & 31;
        for (int i = 0; i < 16; ++i) {
            const Ints at = rank[i];
            positions[t][i] =
                at < bestI ? SplatInt(0) : at < bestJ ? SplatInt(1) : at < bestK ? SplatInt(2) : SplatInt(3);
        }
    }
}

// Ramp position of each stored code, per mode.
LANE_INLINE Ints CodePosition(Ints code, Ints three)
{
    // four colours: codes 0, 1, 2, 3 at 0, 3, 1, 2; three: 0, 1, 2 at 0, 2, 1
    const Ints lastPosition = three ? SplatInt(2) : SplatInt(3);
    return code == SplatInt(0) ? SplatInt(0) : code == SplatInt(1) ? lastPosition : code - 1;
}

// The block with these words put in the order of the mode (three: the
// three-colour mode).
LANE_INLINE ColorResult EvaluateInOrder(const ColorInput& in, const QualityParams& q, Ints three, Ints word0,
                                        Ints word1)
{
    const Ints exchange = three ? word0 > word1 : word0 < word1;
    return EvaluateColor(in, q, exchange ? word1 : word0, exchange ? word0 : word1);
}

// The best grid ends for the codes of `best`, kept if they decode closer.
LANE_INLINE void RefineOnCodes(const ColorInput& in, const QualityParams& q, Ints three, ColorResult& best)
{
    const Ints bestThree = best.word0 <= best.word1;
    Ints position[16];
    for (int i = 0; i < 16; ++i)
        position[i] = CodePosition((best.codes >> (2 * i)) & 3, bestThree);
    Ints word0, word1;
    GridEnds(in, q, position, bestThree ? Splat(2.0f) : Splat(3.0f), word0, word1);
    KeepBetter(best, EvaluateInOrder(in, q, three, word0, word1));
}

// The best block of one mode (three: the three-colour mode).
ColorResult FitColorMode(const ColorInput& in, const QualityParams& q, const Floats* startA, const Floats* startB,
                         Ints three)
{
    const Floats last = three ? Splat(2.0f) : Splat(3.0f);
    Floats a[3] = {startA[0], startA[1], startA[2]};
    Floats b[3] = {startB[0], startB[1], startB[2]};
    Ints position[16];
    for (int round = 0; round < 2; ++round) {
        ProjectPositions(in, a, b, last, position);
        SolveEnds(in, q, position, last, a, b);
    }
    Ints word0, word1;
    QuantiseEnds(q, a, b, three, word0, word1);
    ColorResult best = EvaluateColor(in, q, word0, word1);
    RefineOnCodes(in, q, three, best);
    return best;
}

// Moves the quantised ends one step at a time while that lowers the error:
// each field of either end, in the direction in which the error for the
// present codes falls. `three` keeps the three-colour order.
void WalkColorEnds(const ColorInput& in, const QualityParams& q, Ints three, ColorResult& best)
{
    for (int pass = 0; pass < 2; ++pass) {
        // The error for fixed codes is a quadratic in each field's ends;
        // its slopes give the directions.
        const Ints bestThree = best.word0 <= best.word1;
        const Floats last = bestThree ? Splat(2.0f) : Splat(3.0f);
        Floats aa = Splat(0.0f), bb = Splat(0.0f), ab = Splat(0.0f);
        Floats ax[3] = {Splat(0.0f), Splat(0.0f), Splat(0.0f)};
        Floats bx[3] = {Splat(0.0f), Splat(0.0f), Splat(0.0f)};
        for (int i = 0; i < 16; ++i) {
            const Floats beta = ToFloats(CodePosition((best.codes >> (2 * i)) & 3, bestThree)) / last;
            const Floats alpha = 1.0f - beta;
            const Floats w = in.weight[i];
            aa += w * alpha * alpha;
            bb += w * beta * beta;
            ab += w * alpha * beta;
            for (int c = 0; c < 3; ++c) {
                ax[c] += w * alpha * in.x[c][i];
                bx[c] += w * beta * in.x[c][i];
            }
        }
        Ints improved = SplatInt(0);
        for (int c = 0; c < 3; ++c) {
            const Floats e0 = Field(best.word0, c) * q.scale[c];
            const Floats e1 = Field(best.word1, c) * q.scale[c];
            const Floats slopes[2] = {aa * e0 + ab * e1 - ax[c], ab * e0 + bb * e1 - bx[c]};
            for (int end = 0; end < 2; ++end) {
                const Ints mask = SplatInt(FieldMask[c]);
                const Ints word = end == 0 ? best.word0 : best.word1;
                const Ints field = ((word >> FieldShift[c]) & mask) + (slopes[end] > Splat(0.0f) ? SplatInt(-1) : SplatInt(1));
                const Ints inside = (field >= SplatInt(0)) & (field <= mask);
                const Ints moved = (word & ~(mask << FieldShift[c])) | ((inside ? field : SplatInt(0)) << FieldShift[c]);
                ColorResult candidate = EvaluateInOrder(in, q, three, end == 0 ? moved : best.word0,
                                                        end == 0 ? best.word1 : moved);
                candidate.error = inside ? candidate.error : Splat(3.0e38f);
                improved |= candidate.error < best.error;
                KeepBetter(best, candidate);
            }
        }
        if (!AnyLane(improved))
            break;
    }
}

struct ColorHalf {
    Ints color0;
    Ints color1;
    Ints codes;
};

// The colour half of a block in quality mode. `oneBit` (DXT1): pixels with
// alpha below 0.5 are transparent, which takes the three-colour mode.
LANE_INLINE ColorHalf EncodeQualityColor(const PixelLanes& pixels, const Floats* covered, const QualityParams& q,
                                         bool oneBit)
{
    ColorInput in;
    Ints anyTransparent = SplatInt(0);
    Ints anyOpaque = SplatInt(0);
    for (int i = 0; i < 16; ++i) {
        const Floats rgb[3] = {Clamp01(pixels.r[i]), Clamp01(pixels.g[i]), Clamp01(pixels.b[i])};
        for (int c = 0; c < 3; ++c)
            in.x[c][i] = rgb[c] * q.scale[c];
        const Ints visible = covered[i] > Splat(0.0f);
        const Ints transparent = oneBit ? visible & ~(pixels.a[i] >= Splat(0.5f)) : SplatInt(0);
        in.black[i] = transparent;
        in.weight[i] = transparent ? Splat(0.0f) : covered[i];
        anyTransparent |= transparent;
        anyOpaque |= visible & ~transparent;
    }
    const Ints three = anyTransparent;

    Floats a[3], b[3], axis[3];
    PrincipalEnds(in, a, b, axis);
    ColorResult best = FitColorMode(in, q, a, b, three);

    if (q.high) {
        if (oneBit) {
            // Opaque blocks may do better with three colours and no black.
            ColorResult other = FitColorMode(in, q, a, b, SplatInt(-1));
            other.error = three ? Splat(3.0e38f) : other.error;
            KeepBetter(best, other);
        }
        // The cluster fit, for the blocks whose error is still above a few
        // 8-bit steps per channel of each pixel that counts. The choice is
        // each lane's own, so a block's bytes never depend on its neighbours.
        Floats counted = Splat(0.0f);
        for (int i = 0; i < 16; ++i)
            counted += in.weight[i];
        const Ints wantsCluster = ~three & (best.error >= q.clusterAbove * counted);
        if (AnyLane(wantsCluster)) {
            Ints positions[SplitTrackers][16];
            ClusterPositions(in, axis, positions);
            // The quantised ends of each candidate split, then the best grid
            // ends for the codes the best of them gives.
            ColorResult clustered;
            for (int t = 0; t < SplitTrackers; ++t) {
                Ints w0, w1;
                GridEnds(in, q, positions[t], Splat(3.0f), w0, w1);
                const ColorResult candidate = EvaluateInOrder(in, q, SplatInt(0), w0, w1);
                if (t == 0)
                    clustered = candidate;
                else
                    KeepBetter(clustered, candidate);
            }
            RefineOnCodes(in, q, SplatInt(0), clustered);
            clustered.error = wantsCluster ? clustered.error : Splat(3.0e38f);
            KeepBetter(best, clustered);
        }
        WalkColorEnds(in, q, three | (best.word0 < best.word1), best);
    }

    // Blocks of one colour take the exact endpoints.
    Ints found = SplatInt(0);
    Floats reference[3] = {Splat(0.0f), Splat(0.0f), Splat(0.0f)};
    for (int i = 0; i < 16; ++i) {
        const Ints take = ~found & (in.weight[i] > Splat(0.0f));
        for (int c = 0; c < 3; ++c)
            reference[c] = take ? in.x[c][i] : reference[c];
        found |= take;
    }
    Ints flat = found;
    for (int i = 0; i < 16; ++i)
        flat &= (in.weight[i] <= Splat(0.0f)) |
                ((in.x[0][i] == reference[0]) & (in.x[1][i] == reference[1]) & (in.x[2][i] == reference[2]));
    ColorHalf half = {best.word0, best.word1, best.codes};
    if (AnyLane(flat))
        for (int lane = 0; lane < LaneCount; ++lane) {
            if (!flat[lane])
                continue;
            int rgb[3];
            for (int c = 0; c < 3; ++c)
                rgb[c] = static_cast<int>(reference[c][lane] * q.inverseScale[c] * 255.0f + 0.5f);
            const FlatColorBlock block =
                EncodeFlatColor(rgb, q.weight, !oneBit ? FlatModes::FourOnly : three[lane] ? FlatModes::ThreeOnly : FlatModes::Either);
            half.color0[lane] = block.word0;
            half.color1[lane] = block.word1;
            int codes = 0;
            for (int i = 0; i < 16; ++i)
                codes |= (in.black[i][lane] ? 3 : block.code) << (2 * i);
            half.codes[lane] = codes;
        }
    if (oneBit) {
        const Ints none = ~anyOpaque & anyTransparent;
        half.color0 = none ? SplatInt(0x0000) : half.color0;
        half.color1 = none ? SplatInt(0xFFFF) : half.color1;
        half.codes = none ? SplatInt(-1) : half.codes;
    }
    return half;
}

// --- single-channel ramps (DXT4/DXT5 alpha, BC4, BC5) ----------------------------------

struct RampResult {
    Ints end0;
    Ints end1;
    Ints lowCodes;  // pixels 0..7, 3 bits each
    Ints highCodes; // pixels 8..15
    Floats error;
};

// Error and codes of the ramp with these bytes, in our decoder's palette.
RampResult EvaluateRamp(const Floats* value, const Floats* weight, Ints end0, Ints end1)
{
    const Ints eight = end0 > end1;
    const Floats p0 = ToFloats(end0) * dxt::Reciprocal255;
    const Floats p1 = ToFloats(end1) * dxt::Reciprocal255;
    Floats palette[8];
    palette[0] = p0;
    palette[1] = p1;
    for (int k = 1; k <= 6; ++k) {
        const Floats eighth = (Splat(static_cast<float>(7 - k)) * p0 + Splat(static_cast<float>(k)) * p1) * dxt::OneSeventh;
        const Floats sixth = k <= 4 ? (Splat(static_cast<float>(5 - k)) * p0 + Splat(static_cast<float>(k)) * p1) *
                                          dxt::OneFifth
                                    : Splat(k == 5 ? 0.0f : 1.0f);
        palette[k + 1] = eight ? eighth : sixth;
    }
    RampResult result = {end0, end1, SplatInt(0), SplatInt(0), Splat(0.0f)};
    for (int i = 0; i < 16; ++i) {
        Floats d = value[i] - palette[0];
        Floats best = d * d;
        Ints code = SplatInt(0);
        for (int k = 1; k < 8; ++k) {
            d = value[i] - palette[k];
            const Floats distance = d * d;
            const Ints closer = distance < best;
            best = closer ? distance : best;
            code = closer ? SplatInt(k) : code;
        }
        result.error += weight[i] * best;
        if (i < 8)
            result.lowCodes |= code << (3 * i);
        else
            result.highCodes |= code << (3 * (i - 8));
    }
    return result;
}

LANE_INLINE void KeepBetter(RampResult& best, const RampResult& candidate)
{
    const Ints better = candidate.error < best.error;
    best.end0 = better ? candidate.end0 : best.end0;
    best.end1 = better ? candidate.end1 : best.end1;
    best.lowCodes = better ? candidate.lowCodes : best.lowCodes;
    best.highCodes = better ? candidate.highCodes : best.highCodes;
    best.error = better ? candidate.error : best.error;
}

LANE_INLINE Ints ToByte(Floats x) { return RoundedPosition(x * 255.0f, Splat(255.0f)); }

// Least-squares ends of the eight-value ramp for the codes of `fit`.
LANE_INLINE void RefineEightEnds(const Floats* value, const Floats* weight, const RampResult& fit, Ints& end0,
                                 Ints& end1)
{
    Floats aa = Splat(0.0f), bb = Splat(0.0f), ab = Splat(0.0f), ax = Splat(0.0f), bx = Splat(0.0f);
    for (int i = 0; i < 16; ++i) {
        const Ints code = ((i < 8 ? fit.lowCodes >> (3 * i) : fit.highCodes >> (3 * (i - 8))) & 7);
        const Ints position = code == SplatInt(0) ? SplatInt(0) : code == SplatInt(1) ? SplatInt(7) : code - 1;
        const Floats beta = ToFloats(position) * dxt::OneSeventh;
        const Floats alpha = 1.0f - beta;
        aa += weight[i] * alpha * alpha;
        bb += weight[i] * beta * beta;
        ab += weight[i] * alpha * beta;
        ax += weight[i] * alpha * value[i];
        bx += weight[i] * beta * value[i];
    }
    const Floats determinant = aa * bb - ab * ab;
    const Ints solvable = determinant > (aa * bb) * 1.0e-5f;
    const Floats divisor = solvable ? determinant : Splat(1.0f);
    const Ints a = ToByte((ax * bb - bx * ab) / divisor);
    const Ints b = ToByte((bx * aa - ax * ab) / divisor);
    end0 = solvable ? a : end0;
    end1 = solvable ? b : end1;
    // The eight-value ramp needs end0 > end1.
    const Ints exchange = end0 < end1;
    const Ints previous = end0;
    end0 = exchange ? end1 : end0;
    end1 = exchange ? previous : end1;
}

// The best ramp for 16 values (0..1) and their weights.
LANE_INLINE RampResult EncodeQualityRamp(const Floats* raw, const Floats* weight, const QualityParams& q)
{
    Floats value[16];
    Floats low = Splat(1.0f), high = Splat(0.0f);
    Floats innerLow = Splat(1.0f), innerHigh = Splat(0.0f);
    for (int i = 0; i < 16; ++i) {
        value[i] = Clamp01(raw[i]);
        const Ints counts = weight[i] > Splat(0.0f);
        low = counts & (value[i] < low) ? value[i] : low;
        high = counts & (value[i] > high) ? value[i] : high;
        const Ints inner = counts & (value[i] > Splat(0.5f / 255.0f)) & (value[i] < Splat(254.5f / 255.0f));
        innerLow = inner & (value[i] < innerLow) ? value[i] : innerLow;
        innerHigh = inner & (value[i] > innerHigh) ? value[i] : innerHigh;
    }
    // Eight values from the range; equal bytes make the six-value ramp of
    // one value, which is exact for a flat block.
    Ints end0 = ToByte(high);
    Ints end1 = ToByte(low);
    RampResult best = EvaluateRamp(value, weight, end0, end1);
    RefineEightEnds(value, weight, best, end0, end1);
    KeepBetter(best, EvaluateRamp(value, weight, end0, end1));
    // Six values over the inner range, with exact 0 and 1 beside them.
    const Ints noInner = innerLow > innerHigh;
    const Ints sixLow = noInner ? SplatInt(0) : ToByte(innerLow);
    const Ints sixHigh = noInner ? SplatInt(0) : ToByte(innerHigh);
    KeepBetter(best, EvaluateRamp(value, weight, sixLow, sixHigh));
    if (!q.high)
        return best;

    // Walk each end while it helps, keeping the ramp's mode.
    for (int pass = 0; pass < 3; ++pass) {
        Ints improved = SplatInt(0);
        for (int end = 0; end < 2; ++end)
            for (int step : {-1, 1}) {
                const Ints eight = best.end0 > best.end1;
                const Ints moved = (end == 0 ? best.end0 : best.end1) + step;
                Ints e0 = end == 0 ? moved : best.end0;
                Ints e1 = end == 0 ? best.end1 : moved;
                const Ints valid = (moved >= SplatInt(0)) & (moved <= SplatInt(255)) &
                                   (eight ? e0 > e1 : e0 <= e1);
                RampResult candidate = EvaluateRamp(value, weight, valid ? e0 : best.end0, valid ? e1 : best.end1);
                candidate.error = valid ? candidate.error : Splat(3.0e38f);
                improved |= candidate.error < best.error;
                KeepBetter(best, candidate);
            }
        if (!AnyLane(improved))
            break;
    }
    return best;
}

LANE_INLINE void StoreRamp(BYTE* out, const RampResult& ramp, int lane)
{
    out[0] = static_cast<BYTE>(ramp.end0[lane]);
    out[1] = static_cast<BYTE>(ramp.end1[lane]);
    StoreBytes(out + 2, ramp.lowCodes[lane], 3);
    StoreBytes(out + 5, ramp.highCodes[lane], 3);
}

enum class QualityLayout { Dxt1, Explicit, Ramp, Red, RedGreen };

template <QualityLayout layout>
void EncodeQualityLaneBlocks(BYTE* out, const FloatColor* pixels, const BYTE* covered, Alpha alpha,
                             const QualityParams& q)
{
    constexpr UINT blockBytes = layout == QualityLayout::Dxt1 || layout == QualityLayout::Red ? 8 : 16;
    PixelLanes lanes;
    Gather(lanes, pixels, alpha);
    Floats weight[16];
    for (int i = 0; i < 16; ++i)
        for (int lane = 0; lane < LaneCount; ++lane)
            weight[i][lane] = covered == nullptr || covered[16 * lane + i] ? 1.0f : 0.0f;

    if constexpr (layout == QualityLayout::Red || layout == QualityLayout::RedGreen) {
        const RampResult red = EncodeQualityRamp(lanes.r, weight, q);
        for (int lane = 0; lane < LaneCount; ++lane)
            StoreRamp(out + blockBytes * lane, red, lane);
        if constexpr (layout == QualityLayout::RedGreen) {
            const RampResult green = EncodeQualityRamp(lanes.g, weight, q);
            for (int lane = 0; lane < LaneCount; ++lane)
                StoreRamp(out + blockBytes * lane + 8, green, lane);
        }
    } else {
        const ColorHalf color = EncodeQualityColor(lanes, weight, q, layout == QualityLayout::Dxt1);
        const UINT colorAt = layout == QualityLayout::Dxt1 ? 0 : 8;
        for (int lane = 0; lane < LaneCount; ++lane) {
            BYTE* block = out + blockBytes * lane;
            StoreBytes(block + colorAt, color.color0[lane], 2);
            StoreBytes(block + colorAt + 2, color.color1[lane], 2);
            StoreBytes(block + colorAt + 4, color.codes[lane], 4);
        }
        if constexpr (layout == QualityLayout::Explicit) {
            // Each alpha rounded to its nearest 4-bit value.
            for (int lane = 0; lane < LaneCount; ++lane)
                for (int i = 0; i < 16; i += 2) {
                    const int even = RoundedPosition(Clamp01(lanes.a[i]) * 15.0f, Splat(15.0f))[lane];
                    const int odd = RoundedPosition(Clamp01(lanes.a[i + 1]) * 15.0f, Splat(15.0f))[lane];
                    out[blockBytes * lane + i / 2] = static_cast<BYTE>(even | odd << 4);
                }
        } else if constexpr (layout == QualityLayout::Ramp) {
            const RampResult ramp = EncodeQualityRamp(lanes.a, weight, q);
            for (int lane = 0; lane < LaneCount; ++lane)
                StoreRamp(out + blockBytes * lane, ramp, lane);
        }
    }
}

template <QualityLayout layout>
void EncodeQualityRow(BYTE* out, const FloatColor* pixels, const BYTE* covered, UINT count, Alpha alpha,
                      const QualityParams& q)
{
    constexpr UINT blockBytes = layout == QualityLayout::Dxt1 || layout == QualityLayout::Red ? 8 : 16;
    UINT k = 0;
    for (; k + LaneCount <= count; k += LaneCount)
        EncodeQualityLaneBlocks<layout>(out + std::size_t{k} * blockBytes, pixels + std::size_t{k} * 16,
                                        covered ? covered + std::size_t{k} * 16 : nullptr, alpha, q);
    if (k < count) {
        // As in EncodeRow: spare lanes repeat the last block.
        FloatColor spare[16 * LaneCount];
        BYTE spareCovered[16 * LaneCount];
        BYTE bytes[16 * LaneCount];
        const UINT left = count - k;
        for (UINT i = 0; i < 16 * LaneCount; ++i) {
            const UINT from = i < 16 * left ? i : 16 * (left - 1) + i % 16;
            spare[i] = pixels[std::size_t{k} * 16 + from];
            spareCovered[i] = covered ? covered[std::size_t{k} * 16 + from] : 1;
        }
        EncodeQualityLaneBlocks<layout>(bytes, spare, spareCovered, alpha, q);
        std::memcpy(out + std::size_t{k} * blockBytes, bytes, std::size_t{left} * blockBytes);
    }
}

} // namespace

// Normal and High levels; the channel weights already in `q`.
HRESULT EncodeQualityBlocks(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, const BYTE* pCovered,
                            UINT count, bool high, const float* channelWeights, const float* channelScales)
{
    QualityParams q;
    q.high = high;
    for (int c = 0; c < 3; ++c) {
        q.weight[c] = channelWeights[c];
        q.scale[c] = channelScales[c];
        q.inverseScale[c] = 1.0f / channelScales[c];
    }
    constexpr float Step = 1.0f / 255.0f;
    q.clusterAbove = Splat(ClusterAboveSteps * Step * Step * (q.weight[0] + q.weight[1] + q.weight[2]));
    switch (format) {
    case D3DFMT_DXT1:
        EncodeQualityRow<QualityLayout::Dxt1>(pBlocks, pColors, pCovered, count, Alpha::Straight, q);
        return S_OK;
    case D3DFMT_DXT2:
        EncodeQualityRow<QualityLayout::Explicit>(pBlocks, pColors, pCovered, count, Alpha::Premultiplied, q);
        return S_OK;
    case D3DFMT_DXT3:
        EncodeQualityRow<QualityLayout::Explicit>(pBlocks, pColors, pCovered, count, Alpha::Straight, q);
        return S_OK;
    case D3DFMT_DXT4:
        EncodeQualityRow<QualityLayout::Ramp>(pBlocks, pColors, pCovered, count, Alpha::Premultiplied, q);
        return S_OK;
    case D3DFMT_DXT5:
        EncodeQualityRow<QualityLayout::Ramp>(pBlocks, pColors, pCovered, count, Alpha::Straight, q);
        return S_OK;
    case D3DFMT_BC4:
        EncodeQualityRow<QualityLayout::Red>(pBlocks, pColors, pCovered, count, Alpha::Straight, q);
        return S_OK;
    case D3DFMT_BC5:
        EncodeQualityRow<QualityLayout::RedGreen>(pBlocks, pColors, pCovered, count, Alpha::Straight, q);
        return S_OK;
    default:
        return E_FAIL;
    }
}

} // namespace BLOCK_LANES_NAMESPACE
