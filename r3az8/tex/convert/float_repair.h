// Float textures may hold values no filter can use: NaN, infinities, and
// negative values where the result cannot store them. One such value would
// spread through every level made from it (a NaN turns each average it
// enters into NaN), so they are replaced before anything is filtered:
//
//   NaN                 0
//   +infinity           65504, the largest half: every float format holds
//                       it, and sums of it inside a filter stay finite
//   -infinity           -65504, or 0 where negatives are not stored
//   negative (finite)   kept, or 0 where negatives are not stored
//
// Formats that store no negatives are the unsigned floats: bc6h_uf16,
// r11g11b10_float and r9g9b9e5_sharedexp. Integer results clamp negative
// values to 0 themselves, so they keep them here.
#pragma once

#include "r3az8/tex/texture/texture_image.h"

#include <cstdint>
#include <string>

namespace r3az8tex {

struct FloatRepairs {
    uint64_t notANumber = 0;
    uint64_t infinite = 0;
    uint64_t negative = 0; // finite values below 0 made 0
    // Finite values above 1, which an output of 0..1 clips; not replaced
    // here, as the conversion clips them itself, but said.
    uint64_t clipped = 0;

    uint64_t Total() const { return notANumber + infinite + negative; }
    // "3 float values replaced before filtering: 1 NaN by 0, 2 infinite by
    // +-65504"; empty when nothing was.
    std::string Text() const;
    // "189 float values above 1 clipped to 1: dxt1 stores 0..1 (a float
    // format or bc6h keeps them)"; empty when none were.
    std::string ClippingText(D3DFORMAT output) const;
};

// Whether the format's values are stored as plain half or 32-bit float
// channels, which RepairFloats works on; and the bytes of one (2 or 4; 0
// for the other formats).
bool HasFloatChannels(D3DFORMAT format);
size_t FloatChannelBytes(D3DFORMAT format);

// Whether `output` stores negative values (see above), and values above 1.
bool StoresNegatives(D3DFORMAT output);
bool StoresAboveOne(D3DFORMAT output);

// Counts what would be replaced for a texture converted to `output`,
// without changing it; all zero for a texture without float channels.
FloatRepairs FindFloatRepairs(const TextureImage& texture, D3DFORMAT output);
// Replaces those values in place and counts them.
FloatRepairs RepairFloats(TextureImage& texture, D3DFORMAT output);
// What FindFloatRepairs finds in one level (every face and slice of it).
FloatRepairs FindFloatRepairs(const TextureImage& texture, D3DFORMAT output, uint32_t level);

} // namespace r3az8tex
