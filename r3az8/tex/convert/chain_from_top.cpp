#include "r3az8/tex/convert/chain_from_top.h"

#include "r3az8/tex/convert/block_compression.h"
#include "r3az8/tex/convert/chain_bands.h"
#include "r3az8/tex/convert/pixel_steps.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

namespace r3az8tex {
namespace {

// The filter word FilterTexture works with for the recipe's chain.
DWORD ChainFilter(const ChainRecipe& recipe, TextureKind kind)
{
    DWORD filter = recipe.mipFilter;
    if (filter == IMAGE_FILTER_DEFAULT)
        filter = IsPowerOfTwo(recipe.width) && IsPowerOfTwo(recipe.height)
                     ? IMAGE_FILTER_BOX
                     : IMAGE_FILTER_TRIANGLE | IMAGE_FILTER_DITHER;
    if (kind == TextureKind::Cube)
        filter |= IMAGE_FILTER_MIRROR;
    return filter;
}

// Box and point only halve, so FilterTexture makes each level from the one
// above; the others go back to level 0.
bool FromLevelAbove(DWORD filter)
{
    return FilterType(filter) == IMAGE_FILTER_POINT || FilterType(filter) == IMAGE_FILTER_BOX;
}

class ChainFromTop : private ChainBands {
public:
    ChainFromTop(const TextureImage& source, const ChainRecipe& recipe, const RowArrival* arrival, size_t bandBytes)
        : ChainBands(source, recipe, arrival, bandBytes), filter_(ChainFilter(recipe, source.kind))
    {
    }

    TextureImage Make(WorkPool& pool)
    {
        result_ = MakeChainResult(recipe_, source_.kind);
        if (recipe_.resized) {
            if (arrival_ != nullptr)
                arrival_->WaitForAll();
            top_ = ResampleInBands(source_, recipe_.working, recipe_.width, recipe_.height, recipe_.resample, pool,
                                   bandBytes_);
        } else {
            top_ = MakeWorkingImage(recipe_.working, source_.kind, recipe_.width, recipe_.height);
        }
        ForEachBand(pool, 0, 1,
                    [&](uint32_t, uint32_t face, uint32_t first, uint32_t count) { MakeTopBand(face, first, count); });
        if (!recipe_.regenerate) {
            ForEachBand(pool, 1, recipe_.levels, [&](uint32_t level, uint32_t face, uint32_t first, uint32_t count) {
                ConvertSourceBand(level, face, first, count);
            });
            return std::move(result_);
        }
        if (!FromLevelAbove(filter_)) {
            // Every level comes from level 0 alone, so the levels go at once:
            // the small ones, a band each, keep every thread busy.
            ForEachBand(pool, 1, recipe_.levels, [&](uint32_t level, uint32_t face, uint32_t first, uint32_t count) {
                MakeLowerBand(top_, level, face, first, count, false);
            });
            return std::move(result_);
        }
        const TextureImage* from = &top_;
        for (uint32_t level = 1; level < recipe_.levels; ++level) {
            const bool keep = level + 1 < recipe_.levels;
            if (keep)
                next_ = MakeWorkingImage(recipe_.working, source_.kind, LevelSide(recipe_.width, level),
                                         LevelSide(recipe_.height, level));
            ForEachBand(pool, level, level + 1, [&](uint32_t, uint32_t face, uint32_t first, uint32_t count) {
                MakeLowerBand(*from, level, face, first, count, keep);
            });
            if (keep) {
                above_ = std::move(next_);
                from = &above_;
            }
        }
        return std::move(result_);
    }

private:
    using BandWork = std::function<void(uint32_t level, uint32_t face, uint32_t first, uint32_t count)>;

    // The bands of every face of levels [firstLevel, endLevel), the larger
    // levels first, on the pool's threads.
    void ForEachBand(WorkPool& pool, uint32_t firstLevel, uint32_t endLevel, const BandWork& work) const
    {
        struct Band {
            uint32_t level, face, first, count;
        };
        std::vector<Band> bands;
        for (uint32_t level = firstLevel; level < endLevel; ++level) {
            const uint32_t width = LevelSide(recipe_.width, level);
            const uint32_t height = LevelSide(recipe_.height, level);
            const uint32_t rows =
                BandRows(DescribeLevel(*FindFormat(recipe_.working), width, 1, 1).rowPitch, bandBytes_);
            for (uint32_t face = 0; face < result_.Faces(); ++face)
                for (uint32_t first = 0; first < height; first += rows)
                    bands.push_back({level, face, first, std::min(rows, height - first)});
        }
        pool.ForEach(bands.size(),
                     [&](size_t i) { work(bands[i].level, bands[i].face, bands[i].first, bands[i].count); });
    }

    void Encode(LibrarySession& session, uint32_t level, uint32_t face, uint32_t first, const SourceRows& rows)
    {
        EncodeRows(session, LevelRows(result_, face, level, first, rows.height), rows, recipe_.finalStep,
                   recipe_.encoding, shelf_);
    }

    // Level 0: the source's rows in the working format (or the resized
    // level's), renormalised, encoded as they are stored, then taken into
    // linear light for the levels below.
    void MakeTopBand(uint32_t face, uint32_t first, uint32_t count)
    {
        LibrarySession session;
        PixelRows rows = LevelRows(top_, face, 0, first, count);
        if (!recipe_.resized) {
            if (arrival_ != nullptr)
                arrival_->WaitFor(first + count);
            LoadRows(session, rows, LevelRows(source_, face, 0, first, count), recipe_.resample);
        }
        const std::span<BYTE> bytes(rows.data, rows.pitch * count);
        if (recipe_.normalMap)
            ApplyStep(PixelStep::Renormalise, recipe_.missingZ, bytes);
        if (!recipe_.keepTop)
            Encode(session, 0, face, first, ReadOnly(rows));
        if (recipe_.linearLight && recipe_.regenerate && recipe_.levels > 1)
            ApplyStep(PixelStep::ToLinear, recipe_.missingZ, bytes);
    }

    // A level of the source's own chain, kept: converted and renormalised
    // as level 0 is.
    void ConvertSourceBand(uint32_t level, uint32_t face, uint32_t first, uint32_t count)
    {
        LibrarySession session;
        BufferShelf::Loan buffer(shelf_);
        const PixelRows rows = BufferRows(buffer, level, count);
        LoadRows(session, rows, LevelRows(source_, face, level, first, count), recipe_.resample);
        if (recipe_.normalMap)
            ApplyStep(PixelStep::Renormalise, recipe_.missingZ, buffer.Bytes());
        Encode(session, level, face, first, ReadOnly(rows));
    }

    // A lower level: filtered from `from` as FilterTexture would, kept as
    // filtered when the next level halves from it, then back on the sRGB
    // curve or renormalised, and encoded.
    void MakeLowerBand(const TextureImage& from, uint32_t level, uint32_t face, uint32_t first, uint32_t count,
                       bool keep)
    {
        LibrarySession session;
        BufferShelf::Loan buffer(shelf_);
        const PixelRows rows = BufferRows(buffer, level, count);
        LoadOptions filter;
        filter.filter = filter_;
        LoadBand(session, rows, first, LevelSide(recipe_.height, level), LevelRows(from, face, 0, 0, from.height),
                 filter);
        if (keep)
            std::memcpy(LevelRows(next_, face, 0, first, count).data, buffer.Bytes().data(), buffer.Bytes().size());
        if (recipe_.linearLight)
            ApplyStep(PixelStep::ToSrgb, recipe_.missingZ, buffer.Bytes());
        if (recipe_.normalMap)
            ApplyStep(PixelStep::Renormalise, recipe_.missingZ, buffer.Bytes());
        Encode(session, level, face, first, ReadOnly(rows));
    }

    // `count` rows of a level in the working format, held by the band.
    PixelRows BufferRows(BufferShelf::Loan& buffer, uint32_t level, uint32_t count) const
    {
        const uint32_t width = LevelSide(recipe_.width, level);
        BYTE* bytes = buffer.Resize(DescribeLevel(*FindFormat(recipe_.working), width, count, 1).bytes).data();
        PixelRows rows = WholeRows(bytes, recipe_.working, width, count);
        rows.imageHeight = LevelSide(recipe_.height, level);
        return rows;
    }

    DWORD filter_;
    TextureImage top_;   // level 0 in the working format, in linear light once encoded
    TextureImage above_; // the level above, as filtered, when the filter halves from it
};

} // namespace

bool ChainNeedsBands(const ChainRecipe& recipe, TextureKind kind, uint64_t limit)
{
    if (kind == TextureKind::Volume)
        return false;
    uint64_t bytes = 0;
    return !ChainBytes(*FindFormat(recipe.working), kind, recipe.width, recipe.height, 1, recipe.levels, bytes) ||
           bytes > limit;
}

TextureImage MakeChainFromTop(const TextureImage& source, const ChainRecipe& recipe, WorkPool& pool,
                              const RowArrival* arrival, size_t bandBytes)
{
    return ChainFromTop(source, recipe, arrival, bandBytes).Make(pool);
}

} // namespace r3az8tex
