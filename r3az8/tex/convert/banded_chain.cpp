#include "r3az8/tex/convert/banded_chain.h"

#include "r3az8/tex/codecs/block_formats.h"
#include "r3az8/tex/codecs/format_catalogue.h"
#include "r3az8/tex/convert/block_compression.h"
#include "r3az8/tex/convert/chain_bands.h"
#include "r3az8/tex/convert/pixel_steps.h"
#include "r3az8/tex/convert/working_levels.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace r3az8tex {
namespace {

// Rows [first, first + count) of one face of a level.
struct Band {
    uint32_t face;
    uint32_t first;
    uint32_t count;
};

// Bands start on multiples of 4 rows: blocks are 4 rows high and the
// dither pattern repeats every 4 rows, so a band is converted exactly as
// the same rows of the whole level would be; an even start also keeps every
// 2x2 box quad inside one band.
std::vector<Band> SplitLevel(uint32_t faces, uint32_t height, size_t rowBytes, size_t bandBytes)
{
    const uint32_t rows = BandRows(rowBytes, bandBytes);
    std::vector<Band> bands;
    for (uint32_t face = 0; face < faces; ++face)
        for (uint32_t first = 0; first < height; first += rows)
            bands.push_back({face, first, std::min(rows, height - first)});
    return bands;
}

// The rows of the next level that a band of this level halves into: an odd
// last row of a level is left out by the box filter, as for the whole level.
Band HalvedBand(const Band& band, uint32_t height, uint32_t nextHeight)
{
    const uint32_t end = band.first + band.count == height ? nextHeight : (band.first + band.count) / 2;
    const uint32_t first = band.first / 2;
    return {band.face, first, end > first ? end - first : 0};
}

// The band's rows of the source, once a reader still filling level 0 has
// filled them.
SourceRows SourceBand(const TextureImage& source, const RowArrival* arrival, const Band& band, uint32_t level)
{
    if (arrival != nullptr)
        arrival->WaitFor(band.first + band.count);
    return LevelRows(source, band.face, level, band.first, band.count);
}

// Rows of the working format held by the conversion for one band.
PixelRows BufferRows(BufferShelf::Loan& buffer, D3DFORMAT format, uint32_t width, uint32_t rows)
{
    return WholeRows(buffer.Resize(DescribeLevel(*FindFormat(format), width, rows, 1).bytes).data(), format, width,
                     rows);
}

class BandedChain : private ChainBands {
public:
    BandedChain(const TextureImage& source, const ChainRecipe& recipe, const RowArrival* arrival, size_t bandBytes)
        : ChainBands(source, recipe, arrival, bandBytes)
    {
        box_.filter = recipe.mipFilter == IMAGE_FILTER_DEFAULT ? IMAGE_FILTER_BOX : recipe.mipFilter;
        // FilterTexture's word for cube faces, which the box filter reads
        // no differently.
        if (source.kind == TextureKind::Cube)
            box_.filter |= IMAGE_FILTER_MIRROR;
    }

    TextureImage Make(WorkPool& pool)
    {
        result_ = MakeChainResult(recipe_, source_.kind);
        if (recipe_.resized) {
            if (arrival_ != nullptr)
                arrival_->WaitForAll();
            top_ = ResampleWorkingTop(source_, recipe_.working, recipe_.width, recipe_.height, recipe_.resample, pool);
        }
        for (uint32_t level = 0; level < recipe_.levels; ++level) {
            const bool last = level + 1 == recipe_.levels;
            if (!last)
                next_ = MakeWorkingImage(recipe_.working, source_.kind, LevelSide(recipe_.width, level + 1),
                                         LevelSide(recipe_.height, level + 1));
            const uint32_t height = LevelSide(recipe_.height, level);
            const size_t rowBytes = DescribeLevel(*FindFormat(recipe_.working), LevelSide(recipe_.width, level), 1, 1)
                                        .rowPitch;
            const std::vector<Band> bands = SplitLevel(result_.Faces(), height, rowBytes, bandBytes_);
            pool.ForEach(bands.size(), [&](size_t i) { MakeBand(level, bands[i], last); });
            current_ = std::move(next_);
            next_ = {};
            top_.reset();
        }
        return std::move(result_);
    }

private:
    void MakeBand(uint32_t level, const Band& band, bool last)
    {
        LibrarySession session;
        const uint32_t width = LevelSide(recipe_.width, level);
        BufferShelf::Loan buffer(shelf_);
        SourceRows filtered{};
        if (level == 0) {
            // Level 0 in the working format, its stored values encoded as
            // they are; the lower levels are made from them in linear light.
            PixelRows stored = BufferRows(buffer, recipe_.working, width, band.count);
            if (top_)
                std::memcpy(stored.data, LevelRows(*top_, band.face, 0, band.first, band.count).data,
                            buffer.Bytes().size());
            else
                LoadRows(session, stored, SourceBand(source_, arrival_, band, 0), recipe_.resample);
            if (recipe_.normalMap)
                ApplyStep(PixelStep::Renormalise, recipe_.missingZ, buffer.Bytes());
            if (!recipe_.keepTop)
                EncodeRows(session, LevelRows(result_, band.face, 0, band.first, band.count), ReadOnly(stored),
                           recipe_.finalStep, recipe_.encoding, shelf_);
            if (last)
                return;
            if (recipe_.linearLight)
                ApplyStep(PixelStep::ToLinear, recipe_.missingZ, buffer.Bytes());
            filtered = ReadOnly(stored);
        } else {
            filtered = LevelRows(std::as_const(current_), band.face, 0, band.first, band.count);
            SourceRows stored = filtered;
            if (recipe_.linearLight || recipe_.normalMap) {
                PixelRows copy = BufferRows(buffer, recipe_.working, width, band.count);
                std::memcpy(copy.data, filtered.data, buffer.Bytes().size());
                ApplyStep(recipe_.linearLight ? PixelStep::ToSrgb : PixelStep::Renormalise, recipe_.missingZ,
                          buffer.Bytes());
                stored = ReadOnly(copy);
            }
            EncodeRows(session, LevelRows(result_, band.face, level, band.first, band.count), stored,
                       recipe_.finalStep, recipe_.encoding, shelf_);
            if (last)
                return;
        }
        const Band half = HalvedBand(band, LevelSide(recipe_.height, level), LevelSide(recipe_.height, level + 1));
        if (half.count > 0)
            LoadRows(session, LevelRows(next_, band.face, 0, half.first, half.count), filtered, box_);
    }

    LoadOptions box_;
    std::optional<TextureImage> top_; // level 0 resampled, when the recipe resizes
    TextureImage current_;            // the level being worked on (below 0), as filtered
};

} // namespace

bool ChainHalvesWithBox(const ChainRecipe& recipe, TextureKind kind)
{
    if (kind == TextureKind::Volume || !recipe.regenerate)
        return false;
    if (recipe.mipFilter == IMAGE_FILTER_DEFAULT)
        return IsPowerOfTwo(recipe.width) && IsPowerOfTwo(recipe.height);
    return FilterType(recipe.mipFilter) == IMAGE_FILTER_BOX;
}

TextureImage MakeChainInBands(const TextureImage& source, const ChainRecipe& recipe, WorkPool& pool,
                              const RowArrival* arrival, size_t bandBytes)
{
    return BandedChain(source, recipe, arrival, bandBytes).Make(pool);
}

TextureImage ConvertInBands(const TextureImage& source, D3DFORMAT format, uint32_t levels, const LoadOptions& options,
                            const BlockEncoding& encoding, WorkPool& pool, const RowArrival* arrival,
                            size_t bandBytes)
{
    if (source.kind == TextureKind::Volume) {
        if (arrival != nullptr)
            arrival->WaitForAll();
        return EncodeSlices(source, format, levels, options, encoding, pool);
    }
    TextureImage result = MakeTexture(format, source.kind, source.width, source.height, 1, levels);
    BufferShelf shelf;
    if (FindFormat(format)->content == Content::Paletted)
        result.palette = options.destinationPalette;
    for (uint32_t level = 0; level < levels; ++level) {
        // Sized by the rows the encoders work on: 16-bit, or floats for BC6H.
        const LevelLayout layout = source.Level(level);
        const size_t rowBytes = size_t(layout.width) * FindCodecFormat(EncoderInputFormat(format))->unitBytes;
        const std::vector<Band> bands = SplitLevel(result.Faces(), layout.height, rowBytes, bandBytes);
        pool.ForEach(bands.size(), [&](size_t i) {
            LibrarySession session;
            const Band& band = bands[i];
            EncodeRows(session, LevelRows(result, band.face, level, band.first, band.count),
                       SourceBand(source, level == 0 ? arrival : nullptr, band, level), options, encoding, shelf);
        });
    }
    return result;
}

} // namespace r3az8tex
