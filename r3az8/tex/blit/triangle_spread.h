// The triangle filter's shared steps: its weight lists and the spreading of
// one decoded source row into the destination rows it reaches. The whole
// image filter (triangle.cpp) and the filter of a band of destination rows
// (band_filters.cpp) both use them, so a band's sums are added in the very
// order the whole image's are.
#pragma once

#include "r3az8/tex/blit/triangle_weights.h"
#include "r3az8/tex/pixel_codec.h"

inline void AddWeighted(FloatColor& into, float weight, const FloatColor& from)
{
    into.r += weight * from.r;
    into.g += weight * from.g;
    into.b += weight * from.b;
    into.a += weight * from.a;
}

// A destination row that one source row reaches, with that row's weight.
struct RowTarget {
    FloatColor* pixels;
    float weight;
};

// Whether some entry names a destination twice: only wrapped tables whose
// destination is narrower than the tent do. `seen` has a zeroed byte per
// destination index and is left zeroed.
inline bool RepeatsDestinations(const TriangleWeightList& weights, uint8_t* seen)
{
    bool repeats = false;
    for (UINT i = 0; i < weights.sourceSize; ++i) {
        for (const TriangleWeightPair* pair = weights.begin(i); pair != weights.end(i); ++pair) {
            repeats = repeats || seen[pair->destination] != 0;
            seen[pair->destination] = 1;
        }
        for (const TriangleWeightPair* pair = weights.begin(i); pair != weights.end(i); ++pair)
            seen[pair->destination] = 0;
    }
    return repeats;
}

// Spreads one decoded source row into the destination rows it reaches, in
// the fixed order: for each source column, for each row pair, for each
// column pair, pixel += (wx x wy) x source.
inline void SpreadRowInOrder(const FloatColor* source, const TriangleWeightList& columns, const RowTarget* targets,
                             UINT targetCount)
{
    for (UINT x = 0; x < columns.sourceSize; ++x) {
        const FloatColor color = source[x];
        for (UINT t = 0; t < targetCount; ++t) {
            const RowTarget target = targets[t];
            for (const TriangleWeightPair* column = columns.begin(x); column != columns.end(x); ++column)
                AddWeighted(target.pixels[column->destination], column->weight * target.weight, color);
        }
    }
}

// The same sums with the column pairs outside the row pairs, so that each
// column's index and weight are read once and the rows' pointers and
// weights stay in registers (unrolled for the usual two to four rows).
// Within one source column the contributions to a pixel (d, c) come from
// the row pairs naming d and the column pairs naming c; when either kind
// is unique, as it is unless both tables repeat destinations, both loop
// orders add them in the same sequence, so the sums are bit for bit those
// of SpreadRowInOrder.
template <UINT Count>
void SpreadRowFixedTargets(const FloatColor* source, const TriangleWeightList& columns, const RowTarget* targets)
{
    FloatColor* rows[Count];
    float weights[Count];
    for (UINT t = 0; t < Count; ++t) {
        rows[t] = targets[t].pixels;
        weights[t] = targets[t].weight;
    }
    for (UINT x = 0; x < columns.sourceSize; ++x) {
        const FloatColor color = source[x];
        for (const TriangleWeightPair* column = columns.begin(x); column != columns.end(x); ++column) {
            const uint32_t c = column->destination;
            const float wx = column->weight;
            for (UINT t = 0; t < Count; ++t)
                AddWeighted(rows[t][c], wx * weights[t], color);
        }
    }
}

inline void SpreadRowColumnsOutside(const FloatColor* source, const TriangleWeightList& columns,
                                    const RowTarget* targets, UINT targetCount)
{
    switch (targetCount) {
    case 1:
        return SpreadRowFixedTargets<1>(source, columns, targets);
    case 2:
        return SpreadRowFixedTargets<2>(source, columns, targets);
    case 3:
        return SpreadRowFixedTargets<3>(source, columns, targets);
    case 4:
        return SpreadRowFixedTargets<4>(source, columns, targets);
    default:
        for (UINT x = 0; x < columns.sourceSize; ++x) {
            const FloatColor color = source[x];
            for (const TriangleWeightPair* column = columns.begin(x); column != columns.end(x); ++column)
                for (UINT t = 0; t < targetCount; ++t)
                    AddWeighted(targets[t].pixels[column->destination], column->weight * targets[t].weight, color);
        }
    }
}

inline bool MakeWeights(UINT sourceSize, UINT destSize, EdgeMode edge, TriangleWeightList& list, HRESULT& failure)
{
    WorkingArray<uint32_t> table = MakeTriangleWeights(sourceSize, destSize, edge);
    if (!table) {
        failure = E_FAIL;
        return false;
    }
    if (!ReadTriangleWeights(table.get(), sourceSize, list)) {
        failure = E_OUTOFMEMORY;
        return false;
    }
    return true;
}
