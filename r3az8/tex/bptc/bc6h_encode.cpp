// The BC6H search: which modes and partitions a level tries (the fits are
// in bc6h_fit.cpp).
//
// A block is first fitted as one region. Endpoints are found once per
// region layout, along each region's principal axis, and quantised to the
// most precise mode whose differences hold them: the modes of one region
// count differ only in precision, so the first that fits is the best of
// them but for a rare near miss. Two-region partitions are tried where one
// region leaves a visible error, ranked before any is fitted by the part of
// each region's spread that the block's principal axis leaves unexplained
// (a public estimation technique); only the best few are fitted, and only
// the best fits are refined by least squares.
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/bptc/bc6h_encode.h"

#include "r3az8/tex/bptc/bc6h_fit.h"
#include "r3az8/tex/bptc/bc6h_modes.h"
#include "r3az8/tex/bptc/bc6h_space.h"
#include "r3az8/tex/numbers/small_floats.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <utility>

namespace bptc {
namespace {

using namespace bc6h;

// Rows of kModes from the most precise endpoints down, one list per region
// count; modes of one precision differ in the widths of their differences.
constexpr unsigned kOneRegionOrder[] = {13, 12, 11, 10};
constexpr unsigned kTwoRegionOrder[] = {2, 3, 4, 0, 5, 6, 7, 8, 1, 9};

// What a level tries.
struct LevelPlan {
    unsigned partitionTries; // two-region partitions fitted (0: one region only)
    unsigned finalists;      // the best blocks refined by least squares
    unsigned refinements;    // least-squares rounds for each
    bool cutDifferences;     // also the next more precise mode, differences cut
    unsigned polish;         // passes of +-1 on the winner's quantised endpoints
    float closeEnough;       // RMS error in places at which one region will do
    IndexSearch indices;
};

constexpr unsigned kMostFinalists = 2;

constexpr LevelPlan kPlans[3] = {
    {0, 0, 0, false, 0, 0.0f, IndexSearch::Projected},
    {1, 1, 1, false, 0, 40.0f, IndexSearch::AlongLine},
    {4, 2, 1, true, 1, 8.0f, IndexSearch::AlongLine},
};

static_assert(std::ranges::all_of(kPlans, [](const LevelPlan& plan) { return plan.finalists <= kMostFinalists; }),
              "a level refines more fits than the search keeps");

const LevelPlan& PlanOf(BlockQuality quality)
{
    return kPlans[quality == BlockQuality::Fast ? 0 : quality == BlockQuality::Normal ? 1 : 2];
}

Bc6hPixels MakePixels(const FloatColor* colors, const BYTE* covered, bool isSigned)
{
    Bc6hPixels pixels;
    pixels.isSigned = isSigned;
    // All four channels in one run, four at a time (alpha is never used).
    static_assert(sizeof(FloatColor) == sizeof pixels.value[0]);
    std::memcpy(pixels.value, colors, sizeof pixels.value);
    for (float(&pixel)[4] : pixels.value)
        for (float& place : pixel)
            place = HalfPlace(place, isSigned);
    float counted = 0.0f;
    for (unsigned p = 0; p < 16; ++p) {
        pixels.weight[p] = covered == nullptr || covered[p] ? 1.0f : 0.0f;
        counted += pixels.weight[p];
    }
    // A block with no pixel that counts is fitted as if all did.
    if (counted == 0.0f)
        for (float& w : pixels.weight)
            w = 1.0f;
    return pixels;
}

void Keep(Bc6hCandidate& best, const Bc6hCandidate& candidate)
{
    if (candidate.error < best.error)
        best = candidate;
}

// The block of the most precise mode of `order` that holds `ends` (and,
// when the plan says, of the mode before it with its differences cut).
Bc6hCandidate FitEnds(const Bc6hPixels& pixels, const Bc6hEnds& ends, unsigned partition, const unsigned* order,
                      unsigned modes, const LevelPlan& plan)
{
    Bc6hCandidate best;
    for (unsigned i = 0; i < modes; ++i) {
        Bc6hCandidate candidate;
        candidate.block.partition = partition;
        const bool last = i + 1 == modes;
        if (!QuantiseEnds(ends, order[i], pixels.isSigned, last ? Differences::Cut : Differences::MustFit,
                          candidate.block))
            continue;
        candidate.error = ChooseIndices(pixels, candidate.block, plan.indices);
        Keep(best, candidate);
        if (plan.cutDifferences && i > 0) {
            Bc6hCandidate cut;
            cut.block.partition = partition;
            QuantiseEnds(ends, order[i - 1], pixels.isSigned, Differences::Cut, cut.block);
            cut.error = ChooseIndices(pixels, cut.block, plan.indices);
            Keep(best, cut);
        }
        break;
    }
    return best;
}

// A candidate with the ends it was quantised from.
struct Fitted {
    Bc6hCandidate candidate;
    Bc6hEnds ends;
    const unsigned* order = nullptr;
    unsigned modes = 0;
};

Fitted FitLayout(const Bc6hPixels& pixels, unsigned regions, unsigned partition, const unsigned* order,
                 unsigned modes, const LevelPlan& plan)
{
    Fitted fitted;
    fitted.ends = PrincipalEnds(pixels, regions, partition);
    fitted.candidate = FitEnds(pixels, fitted.ends, partition, order, modes, plan);
    fitted.order = order;
    fitted.modes = modes;
    return fitted;
}

// Least squares from the block's indices, while they help.
Bc6hCandidate Refine(const Bc6hPixels& pixels, const Fitted& fitted, const LevelPlan& plan)
{
    Bc6hCandidate best = fitted.candidate;
    Bc6hEnds ends = fitted.ends;
    for (unsigned round = 0; round < plan.refinements && best.error > 0.0f; ++round) {
        ends = LeastSquaresEnds(pixels, best.block, ends);
        const Bc6hCandidate refined =
            FitEnds(pixels, ends, best.block.partition, fitted.order, fitted.modes, plan);
        if (!(refined.error < best.error))
            break;
        best = refined;
    }
    return best;
}

// The few best fits met so far, best first.
class Finalists {
public:
    void Offer(const Fitted& fitted)
    {
        unsigned at = count_;
        while (at > 0 && fitted.candidate.error < fits_[at - 1].candidate.error)
            --at;
        if (at == kMostFinalists)
            return;
        for (unsigned i = count_ < kMostFinalists ? count_ : kMostFinalists - 1; i > at; --i)
            fits_[i] = fits_[i - 1];
        fits_[at] = fitted;
        count_ = count_ < kMostFinalists ? count_ + 1 : count_;
    }
    unsigned Count() const { return count_; }
    const Fitted& operator[](unsigned i) const { return fits_[i]; }

private:
    Fitted fits_[kMostFinalists];
    unsigned count_ = 0;
};

// Whether the block's endpoints are ones its mode can store.
bool Storable(const Bc6hBlock& block, bool isSigned)
{
    const Bc6hMode& mode = kModes[block.mode];
    const int low = isSigned ? -((1 << (mode.precision - 1)) - 1) : 0;
    const int high = isSigned ? (1 << (mode.precision - 1)) - 1 : (1 << mode.precision) - 1;
    for (unsigned e = 0; e < 2 * mode.regions; ++e)
        for (unsigned c = 0; c < 3; ++c) {
            const int value = block.endpoint[e][c];
            if (value < low || value > high)
                return false;
            const int reach = 1 << (mode.delta[c] - 1);
            const int difference = value - block.endpoint[0][c];
            if (e > 0 && mode.transformed && (difference < -reach || difference >= reach))
                return false;
        }
    return true;
}

// Each quantised endpoint channel moved one step either way, kept where
// the block improves.
void Polish(const Bc6hPixels& pixels, Bc6hCandidate& best, unsigned passes)
{
    const unsigned endpoints = 2 * kModes[best.block.mode].regions;
    for (unsigned pass = 0; pass < passes; ++pass) {
        bool improved = false;
        for (unsigned e = 0; e < endpoints; ++e)
            for (unsigned c = 0; c < 3; ++c)
                for (int step : {-1, 1}) {
                    Bc6hCandidate trial = best;
                    trial.block.endpoint[e][c] += step;
                    if (!Storable(trial.block, pixels.isSigned))
                        continue;
                    trial.error = ChooseIndices(pixels, trial.block, IndexSearch::AlongLine);
                    if (trial.error < best.error) {
                        best = trial;
                        improved = true;
                    }
                }
        if (!improved)
            break;
    }
}

// The sums a region's spread along the block's axis follows from, over
// pixels: the weight, the weighted values, their weighted squares, and the
// weighted projections onto the axis and their squares.
constexpr unsigned kSums = 7;

// Pixel p's membership of region 1 under each partition, as a factor.
struct Membership {
    float of[32][16];
};

const Membership& Members()
{
    static const Membership members = [] {
        Membership m{};
        for (unsigned partition = 0; partition < 32; ++partition)
            for (unsigned p = 0; p < 16; ++p)
                m.of[partition][p] = static_cast<float>((RegionMask(partition) >> p) & 1u);
        return m;
    }();
    return members;
}

// The `tries` partitions whose regions lie closest to the block's
// principal axis, best first: each region's spread less its spread along
// the axis. (Each region's own axis would judge better, but its sums are
// products of values and need an axis found per region and partition.)
unsigned RankPartitions(const Bc6hPixels& pixels, unsigned tries, unsigned* ranked)
{
    // Values taken from the block's mean keep the sums of squares small
    // enough for floats to tell spreads apart.
    float mean[3] = {}, total = 0.0f;
    for (unsigned p = 0; p < 16; ++p) {
        total += pixels.weight[p];
        for (unsigned c = 0; c < 3; ++c)
            mean[c] += pixels.weight[p] * pixels.value[p][c];
    }
    for (float& m : mean)
        m /= total;
    float centred[16][3];
    float cov[6] = {};
    for (unsigned p = 0; p < 16; ++p) {
        const float w = pixels.weight[p];
        for (unsigned c = 0; c < 3; ++c)
            centred[p][c] = pixels.value[p][c] - mean[c];
        const float* v = centred[p];
        const float products[6] = {v[0] * v[0], v[0] * v[1], v[0] * v[2], v[1] * v[1], v[1] * v[2], v[2] * v[2]};
        for (unsigned k = 0; k < 6; ++k)
            cov[k] += w * products[k];
    }
    const std::array<float, 3> axis = PrincipalAxis(cov);

    float sums[kSums][16];
    float whole[kSums] = {};
    for (unsigned p = 0; p < 16; ++p) {
        const float w = pixels.weight[p];
        const float* v = centred[p];
        const float t = v[0] * axis[0] + v[1] * axis[1] + v[2] * axis[2];
        const float row[kSums] = {w, w * v[0], w * v[1], w * v[2], w * (v[0] * v[0] + v[1] * v[1] + v[2] * v[2]),
                                  w * t, w * t * t};
        for (unsigned k = 0; k < kSums; ++k) {
            sums[k][p] = row[k];
            whole[k] += row[k];
        }
    }
    auto offAxis = [](const float* s) {
        if (!(s[0] > 0.0f))
            return 0.0f;
        const float spread = s[4] - (s[1] * s[1] + s[2] * s[2] + s[3] * s[3]) / s[0];
        const float along = s[6] - s[5] * s[5] / s[0];
        const float rest = spread - along;
        return rest > 0.0f ? rest : 0.0f;
    };
    const Membership& members = Members();
    std::pair<float, unsigned> scores[32];
    for (unsigned partition = 0; partition < 32; ++partition) {
        float second[kSums], first[kSums];
        for (unsigned k = 0; k < kSums; ++k) {
            float s = 0.0f;
            for (unsigned p = 0; p < 16; ++p)
                s += members.of[partition][p] * sums[k][p];
            second[k] = s;
            first[k] = whole[k] - s;
        }
        scores[partition] = {offAxis(first) + offAxis(second), partition};
    }
    const unsigned kept = std::min(tries, 32u);
    std::partial_sort(scores, scores + kept, scores + 32);
    for (unsigned i = 0; i < kept; ++i)
        ranked[i] = scores[i].second;
    return kept;
}

Bc6hCandidate Search(const Bc6hPixels& pixels, const LevelPlan& plan, int onlyMode)
{
    // A level that neither partitions nor refines wants the one fit alone,
    // without the bookkeeping of finalists (a tenth of its time).
    if (onlyMode < 0 && plan.partitionTries == 0 && plan.finalists == 0 && plan.polish == 0)
        return FitEnds(pixels, PrincipalEnds(pixels, 1, 0), 0, kOneRegionOrder, std::size(kOneRegionOrder), plan);
    Finalists finalists;
    unsigned ranked[32];
    if (onlyMode >= 0) {
        // A forced mode: its own precision alone, differences cut to fit,
        // its partitions searched as at High.
        const unsigned mode = static_cast<unsigned>(onlyMode);
        const LevelPlan& high = kPlans[2];
        if (kModes[mode].regions == 1)
            finalists.Offer(FitLayout(pixels, 1, 0, &mode, 1, high));
        else
            for (unsigned i = 0, kept = RankPartitions(pixels, high.partitionTries, ranked); i < kept; ++i)
                finalists.Offer(FitLayout(pixels, 2, ranked[i], &mode, 1, high));
        return Refine(pixels, finalists[0], high);
    }
    finalists.Offer(FitLayout(pixels, 1, 0, kOneRegionOrder, std::size(kOneRegionOrder), plan));
    float counted = 0.0f;
    for (float w : pixels.weight)
        counted += w;
    const float enough = plan.closeEnough * plan.closeEnough * 3.0f * counted;
    if (plan.partitionTries > 0 && finalists[0].candidate.error > enough) {
        const unsigned kept = RankPartitions(pixels, plan.partitionTries, ranked);
        for (unsigned i = 0; i < kept; ++i)
            finalists.Offer(FitLayout(pixels, 2, ranked[i], kTwoRegionOrder, std::size(kTwoRegionOrder), plan));
    }
    // The finalists alone are refined.
    Bc6hCandidate best = finalists[0].candidate;
    for (unsigned i = 0; i < plan.finalists && i < finalists.Count(); ++i)
        Keep(best, Refine(pixels, finalists[i], plan));
    if (plan.polish > 0 && best.error > 0.0f)
        Polish(pixels, best, plan.polish);
    return best;
}

float PlaceToValue(float place)
{
    const int whole = static_cast<int>(place);
    const std::uint16_t bits =
        static_cast<std::uint16_t>(whole < 0 ? 0x8000 | -whole : whole);
    return HalfToFloat(bits);
}

} // namespace

float EncodeBlockBC6H(BYTE* block, const FloatColor* pixels, const BYTE* covered, const Bc6hRequest& request,
                      FloatColor* predicted)
{
    const Bc6hPixels prepared = MakePixels(pixels, covered, request.isSigned);
    const int onlyMode = request.onlyMode >= 0 && request.onlyMode < static_cast<int>(std::size(kModes))
                             ? request.onlyMode
                             : -1;
    const Bc6hCandidate best = Search(prepared, PlanOf(request.quality), onlyMode);
    if (predicted != nullptr) {
        float decoded[16][3];
        DecodePlaces(best.block, prepared.isSigned, decoded);
        for (unsigned p = 0; p < 16; ++p)
            predicted[p] = {PlaceToValue(decoded[p][0]), PlaceToValue(decoded[p][1]), PlaceToValue(decoded[p][2]),
                            1.0f};
    }
    WriteBc6hBlock(best.block, block);
    return best.error;
}

} // namespace bptc

HRESULT EncodeQualityBlocksBC6H(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, const BYTE* pCovered,
                                UINT count, const QualityOptions& options)
{
    if (format != FMT_BC6H_UF16 && format != FMT_BC6H_SF16)
        return E_FAIL;
    bptc::Bc6hRequest request;
    request.quality = options.quality;
    request.isSigned = format == FMT_BC6H_SF16;
    for (UINT k = 0; k < count; ++k)
        bptc::EncodeBlockBC6H(pBlocks + std::size_t{k} * 16, pColors + std::size_t{k} * 16,
                              pCovered != nullptr ? pCovered + std::size_t{k} * 16 : nullptr, request, nullptr);
    return S_OK;
}

HRESULT EncodeBlocksBC6H(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, UINT count)
{
    QualityOptions options;
    options.quality = BlockQuality::Fast;
    return EncodeQualityBlocksBC6H(format, pBlocks, pColors, nullptr, count, options);
}
