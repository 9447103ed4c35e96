// What the encoder knows of a BC7 block: the eight modes' fields, one block
// as numbers, and its packing into 128 bits, mode bit first.
#pragma once

#include "d3d8.h"

#include <cstdint>

namespace bptc {

struct Bc7ModeLayout {
    unsigned subsets;
    unsigned partitionBits;
    unsigned rotationBits;
    unsigned selectorBits;
    unsigned colorBits;       // per endpoint channel, before the p-bit
    unsigned alphaBits;       // 0: no alpha, it decodes to 255
    unsigned pBits;           // 0 none, 1 one per endpoint, 2 one per subset
    unsigned indexBits;       // the first index set
    unsigned secondIndexBits; // modes 4 and 5: the second set; 0 otherwise
};

inline constexpr Bc7ModeLayout kBc7Modes[8] = {
    {3, 4, 0, 0, 4, 0, 1, 3, 0}, {2, 6, 0, 0, 6, 0, 2, 3, 0}, {3, 6, 0, 0, 5, 0, 0, 2, 0},
    {2, 6, 0, 0, 7, 0, 1, 2, 0}, {1, 0, 2, 1, 5, 6, 0, 2, 3}, {1, 0, 2, 0, 7, 8, 0, 2, 2},
    {1, 0, 0, 0, 7, 7, 1, 4, 0}, {2, 6, 0, 0, 5, 5, 1, 2, 0},
};

// One block in numbers. Endpoints 2s and 2s+1 belong to subset s; a
// channel's raw value has the mode's width, without its p-bit. Modes 4
// and 5 give colour and alpha index sets of their own; the others use
// colorIndex for every channel.
struct Bc7Block {
    unsigned mode = 6;
    unsigned partition = 0;
    unsigned rotation = 0;
    unsigned selector = 0;
    unsigned raw[6][4] = {};
    unsigned pBit[6] = {};
    unsigned colorIndex[16] = {};
    unsigned alphaIndex[16] = {};
};

// The block's 16 bytes. The anchor pixels' indices must already have their
// top bit clear (the encoder swaps endpoints so that they do).
void WriteBc7Block(const Bc7Block& block, BYTE* out);

// A stored channel with its p-bit appended, `bits` wide in all, widened to
// 8 bits by repeating its top bits below it.
inline int ExpandBc7(unsigned value, unsigned bits)
{
    value <<= 8 - bits;
    return static_cast<int>(value | value >> bits);
}

} // namespace bptc
