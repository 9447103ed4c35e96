// A BC6H block as the encoder builds it, before its bits are scattered:
// the mode (a row of bc6h_modes.h), the partition, the quantised endpoints
// in full and the 16 indices.
#pragma once

#include "d3d8.h"

#include <cstdint>

namespace bptc::bc6h {

struct Bc6hBlock {
    unsigned mode = 0;      // index into kModes
    unsigned partition = 0; // two-region modes
    // Endpoints w, x (region 0) and y, z (region 1), red, green, blue, each
    // a number of the mode's precision (signed for signed blocks), never a
    // difference: the writer forms the differences of transformed modes.
    // The differences must fit the mode's widths, and a signed 16-bit
    // endpoint must not be -32768 (which decodes to -infinity).
    int endpoint[4][3] = {};
    // An anchor pixel's index has its top bit clear.
    std::uint8_t index[16] = {};
};

// Packs `block` into 16 bytes, fields from bit 0 of byte 0 upwards.
void WriteBc6hBlock(const Bc6hBlock& block, BYTE* out);

} // namespace bptc::bc6h
