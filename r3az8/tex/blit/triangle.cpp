// The triangle filter: tent-weighted resampling for any size ratio, and the
// fallback of every request no earlier operation took.
//
// Each source row is decoded once and spread at once into every destination
// row (2D) or slice (3D) its weights reach. A destination row is encoded as
// soon as its last contribution has arrived; its buffer then goes to a free
// list for the next row that needs one, so only the filter's footprint of
// rows is ever alive.
#include "r3az8/tex/blit/triangle_spread.h"
#include "r3az8/tex/blitter.h"

#include <algorithm>
#include <cstring>

namespace {

// One per destination row (2D) or slice (3D).
struct RowSlot {
    FloatColor* pixels; // owned; null until the first contribution
    RowSlot* nextFree;  // link of the free list
    UINT pending;       // weight pairs still to arrive
};

// The slots of one operation and the free list of finished ones, whose
// buffers are handed on rather than freed.
class SlotPool {
public:
    SlotPool(UINT count, size_t pixelsPerBuffer)
        : m_slots(AllocateWorkingArray<RowSlot>(count, Contents::Zeroed)), m_count(count),
          m_pixelsPerBuffer(pixelsPerBuffer)
    {
    }
    ~SlotPool()
    {
        if (m_slots)
            for (UINT i = 0; i < m_count; ++i)
                FreeWorkingMemory(m_slots[i].pixels);
    }
    SlotPool(const SlotPool&) = delete;
    SlotPool& operator=(const SlotPool&) = delete;

    bool Valid() const { return m_slots != nullptr; }
    RowSlot& operator[](UINT index) { return m_slots[index]; }
    UINT Count() const { return m_count; }

    // Gives the slot a cleared buffer unless it has one: a finished slot's,
    // or a new one. False when memory runs out.
    bool Provide(RowSlot& slot)
    {
        if (slot.pixels)
            return true;
        if (RowSlot* donor = m_free) {
            m_free = donor->nextFree;
            slot.pixels = donor->pixels;
            donor->pixels = nullptr;
        } else {
            slot.pixels = AllocateWorkingArray<FloatColor>(m_pixelsPerBuffer, Contents::Uninitialised).release();
            if (!slot.pixels)
                return false;
        }
        std::memset(slot.pixels, 0, m_pixelsPerBuffer * sizeof(FloatColor));
        return true;
    }

    // The slot's rows are written; its buffer may go to another slot.
    void Retire(RowSlot& slot)
    {
        slot.nextFree = m_free;
        m_free = &slot;
    }

private:
    WorkingArray<RowSlot> m_slots;
    UINT m_count;
    size_t m_pixelsPerBuffer;
    RowSlot* m_free = nullptr;
};

// The most pairs any one entry has.
size_t MostPairs(const TriangleWeightList& weights)
{
    size_t most = 0;
    for (UINT i = 0; i < weights.sourceSize; ++i)
        most = std::max<size_t>(most, weights.end(i) - weights.begin(i));
    return most;
}

// Counts the pairs that will reach each slot.
void CountPending(const TriangleWeightList& weights, SlotPool& slots)
{
    for (UINT i = 0; i < weights.sourceSize; ++i)
        for (const TriangleWeightPair* pair = weights.begin(i); pair != weights.end(i); ++pair)
            ++slots[pair->destination].pending;
}

// A destination row of a slice that one source row reaches (3D): its slice
// weight and row weight kept apart, as the products are formed
// wz x (wx x wy).
struct SliceRowTarget {
    FloatColor* pixels;
    float sliceWeight;
    float rowWeight;
};

} // namespace

HRESULT Blitter::FilterTriangle2D()
{
    PixelCodec& src = *pSrc;
    PixelCodec& dest = *pDest;
    if (src.Depth != 1 || dest.Depth != 1)
        return E_FAIL;

    HRESULT failure = S_OK;
    TriangleWeightList xWeights, yWeights;
    if (!MakeWeights(src.Width, dest.Width, EdgeModeFor(Filter, IMAGE_FILTER_MIRROR_U), xWeights, failure) ||
        !MakeWeights(src.Height, dest.Height, EdgeModeFor(Filter, IMAGE_FILTER_MIRROR_V), yWeights, failure))
        return failure;

    SlotPool slots(dest.Height, dest.Width);
    WorkingArray<FloatColor> sourceRow = AllocateWorkingArray<FloatColor>(src.Width, Contents::Uninitialised);
    WorkingArray<RowTarget> targets = AllocateWorkingArray<RowTarget>(MostPairs(yWeights), Contents::Uninitialised);
    if (!slots.Valid() || !sourceRow || !targets)
        return E_OUTOFMEMORY;
    CountPending(yWeights, slots);

    // Which loop order gives the fixed per-pixel order of additions (see
    // SpreadRowColumnsOutside).
    WorkingArray<uint8_t> seen = AllocateWorkingArray<uint8_t>(std::max(dest.Width, dest.Height), Contents::Zeroed);
    if (!seen)
        return E_OUTOFMEMORY;
    const bool columnsOutside = !(RepeatsDestinations(xWeights, seen.get()) && RepeatsDestinations(yWeights, seen.get()));

    // A destination row no weight reaches (only for extreme reductions,
    // where every weight falls below the threshold) is written black rather
    // than left as it was.
    for (UINT d = 0; d < slots.Count(); ++d) {
        if (slots[d].pending == 0) {
            if (!slots.Provide(slots[d]))
                return E_OUTOFMEMORY;
            dest.WriteRow(d, 0, slots[d].pixels);
            slots.Retire(slots[d]);
        }
    }

    for (UINT i = 0; i < src.Height; ++i) {
        UINT targetCount = 0;
        for (const TriangleWeightPair* pair = yWeights.begin(i); pair != yWeights.end(i); ++pair) {
            RowSlot& slot = slots[pair->destination];
            if (!slots.Provide(slot))
                return E_OUTOFMEMORY;
            targets[targetCount++] = {slot.pixels, pair->weight};
        }

        src.ReadRow(i, 0, sourceRow.get());
        if (columnsOutside)
            SpreadRowColumnsOutside(sourceRow.get(), xWeights, targets.get(), targetCount);
        else
            SpreadRowInOrder(sourceRow.get(), xWeights, targets.get(), targetCount);

        for (const TriangleWeightPair* pair = yWeights.begin(i); pair != yWeights.end(i); ++pair) {
            RowSlot& slot = slots[pair->destination];
            if (--slot.pending == 0) {
                dest.WriteRow(pair->destination, 0, slot.pixels);
                slots.Retire(slot);
            }
        }
    }
    return S_OK;
}

HRESULT Blitter::FilterTriangle3D()
{
    PixelCodec& src = *pSrc;
    PixelCodec& dest = *pDest;

    HRESULT failure = S_OK;
    TriangleWeightList xWeights, yWeights, zWeights;
    if (!MakeWeights(src.Width, dest.Width, EdgeModeFor(Filter, IMAGE_FILTER_MIRROR_U), xWeights, failure) ||
        !MakeWeights(src.Height, dest.Height, EdgeModeFor(Filter, IMAGE_FILTER_MIRROR_V), yWeights, failure) ||
        !MakeWeights(src.Depth, dest.Depth, EdgeModeFor(Filter, IMAGE_FILTER_MIRROR_W), zWeights, failure))
        return failure;

    const size_t slicePixels = size_t(dest.Width) * dest.Height;
    SlotPool slots(dest.Depth, slicePixels);
    WorkingArray<FloatColor> sourceRow = AllocateWorkingArray<FloatColor>(src.Width, Contents::Uninitialised);
    // At most (pairs of one z entry) x (pairs of one y entry) targets per row.
    WorkingArray<SliceRowTarget> targets =
        AllocateWorkingArray<SliceRowTarget>(MostPairs(zWeights) * MostPairs(yWeights), Contents::Uninitialised);
    if (!slots.Valid() || !sourceRow || !targets)
        return E_OUTOFMEMORY;
    CountPending(zWeights, slots);

    auto writeSlice = [&](UINT d) {
        for (UINT e = 0; e < dest.Height; ++e)
            dest.WriteRow(e, d, slots[d].pixels + size_t(e) * dest.Width);
        slots.Retire(slots[d]);
    };

    for (UINT d = 0; d < slots.Count(); ++d) {
        if (slots[d].pending == 0) {
            if (!slots.Provide(slots[d]))
                return E_OUTOFMEMORY;
            writeSlice(d);
        }
    }

    for (UINT i = 0; i < src.Depth; ++i) {
        for (const TriangleWeightPair* slice = zWeights.begin(i); slice != zWeights.end(i); ++slice)
            if (!slots.Provide(slots[slice->destination]))
                return E_OUTOFMEMORY;

        for (UINT j = 0; j < src.Height; ++j) {
            UINT targetCount = 0;
            for (const TriangleWeightPair* slice = zWeights.begin(i); slice != zWeights.end(i); ++slice)
                for (const TriangleWeightPair* row = yWeights.begin(j); row != yWeights.end(j); ++row)
                    targets[targetCount++] = {slots[slice->destination].pixels + size_t(row->destination) * dest.Width,
                                              slice->weight, row->weight};

            src.ReadRow(j, i, sourceRow.get());
            for (UINT x = 0; x < src.Width; ++x) {
                const FloatColor color = sourceRow[x];
                const TriangleWeightPair* columnsBegin = xWeights.begin(x);
                const TriangleWeightPair* columnsEnd = xWeights.end(x);
                for (UINT t = 0; t < targetCount; ++t) {
                    const SliceRowTarget target = targets[t];
                    for (const TriangleWeightPair* column = columnsBegin; column != columnsEnd; ++column)
                        AddWeighted(target.pixels[column->destination],
                                    target.sliceWeight * (column->weight * target.rowWeight), color);
                }
            }
        }

        for (const TriangleWeightPair* slice = zWeights.begin(i); slice != zWeights.end(i); ++slice)
            if (--slots[slice->destination].pending == 0)
                writeSlice(slice->destination);
    }
    return S_OK;
}
