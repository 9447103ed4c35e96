// The ASTC formats, one row per 2D block footprint: the code, the footprint
// and the names users type. They sit in the texture format table beside
// the library's catalogue formats but not in the catalogue itself: the
// D3D8-era loads and device never hold them, and libastcenc (astc_codec.h)
// encodes and decodes their blocks for the conversions.
//
// Every footprint stores 16 bytes per block, as the ASTC format's public
// description (the ASTC chapter of Khronos's data format descriptions) fixes.
#pragma once

#include "r3az8/tex/pixel_formats.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>

namespace r3az8tex {

struct AstcFormat {
    D3DFORMAT format;
    std::uint8_t blockWidth;
    std::uint8_t blockHeight;
    const char* name;       // the format table's: "astc4x4"
    const char* vulkanName; // as Vulkan and the DXGI-style names have it, without _unorm or _srgb: "astc_4x4"
    D3DFORMAT floatFormat;  // the footprint's HDR form, whose blocks decode to floats
    const char* floatName;  // "astc4x4_float"
};

inline constexpr std::uint8_t kAstcBlockBytes = 16;

// clang-format off
inline constexpr AstcFormat kAstcFormats[] = {
    {FMT_ASTC_4X4,     4,  4, "astc4x4",   "astc_4x4",   FMT_ASTC_4X4_F,    "astc4x4_float"},
    {FMT_ASTC_5X4,     5,  4, "astc5x4",   "astc_5x4",   FMT_ASTC_5X4_F,    "astc5x4_float"},
    {FMT_ASTC_5X5,     5,  5, "astc5x5",   "astc_5x5",   FMT_ASTC_5X5_F,    "astc5x5_float"},
    {FMT_ASTC_6X5,     6,  5, "astc6x5",   "astc_6x5",   FMT_ASTC_6X5_F,    "astc6x5_float"},
    {FMT_ASTC_6X6,     6,  6, "astc6x6",   "astc_6x6",   FMT_ASTC_6X6_F,    "astc6x6_float"},
    {FMT_ASTC_8X5,     8,  5, "astc8x5",   "astc_8x5",   FMT_ASTC_8X5_F,    "astc8x5_float"},
    {FMT_ASTC_8X6,     8,  6, "astc8x6",   "astc_8x6",   FMT_ASTC_8X6_F,    "astc8x6_float"},
    {FMT_ASTC_8X8,     8,  8, "astc8x8",   "astc_8x8",   FMT_ASTC_8X8_F,    "astc8x8_float"},
    {FMT_ASTC_10X5,   10,  5, "astc10x5",  "astc_10x5",  FMT_ASTC_10X5_F,   "astc10x5_float"},
    {FMT_ASTC_10X6,   10,  6, "astc10x6",  "astc_10x6",  FMT_ASTC_10X6_F,   "astc10x6_float"},
    {FMT_ASTC_10X8,   10,  8, "astc10x8",  "astc_10x8",  FMT_ASTC_10X8_F,   "astc10x8_float"},
    {FMT_ASTC_10X10,  10, 10, "astc10x10", "astc_10x10", FMT_ASTC_10X10_F,  "astc10x10_float"},
    {FMT_ASTC_12X10,  12, 10, "astc12x10", "astc_12x10", FMT_ASTC_12X10_F,  "astc12x10_float"},
    {FMT_ASTC_12X12,  12, 12, "astc12x12", "astc_12x12", FMT_ASTC_12X12_F,  "astc12x12_float"},
};
// clang-format on

inline constexpr std::size_t kAstcFormatCount = std::size(kAstcFormats);

// The format's index in kAstcFormats (its LDR or its HDR form), or
// kAstcFormatCount. Constant
// expressions ask this rather than compare FindAstcFormat's pointer with
// null, which the sanitizer build does not fold.
constexpr std::size_t IndexOfAstcFormat(D3DFORMAT format)
{
    std::size_t index = 0;
    while (index < kAstcFormatCount && kAstcFormats[index].format != format &&
           kAstcFormats[index].floatFormat != format)
        ++index;
    return index;
}

// The format's row, or null.
constexpr const AstcFormat* FindAstcFormat(D3DFORMAT format)
{
    const std::size_t index = IndexOfAstcFormat(format);
    return index < kAstcFormatCount ? &kAstcFormats[index] : nullptr;
}

constexpr bool IsAstcFormat(D3DFORMAT format) { return IndexOfAstcFormat(format) < kAstcFormatCount; }

// Whether the format is a footprint's HDR form.
constexpr bool IsAstcFloatFormat(D3DFORMAT format)
{
    const std::size_t index = IndexOfAstcFormat(format);
    return index < kAstcFormatCount && kAstcFormats[index].floatFormat == format;
}

// The HDR form of an ASTC format's footprint (itself for an HDR form).
constexpr D3DFORMAT AstcFloatForm(D3DFORMAT format)
{
    const std::size_t index = IndexOfAstcFormat(format);
    return index < kAstcFormatCount ? kAstcFormats[index].floatFormat : format;
}

// Why a container without ASTC (DDS) refuses to hold the format.
inline std::string AstcContainerRefusal(const char* formatName, const char* container)
{
    return std::string(formatName) + " is written to KTX2 only: " + container + " has no ASTC format";
}

namespace astc_format_checks {

// The footprints the ASTC format allows in 2D: 4 to 12 across, 4 to 12
// down, never taller than wide.
constexpr bool FootprintsAreSound()
{
    for (const AstcFormat& row : kAstcFormats)
        if (row.blockWidth < 4 || row.blockWidth > 12 || row.blockHeight < 4 || row.blockHeight > row.blockWidth)
            return false;
    return true;
}
static_assert(FootprintsAreSound());
static_assert(kAstcFormatCount == 14, "the fourteen 2D footprints");

} // namespace astc_format_checks

} // namespace r3az8tex
