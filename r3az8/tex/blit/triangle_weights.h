// Triangle (tent) weights of one axis: how much of each source pixel goes
// into which destination pixels.
//
// Source pixel j is spread by a tent two source pixels wide centred on its
// centre; its weight in destination pixel p is the integral of the tent over
// p, so the weights reaching each destination pixel sum to 1. Past an edge
// the tent wraps to the other side or, mirrored, folds back inside.
#pragma once

#include "r3az8/tex/blit/edge_mode.h"
#include "r3az8/tex/working_memory.h"

// The table is one block of 32-bit words:
//   word 0: the table's size in bytes, this word included;
//   then one entry per source index, in order: the entry's size in bytes
//   (its size word included), then pairs (destination index, unsigned;
//   weight, a float's bits). Pairs of weight 0.00001 or less are left out.
//
// Null when either size is 0, memory runs out, the table would not fit its
// 32-bit size word, or the filling would pass the capacity worked out
// before it (reported through the assertion "uSize <= uSizeMax"; nothing is
// written past the block).
WorkingArray<uint32_t> MakeTriangleWeights(UINT sourceSize, UINT destSize, EdgeMode edge);

// The pairs of a table laid out for the filters' inner loops: entry j's
// pairs are pairs[first[j]] .. pairs[first[j + 1] - 1].
struct TriangleWeightPair {
    uint32_t destination;
    float weight;
};

struct TriangleWeightList {
    WorkingArray<TriangleWeightPair> pairs;
    WorkingArray<uint32_t> first; // sourceSize + 1 offsets
    UINT sourceSize = 0;

    const TriangleWeightPair* begin(UINT source) const { return pairs.get() + first[source]; }
    const TriangleWeightPair* end(UINT source) const { return pairs.get() + first[source + 1]; }
};

// Unpacks a table made by MakeTriangleWeights for sourceSize source
// indices. False when memory runs out.
bool ReadTriangleWeights(const uint32_t* table, UINT sourceSize, TriangleWeightList& list);

// MakeTriangleWeights with the capacity forced to capacityBytes, to show
// that a filling which would pass it stops (and fails) instead.
WorkingArray<uint32_t> MakeTriangleWeightsWithCapacityForTesting(UINT sourceSize, UINT destSize, EdgeMode edge,
                                                      size_t capacityBytes);
