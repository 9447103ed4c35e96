// The quality encoder's colour half, one block per vector lane (see
// quality_kernel.h): each mode's fit, the field steps, single colours and
// transparency.
#ifndef BLOCK_LANES_WIDTH
#error "include quality_kernel.h, not its parts"
#endif

namespace BLOCK_LANES_NAMESPACE {

namespace {

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

// One pass of the field steps: each field of either end moved a step, in
// the direction in which the error for the present codes falls, and kept
// if that lowers the error. `three` keeps the three-colour order. The lanes
// whose error fell; a second pass may lower theirs again, while the others
// would only try the same steps once more.
Ints WalkColorEnds(const ColorInput& in, const QualityParams& q, Ints three, ColorResult& best)
{
    // The error for fixed codes is a quadratic in each field's ends; its
    // slopes give the directions.
    const Ints bestThree = best.word0 <= best.word1;
    Ints position[16];
    for (int i = 0; i < 16; ++i)
        position[i] = CodePosition((best.codes >> (2 * i)) & 3, bestThree);
    const ShareSums sums = SumShares(in, position, bestThree ? Splat(2.0f) : Splat(3.0f));
    Ints improved = SplatInt(0);
    for (int c = 0; c < 3; ++c) {
        const Floats e0 = Field(best.word0, c) * q.scale[c];
        const Floats e1 = Field(best.word1, c) * q.scale[c];
        const Floats slopes[2] = {sums.aa * e0 + sums.ab * e1 - sums.ax[c], sums.ab * e0 + sums.bb * e1 - sums.bx[c]};
        for (int end = 0; end < 2; ++end) {
            const Ints mask = SplatInt(kFieldMask[c]);
            const Ints word = end == 0 ? best.word0 : best.word1;
            const Ints step = slopes[end] > Splat(0.0f) ? SplatInt(-1) : SplatInt(1);
            const Ints field = ((word >> kFieldShift[c]) & mask) + step;
            const Ints inside = (field >= SplatInt(0)) & (field <= mask);
            const Ints moved = (word & ~(mask << kFieldShift[c])) | ((inside ? field : SplatInt(0)) << kFieldShift[c]);
            ColorResult candidate =
                EvaluateInOrder(in, q, three, end == 0 ? moved : best.word0, end == 0 ? best.word1 : moved);
            candidate.error = inside ? candidate.error : Splat(3.0e38f);
            improved |= candidate.error < best.error;
            KeepBetter(best, candidate);
        }
    }
    return improved;
}

struct ColorHalf {
    Ints color0;
    Ints color1;
    Ints codes;
};

// A lane group's colour half between its own fits and the cluster fit,
// which runs apart, on the blocks that want it gathered into full groups.
struct ColorFit {
    ColorInput in;
    Floats axis[3];
    ColorResult best;
    Ints three;
    Ints anyOpaque;
    Ints anyTransparent;
    Ints wantsCluster;
    Ints walkThree;      // the order the field steps keep
    Ints walksAgain;     // the first pass of field steps lowered the error
    Ints flat;           // of one colour, which takes the exact endpoints
    Ints settled;        // flat, or no pixel opaque: the fits' result is not used
    Floats reference[3]; // the colour of a flat block
};

// The fits of each mode for the colour half of a block in quality mode.
// `oneBit` (DXT1): pixels with alpha below 0.5 are transparent, which
// takes the three-colour mode.
LANE_INLINE void StartQualityColor(ColorFit& fit, const PixelLanes& pixels, const Floats* covered,
                                   const QualityParams& q, bool oneBit)
{
    ColorInput& in = fit.in;
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
    fit.three = three;
    fit.anyOpaque = anyOpaque;
    fit.anyTransparent = anyTransparent;

    // Blocks of one colour take the exact endpoints, and blocks with no
    // opaque pixel the transparent block, whatever the fits would give: a
    // group of them alone skips the fits.
    Ints found = SplatInt(0);
    for (int c = 0; c < 3; ++c)
        fit.reference[c] = Splat(0.0f);
    for (int i = 0; i < 16; ++i) {
        const Ints take = ~found & (in.weight[i] > Splat(0.0f));
        for (int c = 0; c < 3; ++c)
            fit.reference[c] = take ? in.x[c][i] : fit.reference[c];
        found |= take;
    }
    Ints flat = found;
    for (int i = 0; i < 16; ++i)
        flat &= (in.weight[i] <= Splat(0.0f)) | ((in.x[0][i] == fit.reference[0]) & (in.x[1][i] == fit.reference[1]) &
                                                 (in.x[2][i] == fit.reference[2]));
    fit.flat = flat;
    fit.settled = flat | (oneBit ? ~anyOpaque & anyTransparent : SplatInt(0));
    fit.wantsCluster = SplatInt(0);
    fit.walkThree = SplatInt(0);
    fit.walksAgain = SplatInt(0);
    if (!AnyLane(~fit.settled)) {
        fit.best = {SplatInt(0), SplatInt(0), SplatInt(0), Splat(0.0f)};
        return;
    }

    Floats a[3], b[3];
    PrincipalEnds(in, a, b, fit.axis);
    fit.best = FitColorMode(in, q, a, b, three);
    if (q.quality == BlockQuality::High) {
        if (oneBit) {
            // Opaque blocks may do better with three colours and no black.
            ColorResult other = FitColorMode(in, q, a, b, SplatInt(-1));
            other.error = three ? Splat(3.0e38f) : other.error;
            KeepBetter(fit.best, other);
        }
        // The cluster fit, for the blocks whose error is still above a few
        // 8-bit steps per channel of each pixel that counts. The choice is
        // each lane's own, so a block's bytes never depend on its neighbours.
        Floats counted = Splat(0.0f);
        for (int i = 0; i < 16; ++i)
            counted += in.weight[i];
        fit.wantsCluster = ~three & ~fit.settled & (fit.best.error >= q.clusterAbove * counted);
    }
}

// The best four-colour block of the cluster fit.
ColorResult ClusterFit(const ColorInput& in, const Floats* axis, const QualityParams& q)
{
    Ints positions[kSplitTrackers][16];
    ClusterPositions(in, axis, positions);
    // The quantised ends of each candidate split, then the best grid ends
    // for the codes the best of them gives.
    ColorResult clustered = {SplatInt(0), SplatInt(0), SplatInt(0), Splat(3.0e38f)};
    for (int t = 0; t < kSplitTrackers; ++t) {
        Ints w0, w1;
        GridEnds(in, q, positions[t], Splat(3.0f), w0, w1);
        KeepBetter(clustered, EvaluateInOrder(in, q, SplatInt(0), w0, w1));
    }
    RefineOnCodes(in, q, SplatInt(0), clustered);
    return clustered;
}

// High's first pass of field steps, once the cluster fit has had its say.
LANE_INLINE void StartWalk(ColorFit& fit, const QualityParams& q)
{
    if (!AnyLane(~fit.settled))
        return;
    fit.walkThree = fit.three | (fit.best.word0 < fit.best.word1);
    fit.walksAgain = WalkColorEnds(fit.in, q, fit.walkThree, fit.best) & ~fit.settled;
}

// The rest of the colour half once the fits are done: single colours and
// transparency.
LANE_INLINE ColorHalf FinishQualityColor(const ColorFit& fit, const QualityParams& q, bool oneBit)
{
    const ColorInput& in = fit.in;
    const Ints three = fit.three;
    const ColorResult& best = fit.best;
    const Ints flat = fit.flat;
    const Floats* reference = fit.reference;
    ColorHalf half = {best.word0, best.word1, best.codes};
    // Code 3 in the fields of transparent pixels.
    Ints blackCodes = SplatInt(0);
    for (int i = 0; i < 16; ++i)
        blackCodes |= in.black[i] & SplatInt(3 << (2 * i));
    if (AnyLane(flat))
        for (int lane = 0; lane < kLaneCount; ++lane) {
            if (!flat[lane])
                continue;
            int rgb[3];
            for (int c = 0; c < 3; ++c)
                rgb[c] = static_cast<int>(reference[c][lane] * q.inverseScale[c] * 255.0f + 0.5f);
            const FlatColorBlock block =
                EncodeFlatColor(rgb, q.weight,
                                !oneBit ? FlatModes::FourOnly : three[lane] ? FlatModes::ThreeOnly : FlatModes::Either);
            half.color0[lane] = block.word0;
            half.color1[lane] = block.word1;
            const unsigned black = static_cast<unsigned>(blackCodes[lane]);
            half.codes[lane] = static_cast<int>(black | (static_cast<unsigned>(block.code) * 0x55555555u & ~black));
        }
    if (oneBit) {
        const Ints none = ~fit.anyOpaque & fit.anyTransparent;
        half.color0 = none ? SplatInt(0x0000) : half.color0;
        half.color1 = none ? SplatInt(0xFFFF) : half.color1;
        half.codes = none ? SplatInt(-1) : half.codes;
    }
    return half;
}

} // namespace

} // namespace BLOCK_LANES_NAMESPACE
