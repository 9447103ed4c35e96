// How a KTX2 file names each of the library's formats it holds: the
// VkFormat (by number and by the name Vulkan gives it) with its sRGB twin,
// the facts of the basic data format descriptor that goes with it, and the
// reordering some stored layouts need. One row per format, checked against
// the library's format catalogue when the table compiles. The numbers are
// those of the Vulkan API registry (vk.xml, VkFormat); the descriptors
// follow Khronos's data format descriptor, version 1.3, as the KTX 2.0
// format requires it.
#pragma once

#include "r3az8/tex/files/dds_format_table.h"
#include "r3az8/tex/texture.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace r3az8tex::ktx2 {

// A VkFormat and its name without the VK_FORMAT_ prefix; number 0 and no
// name for none.
struct VkName {
    uint32_t number;
    const char* name;

    constexpr bool Exists() const { return name != nullptr; }
};

// Colour models of the descriptor (khr_df_model_e).
enum Model : BYTE {
    kModelRgbsda = 1,
    kModelBc1a = 128,
    kModelBc2 = 129,
    kModelBc3 = 130,
    kModelBc4 = 131,
    kModelBc5 = 132,
    kModelBc6h = 133,
    kModelBc7 = 134,
    kModelAstc = 162,
};

// Channel numbers of the RGBSDA model; the block models number their own
// (colour 0, BC1's alpha-present 1, the alpha of BC2 and BC3 15, BC5's
// green 1).
enum Channel : BYTE { kChannelRed = 0, kChannelGreen = 1, kChannelBlue = 2, kChannelAlpha = 15 };

// What a sample's values are; the descriptor's qualifier bits and limits
// follow.
enum class Numbers : BYTE { Unorm, Snorm, Ufloat, Sfloat };

// Sample qualifier bits, the top four bits of the channel byte.
inline constexpr BYTE kQualifierLinear = 0x80;
inline constexpr BYTE kQualifierExponent = 0x40;
inline constexpr BYTE kQualifierSigned = 0x20;
inline constexpr BYTE kQualifierFloat = 0x10;

struct Sample {
    BYTE channel;
    uint16_t bitOffset;
    BYTE bits;
    BYTE qualifiers = 0; // beyond those the numbers imply (the exponents of a shared exponent)
};

inline constexpr size_t kMaxSamples = 6;

struct FormatRow {
    D3DFORMAT format;
    VkName vk;
    VkName vkSrgb; // the sRGB twin, for a texture whose colours are sRGB-encoded
    Model model;
    BYTE blockWidth, blockHeight; // texels of one block; 1 x 1 for formats of whole pixels
    UINT typeSize;                // the header's typeSize: 1 for blocks, the size of one component otherwise
    Numbers numbers;
    BYTE sampleCount;
    std::array<Sample, kMaxSamples> samples; // in the order of their bit offsets
    // From our layout to the VkFormat's, and back.
    dds::Swizzle swizzle = dds::Swizzle::None;
    // The KTXswizzle value that says how the channels are shown: a
    // luminance format is stored in red (and alpha in green) and shown as
    // grey. Null for none.
    const char* shownAs = nullptr;

    constexpr bool IsBlock() const { return model != kModelRgbsda; }
};

// The rows, one per format KTX2 holds.
std::span<const FormatRow> FormatRows();
// The format's row, or null when KTX2 has no VkFormat for it.
const FormatRow* FindRow(D3DFORMAT format);

// A VkFormat as a file names it: the row, and whether it is the sRGB twin.
struct Reading {
    const FormatRow* row;
    ColourSpace colourSpace;
    // Signed BC4 and BC5 blocks are read as unsigned ones.
    dds::Swizzle swizzle;
};
// The row a VkFormat is read as (the written ones, BC1's RGB forms as
// dxt1, the signed BC4 and BC5 blocks), or null.
std::optional<Reading> ReadingOf(uint32_t vkFormat, bool shownAsGrey);

// "BC7_SRGB_BLOCK", or "VkFormat N" for a number no row names.
std::string VkFormatName(uint32_t vkFormat);

// Why a format has no place in a KTX2 file, for the refusals.
std::string NoVkFormatReason(D3DFORMAT format);

} // namespace r3az8tex::ktx2
