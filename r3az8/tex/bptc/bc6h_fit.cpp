// Fitting BC6H endpoints and indices. The interpolation the decoder does
// (bc6h_modes.h) is linear in the place of a value among the halves
// (bc6h_space.h), so every line here is drawn in places, and only the last
// step turns a place into the mode's quantised endpoint, through the same
// unquantisation the decoder uses.
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/bptc/bc6h_fit.h"

#include "r3az8/tex/bptc/bc6h_modes.h"
#include "r3az8/tex/bptc/bc6h_space.h"
#include "r3az8/tex/bptc/partitions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace bptc::bc6h {
namespace {

constexpr unsigned kRegionAnchorUnset = 16;

// The weights of 4-bit (one region) and 3-bit (two regions) indices, out of
// 64, and for each blend 0..64 the index whose weight lies nearest.
struct IndexTable {
    unsigned entries;
    unsigned weight[16];
    std::uint8_t nearest[65];
};

constexpr IndexTable MakeIndexTable(unsigned entries, std::array<unsigned, 16> weights)
{
    IndexTable table{entries, {}, {}};
    for (unsigned k = 0; k < 16; ++k)
        table.weight[k] = weights[k];
    for (unsigned w = 0; w <= 64; ++w) {
        unsigned best = 0;
        for (unsigned k = 1; k < entries; ++k) {
            const unsigned distance = w > weights[k] ? w - weights[k] : weights[k] - w;
            const unsigned bestDistance = w > weights[best] ? w - weights[best] : weights[best] - w;
            best = distance < bestDistance ? k : best;
        }
        table.nearest[w] = static_cast<std::uint8_t>(best);
    }
    return table;
}

// The weights as the format's public documentation lists them (partitions.h
// WeightOf gives the same numbers).
constexpr IndexTable kIndexTables[2] = {
    MakeIndexTable(16, {0, 4, 9, 13, 17, 21, 26, 30, 34, 38, 43, 47, 51, 55, 60, 64}),
    MakeIndexTable(8, {0, 9, 18, 27, 37, 46, 55, 64}),
};

unsigned AnchorOfRegion(unsigned regions, unsigned partition, unsigned region)
{
    return region == 0 ? 0 : AnchorOf(regions, partition, 1);
}

// The weight of each pixel in `region`, 0 outside it; each pixel of the
// region weighs 1 when none of them counts.
void RegionWeights(const Bc6hPixels& pixels, unsigned mask, unsigned region, float* weights)
{
    float total = 0.0f;
    for (unsigned p = 0; p < 16; ++p) {
        weights[p] = ((mask >> p) & 1u) == region ? pixels.weight[p] : 0.0f;
        total += weights[p];
    }
    if (total == 0.0f)
        for (unsigned p = 0; p < 16; ++p)
            weights[p] = ((mask >> p) & 1u) == region ? 1.0f : 0.0f;
}

float ClampPlace(float place, bool isSigned)
{
    const float low = isSigned ? -kLargestPlace : 0.0f;
    return !(place >= low) ? low : place > kLargestPlace ? kLargestPlace : place; // NaN too
}

// A place as the 16-bit value the interpolation works on, aimed at the
// middle of the values ToHalfBits sends to the place's nearest half.
float ToInterpolationScale(float place, bool isSigned)
{
    if (!isSigned)
        return (place + 0.5f) * (64.0f / 31.0f);
    const float magnitude = ((place < 0.0f ? -place : place) + 0.5f) * (32.0f / 31.0f);
    return place < 0.0f ? -magnitude : magnitude;
}

// The endpoints of `bits` bits a block may hold: signed ones stop one short
// of the most negative number, which at 16 bits decodes to -infinity and
// below that unquantises as its neighbour does.
int LowestEndpoint(unsigned bits, bool isSigned) { return isSigned ? -((1 << (bits - 1)) - 1) : 0; }
int HighestEndpoint(unsigned bits, bool isSigned) { return isSigned ? (1 << (bits - 1)) - 1 : (1 << bits) - 1; }

// The endpoint of `bits` bits whose unquantised value lies nearest the
// place's middle in the interpolation scale. At 16 bits, where a step is
// about half a half's span, the nearest value alone can land a half off:
// there the endpoint that lands nearest the place wins, and of two that
// land alike the one nearer the middle.
int QuantiseChannel(float place, unsigned bits, bool isSigned)
{
    const float target = ToInterpolationScale(place, isSigned);
    const int low = LowestEndpoint(bits, isSigned), high = HighestEndpoint(bits, isSigned);
    if (bits >= 15) {
        const int nearest = static_cast<int>(std::lround(target));
        int best = nearest;
        float bestMiss = 3.0e38f, bestDistance = 3.0e38f;
        for (int q = nearest - 1; q <= nearest + 1; ++q) {
            if (q < low || q > high)
                continue;
            const int value = Unquantise(q, bits, isSigned);
            const float miss = std::fabs(static_cast<float>(PlaceOfHalf(ToHalfBits(value, isSigned))) - place);
            const float distance = std::fabs(static_cast<float>(value) - target);
            if (miss < bestMiss || (miss == bestMiss && distance < bestDistance)) {
                bestMiss = miss;
                bestDistance = distance;
                best = q;
            }
        }
        return best;
    }
    // The two endpoints whose unquantised values lie either side of the
    // target: those values sit about half a step above each endpoint's
    // multiple of the step.
    const float scale = isSigned ? static_cast<float>(1 << (bits - 1)) / 32768.0f
                                 : static_cast<float>(1 << bits) / 65536.0f;
    const int steps = std::max(static_cast<int>(std::fabs(target) * scale - 0.5f), 0);
    int below = target < 0.0f ? -(steps + 1) : steps;
    below = below < low ? low : below > high - 1 ? high - 1 : below;
    const float under = std::fabs(static_cast<float>(Unquantise(below, bits, isSigned)) - target);
    const float over = std::fabs(static_cast<float>(Unquantise(below + 1, bits, isSigned)) - target);
    return over < under ? below + 1 : below;
}

struct RegionMasks {
    std::uint16_t mask[32];
};

const RegionMasks& Masks()
{
    static const RegionMasks masks = [] {
        RegionMasks m{};
        for (unsigned partition = 0; partition < 32; ++partition)
            for (unsigned p = 0; p < 16; ++p)
                m.mask[partition] = static_cast<std::uint16_t>(m.mask[partition] | SubsetOf(2, partition, p) << p);
        return m;
    }();
    return masks;
}

} // namespace

unsigned RegionMask(unsigned partition) { return Masks().mask[partition & 31u]; }

std::array<float, 3> PrincipalAxis(const float* cov)
{
    // Divided by its trace, the spread's largest eigenvalue lies between a
    // third and 1: the iterations neither overflow nor vanish, and only the
    // last needs a length (one square root, not one per iteration).
    const float trace = cov[0] + cov[3] + cov[5];
    if (!(trace > 0.0f))
        return {0.0f, 0.0f, 0.0f};
    const float toUnit = 1.0f / trace;
    const float m[3][3] = {{cov[0] * toUnit, cov[1] * toUnit, cov[2] * toUnit},
                           {cov[1] * toUnit, cov[3] * toUnit, cov[4] * toUnit},
                           {cov[2] * toUnit, cov[4] * toUnit, cov[5] * toUnit}};
    unsigned widest = 0;
    for (unsigned c = 1; c < 3; ++c)
        widest = m[c][c] > m[widest][widest] ? c : widest;
    std::array<float, 3> axis = {m[widest][0], m[widest][1], m[widest][2]};
    for (int iteration = 0; iteration < 3; ++iteration) {
        std::array<float, 3> next{};
        for (unsigned a = 0; a < 3; ++a)
            next[a] = m[a][0] * axis[0] + m[a][1] * axis[1] + m[a][2] * axis[2];
        axis = next;
    }
    const float length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    if (!(length > 0.0f))
        return {0.0f, 0.0f, 0.0f};
    const float scale = 1.0f / length;
    for (float& a : axis)
        a *= scale;
    return axis;
}

Bc6hEnds PrincipalEnds(const Bc6hPixels& pixels, unsigned regions, unsigned partition)
{
    Bc6hEnds ends;
    const unsigned mask = RegionMaskOf(regions, partition);
    for (unsigned r = 0; r < regions; ++r) {
        float weights[16];
        RegionWeights(pixels, mask, r, weights);
        float total = 0.0f, mean[3] = {};
        for (unsigned p = 0; p < 16; ++p) {
            total += weights[p];
            for (unsigned c = 0; c < 3; ++c)
                mean[c] += weights[p] * pixels.value[p][c];
        }
        for (unsigned c = 0; c < 3; ++c)
            mean[c] /= total;
        float cov[6] = {};
        for (unsigned p = 0; p < 16; ++p) {
            const float* v = pixels.value[p];
            const float d[3] = {v[0] - mean[0], v[1] - mean[1], v[2] - mean[2]};
            const float w = weights[p];
            cov[0] += w * d[0] * d[0];
            cov[1] += w * d[0] * d[1];
            cov[2] += w * d[0] * d[2];
            cov[3] += w * d[1] * d[1];
            cov[4] += w * d[1] * d[2];
            cov[5] += w * d[2] * d[2];
        }
        const std::array<float, 3> axis = PrincipalAxis(cov);
        float low = 0.0f, high = 0.0f;
        for (unsigned p = 0; p < 16; ++p) {
            const float* v = pixels.value[p];
            const float t = (v[0] - mean[0]) * axis[0] + (v[1] - mean[1]) * axis[1] + (v[2] - mean[2]) * axis[2];
            low = weights[p] > 0.0f && t < low ? t : low;
            high = weights[p] > 0.0f && t > high ? t : high;
        }
        // The anchor's index must have its top bit clear: its end first.
        const float* a = pixels.value[AnchorOfRegion(regions, partition, r)];
        const float anchorAt = (a[0] - mean[0]) * axis[0] + (a[1] - mean[1]) * axis[1] + (a[2] - mean[2]) * axis[2];
        if (anchorAt - low > high - anchorAt)
            std::swap(low, high);
        for (unsigned c = 0; c < 3; ++c) {
            ends.place[r][0][c] = ClampPlace(mean[c] + low * axis[c], pixels.isSigned);
            ends.place[r][1][c] = ClampPlace(mean[c] + high * axis[c], pixels.isSigned);
        }
    }
    return ends;
}

Bc6hEnds LeastSquaresEnds(const Bc6hPixels& pixels, const Bc6hBlock& block, const Bc6hEnds& before)
{
    Bc6hEnds ends = before;
    const Bc6hMode& mode = kModes[block.mode];
    const unsigned indexBits = mode.regions == 2 ? 3 : 4;
    const unsigned mask = RegionMaskOf(mode.regions, block.partition);
    for (unsigned r = 0; r < mode.regions; ++r) {
        // The normal equations of (1 - a) e0 + a e1 = value, a the index's weight.
        float aa = 0.0f, ab = 0.0f, bb = 0.0f, ra[3] = {}, rb[3] = {};
        for (unsigned p = 0; p < 16; ++p) {
            if (((mask >> p) & 1u) != r)
                continue;
            const float w = pixels.weight[p];
            const float b = static_cast<float>(kIndexTables[mode.regions - 1].weight[block.index[p]]) * (1.0f / 64.0f);
            const float a = 1.0f - b;
            aa += w * a * a;
            ab += w * a * b;
            bb += w * b * b;
            for (unsigned c = 0; c < 3; ++c) {
                ra[c] += w * a * pixels.value[p][c];
                rb[c] += w * b * pixels.value[p][c];
            }
        }
        const float determinant = aa * bb - ab * ab;
        if (!(determinant > 1e-6f * (aa * bb)) || aa * bb == 0.0f)
            continue;
        for (unsigned c = 0; c < 3; ++c) {
            ends.place[r][0][c] = ClampPlace((bb * ra[c] - ab * rb[c]) / determinant, pixels.isSigned);
            ends.place[r][1][c] = ClampPlace((aa * rb[c] - ab * ra[c]) / determinant, pixels.isSigned);
        }
        // Mirrored indices blend alike: keep the anchor's end first.
        const unsigned anchor = AnchorOfRegion(mode.regions, block.partition, r);
        if (block.index[anchor] >= (1u << (indexBits - 1)))
            std::swap(ends.place[r][0], ends.place[r][1]);
    }
    return ends;
}

bool QuantiseEnds(const Bc6hEnds& ends, unsigned modeIndex, bool isSigned, Differences differences, Bc6hBlock& block)
{
    const Bc6hMode& mode = kModes[modeIndex];
    block.mode = modeIndex;
    const unsigned bits = mode.precision;
    const int low = LowestEndpoint(bits, isSigned), high = HighestEndpoint(bits, isSigned);
    // Differences far beyond a transformed mode's widths need no quantising
    // to be seen: a step of the mode's precision spans this much of the
    // places.
    if (mode.transformed && differences == Differences::MustFit) {
        const float placesPerStep = (isSigned ? 32768.0f * 31.0f / 32.0f : 65536.0f * 31.0f / 64.0f) /
                                    static_cast<float>(1 << (isSigned ? bits - 1 : bits));
        for (unsigned e = 1; e < 2 * mode.regions; ++e)
            for (unsigned c = 0; c < 3; ++c) {
                const float reach = static_cast<float>(1 << (mode.delta[c] - 1)) + 2.0f;
                if (std::fabs(ends.place[e / 2][e % 2][c] - ends.place[0][0][c]) > reach * placesPerStep)
                    return false;
            }
    }
    for (unsigned c = 0; c < 3; ++c) {
        const int w = QuantiseChannel(ends.place[0][0][c], bits, isSigned);
        block.endpoint[0][c] = w;
        // The differences from w a transformed mode can store.
        const int reach = 1 << (mode.delta[c] - 1);
        const int nearest = mode.transformed ? (w - reach > low ? w - reach : low) : low;
        const int farthest = mode.transformed ? (w + reach - 1 < high ? w + reach - 1 : high) : high;
        for (unsigned e = 1; e < 2 * mode.regions; ++e) {
            const int q = QuantiseChannel(ends.place[e / 2][e % 2][c], bits, isSigned);
            if ((q < nearest || q > farthest) && differences == Differences::MustFit)
                return false;
            block.endpoint[e][c] = q < nearest ? nearest : q > farthest ? farthest : q;
        }
    }
    return true;
}

namespace {

// ChooseIndices for one region count: with the palette's size known, its
// loops are unrolled and run several entries at a time.
template <unsigned kRegions>
float ChooseIndicesOf(const Bc6hPixels& pixels, Bc6hBlock& block, IndexSearch search)
{
    const Bc6hMode& mode = kModes[block.mode];
    const IndexTable& table = kIndexTables[kRegions - 1];
    constexpr unsigned entries = kRegions == 1 ? 16 : 8;
    const unsigned mask = RegionMaskOf(kRegions, block.partition);
    const unsigned anchors[2] = {0, kRegions == 2 ? AnchorOf(2, block.partition, 1) : kRegionAnchorUnset};

    // Each region's palette of places, channel by channel, and the line
    // from its first entry to its last.
    float palette[2][3][16];
    float direction[2][3], toWeight[2];
    for (unsigned r = 0; r < kRegions; ++r) {
        for (unsigned c = 0; c < 3; ++c) {
            const int u0 = Unquantise(block.endpoint[2 * r][c], mode.precision, pixels.isSigned);
            const int u1 = Unquantise(block.endpoint[2 * r + 1][c], mode.precision, pixels.isSigned);
            // The decoder's last steps, one loop per form so that each is a
            // straight run of integer arithmetic.
            if (pixels.isSigned)
                for (unsigned k = 0; k < entries; ++k)
                    palette[r][c][k] =
                        static_cast<float>(PlaceOfHalf(ToHalfBits(Interpolate(u0, u1, table.weight[k]), true)));
            else
                for (unsigned k = 0; k < entries; ++k)
                    palette[r][c][k] = static_cast<float>(ToHalfBits(Interpolate(u0, u1, table.weight[k]), false));
            direction[r][c] = palette[r][c][entries - 1] - palette[r][c][0];
        }
        const float length = direction[r][0] * direction[r][0] + direction[r][1] * direction[r][1] +
                             direction[r][2] * direction[r][2];
        toWeight[r] = length > 0.0f ? 64.0f / length : 0.0f;
    }

    float total = 0.0f;
    for (unsigned p = 0; p < 16; ++p) {
        const unsigned r = (mask >> p) & 1u;
        const float* v = pixels.value[p];
        const float(*pal)[16] = palette[r];
        const unsigned last = (p == anchors[r] ? entries / 2 : entries) - 1;
        auto distanceTo = [&](unsigned k) {
            const float d0 = pal[0][k] - v[0], d1 = pal[1][k] - v[1], d2 = pal[2][k] - v[2];
            return d0 * d0 + d1 * d1 + d2 * d2;
        };
        unsigned best = 0;
        float bestDistance;
        if (search != IndexSearch::Every) {
            const float along = ((v[0] - pal[0][0]) * direction[r][0] + (v[1] - pal[1][0]) * direction[r][1] +
                                 (v[2] - pal[2][0]) * direction[r][2]) *
                                toWeight[r];
            const int weight = along > 0.0f ? (along < 64.0f ? static_cast<int>(along + 0.5f) : 64) : 0;
            const unsigned nearest = std::min<unsigned>(table.nearest[weight], last);
            if (search == IndexSearch::Projected) {
                block.index[p] = static_cast<std::uint8_t>(nearest);
                total += pixels.weight[p] * distanceTo(nearest);
                continue;
            }
            const unsigned below = nearest > 0 ? nearest - 1 : 0;
            const unsigned above = nearest < last ? nearest + 1 : last;
            best = below;
            bestDistance = distanceTo(below);
            const float atNearest = distanceTo(nearest), atAbove = distanceTo(above);
            if (atNearest < bestDistance) {
                best = nearest;
                bestDistance = atNearest;
            }
            if (atAbove < bestDistance) {
                best = above;
                bestDistance = atAbove;
            }
        } else {
            bestDistance = distanceTo(0);
            for (unsigned k = 1; k <= last; ++k) {
                const float distance = distanceTo(k);
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = k;
                }
            }
        }
        block.index[p] = static_cast<std::uint8_t>(best);
        total += pixels.weight[p] * bestDistance;
    }
    return total;
}

} // namespace

float ChooseIndices(const Bc6hPixels& pixels, Bc6hBlock& block, IndexSearch search)
{
    return kModes[block.mode].regions == 1 ? ChooseIndicesOf<1>(pixels, block, search)
                                           : ChooseIndicesOf<2>(pixels, block, search);
}

void DecodePlaces(const Bc6hBlock& block, bool isSigned, float (*decoded)[3])
{
    const Bc6hMode& mode = kModes[block.mode];
    const IndexTable& table = kIndexTables[mode.regions - 1];
    const unsigned mask = RegionMaskOf(mode.regions, block.partition);
    for (unsigned p = 0; p < 16; ++p) {
        const unsigned r = (mask >> p) & 1u;
        for (unsigned c = 0; c < 3; ++c) {
            const int u0 = Unquantise(block.endpoint[2 * r][c], mode.precision, isSigned);
            const int u1 = Unquantise(block.endpoint[2 * r + 1][c], mode.precision, isSigned);
            decoded[p][c] =
                static_cast<float>(PlaceOfHalf(ToHalfBits(Interpolate(u0, u1, table.weight[block.index[p]]), isSigned)));
        }
    }
}

} // namespace bptc::bc6h
