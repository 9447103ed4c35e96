// Pieces of the quality encoder's colour fit, one block per vector lane
// (see quality_kernel.h): the parameters, the pixels in weighted colour
// space, judging a pair of 5:6:5 words against them, least-squares ends,
// the principal axis and the best grid ends for fixed codes.
#ifndef BLOCK_LANES_WIDTH
#error "include quality_kernel.h, not its parts"
#endif

namespace BLOCK_LANES_NAMESPACE {

namespace {

struct QualityParams {
    BlockQuality quality; // Fast counts as Normal
    float scale[3]; // square roots of the channel weights
    float inverseScale[3];
    float weight[3];     // the channel weights
    Floats clusterAbove; // error per counted pixel from which High runs the cluster fit
};

// Mean squared error per pixel and channel, in 8-bit steps, below which
// High skips the cluster fit: it would rarely find better there.
constexpr float kClusterAboveSteps = 4.0f;

constexpr float kFieldTop[3] = {31.0f, 63.0f, 31.0f};
constexpr float kFieldStep[3] = {dxt::kReciprocal31, dxt::kReciprocal63, dxt::kReciprocal31};
constexpr int kFieldShift[3] = {11, 5, 0};
constexpr int kFieldMask[3] = {31, 63, 31};

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

LANE_INLINE Floats Field(Ints word, int c) { return ToFloats((word >> kFieldShift[c]) & kFieldMask[c]) * kFieldStep[c]; }

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
        palette[2][c] = (four ? a + d * dxt::kOneThird : a + d * 0.5f) * q.scale[c];
        palette[3][c] = (a + d * dxt::kTwoThirds) * q.scale[c];
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
    KeepSmallerError<&ColorResult::word0, &ColorResult::word1, &ColorResult::codes, &ColorResult::error>(best,
                                                                                                         candidate);
}

// Scaled ends to words, in the order of the mode: color0 > color1 for four
// colours (equal words stay, giving three colours of one), else <=.
LANE_INLINE void QuantiseEnds(const QualityParams& q, const Floats* a, const Floats* b, Ints three, Ints& word0,
                              Ints& word1)
{
    Ints w0 = SplatInt(0);
    Ints w1 = SplatInt(0);
    for (int c = 0; c < 3; ++c) {
        const Floats top = Splat(kFieldTop[c]);
        w0 |= RoundedPosition(a[c] * q.inverseScale[c] * kFieldTop[c], top) << kFieldShift[c];
        w1 |= RoundedPosition(b[c] * q.inverseScale[c] * kFieldTop[c], top) << kFieldShift[c];
    }
    const Ints exchange = three ? w0 > w1 : w0 < w1;
    word0 = exchange ? w1 : w0;
    word1 = exchange ? w0 : w1;
}

// The sums of the least-squares system for pixels at ramp positions
// `position` (0..last): with alpha and beta the two ends' shares, the
// weighted sums of alpha^2, beta^2, alpha beta and of alpha and beta times
// each channel.
struct ShareSums {
    Floats aa, bb, ab;
    Floats ax[3], bx[3];
};

LANE_INLINE ShareSums SumShares(const ColorInput& in, const Ints* position, Floats last)
{
    ShareSums sums = {Splat(0.0f),
                      Splat(0.0f),
                      Splat(0.0f),
                      {Splat(0.0f), Splat(0.0f), Splat(0.0f)},
                      {Splat(0.0f), Splat(0.0f), Splat(0.0f)}};
    for (int i = 0; i < 16; ++i) {
        const Floats beta = ToFloats(position[i]) / last;
        const Floats alpha = 1.0f - beta;
        const Floats w = in.weight[i];
        sums.aa += w * alpha * alpha;
        sums.bb += w * beta * beta;
        sums.ab += w * alpha * beta;
        for (int c = 0; c < 3; ++c) {
            sums.ax[c] += w * alpha * in.x[c][i];
            sums.bx[c] += w * beta * in.x[c][i];
        }
    }
    return sums;
}

// Least-squares ends for pixels at ramp positions `position` (0..last).
LANE_INLINE void SolveEnds(const ColorInput& in, const QualityParams& q, const Ints* position, Floats last, Floats* a,
                           Floats* b)
{
    const ShareSums sums = SumShares(in, position, last);
    const Floats aa = sums.aa, bb = sums.bb, ab = sums.ab;
    const Floats* ax = sums.ax;
    const Floats* bx = sums.bx;
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
    Floats axis[3] = {greenWidest  ? cov[1]
                      : blueWidest ? cov[2]
                                   : cov[0],
                      greenWidest  ? cov[3]
                      : blueWidest ? cov[4]
                                   : cov[1],
                      greenWidest  ? cov[4]
                      : blueWidest ? cov[5]
                                   : cov[2]};
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
        low = (counts & (t < low)) ? t : low;
        high = (counts & (t > high)) ? t : high;
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
// within kGridReach of its own least-squares value are tried.
constexpr int kGridReach = 3;

LANE_INLINE void GridEnds(const ColorInput& in, const QualityParams& q, const Ints* position, Floats last, Ints& word0,
                          Ints& word1)
{
    const ShareSums sums = SumShares(in, position, last);
    const Floats aa = sums.aa, bb = sums.bb, ab = sums.ab;
    const Floats* ax = sums.ax;
    const Floats* bx = sums.bx;
    const Floats inverseB = bb > Splat(0.0f) ? 1.0f / (bb > Splat(0.0f) ? bb : Splat(1.0f)) : Splat(0.0f);
    const Floats determinant = aa * bb - ab * ab;
    const Ints solvable = determinant > (aa * bb) * 1.0e-5f;
    const Floats divisor = solvable ? determinant : aa > Splat(0.0f) ? aa : Splat(1.0f);
    word0 = SplatInt(0);
    word1 = SplatInt(0);
    for (int c = 0; c < 3; ++c) {
        const Floats top = Splat(kFieldTop[c]);
        const float toCode = q.inverseScale[c] * kFieldTop[c];
        // The first end's codes around its least-squares value (or, with
        // every pixel at the first end, their mean).
        const Floats first = (solvable ? ax[c] * bb - bx[c] * ab : ax[c]) / divisor;
        const Ints centre = RoundedPosition(first * toCode, top);
        Floats bestError = Splat(3.0e38f);
        Ints best0 = SplatInt(0), best1 = SplatInt(0);
        for (int offset = -kGridReach; offset <= kGridReach; ++offset) {
            const Ints k0 = centre + offset;
            const Ints inside = (k0 >= SplatInt(0)) & (k0 <= SplatInt(kFieldMask[c]));
            const Floats e0 = ToFloats(k0) * kFieldStep[c] * q.scale[c];
            const Ints k1 = RoundedPosition((bx[c] - ab * e0) * inverseB * toCode, top);
            const Floats e1 = ToFloats(k1) * kFieldStep[c] * q.scale[c];
            const Floats error =
                aa * e0 * e0 + bb * e1 * e1 + 2.0f * ab * e0 * e1 - 2.0f * ax[c] * e0 - 2.0f * bx[c] * e1;
            const Ints better = inside & (error < bestError);
            bestError = better ? error : bestError;
            best0 = better ? k0 : best0;
            best1 = better ? k1 : best1;
        }
        word0 |= best0 << kFieldShift[c];
        word1 |= best1 << kFieldShift[c];
    }
}

} // namespace

} // namespace BLOCK_LANES_NAMESPACE
