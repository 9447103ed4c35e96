// The BC7 search: which modes, partitions and rotations a level tries, and
// the block each of them gives (the fits are in bc7_fit.cpp).
//
// Partitions are ranked before any is fitted: for each one, the part of
// each subset's weighted spread that its principal axis leaves unexplained
// (a public estimation technique); only the best few are fitted, more at
// higher levels. A block of one colour goes to mode 5, whose 7-bit colour
// ends blended at weight 21/64 hit every 8-bit value, and whose 8-bit
// alpha ends are exact.
#include "r3az8/tex/bptc/bc7_encode.h"
#include "r3az8/tex/dxt/no_fused_multiply_add.h"

#include "r3az8/tex/bptc/bc7_fit.h"
#include "r3az8/tex/bptc/bc7_lanes.h"
#include "r3az8/tex/bptc/bc7_layout.h"
#include "r3az8/tex/bptc/bptc_block.h"
#include "r3az8/tex/bptc/partitions.h"
#include "r3az8/tex/numbers/unit_steps.h"
#include "r3az8/tex/pixel_formats.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <utility>

namespace bptc {
namespace {

// Shares of brightness (ITU-R BT.601 luma), as the DXT encoder weighs them.
constexpr float kPerceptualWeights[4] = {0.299f, 0.587f, 0.114f, 1.0f};
constexpr float kUniformWeights[4] = {1.0f, 1.0f, 1.0f, 1.0f};

// How far one candidate's fit goes.
struct FitDepth {
    unsigned refinements; // rounds of least-squares ends
    bool everyPBit;       // fit under every choice of p-bits
    unsigned polish;      // passes of the search around the quantised ends
    bool checkNeighbour;  // indices checked against the entry beside the projection's
    float inset;          // share of the spread each first end is moved inward
    float settled;        // RMS error (0..255 a channel) under which no least-squares round is made
};

// What a level tries. Every candidate is fitted to `estimate` depth; the
// best `finalists` are fitted again to `final` depth.
struct LevelPlan {
    unsigned modes;            // bit m: mode m
    unsigned alphaModes;       // bit m: mode m, added for blocks with alpha
    unsigned twoSubsetRanked;  // the first partitions of the table that are ranked
    unsigned twoSubsetTries;   // partitions of modes 1, 3 and 7 fitted
    unsigned threeSubsetTries; // partitions of modes 0 and 2 fitted
    bool everyRotation;        // modes 4 and 5 on blocks with alpha
    float closeEnough;         // RMS error (0..255 a channel) at which one subset will do
    FitDepth estimate;
    unsigned finalists;
    FitDepth final;
};

constexpr unsigned kMostFinalists = 4;

// How far Fast and Normal move the principal axis's ends inward: a share
// of their distance, each. High, which searches around its ends, keeps
// them where they lie.
constexpr float kInset = 0.015f;

// The share of a partition's score (what its lines leave unexplained)
// below which no fit of it is expected to come: the palette lies on the
// line only to within rounding.
constexpr float kScoreShare = 0.7f;

// Fast: modes 6 and 1 (with 5 and 7 for alpha: mode 4's narrower colour
// ends cost more RGB than its alpha gains), one shape of the 16 ranked,
// partitions only above 3 RMS, and no least-squares round for a subset
// already under 3 RMS. Normal: modes 0, 1, 3 and 6 (4, 5 and 7 for
// alpha) with every rotation, two two-subset shapes and one three-subset
// shape where one subset leaves 2 RMS, least squares above 2 RMS; the
// winner refitted with more rounds and the search around its ends where
// it is above 1.5 RMS. High: every mode, sixteen and eight shapes, its
// three best fully.
constexpr LevelPlan kPlans[3] = {
    {0x42u, 0xA0u, 16, 1, 0, false, 3.0f, {1, false, 0, false, kInset, 3.0f}, 0, {1, false, 0, true, kInset, 3.0f}},
    {0x4Bu, 0xB0u, 64, 2, 1, true, 2.0f, {1, false, 0, false, kInset, 2.0f}, 1, {2, false, 1, true, kInset, 1.5f}},
    {0xFFu, 0x00u, 64, 16, 8, true, 0.0f, {1, false, 0, true, 0.0f, 0.0f}, 3, {3, true, 3, true, 0.0f, 0.0f}}};

const LevelPlan& PlanOf(BlockQuality quality)
{
    return kPlans[quality == BlockQuality::Fast ? 0 : quality == BlockQuality::Normal ? 1 : 2];
}

// 7-bit ends (a, b) whose blend at weight 21 is each 8-bit value.
struct SingleColorEnds {
    std::array<std::uint8_t, 256> low;
    std::array<std::uint8_t, 256> high;
};

// Every pair of ends visited once: each 8-bit value keeps the first pair
// of closest ends that blends to it exactly.
SingleColorEnds MakeSingleColorEnds()
{
    SingleColorEnds ends{};
    int bestDistance[256];
    for (int& d : bestDistance)
        d = 1 << 20;
    for (int a = 0; a < 128; ++a)
        for (int b = 0; b < 128; ++b) {
            const int ea = (a << 1) | (a >> 6);
            const int eb = (b << 1) | (b >> 6);
            const int blend = ((64 - 21) * ea + 21 * eb + 32) >> 6;
            const int distance = (a - b) * (a - b);
            if (distance < bestDistance[blend]) {
                bestDistance[blend] = distance;
                ends.low[blend] = static_cast<std::uint8_t>(a);
                ends.high[blend] = static_cast<std::uint8_t>(b);
            }
        }
    return ends;
}

const SingleColorEnds& SingleColorTable()
{
    static const SingleColorEnds table = MakeSingleColorEnds();
    return table;
}

struct Context {
    Bc7Pixels pixels;
    bool opaque = true;
    float missingAlphaError = 0.0f; // what modes 0 to 3, alpha 255, cost
};

// A block and its error; the colours it decodes to are the decoder's to
// tell (EncodeBlockBC7 decodes the winner when they are asked for).
struct Candidate {
    Bc7Block block;
    float error = 1e30f;
};

int RoundByte(float v) { return static_cast<int>(v + 0.5f); }

Context MakeContext(const FloatColor* colors, const BYTE* covered, const float* weights)
{
    Context context;
    Bc7Pixels& px = context.pixels;
    for (unsigned c = 0; c < 4; ++c)
        px.weight[c] = weights[c];
    float in[4][16];
    for (unsigned i = 0; i < 16; ++i) {
        const float* from = &colors[i].r;
        for (unsigned c = 0; c < 4; ++c)
            in[c][i] = from[c];
        px.covered[i] = covered == nullptr || covered[i] ? 1.0f : 0.0f;
    }
    // To 0..255; NaN and everything below 0 read as 0.
    const Lanes zero = Lanes::All(0.0f), one = Lanes::All(1.0f), top = Lanes::All(255.0f);
    for (unsigned c = 0; c < 4; ++c) {
        const Lanes v = Lanes::Load(in[c]);
        SelectLess(zero, v, SelectLess(v, one, v * 255.0f, top), zero).Store(px.value[c]);
    }
    // Opaque when every covered alpha rounds to 255 (at most 255.5 after
    // the half is added, so truncation gives 255 from 255 on).
    const Lanes lifted = Lanes::Load(px.value[3]) + 0.5f;
    context.opaque = Sum(SelectLess(lifted, top, Lanes::Load(px.covered), zero)) == 0.0f;
    // An opaque block is fitted as exactly opaque, and modes without
    // alpha lose nothing on it.
    if (context.opaque) {
        top.Store(px.value[3]);
        return context;
    }
    for (unsigned i = 0; i < 16; ++i) {
        const float e = 255.0f - px.value[3][i];
        context.missingAlphaError += px.covered[i] * px.weight[3] * e * e;
    }
    return context;
}

float WeightSum(const Context& context)
{
    return (context.pixels.weight[0] + context.pixels.weight[1]) +
           (context.pixels.weight[2] + context.pixels.weight[3]);
}

float ErrorOf(const Context& context, const int (*decoded)[4])
{
    float total = 0.0f;
    for (unsigned i = 0; i < 16; ++i)
        for (unsigned c = 0; c < 4; ++c) {
            const float e = static_cast<float>(decoded[i][c]) - context.pixels.value[c][i];
            total += context.pixels.covered[i] * context.pixels.weight[c] * e * e;
        }
    return total;
}

// The pixels of each subset of a partition, in order, and its anchors.
struct PartitionShape {
    std::uint8_t count[3];
    std::uint8_t anchor[3];
    std::uint8_t pixels[3][16];
};

struct PartitionShapes {
    PartitionShape of[3][64]; // [subsets - 1][partition]; one subset has partition 0 only
};

const PartitionShape& ShapeOf(unsigned subsets, unsigned partition)
{
    static const PartitionShapes shapes = [] {
        PartitionShapes t{};
        for (unsigned n = 1; n <= 3; ++n)
            for (unsigned k = 0; k < (n == 1 ? 1u : 64u); ++k) {
                PartitionShape& shape = t.of[n - 1][k];
                for (unsigned p = 0; p < 16; ++p) {
                    const unsigned s = SubsetOf(n, k, p);
                    shape.pixels[s][shape.count[s]++] = static_cast<std::uint8_t>(p);
                }
                for (unsigned s = 0; s < n; ++s)
                    shape.anchor[s] = static_cast<std::uint8_t>(AnchorOf(n, k, s));
            }
        return t;
    }();
    return shapes.of[subsets - 1][partition];
}

// Swaps a set's ends and mirrors its indices when the anchor's index has
// its top bit set; the blend of mirrored weights (64 - w) is the same.
void FixAnchor(unsigned* index, unsigned bits, unsigned anchor, const bool* member, unsigned (*raw)[4], unsigned* pBit,
               unsigned firstChannel, unsigned lastChannel)
{
    const unsigned top = (1u << bits) - 1;
    if (index[anchor] <= top / 2)
        return;
    for (unsigned c = firstChannel; c < lastChannel; ++c)
        std::swap(raw[0][c], raw[1][c]);
    if (pBit != nullptr)
        std::swap(pBit[0], pBit[1]);
    for (unsigned p = 0; p < 16; ++p)
        if (member[p])
            index[p] = top - index[p];
}

// Modes with one index set for every channel: 0, 1, 2, 3, 6 and 7.
// Stops after a subset once the error reaches `toBeat`: the block is then
// one the search would throw away, and its remaining subsets are not fitted.
Candidate EncodePartitioned(const Context& context, unsigned mode, unsigned partition, const FitDepth& depth,
                            float toBeat = 1e30f)
{
    const Bc7ModeLayout& m = kBc7Modes[mode];
    const PartitionShape& shape = ShapeOf(m.subsets, partition);
    Candidate out;
    Bc7Block& block = out.block;
    block.mode = mode;
    block.partition = partition;
    out.error = m.alphaBits ? 0.0f : context.missingAlphaError;
    SubsetProblem problem;
    problem.channels = m.alphaBits ? 4 : 3;
    problem.bits[0] = problem.bits[1] = problem.bits[2] = m.colorBits;
    problem.bits[3] = m.alphaBits;
    problem.pBits = m.pBits;
    problem.indexBits = m.indexBits;
    problem.opaqueAlpha = context.opaque && m.alphaBits != 0;
    problem.refinements = depth.refinements;
    problem.everyPBit = depth.everyPBit;
    problem.polish = depth.polish;
    problem.checkNeighbour = depth.checkNeighbour;
    problem.inset = depth.inset;
    for (unsigned s = 0; s < m.subsets; ++s) {
        if (out.error >= toBeat)
            break;
        problem.count = shape.count[s];
        problem.goodEnough = depth.settled * depth.settled * WeightSum(context) * static_cast<float>(problem.count);
        for (unsigned i = 0; i < problem.count; ++i)
            problem.pixels[i] = shape.pixels[s][i];
        SubsetFit fit = FitSubset(context.pixels, problem);
        out.error += fit.error;
        bool member[16] = {};
        for (unsigned i = 0; i < problem.count; ++i) {
            const unsigned p = problem.pixels[i];
            block.colorIndex[p] = fit.index[p];
            member[p] = true;
        }
        FixAnchor(block.colorIndex, m.indexBits, shape.anchor[s], member, fit.raw, fit.pBit, 0, 4);
        for (unsigned end = 0; end < 2; ++end) {
            for (unsigned c = 0; c < 4; ++c)
                block.raw[2 * s + end][c] = fit.raw[end][c];
            block.pBit[2 * s + end] = fit.pBit[end];
        }
    }
    return out;
}

// Modes 4 and 5: colour and alpha fitted apart, after the rotation
// exchanged alpha with one colour channel.
Candidate EncodeRotated(const Context& context, unsigned mode, unsigned rotation, unsigned selector,
                        const FitDepth& depth, float toBeat = 1e30f)
{
    const Bc7ModeLayout& m = kBc7Modes[mode];
    Bc7Pixels rotated = context.pixels;
    if (rotation != 0)
        for (unsigned p = 0; p < 16; ++p)
            std::swap(rotated.value[3][p], rotated.value[rotation - 1][p]);
    if (rotation != 0)
        std::swap(rotated.weight[3], rotated.weight[rotation - 1]);

    Candidate out;
    Bc7Block& block = out.block;
    block.mode = mode;
    block.rotation = rotation;
    block.selector = selector;
    const unsigned colorIndexBits = selector ? m.secondIndexBits : m.indexBits;
    const unsigned alphaIndexBits = selector ? m.indexBits : m.secondIndexBits;
    const bool everyPixel[16] = {true, true, true, true, true, true, true, true,
                                 true, true, true, true, true, true, true, true};

    SubsetProblem problem;
    problem.count = 16;
    for (unsigned p = 0; p < 16; ++p)
        problem.pixels[p] = p;
    problem.bits[0] = problem.bits[1] = problem.bits[2] = m.colorBits;
    problem.bits[3] = m.alphaBits;
    problem.refinements = depth.refinements;
    problem.polish = depth.polish;
    problem.checkNeighbour = depth.checkNeighbour;
    problem.inset = depth.inset;

    problem.indexBits = colorIndexBits;
    SubsetFit color = FitSubset(rotated, problem);
    if (color.error >= toBeat) { // a block the search would throw away
        out.error = color.error;
        return out;
    }
    problem.firstChannel = 3;
    problem.channels = 1;
    problem.indexBits = alphaIndexBits;
    problem.opaqueAlpha = context.opaque; // only rotation 0 is tried then
    SubsetFit alpha = FitSubset(rotated, problem);
    out.error = color.error + alpha.error;

    for (unsigned p = 0; p < 16; ++p) {
        block.colorIndex[p] = color.index[p];
        block.alphaIndex[p] = alpha.index[p];
    }
    FixAnchor(block.colorIndex, colorIndexBits, 0, everyPixel, color.raw, nullptr, 0, 3);
    FixAnchor(block.alphaIndex, alphaIndexBits, 0, everyPixel, alpha.raw, nullptr, 3, 4);
    for (unsigned end = 0; end < 2; ++end) {
        for (unsigned c = 0; c < 3; ++c)
            block.raw[end][c] = color.raw[end][c];
        block.raw[end][3] = alpha.raw[end][3];
    }
    return out;
}

// Mode 5 with every covered pixel at one colour: exact.
bool EncodeSingleColor(const Context& context, Candidate& out)
{
    int color[4] = {};
    bool seen = false;
    for (unsigned p = 0; p < 16; ++p) {
        if (context.pixels.covered[p] == 0.0f)
            continue;
        for (unsigned c = 0; c < 4; ++c) {
            const int v = RoundByte(context.pixels.value[c][p]);
            if (seen && v != color[c])
                return false;
            color[c] = v;
        }
        seen = true;
    }
    const SingleColorEnds& ends = SingleColorTable();
    Bc7Block& block = out.block;
    block = Bc7Block{};
    block.mode = 5;
    for (unsigned c = 0; c < 3; ++c) {
        block.raw[0][c] = ends.low[color[c]];
        block.raw[1][c] = ends.high[color[c]];
    }
    block.raw[0][3] = block.raw[1][3] = static_cast<unsigned>(color[3]);
    int decoded[16][4];
    for (unsigned p = 0; p < 16; ++p) {
        block.colorIndex[p] = 1;
        for (unsigned c = 0; c < 3; ++c)
            decoded[p][c] = Interpolate(ExpandBc7(block.raw[0][c], 7), ExpandBc7(block.raw[1][c], 7), 21);
        decoded[p][3] = color[3];
    }
    out.error = ErrorOf(context, decoded);
    return true;
}

// A subset's count, sums of values and sums of products of values (the
// upper triangle), from which its spread follows; channels scaled by the
// square roots of their weights. Opaque blocks leave alpha out.
template <unsigned Channels>
struct MomentLayout {
    static constexpr unsigned kSize = 1 + Channels + Channels * (Channels + 1) / 2;
    static constexpr unsigned ProductOf(unsigned a, unsigned b)
    {
        // Row a of the upper triangle starts after the rows above it.
        const unsigned low = a < b ? a : b, high = a < b ? b : a;
        return 1 + Channels + low * Channels - low * (low - 1) / 2 + (high - low);
    }
};

// Every partition's subsets summed, moment by moment, partitions side by
// side: the spreads below are then worked out for many partitions at once.
template <unsigned Channels, unsigned Subsets>
struct PartitionMoments {
    float of[Subsets][MomentLayout<Channels>::kSize][64]; // [subset][moment][partition]
};

template <unsigned Channels, unsigned Subsets>
void SumPartitions(const Context& context, unsigned partitions, PartitionMoments<Channels, Subsets>& sums)
{
    using Layout = MomentLayout<Channels>;
    constexpr unsigned kSize = Layout::kSize;
    // A pixel's moments fill one row of 16 lanes (15 at most are used), so
    // that a subset's sums are vector adds, moment by moment in the same
    // order as one at a time.
    static_assert(kSize <= 16);
    float pixel[16][16] = {};
    for (unsigned p = 0; p < 16; ++p) {
        const float w = context.pixels.covered[p];
        float v[Channels];
        for (unsigned c = 0; c < Channels; ++c)
            v[c] = context.pixels.value[c][p] * std::sqrt(context.pixels.weight[c]);
        float* m = pixel[p];
        m[0] = w;
        for (unsigned a = 0; a < Channels; ++a) {
            m[1 + a] = w * v[a];
            for (unsigned b = a; b < Channels; ++b)
                m[Layout::ProductOf(a, b)] = w * v[a] * v[b];
        }
    }
    Lanes total = Lanes::All(0.0f);
    for (unsigned p = 0; p < 16; ++p)
        total = total + Lanes::Load(pixel[p]);
    for (unsigned partition = 0; partition < partitions; ++partition) {
        const PartitionShape& shape = ShapeOf(Subsets, partition);
        Lanes rest = total;
        float out[16];
        for (unsigned s = 1; s < Subsets; ++s) {
            Lanes sum = Lanes::All(0.0f);
            for (unsigned i = 0; i < shape.count[s]; ++i)
                sum = sum + Lanes::Load(pixel[shape.pixels[s][i]]);
            // Subset 0 is what the others leave of the whole block.
            sum.Store(out);
            for (unsigned k = 0; k < kSize; ++k)
                sums.of[s][k][partition] = out[k];
            rest = rest - sum;
        }
        rest.Store(out);
        for (unsigned k = 0; k < kSize; ++k)
            sums.of[0][k][partition] = out[k];
    }
}

// Adds to each partition's score the part of subset `s`'s weighted spread
// that its principal axis leaves out: the covariance's trace less its
// largest eigenvalue, that from two rounds of power iteration from the row
// of the widest channel (|C C a| / |C a|); and to `along` that eigenvalue.
template <unsigned Channels, unsigned Subsets>
void AddUnexplainedSpread(const PartitionMoments<Channels, Subsets>& sums, unsigned s, unsigned partitions,
                          float* score, float* along)
{
    using Layout = MomentLayout<Channels>;
    const auto& m = sums.of[s];
    const Lanes zero = Lanes::All(0.0f), tiny = Lanes::All(1e-30f);
    // Sixteen partitions at a time, one to a lane (16 and 64 are ranked).
    for (unsigned k = 0; k < partitions; k += 16) {
        const Lanes count = Lanes::Load(&m[0][k]);
        const Lanes inverse = SelectLess(zero, count, Lanes::All(1.0f) / Max(count, tiny), zero);
        Lanes cov[Channels][Channels];
        for (unsigned a = 0; a < Channels; ++a)
            for (unsigned b = a; b < Channels; ++b)
                cov[a][b] = cov[b][a] = Lanes::Load(&m[Layout::ProductOf(a, b)][k]) -
                                        Lanes::Load(&m[1 + a][k]) * Lanes::Load(&m[1 + b][k]) * inverse;
        Lanes trace = cov[0][0];
        for (unsigned c = 1; c < Channels; ++c)
            trace = trace + cov[c][c];
        Lanes axis[Channels];
        Lanes widest = cov[0][0];
        for (unsigned c = 0; c < Channels; ++c)
            axis[c] = cov[0][c];
        for (unsigned r = 1; r < Channels; ++r) {
            for (unsigned c = 0; c < Channels; ++c)
                axis[c] = SelectLess(widest, cov[r][r], cov[r][c], axis[c]);
            widest = SelectLess(widest, cov[r][r], cov[r][r], widest);
        }
        Lanes once[Channels], twice[Channels];
        for (unsigned a = 0; a < Channels; ++a) {
            once[a] = cov[a][0] * axis[0];
            for (unsigned c = 1; c < Channels; ++c)
                once[a] = once[a] + cov[a][c] * axis[c];
        }
        for (unsigned a = 0; a < Channels; ++a) {
            twice[a] = cov[a][0] * once[0];
            for (unsigned c = 1; c < Channels; ++c)
                twice[a] = twice[a] + cov[a][c] * once[c];
        }
        Lanes onceLength = once[0] * once[0], twiceLength = twice[0] * twice[0];
        for (unsigned c = 1; c < Channels; ++c) {
            onceLength = onceLength + once[c] * once[c];
            twiceLength = twiceLength + twice[c] * twice[c];
        }
        const Lanes ratio = twiceLength / Max(onceLength, tiny);
        float root[16];
        for (unsigned i = 0; i < 16; ++i)
            root[i] = std::sqrt(ratio[i]);
        const Lanes largest = SelectLess(zero, onceLength, Lanes::Load(root), trace);
        const Lanes rest = Max(trace - largest, zero);
        (Lanes::Load(score + k) + rest).Store(score + k);
        (Lanes::Load(along + k) + Min(largest, trace)).Store(along + k);
    }
}

template <unsigned Channels, unsigned Subsets>
void ScorePartitions(const Context& context, unsigned partitions, float* score, float* along)
{
    PartitionMoments<Channels, Subsets> sums;
    SumPartitions(context, partitions, sums);
    for (unsigned s = 0; s < Subsets; ++s)
        AddUnexplainedSpread(sums, s, partitions, score, along);
}

// Each of the first `partitions` of the table for `subsets`: how far its
// subsets lie from a line each. A score is what the lines themselves
// leave unexplained, so no block of that partition does much better: a
// fit whose score already loses need not be made. `along` is the spread
// along the lines.
void ScoreAll(const Context& context, unsigned subsets, unsigned partitions, float* score, float* along)
{
    for (unsigned k = 0; k < partitions; ++k)
        score[k] = along[k] = 0.0f;
    if (subsets == 2)
        (context.opaque ? ScorePartitions<3, 2> : ScorePartitions<4, 2>)(context, partitions, score, along);
    else
        (context.opaque ? ScorePartitions<3, 3> : ScorePartitions<4, 3>)(context, partitions, score, along);
}

// The `tries` best scored of the first `partitions`, best first (ties to
// the earlier partition).
unsigned BestPartitions(const float* score, unsigned partitions, unsigned tries, unsigned* ranked)
{
    const unsigned kept = tries < partitions ? tries : partitions;
    unsigned order[64];
    for (unsigned k = 0; k < partitions; ++k)
        order[k] = k;
    std::partial_sort(order, order + kept, order + partitions,
                      [&](unsigned a, unsigned b) { return score[a] < score[b] || (score[a] == score[b] && a < b); });
    for (unsigned i = 0; i < kept; ++i)
        ranked[i] = order[i];
    return kept;
}

// For each rotation of modes 4 and 5: the spread the three channels fitted
// together leave off their principal axis, the spread along it, and the
// spread of the channel fitted alone (all weighted, over the block).
struct RotationSpread {
    float off = 0.0f, along = 0.0f, alone = 0.0f;
};

RotationSpread SpreadOfRotations(const Context& context, RotationSpread* spread)
{
    float mean[4], cov[4][4];
    Lanes d[4];
    const Lanes covered = Lanes::Load(context.pixels.covered);
    const float total = Sum(covered);
    for (unsigned c = 0; c < 4; ++c) {
        const Lanes x = Lanes::Load(context.pixels.value[c]);
        mean[c] = total > 0.0f ? Sum(x * covered) / total : 0.0f;
        d[c] = (x - mean[c]) * std::sqrt(context.pixels.weight[c]) * covered;
    }
    for (unsigned a = 0; a < 4; ++a)
        for (unsigned b = a; b < 4; ++b)
            cov[a][b] = cov[b][a] = Sum(d[a] * d[b]);
    for (unsigned rotation = 0; rotation < 4; ++rotation) {
        // Rotation r swaps alpha with channel r - 1: that one is alone.
        const unsigned alone = rotation == 0 ? 3 : rotation - 1;
        unsigned ch[3], n = 0;
        for (unsigned c = 0; c < 4; ++c)
            if (c != alone)
                ch[n++] = c;
        float trace = 0.0f;
        unsigned widest = 0;
        for (unsigned i = 0; i < 3; ++i) {
            trace += cov[ch[i]][ch[i]];
            widest = cov[ch[i]][ch[i]] > cov[ch[widest]][ch[widest]] ? i : widest;
        }
        float once[3], twice[3], onceLength = 0.0f, twiceLength = 0.0f;
        for (unsigned i = 0; i < 3; ++i)
            once[i] = (cov[ch[i]][ch[0]] * cov[ch[widest]][ch[0]] + cov[ch[i]][ch[1]] * cov[ch[widest]][ch[1]]) +
                      cov[ch[i]][ch[2]] * cov[ch[widest]][ch[2]];
        for (unsigned i = 0; i < 3; ++i) {
            twice[i] = (cov[ch[i]][ch[0]] * once[0] + cov[ch[i]][ch[1]] * once[1]) + cov[ch[i]][ch[2]] * once[2];
            onceLength += once[i] * once[i];
            twiceLength += twice[i] * twice[i];
        }
        const float largest = onceLength > 0.0f ? std::sqrt(twiceLength / onceLength) : trace;
        spread[rotation].along = largest < trace ? largest : trace;
        spread[rotation].off = trace - spread[rotation].along;
        spread[rotation].alone = cov[alone][alone];
    }
    return spread[0];
}

void Keep(Candidate& best, const Candidate& candidate)
{
    if (candidate.error < best.error)
        best = candidate;
}

// The few best blocks met so far, best first, by their choices alone.
class Finalists {
public:
    void Offer(const Candidate& candidate)
    {
        unsigned at = count_;
        while (at > 0 && candidate.error < errors_[at - 1])
            --at;
        if (at == kMostFinalists)
            return;
        for (unsigned i = count_ < kMostFinalists ? count_ : kMostFinalists - 1; i > at; --i) {
            blocks_[i] = blocks_[i - 1];
            errors_[i] = errors_[i - 1];
        }
        blocks_[at] = candidate.block;
        errors_[at] = candidate.error;
        count_ = count_ < kMostFinalists ? count_ + 1 : count_;
    }
    unsigned Count() const { return count_; }
    // The error a block must stay under to change the best `used`
    // finalists (or, with `used` at most 1, the best block).
    float ToBeat(unsigned used) const
    {
        if (used <= 1)
            return count_ > 0 ? errors_[0] : 1e30f;
        return count_ == kMostFinalists ? errors_[kMostFinalists - 1] : 1e30f;
    }
    const Bc7Block& operator[](unsigned i) const { return blocks_[i]; }

private:
    Bc7Block blocks_[kMostFinalists];
    float errors_[kMostFinalists] = {};
    unsigned count_ = 0;
};

Candidate Search(const Context& context, const LevelPlan& plan, int onlyMode)
{
    Candidate best;
    if (onlyMode < 0 && EncodeSingleColor(context, best))
        return best;
    // With one finalist or none, the best block so far is all there is to
    // keep.
    std::optional<Finalists> finalists;
    if (plan.finalists > 1)
        finalists.emplace();
    const FitDepth& depth = plan.estimate;
    auto keep = [&](const Candidate& candidate) {
        if (finalists)
            finalists->Offer(candidate);
        Keep(best, candidate);
    };
    auto toBeat = [&] { return finalists ? finalists->ToBeat(plan.finalists) : best.error; };
    const unsigned modes = onlyMode >= 0 ? 1u << onlyMode : plan.modes | (context.opaque ? 0u : plan.alphaModes);
    const bool wants[8] = {(modes & 1u) != 0,  (modes & 2u) != 0,  (modes & 4u) != 0,  (modes & 8u) != 0,
                           (modes & 16u) != 0, (modes & 32u) != 0, (modes & 64u) != 0, (modes & 128u) != 0};
    // With a mode forced, its partitions are searched as at High.
    const LevelPlan& reach = onlyMode >= 0 ? kPlans[2] : plan;

    if (wants[6])
        keep(EncodePartitioned(context, 6, 0, depth));
    // Partitioned modes only where one subset leaves a visible error.
    float covered = 0.0f, weights = 0.0f;
    for (unsigned p = 0; p < 16; ++p)
        covered += context.pixels.covered[p];
    for (unsigned c = 0; c < 4; ++c)
        weights += context.pixels.weight[c];
    if (best.error == 0.0f)
        return best;
    const bool partitioned = onlyMode >= 0 || best.error > plan.closeEnough * plan.closeEnough * weights * covered;
    unsigned ranked[64];
    float score[64], along[64];
    // The error a partition's fit in `mode` is expected to reach at best:
    // what its lines leave out, the spread along them cut into the mode's
    // index steps (uniform rounding leaves a twelfth of a step squared,
    // about the spread over (entries - 1)^2), and for a mode without alpha,
    // the alpha it loses.
    auto floorOf = [&](unsigned mode, unsigned partition) {
        const float steps = static_cast<float>((1u << kBc7Modes[mode].indexBits) - 1);
        const float lines = score[partition] + along[partition] / (steps * steps);
        return onlyMode >= 0 ? 0.0f
                             : lines * kScoreShare + (kBc7Modes[mode].alphaBits ? 0.0f : context.missingAlphaError);
    };
    if (partitioned && (wants[1] || wants[3] || wants[7])) {
        ScoreAll(context, 2, reach.twoSubsetRanked, score, along);
        const unsigned kept = BestPartitions(score, reach.twoSubsetRanked, reach.twoSubsetTries, ranked);
        for (unsigned i = 0; i < kept; ++i)
            for (unsigned mode : {1u, 3u, 7u})
                if (wants[mode] && (mode != 7 || !context.opaque || onlyMode == 7) &&
                    floorOf(mode, ranked[i]) < toBeat())
                    keep(EncodePartitioned(context, mode, ranked[i], depth, toBeat()));
    }
    // Modes 4 and 5 after the partitions: a good block met there cuts
    // their fits short.
    if (wants[5] || wants[4]) {
        const unsigned rotations = context.opaque || !plan.everyRotation ? 1 : 4;
        RotationSpread spread[4];
        if (onlyMode < 0)
            spread[0] = SpreadOfRotations(context, spread);
        // As for partitions: the error each choice is expected to reach at
        // best, the three-channel part's line and index steps and the
        // lone channel's index steps.
        auto floorOfRotation = [&](unsigned mode, unsigned rotation, unsigned selector) {
            if (onlyMode >= 0)
                return 0.0f;
            const Bc7ModeLayout& m = kBc7Modes[mode];
            const float colorSteps = static_cast<float>((1u << (selector ? m.secondIndexBits : m.indexBits)) - 1);
            const float aloneSteps = static_cast<float>(
                (1u << (selector ? m.indexBits : (m.secondIndexBits ? m.secondIndexBits : m.indexBits))) - 1);
            const RotationSpread& r = spread[rotation];
            return kScoreShare * (r.off + r.along / (colorSteps * colorSteps) + r.alone / (aloneSteps * aloneSteps));
        };
        for (unsigned rotation = 0; rotation < rotations; ++rotation) {
            if (wants[5] && floorOfRotation(5, rotation, 0) < toBeat())
                keep(EncodeRotated(context, 5, rotation, 0, depth, toBeat()));
            if (wants[4])
                for (unsigned selector = 0; selector < 2; ++selector)
                    if (floorOfRotation(4, rotation, selector) < toBeat())
                        keep(EncodeRotated(context, 4, rotation, selector, depth, toBeat()));
        }
    }
    if (partitioned && (wants[0] || wants[2])) {
        // Mode 0 has the first 16 partitions of mode 2's 64: one scoring
        // serves both.
        ScoreAll(context, 3, wants[2] ? 64 : 16, score, along);
        for (unsigned mode : {0u, 2u}) {
            if (!wants[mode])
                continue;
            // Shapes whose score already loses do not count as tries.
            const unsigned kept =
                BestPartitions(score, 1u << kBc7Modes[mode].partitionBits, 2 * reach.threeSubsetTries, ranked);
            unsigned tried = 0;
            for (unsigned i = 0; i < kept && tried < reach.threeSubsetTries; ++i)
                if (floorOf(mode, ranked[i]) < toBeat()) {
                    keep(EncodePartitioned(context, mode, ranked[i], depth, toBeat()));
                    ++tried;
                }
        }
    }
    // The finalists alone are fitted to the full depth.
    auto refit = [&](const Bc7Block& b) {
        Keep(best, b.mode == 4 || b.mode == 5
                       ? EncodeRotated(context, b.mode, b.rotation, b.selector, plan.final, best.error)
                       : EncodePartitioned(context, b.mode, b.partition, plan.final, best.error));
    };
    if (finalists) {
        for (unsigned i = 0; i < plan.finalists && i < finalists->Count() && best.error > 0.0f; ++i)
            refit((*finalists)[i]);
    } else if (plan.finalists == 1 && best.error > 0.0f) {
        const Bc7Block winner = best.block;
        refit(winner);
    }
    return best;
}

} // namespace

float EncodeBlockBC7(BYTE* block, const FloatColor* pixels, const BYTE* covered, const Bc7Request& request,
                     FloatColor* predicted)
{
    const Context context = MakeContext(
        pixels, covered, request.weighting == ColorWeighting::Uniform ? kUniformWeights : kPerceptualWeights);
    const int onlyMode = request.onlyMode >= 0 && request.onlyMode < 8 ? request.onlyMode : -1;
    const Candidate best = Search(context, PlanOf(request.quality), onlyMode);
    WriteBc7Block(best.block, block);
    if (predicted != nullptr)
        DecodeBlockBC7(predicted, block);
    return best.error;
}

} // namespace bptc

HRESULT EncodeQualityBlocksBC7(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, const BYTE* pCovered,
                               UINT count, const QualityOptions& options)
{
    if (format != FMT_BC7)
        return E_FAIL;
    bptc::Bc7Request request;
    request.quality = options.quality;
    request.weighting = options.weighting;
    for (UINT k = 0; k < count; ++k)
        bptc::EncodeBlockBC7(pBlocks + std::size_t{k} * 16, pColors + std::size_t{k} * 16,
                             pCovered != nullptr ? pCovered + std::size_t{k} * 16 : nullptr, request, nullptr);
    return S_OK;
}

HRESULT EncodeBlocksBC7(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, UINT count)
{
    QualityOptions options;
    options.quality = BlockQuality::Fast;
    return EncodeQualityBlocksBC7(format, pBlocks, pColors, nullptr, count, options);
}
