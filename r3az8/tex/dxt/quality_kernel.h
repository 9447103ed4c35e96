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
//
// The parts, in order: quality_color_fit.h, quality_cluster_fit.h,
// quality_color_kernel.h, quality_ramp_kernel.h; this file lays the halves
// out in blocks for each format.

#ifndef BLOCK_LANES_WIDTH
#error "include block_lanes_kernel.h before quality_kernel.h"
#endif

#include "r3az8/tex/dxt/quality.h"
#include "r3az8/tex/dxt/single_color.h"

#include <initializer_list>

#include "r3az8/tex/dxt/quality_color_fit.h"
#include "r3az8/tex/dxt/quality_cluster_fit.h"
#include "r3az8/tex/dxt/quality_color_kernel.h"
#include "r3az8/tex/dxt/quality_ramp_kernel.h"

namespace BLOCK_LANES_NAMESPACE {

namespace {

// One group of lanes up to the cluster fit: the alpha or channel halves
// whole, the colour half as far as `fit`.
template <BlockLayout layout>
void StartQualityLaneBlocks(BYTE* out, ColorFit& fit, const FloatColor* pixels, const BYTE* covered, BlockAlpha alpha,
                            const QualityParams& q)
{
    constexpr UINT blockBytes = LayoutBlockBytes(layout);
    PixelLanes lanes;
    Gather(lanes, pixels, alpha);
    Floats weight[16];
    for (int i = 0; i < 16; ++i)
        for (int lane = 0; lane < kLaneCount; ++lane)
            weight[i][lane] = covered == nullptr || covered[16 * lane + i] ? 1.0f : 0.0f;

    if constexpr (!HasColor(layout)) {
        const RampResult red = EncodeQualityRamp(lanes.r, weight, q);
        for (int lane = 0; lane < kLaneCount; ++lane)
            StoreRamp(out + blockBytes * lane, red, lane);
        if constexpr (layout == BlockLayout::TwoChannels) {
            const RampResult green = EncodeQualityRamp(lanes.g, weight, q);
            for (int lane = 0; lane < kLaneCount; ++lane)
                StoreRamp(out + blockBytes * lane + 8, green, lane);
        }
    } else {
        StartQualityColor(fit, lanes, weight, q, layout == BlockLayout::ColorOnly);
        if constexpr (layout == BlockLayout::ExplicitAlpha) {
            // Each alpha rounded to its nearest 4-bit value.
            for (int lane = 0; lane < kLaneCount; ++lane)
                for (int i = 0; i < 16; i += 2) {
                    const int even = RoundedPosition(Clamp01(lanes.a[i]) * 15.0f, Splat(15.0f))[lane];
                    const int odd = RoundedPosition(Clamp01(lanes.a[i + 1]) * 15.0f, Splat(15.0f))[lane];
                    out[blockBytes * lane + i / 2] = static_cast<BYTE>(even | odd << 4);
                }
        } else if constexpr (layout == BlockLayout::InterpolatedAlpha) {
            const RampResult ramp = EncodeQualityRamp(lanes.a, weight, q);
            for (int lane = 0; lane < kLaneCount; ++lane)
                StoreRamp(out + blockBytes * lane, ramp, lane);
        }
    }
}

// Blocks encoded together, so that those wanting the cluster fit fill
// whole groups of lanes: when half the blocks want it, nearly every group
// of eight has one, and the fit run on whole groups would be mostly thrown
// away.
constexpr UINT kBatchGroups = 128 / kLaneCount;

// What the later fits of lane `from` of a group read, to lane `to` of another.
LANE_INLINE void CopyLane(ColorFit& to, int toLane, const ColorFit& from, int fromLane)
{
    for (int i = 0; i < 16; ++i) {
        for (int c = 0; c < 3; ++c)
            to.in.x[c][i][toLane] = from.in.x[c][i][fromLane];
        to.in.weight[i][toLane] = from.in.weight[i][fromLane];
        to.in.black[i][toLane] = from.in.black[i][fromLane];
    }
    for (int c = 0; c < 3; ++c)
        to.axis[c][toLane] = from.axis[c][fromLane];
    to.best.word0[toLane] = from.best.word0[fromLane];
    to.best.word1[toLane] = from.best.word1[fromLane];
    to.best.codes[toLane] = from.best.codes[fromLane];
    to.best.error[toLane] = from.best.error[fromLane];
    to.walkThree[toLane] = from.walkThree[fromLane];
}

// `fit` on the first `count` blocks of `fits` whose lane is set in `wants`,
// gathered into full groups of lanes; their best blocks go back.
template <class Fit>
void FitWantingLanes(ColorFit* fits, UINT count, Ints ColorFit::*wants, Fit fit)
{
    UINT wanted[kBatchGroups * kLaneCount];
    UINT found = 0;
    for (UINT k = 0; k < count; ++k)
        if ((fits[k / kLaneCount].*wants)[k % kLaneCount])
            wanted[found++] = k;
    for (UINT first = 0; first < found; first += kLaneCount) {
        ColorFit group;
        // Spare lanes repeat the first block.
        for (int lane = 0; lane < kLaneCount; ++lane) {
            const UINT k = wanted[first + lane < found ? first + lane : first];
            CopyLane(group, lane, fits[k / kLaneCount], static_cast<int>(k % kLaneCount));
        }
        fit(group);
        for (int lane = 0; lane < kLaneCount && first + lane < found; ++lane) {
            const UINT k = wanted[first + lane];
            ColorResult& best = fits[k / kLaneCount].best;
            const int at = static_cast<int>(k % kLaneCount);
            best.word0[at] = group.best.word0[lane];
            best.word1[at] = group.best.word1[lane];
            best.codes[at] = group.best.codes[lane];
            best.error[at] = group.best.error[lane];
        }
    }
}

// Up to kBatchGroups groups of lanes; spare lanes of the last repeat the
// last block, as in EncodeRow.
template <BlockLayout layout>
void EncodeQualityBatch(BYTE* out, const FloatColor* pixels, const BYTE* covered, UINT count, BlockAlpha alpha,
                        const QualityParams& q)
{
    constexpr UINT blockBytes = LayoutBlockBytes(layout);
    // Normal has nothing to gather: each group is finished at once, its
    // fit kept in the first slot while it is hot.
    const bool gather = HasColor(layout) && q.quality == BlockQuality::High;
    ColorFit fits[HasColor(layout) ? kBatchGroups : 1];
    BYTE bytes[kBatchGroups * kLaneCount * blockBytes];
    auto finish = [&](UINT g, const ColorFit& fit) {
        const ColorHalf color = FinishQualityColor(fit, q, layout == BlockLayout::ColorOnly);
        const UINT colorAt = layout == BlockLayout::ColorOnly ? 0 : 8;
        for (int lane = 0; lane < kLaneCount; ++lane) {
            BYTE* block = bytes + (g * kLaneCount + lane) * blockBytes;
            StoreBytes(block + colorAt, color.color0[lane], 2);
            StoreBytes(block + colorAt + 2, color.color1[lane], 2);
            StoreBytes(block + colorAt + 4, color.codes[lane], 4);
        }
    };
    const UINT groups = (count + kLaneCount - 1) / kLaneCount;
    for (UINT g = 0; g < groups; ++g) {
        const UINT k = g * kLaneCount;
        ColorFit& fit = fits[gather ? g : 0];
        if (k + kLaneCount <= count) {
            StartQualityLaneBlocks<layout>(bytes + k * blockBytes, fit, pixels + std::size_t{k} * 16,
                                           covered ? covered + std::size_t{k} * 16 : nullptr, alpha, q);
        } else {
            FloatColor spare[16 * kLaneCount];
            BYTE spareCovered[16 * kLaneCount];
            const UINT left = count - k;
            for (UINT i = 0; i < 16 * kLaneCount; ++i) {
                const UINT from = i < 16 * left ? i : 16 * (left - 1) + i % 16;
                spare[i] = pixels[std::size_t{k} * 16 + from];
                spareCovered[i] = covered ? covered[std::size_t{k} * 16 + from] : 1;
            }
            StartQualityLaneBlocks<layout>(bytes + k * blockBytes, fit, spare, spareCovered, alpha, q);
        }
        if (HasColor(layout) && !gather)
            finish(g, fit);
    }
    if (gather) {
        FitWantingLanes(fits, count, &ColorFit::wantsCluster,
                        [&q](ColorFit& group) { KeepBetter(group.best, ClusterFit(group.in, group.axis, q)); });
        for (UINT g = 0; g < groups; ++g)
            StartWalk(fits[g], q);
        FitWantingLanes(fits, count, &ColorFit::walksAgain,
                        [&q](ColorFit& group) { WalkColorEnds(group.in, q, group.walkThree, group.best); });
        for (UINT g = 0; g < groups; ++g)
            finish(g, fits[g]);
    }
    std::memcpy(out, bytes, std::size_t{count} * blockBytes);
}

template <BlockLayout layout>
void EncodeQualityRow(BYTE* out, const FloatColor* pixels, const BYTE* covered, UINT count, BlockAlpha alpha,
                      const QualityParams& q)
{
    constexpr UINT batch = kBatchGroups * kLaneCount;
    for (UINT k = 0; k < count; k += batch)
        EncodeQualityBatch<layout>(out + std::size_t{k} * LayoutBlockBytes(layout), pixels + std::size_t{k} * 16,
                                   covered ? covered + std::size_t{k} * 16 : nullptr,
                                   count - k < batch ? count - k : batch, alpha, q);
}

} // namespace

// Normal and High levels (Fast runs as Normal); the format's layout and
// alpha from its row of kBlockFormats.
HRESULT EncodeQualityBlocks(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, const BYTE* pCovered,
                            UINT count, BlockQuality quality, const float* channelWeights, const float* channelScales)
{
    QualityParams q;
    q.quality = quality;
    for (int c = 0; c < 3; ++c) {
        q.weight[c] = channelWeights[c];
        q.scale[c] = channelScales[c];
        q.inverseScale[c] = 1.0f / channelScales[c];
    }
    constexpr float kStep = 1.0f / 255.0f;
    q.clusterAbove = Splat(kClusterAboveSteps * kStep * kStep * (q.weight[0] + q.weight[1] + q.weight[2]));
    const BlockFormat* row =
        FindLaneFormat(format, [](const BlockFormat& entry) { return entry.qualityEncoder != nullptr; });
    if (row == nullptr)
        return E_FAIL;
    return WithLayout(row->layout, [&](auto layout) -> HRESULT {
        EncodeQualityRow<layout>(pBlocks, pColors, pCovered, count, row->alpha, q);
        return S_OK;
    });
}

} // namespace BLOCK_LANES_NAMESPACE
