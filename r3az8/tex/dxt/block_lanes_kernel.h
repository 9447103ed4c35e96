// The block encoder with several blocks side by side, one per vector lane.
//
// This is the encoder's only copy of its arithmetic. It is compiled three
// times, each inside a namespace of its own (BLOCK_LANES_NAMESPACE) with a
// width of its own (BLOCK_LANES_WIDTH): one_block.cpp at width 1 is the
// one-block encoder, block_lanes.cpp (baseline instruction set, 4 lanes)
// and block_lanes_avx2.cpp (8 lanes) the row encoders. The compilations
// never share a symbol. Nothing here may call an inline function of another
// header: the linker could pick the other instruction set's copy of it. The
// lane words (lane_math.h) are internal to each build; the block format
// table (codecs/block_formats.h) is read as data, its formats' rows giving
// the layout and alpha to encode.
//
// Every lane runs the same single-precision operations in the same order,
// per-lane branches turned into selects, loops that stop early in some
// lanes run on with those lanes frozen. So a block's bytes do not depend on
// the width nor on its neighbours in the other lanes. Lanes whose branch is
// not taken may compute divisions by zero or NaNs; their results are never
// selected.

#ifndef BLOCK_LANES_NAMESPACE
#error "define BLOCK_LANES_NAMESPACE before including block_lanes_kernel.h"
#endif
#ifndef BLOCK_LANES_WIDTH
#error "define BLOCK_LANES_WIDTH (1, 4 or 8) before including block_lanes_kernel.h"
#endif

#include "r3az8/tex/codecs/block_formats.h"
#include "r3az8/tex/dxt/dxt_internal.h"
#include "r3az8/tex/dxt/lane_math.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace BLOCK_LANES_NAMESPACE {

namespace {

// Ramp position to stored code, for every ramp of the formats: the first
// end is code 0, the last code 1, the inner positions follow from code 2.
LANE_INLINE Ints PositionCode(Ints position, Ints lastPosition)
{
    return position == SplatInt(0) ? SplatInt(0) : position == lastPosition ? SplatInt(1) : position + 1;
}

LANE_INLINE void Diffuse(Floats* pending, int i, Floats error)
{
    const int column = i & 3;
    if (column != 3)
        pending[i + 1] += error * dxt::kDiffuseRight;
    if (i < 12) {
        if (column != 0)
            pending[i + 3] += error * dxt::kDiffuseLowerLeft;
        pending[i + 4] += error * dxt::kDiffuseBelow;
        if (column != 3)
            pending[i + 5] += error * dxt::kDiffuseLowerRight;
    }
}

struct Rgb {
    Floats r;
    Floats g;
    Floats b;
};

LANE_INLINE Rgb Select(Ints mask, const Rgb& a, const Rgb& b)
{
    return {Select(mask, a.r, b.r), Select(mask, a.g, b.g), Select(mask, a.b, b.b)};
}

// Pixel i of the lanes' blocks, channel by channel.
struct PixelLanes {
    Floats r[16];
    Floats g[16];
    Floats b[16];
    Floats a[16];
};

LANE_INLINE void Gather(PixelLanes& lanes, const FloatColor* blocks, BlockAlpha alpha)
{
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const FloatColor* block = blocks + 16 * lane;
        for (int i = 0; i < 16; ++i) {
            FloatColor c = block[i];
            if (alpha == BlockAlpha::Premultiplied)
                c = {c.r * c.a, c.g * c.a, c.b * c.a, c.a};
            lanes.r[i][lane] = c.r;
            lanes.g[i][lane] = c.g;
            lanes.b[i][lane] = c.b;
            lanes.a[i][lane] = c.a;
        }
    }
}

// Weights of the two endpoints at each ramp position; the colour tables
// hold four-colour weights at 0..3 and three-colour weights at 4..6, the
// alpha tables the eight- or six-value ramp. Same values as the one-block
// tables (the same float divisions).
constexpr Table8 kColorLowWeights = {1.0f, 2.0f / 3.0f, 1.0f / 3.0f, 0.0f, 1.0f, 0.5f, 0.0f, 0.0f};
constexpr Table8 kColorHighWeights = {0.0f, 1.0f / 3.0f, 2.0f / 3.0f, 1.0f, 0.0f, 0.5f, 1.0f, 0.0f};
constexpr Table8 kEightLowWeights = {1.0f,        6.0f / 7.0f, 5.0f / 7.0f, 4.0f / 7.0f,
                                     3.0f / 7.0f, 2.0f / 7.0f, 1.0f / 7.0f, 0.0f};
constexpr Table8 kEightHighWeights = {0.0f,        1.0f / 7.0f, 2.0f / 7.0f, 3.0f / 7.0f,
                                      4.0f / 7.0f, 5.0f / 7.0f, 6.0f / 7.0f, 1.0f};
constexpr Table8 kSixLowWeights = {1.0f, 4.0f / 5.0f, 3.0f / 5.0f, 2.0f / 5.0f, 1.0f / 5.0f, 0.0f, 0.0f, 0.0f};
constexpr Table8 kSixHighWeights = {0.0f, 1.0f / 5.0f, 2.0f / 5.0f, 3.0f / 5.0f, 4.0f / 5.0f, 1.0f, 0.0f, 0.0f};

// --- colour half ------------------------------------------------------------------------

struct ColorHalves {
    Ints color0;
    Ints color1;
    Ints codes;
};

LANE_INLINE Floats Dot(Floats r0, Floats g0, Floats b0, Floats r1, Floats g1, Floats b1)
{
    return r0 * r1 + g0 * g1 + b0 * b1;
}

// The colour endpoint search: a diagonal of the weighted colours' bounding
// box, then Gauss-Newton refinement of both ends against the ramp the block
// will decode to.
LANE_INLINE void FitColorEndpoints(const Floats* wr, const Floats* wg, const Floats* wb, Ints three, Floats last,
                                   Rgb& first, Rgb& second)
{
    Rgb low = {Splat(kColorWeights.r), Splat(kColorWeights.g), Splat(kColorWeights.b)};
    Rgb high = {Splat(0.0f), Splat(0.0f), Splat(0.0f)};
    for (int i = 0; i < 16; ++i) {
        low.r = wr[i] < low.r ? wr[i] : low.r;
        low.g = wg[i] < low.g ? wg[i] : low.g;
        low.b = wb[i] < low.b ? wb[i] : low.b;
        high.r = wr[i] > high.r ? wr[i] : high.r;
        high.g = wg[i] > high.g ? wg[i] : high.g;
        high.b = wb[i] > high.b ? wb[i] : high.b;
    }
    const Rgb span = {high.r - low.r, high.g - low.g, high.b - low.b};
    const Floats spanSquared = Dot(span.r, span.g, span.b, span.r, span.g, span.b);
    const Ints degenerate = spanSquared < Splat(dxt::kSmallestNormal);

    // Diagonal choice.
    const Floats divisor = degenerate ? Splat(1.0f) : spanSquared;
    const Rgb centre = {(low.r + high.r) / 2.0f, (low.g + high.g) / 2.0f, (low.b + high.b) / 2.0f};
    Floats sums[4] = {Splat(0.0f), Splat(0.0f), Splat(0.0f), Splat(0.0f)};
    for (int i = 0; i < 16; ++i) {
        Floats ur = (wr[i] - centre.r) * span.r / divisor;
        Floats ug = (wg[i] - centre.g) * span.g / divisor;
        Floats ub = (wb[i] - centre.b) * span.b / divisor;
        Floats along0 = ur + ug + ub;
        Floats along1 = ur + ug - ub;
        Floats along2 = ur - ug + ub;
        Floats along3 = ur - ug - ub;
        sums[0] += along0 * along0;
        sums[1] += along1 * along1;
        sums[2] += along2 * along2;
        sums[3] += along3 * along3;
    }
    Ints best = SplatInt(0);
    Floats bestSum = sums[0];
    for (int k = 1; k < 4; ++k) {
        Ints larger = sums[k] > bestSum;
        best = larger ? SplatInt(k) : best;
        bestSum = larger ? sums[k] : bestSum;
    }
    const Ints swapGreen = ~degenerate & ((best & 2) != SplatInt(0));
    const Ints swapBlue = ~degenerate & ((best & 1) != SplatInt(0));
    first = {low.r, swapGreen ? high.g : low.g, swapBlue ? high.b : low.b};
    second = {high.r, swapGreen ? low.g : high.g, swapBlue ? low.b : high.b};

    // Refinement.
    Ints active = ~degenerate & (spanSquared >= Splat(dxt::kColorSpanLimit));
    const Ints tableBase = three ? SplatInt(4) : SplatInt(0);
    for (int round = 0; round < dxt::kRefinementRounds && AnyLane(active); ++round) {
        const Rgb direction = {second.r - first.r, second.g - first.g, second.b - first.b};
        const Floats length = Dot(direction.r, direction.g, direction.b, direction.r, direction.g, direction.b);
        active &= ~(length < Splat(dxt::kColorSpanLimit));
        const Floats safeLength = active ? length : Splat(1.0f);
        const Rgb d = {direction.r * last / safeLength, direction.g * last / safeLength,
                       direction.b * last / safeLength};

        Rgb gradientFirst = {Splat(0.0f), Splat(0.0f), Splat(0.0f)};
        Rgb gradientSecond = gradientFirst;
        Floats curvatureFirst = Splat(0.0f);
        Floats curvatureSecond = Splat(0.0f);
        for (int i = 0; i < 16; ++i) {
            Floats t = Dot(wr[i] - first.r, wg[i] - first.g, wb[i] - first.b, d.r, d.g, d.b);
            Ints index = RoundedPosition(t, last) + tableBase;
            Floats lowWeight = Lookup(kColorLowWeights, index);
            Floats highWeight = Lookup(kColorHighWeights, index);
            Floats residualR = (first.r * lowWeight + second.r * highWeight) - wr[i];
            Floats residualG = (first.g * lowWeight + second.g * highWeight) - wg[i];
            Floats residualB = (first.b * lowWeight + second.b * highWeight) - wb[i];
            Floats lowShare = lowWeight / 8.0f;
            Floats highShare = highWeight / 8.0f;
            gradientFirst.r += residualR * lowShare;
            gradientFirst.g += residualG * lowShare;
            gradientFirst.b += residualB * lowShare;
            curvatureFirst += lowShare * lowWeight;
            gradientSecond.r += residualR * highShare;
            gradientSecond.g += residualG * highShare;
            gradientSecond.b += residualB * highShare;
            curvatureSecond += highShare * highWeight;
        }
        // A Newton step for an end whose curvature is positive; the others stay.
        auto step = [&active](const Rgb& end, const Rgb& gradient, Floats curvature) {
            const Ints move = active & (curvature > Splat(0.0f));
            const Floats divide = move ? curvature : Splat(1.0f);
            return Select(move,
                          {end.r - gradient.r / divide, end.g - gradient.g / divide, end.b - gradient.b / divide},
                          end);
        };
        first = step(first, gradientFirst, curvatureFirst);
        second = step(second, gradientSecond, curvatureSecond);
        const Floats limit = Splat(dxt::kColorGradientLimit);
        const Ints settled = (gradientFirst.r * gradientFirst.r < limit) & (gradientFirst.g * gradientFirst.g < limit) &
                             (gradientFirst.b * gradientFirst.b < limit) &
                             (gradientSecond.r * gradientSecond.r < limit) &
                             (gradientSecond.g * gradientSecond.g < limit) &
                             (gradientSecond.b * gradientSecond.b < limit);
        active &= ~settled;
    }
}

LANE_INLINE Ints Quantize565(const Rgb& weighted)
{
    Floats r = weighted.r * kInverseColorWeights.r;
    Floats g = weighted.g * kInverseColorWeights.g;
    Floats b = weighted.b * kInverseColorWeights.b;
    return RoundedPosition(r * 31.0f, Splat(31.0f)) << 11 | RoundedPosition(g * 63.0f, Splat(63.0f)) << 5 |
           RoundedPosition(b * 31.0f, Splat(31.0f));
}

LANE_INLINE Rgb WeightedEndpoint(Ints word)
{
    return {ToFloats(word >> 11) * dxt::kReciprocal31 * kColorWeights.r,
            ToFloats((word >> 5) & 63) * dxt::kReciprocal63 * kColorWeights.g,
            ToFloats(word & 31) * dxt::kReciprocal31 * kColorWeights.b};
}

// The colour half of every block: dither the block to 5:6:5, fit two
// endpoints in weighted space, then code each pixel with error diffusion.
LANE_INLINE ColorHalves EncodeColorLanes(const PixelLanes& in, ColorAlpha alpha)
{
    Ints transparent[16];
    Ints allTransparent = SplatInt(-1);
    Ints three = SplatInt(0);
    if (alpha == ColorAlpha::OneBit) {
        Ints anyTransparent = SplatInt(0);
        for (int i = 0; i < 16; ++i) {
            transparent[i] = in.a[i] < Splat(0.5f);
            anyTransparent |= transparent[i];
            allTransparent &= transparent[i];
        }
        three = anyTransparent & ~allTransparent;
    } else {
        allTransparent = SplatInt(0);
    }
    const Floats last = three ? Splat(2.0f) : Splat(3.0f);
    const Ints lastPosition = three ? SplatInt(2) : SplatInt(3);

    // First pass: dithered to 5:6:5, in weighted space.
    Floats wr[16], wg[16], wb[16];
    {
        Floats pendingR[16] = {}, pendingG[16] = {}, pendingB[16] = {};
        for (int i = 0; i < 16; ++i) {
            Floats r = in.r[i] + pendingR[i];
            Floats g = in.g[i] + pendingG[i];
            Floats b = in.b[i] + pendingB[i];
            Floats qr = ToFloats(RoundedPosition(r * 31.0f, Splat(31.0f))) * dxt::kReciprocal31;
            Floats qg = ToFloats(RoundedPosition(g * 63.0f, Splat(63.0f))) * dxt::kReciprocal63;
            Floats qb = ToFloats(RoundedPosition(b * 31.0f, Splat(31.0f))) * dxt::kReciprocal31;
            wr[i] = qr * kColorWeights.r;
            wg[i] = qg * kColorWeights.g;
            wb[i] = qb * kColorWeights.b;
            Diffuse(pendingR, i, r - qr);
            Diffuse(pendingG, i, g - qg);
            Diffuse(pendingB, i, b - qb);
        }
    }

    Rgb first, second;
    FitColorEndpoints(wr, wg, wb, three, last, first, second);
    const Ints word0 = Quantize565(first);
    const Ints word1 = Quantize565(second);
    const Ints flat = ~three & (word0 == word1);
    const Ints exchange = three ? (word0 > word1) : (word0 <= word1);
    const Ints color0 = exchange ? word1 : word0;
    const Ints color1 = exchange ? word0 : word1;

    const Rgb p0 = WeightedEndpoint(color0);
    const Rgb p1 = WeightedEndpoint(color1);
    const Rgb span = {p1.r - p0.r, p1.g - p0.g, p1.b - p0.b};
    const Rgb p2 = Select(three, {p0.r + span.r * 0.5f, p0.g + span.g * 0.5f, p0.b + span.b * 0.5f},
                          {p0.r + span.r * dxt::kOneThird, p0.g + span.g * dxt::kOneThird, p0.b + span.b * dxt::kOneThird});
    const Rgb p3 = {p0.r + span.r * dxt::kTwoThirds, p0.g + span.g * dxt::kTwoThirds, p0.b + span.b * dxt::kTwoThirds};
    const Ints distinct = color0 != color1;
    const Floats spanSquared = Dot(span.r, span.g, span.b, span.r, span.g, span.b);
    const Floats divisor = distinct ? spanSquared : Splat(1.0f);
    const Rgb direction = Select(distinct, {span.r * last / divisor, span.g * last / divisor, span.b * last / divisor},
                                 {Splat(0.0f), Splat(0.0f), Splat(0.0f)});

    // Second pass: each pixel coded against the ramp, errors diffused.
    Ints codes = SplatInt(0);
    Floats pendingR[16] = {}, pendingG[16] = {}, pendingB[16] = {};
    for (int i = 0; i < 16; ++i) {
        Floats r = in.r[i] * kColorWeights.r + pendingR[i];
        Floats g = in.g[i] * kColorWeights.g + pendingG[i];
        Floats b = in.b[i] * kColorWeights.b + pendingB[i];
        Floats t = Dot(r - p0.r, g - p0.g, b - p0.b, direction.r, direction.g, direction.b);
        Ints position = RoundedPosition(t, last);
        Ints code = PositionCode(position, lastPosition);
        Ints atFirst = position == SplatInt(0);
        Ints atLast = position == lastPosition;
        Ints atOne = position == SplatInt(1);
        Rgb chosen = Select(atFirst, p0, Select(atLast, p1, Select(atOne, p2, p3)));
        Floats errorR = r - chosen.r;
        Floats errorG = g - chosen.g;
        Floats errorB = b - chosen.b;
        if (alpha == ColorAlpha::OneBit) {
            // Transparent pixels of three-colour blocks get code 3 and pass
            // no error on.
            Ints skip = three & transparent[i];
            code = skip ? SplatInt(3) : code;
            errorR = skip ? Splat(0.0f) : errorR;
            errorG = skip ? Splat(0.0f) : errorG;
            errorB = skip ? Splat(0.0f) : errorB;
        }
        codes |= code << (2 * i);
        Diffuse(pendingR, i, errorR);
        Diffuse(pendingG, i, errorG);
        Diffuse(pendingB, i, errorB);
    }

    ColorHalves halves;
    halves.color0 = allTransparent ? SplatInt(0x0000) : flat ? word0 : color0;
    halves.color1 = allTransparent ? SplatInt(0xFFFF) : flat ? word0 : color1;
    halves.codes = allTransparent ? SplatInt(-1) : flat ? SplatInt(0) : codes;
    return halves;
}

// --- alpha halves -----------------------------------------------------------------------

// Sixteen nibbles: pixels 0..7 in the low word, 8..15 in the high one.
struct ExplicitAlpha {
    Ints low;
    Ints high;
};

LANE_INLINE ExplicitAlpha EncodeExplicitAlphaLanes(const PixelLanes& in)
{
    ExplicitAlpha nibbles = {SplatInt(0), SplatInt(0)};
    Floats pending[16] = {};
    for (int i = 0; i < 16; ++i) {
        Floats value = in.a[i] + pending[i];
        Ints code = RoundedPosition(value * 15.0f, Splat(15.0f));
        if (i < 8)
            nibbles.low |= code << (4 * i);
        else
            nibbles.high |= code << (4 * (i - 8));
        Diffuse(pending, i, value - ToFloats(code) * dxt::kReciprocal15);
    }
    return nibbles;
}

struct AlphaRampLanes {
    Ints alpha0;
    Ints alpha1;
    Ints lowCodes;  // pixels 0..7, 3 bits each
    Ints highCodes; // pixels 8..15
};

// The alpha endpoint search of DXT4/DXT5: the range of the alphas, refined
// by Gauss-Newton rounds; `six` selects the six-value ramp.
LANE_INLINE void FitAlphaEndpoints(const Floats* v, Ints six, Floats& lowOut, Floats& highOut)
{
    Floats low = Splat(1.0f);
    Floats high = Splat(0.0f);
    for (int i = 0; i < 16; ++i) {
        Ints takeLow = (v[i] < low) & (~six | (v[i] > Splat(0.0f)));
        Ints takeHigh = (v[i] > high) & (~six | (v[i] < Splat(1.0f)));
        low = takeLow ? v[i] : low;
        high = takeHigh ? v[i] : high;
    }
    const Floats last = six ? Splat(5.0f) : Splat(7.0f);
    Ints active = SplatInt(-1);
    for (int round = 0; round < dxt::kRefinementRounds; ++round) {
        active &= high - low >= Splat(dxt::kAlphaSpanLimit);
        if (!AnyLane(active))
            break;
        const Floats scale = last / (active ? high - low : Splat(1.0f));
        const Floats zeroBelow = low * 0.5f;
        const Floats oneAbove = (high + 1.0f) * 0.5f;
        Floats gradientLow = Splat(0.0f), gradientHigh = Splat(0.0f);
        Floats curvatureLow = Splat(0.0f), curvatureHigh = Splat(0.0f);
        for (int i = 0; i < 16; ++i) {
            Floats t = (v[i] - low) * scale;
            Ints skip = six & (((t <= Splat(0.0f)) & (v[i] <= zeroBelow)) | ((t >= last) & (v[i] >= oneAbove)));
            Ints position = RoundedPosition(t, last);
            Floats lowWeight = six ? Lookup(kSixLowWeights, position) : Lookup(kEightLowWeights, position);
            Floats highWeight = six ? Lookup(kSixHighWeights, position) : Lookup(kEightHighWeights, position);
            Floats residual = (low * lowWeight + high * highWeight) - v[i];
            gradientLow = skip ? gradientLow : gradientLow + residual * lowWeight;
            curvatureLow = skip ? curvatureLow : curvatureLow + lowWeight * lowWeight;
            gradientHigh = skip ? gradientHigh : gradientHigh + residual * highWeight;
            curvatureHigh = skip ? curvatureHigh : curvatureHigh + highWeight * highWeight;
        }
        const Ints moveLow = active & (curvatureLow > Splat(0.0f));
        low = moveLow ? low - gradientLow / (moveLow ? curvatureLow : Splat(1.0f)) : low;
        const Ints moveHigh = active & (curvatureHigh > Splat(0.0f));
        high = moveHigh ? high - gradientHigh / (moveHigh ? curvatureHigh : Splat(1.0f)) : high;
        const Ints exchange = active & (high < low);
        const Floats previousLow = low;
        low = exchange ? high : low;
        high = exchange ? previousLow : high;
        const Floats limit = Splat(dxt::kAlphaGradientLimit);
        active &= ~((gradientLow * gradientLow < limit) & (gradientHigh * gradientHigh < limit));
    }
    lowOut = Clamp01(low);
    highOut = Clamp01(high);
}

LANE_INLINE AlphaRampLanes EncodeAlphaRampLanes(const PixelLanes& in)
{
    Floats quantised[16];
    Floats pending[16] = {};
    Floats minimum = in.a[0];
    Floats maximum = in.a[0];
    for (int i = 0; i < 16; ++i) {
        Floats value = in.a[i] + pending[i];
        Floats v = ToFloats(RoundedPosition(value * 255.0f, Splat(255.0f))) * dxt::kReciprocal255;
        quantised[i] = v;
        minimum = v < minimum ? v : minimum;
        maximum = v > maximum ? v : maximum;
        Diffuse(pending, i, value - v);
    }
    const Ints opaque = minimum == Splat(1.0f);
    const Ints six = (minimum == Splat(0.0f)) | (maximum == Splat(1.0f));
    const Floats last = six ? Splat(5.0f) : Splat(7.0f);
    const Ints lastPosition = six ? SplatInt(5) : SplatInt(7);

    Floats low, high;
    FitAlphaEndpoints(quantised, six, low, high);
    const Ints lowByte = RoundedPosition(low * 255.0f, Splat(255.0f));
    const Ints highByte = RoundedPosition(high * 255.0f, Splat(255.0f));
    const Ints equalEnds = ~six & (lowByte == highByte);
    const Ints alpha0 = six ? lowByte : highByte;
    const Ints alpha1 = six ? highByte : lowByte;

    const Floats p0 = ToFloats(alpha0) * dxt::kReciprocal255;
    const Floats p1 = ToFloats(alpha1) * dxt::kReciprocal255;
    const Ints flatRamp = p0 == p1;
    const Floats scale = flatRamp ? Splat(0.0f) : last / (flatRamp ? Splat(1.0f) : p1 - p0);
    const Floats zeroBelow = p0 * 0.5f;
    const Floats oneAbove = (p1 + 1.0f) * 0.5f;
    const Floats reciprocal = six ? Splat(dxt::kOneFifth) : Splat(dxt::kOneSeventh);

    Ints lowCodes = SplatInt(0);
    Ints highCodes = SplatInt(0);
    for (int i = 0; i < 16; ++i)
        pending[i] = Splat(0.0f);
    for (int i = 0; i < 16; ++i) {
        Floats value = in.a[i] + pending[i];
        Floats h = (value - p0) * scale;
        Ints position = RoundedPosition(h, last);
        Ints code = PositionCode(position, lastPosition);
        Ints toZero = six & (h <= Splat(0.0f)) & (value <= zeroBelow);
        Ints toOne = six & ~toZero & ((h >= last) | flatRamp) & (value >= oneAbove);
        code = toZero ? SplatInt(6) : toOne ? SplatInt(7) : code;
        // The decoder's palette entry for the code.
        Ints k = code - 1;
        Floats inner = (ToFloats(lastPosition - k) * p0 + ToFloats(k) * p1) * reciprocal;
        Floats chosen = code == SplatInt(0) ? p0 : code == SplatInt(1) ? p1 : inner;
        chosen = toZero ? Splat(0.0f) : toOne ? Splat(1.0f) : chosen;
        if (i < 8)
            lowCodes |= code << (3 * i);
        else
            highCodes |= code << (3 * (i - 8));
        Diffuse(pending, i, value - chosen);
    }

    AlphaRampLanes ramp;
    ramp.alpha0 = opaque ? SplatInt(255) : equalEnds ? lowByte : alpha0;
    ramp.alpha1 = opaque ? SplatInt(255) : equalEnds ? lowByte : alpha1;
    ramp.lowCodes = (opaque | equalEnds) ? SplatInt(0) : lowCodes;
    ramp.highCodes = (opaque | equalEnds) ? SplatInt(0) : highCodes;
    return ramp;
}

// --- blocks -----------------------------------------------------------------------------

LANE_INLINE void StoreColorHalf(BYTE* out, const ColorHalves& halves, int lane)
{
    StoreBytes(out, halves.color0[lane], 2);
    StoreBytes(out + 2, halves.color1[lane], 2);
    StoreBytes(out + 4, halves.codes[lane], 4);
}

// kLaneCount blocks from 16 x kLaneCount pixels into kLaneCount x blockBytes bytes.
template <BlockLayout layout>
void EncodeLaneBlocks(BYTE* out, const FloatColor* pixels, BlockAlpha alpha)
{
    PixelLanes lanes;
    Gather(lanes, pixels, alpha);
    if constexpr (layout == BlockLayout::ColorOnly) {
        const ColorHalves colors = EncodeColorLanes(lanes, ColorAlpha::OneBit);
        for (int lane = 0; lane < kLaneCount; ++lane)
            StoreColorHalf(out + 8 * lane, colors, lane);
    } else {
        const ColorHalves colors = EncodeColorLanes(lanes, ColorAlpha::Ignored);
        if constexpr (layout == BlockLayout::ExplicitAlpha) {
            const ExplicitAlpha nibbles = EncodeExplicitAlphaLanes(lanes);
            for (int lane = 0; lane < kLaneCount; ++lane) {
                StoreBytes(out + 16 * lane, nibbles.low[lane], 4);
                StoreBytes(out + 16 * lane + 4, nibbles.high[lane], 4);
            }
        } else {
            const AlphaRampLanes ramp = EncodeAlphaRampLanes(lanes);
            for (int lane = 0; lane < kLaneCount; ++lane) {
                BYTE* block = out + 16 * lane;
                block[0] = static_cast<BYTE>(ramp.alpha0[lane]);
                block[1] = static_cast<BYTE>(ramp.alpha1[lane]);
                StoreBytes(block + 2, ramp.lowCodes[lane], 3);
                StoreBytes(block + 5, ramp.highCodes[lane], 3);
            }
        }
        for (int lane = 0; lane < kLaneCount; ++lane)
            StoreColorHalf(out + 16 * lane + 8, colors, lane);
    }
}

constexpr bool HasColor(BlockLayout layout)
{
    return layout != BlockLayout::OneChannel && layout != BlockLayout::TwoChannels;
}

// The format's row of kBlockFormats that `wanted` accepts, or null. A loop
// over the table's data, compiled into this build.
template <class Wanted>
const BlockFormat* FindLaneFormat(D3DFORMAT format, Wanted wanted)
{
    for (const BlockFormat& row : kBlockFormats)
        if (row.format == format && wanted(row))
            return &row;
    return nullptr;
}

// encode(layout) with the layout as a compile-time constant (a
// std::integral_constant), so each layout gets its own compiled encoder;
// E_FAIL for a layout no lane kernel writes.
template <class Encode>
HRESULT WithLayout(BlockLayout layout, Encode encode)
{
    using Layout = BlockLayout;
    switch (layout) {
    case Layout::ColorOnly:
        return encode(std::integral_constant<Layout, Layout::ColorOnly>{});
    case Layout::ExplicitAlpha:
        return encode(std::integral_constant<Layout, Layout::ExplicitAlpha>{});
    case Layout::InterpolatedAlpha:
        return encode(std::integral_constant<Layout, Layout::InterpolatedAlpha>{});
    case Layout::OneChannel:
        return encode(std::integral_constant<Layout, Layout::OneChannel>{});
    case Layout::TwoChannels:
        return encode(std::integral_constant<Layout, Layout::TwoChannels>{});
    default:
        return E_FAIL;
    }
}

template <BlockLayout layout>
void EncodeRow(BYTE* out, const FloatColor* pixels, UINT count, BlockAlpha alpha)
{
    constexpr UINT blockBytes = LayoutBlockBytes(layout);
    UINT k = 0;
    for (; k + kLaneCount <= count; k += kLaneCount)
        EncodeLaneBlocks<layout>(out + std::size_t{k} * blockBytes, pixels + std::size_t{k} * 16, alpha);
    if (k < count) {
        // The last few blocks run in a full group: the spare lanes repeat
        // the last block, and only the real blocks are copied out.
        FloatColor spare[16 * kLaneCount];
        BYTE bytes[16 * kLaneCount];
        const UINT left = count - k;
        std::memcpy(spare, pixels + std::size_t{k} * 16, sizeof(FloatColor) * 16 * left);
        for (UINT lane = left; lane < kLaneCount; ++lane)
            std::memcpy(spare + 16 * lane, spare + 16 * (left - 1), sizeof(FloatColor) * 16);
        EncodeLaneBlocks<layout>(bytes, spare, alpha);
        std::memcpy(out + std::size_t{k} * blockBytes, bytes, std::size_t{left} * blockBytes);
    }
}

} // namespace

HRESULT EncodeBlocks(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, UINT count)
{
    const BlockFormat* row =
        FindLaneFormat(format, [](const BlockFormat& entry) { return entry.fixedEncoder != nullptr; });
    if (row == nullptr)
        return E_FAIL;
    return WithLayout(row->layout, [&](auto layout) -> HRESULT {
        // The fixed encoder writes the DXT colour half and its alpha halves.
        if constexpr (HasColor(layout)) {
            EncodeRow<layout>(pBlocks, pColors, count, row->alpha);
            return S_OK;
        }
        return E_FAIL;
    });
}

} // namespace BLOCK_LANES_NAMESPACE
