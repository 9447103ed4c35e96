// The band filters follow their whole-image twins step for step (point.cpp,
// linear.cpp, filter_none.cpp, triangle.cpp); only the destination rows
// they visit differ. Each destination pixel is therefore computed from the
// same source pixels with the same weights in the same order.
#include "r3az8/tex/blit/band_filters.h"

#include "r3az8/tex/blit/linear_taps.h"
#include "r3az8/tex/blit/triangle_spread.h"

#include <algorithm>

namespace {

bool IsEmpty(const PixelCodec& codec) { return codec.Width == 0 || codec.Height == 0 || codec.Depth == 0; }

// Source pixels per destination pixel in 16.16 fixed point, as FilterPoint
// steps.
inline uint64_t Step(UINT source, UINT destination) { return (uint64_t(source) << 16) / destination; }

} // namespace

HRESULT FilterNoneBand(PixelCodec& src, PixelCodec& band, UINT first, UINT destHeight)
{
    const UINT copied = std::min(src.Height, destHeight);
    WorkingArray<FloatColor> row = AllocateWorkingArray<FloatColor>(std::max(src.Width, band.Width), Contents::Zeroed);
    WorkingArray<FloatColor> zeros = AllocateWorkingArray<FloatColor>(band.Width, Contents::Zeroed);
    if (!row || !zeros)
        return E_FAIL;
    for (UINT r = 0; r < band.Height; ++r) {
        const UINT y = first + r;
        if (y < copied)
            src.ReadRow(y, 0, row.get());
        band.WriteRow(r, 0, y < copied ? row.get() : zeros.get());
    }
    return S_OK;
}

HRESULT FilterPointBand(PixelCodec& src, PixelCodec& band, UINT first, UINT destHeight)
{
    if (IsEmpty(src) || IsEmpty(band))
        return E_FAIL;
    const uint64_t stepX = Step(src.Width, band.Width);
    const uint64_t stepY = Step(src.Height, destHeight);
    WorkingArray<FloatColor> sourceRow = AllocateWorkingArray<FloatColor>(src.Width, Contents::Uninitialised);
    WorkingArray<FloatColor> destRow = AllocateWorkingArray<FloatColor>(band.Width, Contents::Uninitialised);
    if (!sourceRow || !destRow)
        return E_OUTOFMEMORY;
    bool haveRow = false;
    UINT heldRow = 0;
    for (UINT r = 0; r < band.Height; ++r) {
        const UINT row = UINT(((first + r) * stepY) >> 16);
        if (!haveRow || row != heldRow) {
            src.ReadRow(row, 0, sourceRow.get());
            heldRow = row;
            haveRow = true;
        }
        for (UINT x = 0; x < band.Width; ++x)
            destRow[x] = sourceRow[(x * stepX) >> 16];
        band.WriteRow(r, 0, destRow.get());
    }
    return S_OK;
}

HRESULT FilterLinearBand(PixelCodec& src, PixelCodec& band, UINT first, UINT destHeight, DWORD filter)
{
    if (IsEmpty(src))
        return E_FAIL;
    if (IsEmpty(band))
        return S_OK;
    WorkingArray<LinearTap> xTaps = MakeLinearTaps(band.Width, src.Width, EdgeModeFor(filter, IMAGE_FILTER_MIRROR_U));
    WorkingArray<LinearTap> yTaps = MakeLinearTaps(destHeight, src.Height, EdgeModeFor(filter, IMAGE_FILTER_MIRROR_V));
    WorkingArray<FloatColor> destRow = AllocateWorkingArray<FloatColor>(band.Width, Contents::Uninitialised);
    WorkingArray<FloatColor> rows = AllocateWorkingArray<FloatColor>(size_t(src.Width) * 2, Contents::Uninitialised);
    if (!xTaps || !yTaps || !destRow || !rows)
        return E_OUTOFMEMORY;
    // Two decoded source rows, by index (-1: none); consecutive destination
    // rows mostly share them.
    FloatColor* held[2] = {rows.get(), rows.get() + src.Width};
    int32_t heldIndex[2] = {-1, -1};
    // Row `index`, decoded unless held, in the slot that does not hold `keep`.
    auto hold = [&](int32_t index, int32_t keep) -> const FloatColor* {
        for (int slot = 0; slot < 2; ++slot)
            if (heldIndex[slot] == index)
                return held[slot];
        const int slot = heldIndex[0] == keep ? 1 : 0;
        src.ReadRow(UINT(index), 0, held[slot]);
        heldIndex[slot] = index;
        return held[slot];
    };
    for (UINT r = 0; r < band.Height; ++r) {
        const LinearTap& yTap = yTaps[first + r];
        const FloatColor* nearRow = hold(yTap.index0, yTap.index1);
        const FloatColor* farRow = hold(yTap.index1, yTap.index0);
        for (UINT x = 0; x < band.Width; ++x)
            destRow[x] = Bilinear(nearRow, farRow, xTaps[x], yTap);
        band.WriteRow(r, 0, destRow.get());
    }
    return S_OK;
}

HRESULT FilterTriangleBand(PixelCodec& src, PixelCodec& band, UINT first, UINT destHeight, DWORD filter)
{
    HRESULT failure = S_OK;
    TriangleWeightList xWeights, yWeights;
    if (!MakeWeights(src.Width, band.Width, EdgeModeFor(filter, IMAGE_FILTER_MIRROR_U), xWeights, failure) ||
        !MakeWeights(src.Height, destHeight, EdgeModeFor(filter, IMAGE_FILTER_MIRROR_V), yWeights, failure))
        return failure;

    size_t mostPairs = 0;
    for (UINT i = 0; i < yWeights.sourceSize; ++i)
        mostPairs = std::max<size_t>(mostPairs, yWeights.end(i) - yWeights.begin(i));
    // The band's sums, every row of them at once: a band is a few rows.
    WorkingArray<FloatColor> sums =
        AllocateWorkingArray<FloatColor>(size_t(band.Width) * band.Height, Contents::Zeroed);
    WorkingArray<FloatColor> sourceRow = AllocateWorkingArray<FloatColor>(src.Width, Contents::Uninitialised);
    WorkingArray<RowTarget> targets = AllocateWorkingArray<RowTarget>(mostPairs, Contents::Uninitialised);
    WorkingArray<uint8_t> seen = AllocateWorkingArray<uint8_t>(std::max(band.Width, destHeight), Contents::Zeroed);
    if (!sums || !sourceRow || !targets || !seen)
        return E_OUTOFMEMORY;
    // The loop order is chosen from the whole tables, as the whole-image
    // filter chooses it.
    const bool columnsOutside =
        !(RepeatsDestinations(xWeights, seen.get()) && RepeatsDestinations(yWeights, seen.get()));

    const UINT end = first + band.Height;
    for (UINT i = 0; i < src.Height; ++i) {
        UINT targetCount = 0;
        for (const TriangleWeightPair* pair = yWeights.begin(i); pair != yWeights.end(i); ++pair)
            if (pair->destination >= first && pair->destination < end)
                targets[targetCount++] = {sums.get() + size_t(pair->destination - first) * band.Width, pair->weight};
        if (targetCount == 0)
            continue;
        src.ReadRow(i, 0, sourceRow.get());
        if (columnsOutside)
            SpreadRowColumnsOutside(sourceRow.get(), xWeights, targets.get(), targetCount);
        else
            SpreadRowInOrder(sourceRow.get(), xWeights, targets.get(), targetCount);
    }
    // A row no weight reaches stays black, as in the whole image.
    for (UINT r = 0; r < band.Height; ++r)
        band.WriteRow(r, 0, sums.get() + size_t(r) * band.Width);
    return S_OK;
}
