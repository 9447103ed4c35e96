// The data format descriptor of a KTX2 file: the one basic descriptor
// block that says what a VkFormat's bytes mean (Khronos's data format
// descriptor, version 1.3, its basic block; the KTX 2.0 format requires it to agree
// with vkFormat). Made for a row of the KTX2 format table, and checked
// against the row a file's vkFormat names.
#pragma once

#include "r3az8/tex/files/ktx2_format_table.h"

#include <span>
#include <string>
#include <vector>

namespace r3az8tex::ktx2 {

enum Transfer : BYTE { kTransferLinear = 1, kTransferSrgb = 2 };
inline constexpr BYTE kPrimariesBt709 = 1;
inline constexpr BYTE kFlagPremultiplied = 1;

// What a descriptor says beyond the layout its VkFormat fixes.
struct DescriptorFacts {
    BYTE model;
    BYTE primaries;
    BYTE transfer;
    BYTE flags;
    uint32_t bytesPlane0;

    bool Premultiplied() const { return (flags & kFlagPremultiplied) != 0; }
};

// The descriptor of the row's format, with its dfdTotalSize word first:
// BT.709 primaries, the sRGB transfer function for an sRGB texture and
// the linear one otherwise, the premultiplied flag when asked for, and
// bytesPlane0 0 for supercompressed data (whose planes are not laid out
// until inflated).
std::vector<BYTE> MakeDescriptor(const FormatRow& row, ColourSpace colourSpace, bool premultiplied,
                                 bool supercompressed);

// Checks a file's descriptor (dfdTotalSize first) against the row its
// vkFormat names: one basic block of version 2 first, sizes that add up,
// the model, the texel block, the bytes of a block (or 0 when
// supercompressed), the transfer function sRGB exactly for an _SRGB
// VkFormat, and the samples' channels, bits and kinds. Throws TextureError
// (Malformed) with the reason alone.
DescriptorFacts CheckDescriptor(std::span<const BYTE> descriptor, const FormatRow& row, ColourSpace colourSpace,
                                bool supercompressed);

// "bc7, sRGB transfer, BT.709 primaries, premultiplied alpha".
std::string DescriptorText(const DescriptorFacts& facts);

} // namespace r3az8tex::ktx2
