// The shape tables BC6H and BC7 share: which subset each of a block's 16
// pixels belongs to, the anchor pixels whose index has one bit less, and
// the interpolation weights of 2-, 3- and 4-bit indices. The values are
// those of the formats' published definitions.
#pragma once

#include <cstdint>

namespace bptc {

// The subset (0, 1 or 2) of pixel `pixel` under partition `partition`
// (0..63) of blocks with `subsets` subsets (1, 2 or 3).
unsigned SubsetOf(unsigned subsets, unsigned partition, unsigned pixel);

// The anchor pixel of subset `subset`: pixel 0 for subset 0, otherwise
// from the partition's table.
unsigned AnchorOf(unsigned subsets, unsigned partition, unsigned subset);

// Weight of index `index` of `bits` bits (2, 3 or 4), out of 64.
unsigned WeightOf(unsigned bits, unsigned index);

// ((64 - w) * e0 + w * e1 + 32) >> 6: the blend every index stands for.
inline int Interpolate(int e0, int e1, unsigned weight)
{
    return ((64 - static_cast<int>(weight)) * e0 + static_cast<int>(weight) * e1 + 32) >> 6;
}

} // namespace bptc
