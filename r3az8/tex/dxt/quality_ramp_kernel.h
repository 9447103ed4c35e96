// The quality encoder's single-channel ramps (DXT4/DXT5 alpha, each channel
// of BC4 and BC5), one block per vector lane (see quality_kernel.h).
#ifndef BLOCK_LANES_WIDTH
#error "include quality_kernel.h, not its parts"
#endif

namespace BLOCK_LANES_NAMESPACE {

namespace {

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
    const Floats p0 = ToFloats(end0) * dxt::kReciprocal255;
    const Floats p1 = ToFloats(end1) * dxt::kReciprocal255;
    Floats palette[8];
    palette[0] = p0;
    palette[1] = p1;
    for (int k = 1; k <= 6; ++k) {
        const Floats eighth =
            (Splat(static_cast<float>(7 - k)) * p0 + Splat(static_cast<float>(k)) * p1) * dxt::kOneSeventh;
        const Floats sixth = k <= 4 ? (Splat(static_cast<float>(5 - k)) * p0 + Splat(static_cast<float>(k)) * p1) *
                                          dxt::kOneFifth
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
    KeepSmallerError<&RampResult::end0, &RampResult::end1, &RampResult::lowCodes, &RampResult::highCodes,
                     &RampResult::error>(best, candidate);
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
        const Floats beta = ToFloats(position) * dxt::kOneSeventh;
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
        low = (counts & (value[i] < low)) ? value[i] : low;
        high = (counts & (value[i] > high)) ? value[i] : high;
        const Ints inner = counts & (value[i] > Splat(0.5f / 255.0f)) & (value[i] < Splat(254.5f / 255.0f));
        innerLow = (inner & (value[i] < innerLow)) ? value[i] : innerLow;
        innerHigh = (inner & (value[i] > innerHigh)) ? value[i] : innerHigh;
    }
    // Eight values from the range; equal bytes make the six-value ramp of
    // one value, which is exact for a flat block.
    Ints end0 = ToByte(high);
    Ints end1 = ToByte(low);
    RampResult best = EvaluateRamp(value, weight, end0, end1);
    // Exact in every lane (an opaque block's alpha): no other ramp can
    // score below zero, and only a lower score replaces the best.
    if (!AnyLane(best.error != Splat(0.0f)))
        return best;
    RefineEightEnds(value, weight, best, end0, end1);
    KeepBetter(best, EvaluateRamp(value, weight, end0, end1));
    // Six values over the inner range, with exact 0 and 1 beside them.
    const Ints noInner = innerLow > innerHigh;
    const Ints sixLow = noInner ? SplatInt(0) : ToByte(innerLow);
    const Ints sixHigh = noInner ? SplatInt(0) : ToByte(innerHigh);
    KeepBetter(best, EvaluateRamp(value, weight, sixLow, sixHigh));
    if (q.quality != BlockQuality::High)
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

} // namespace

} // namespace BLOCK_LANES_NAMESPACE
