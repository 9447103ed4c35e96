// Every pixel format the texture files hold, with the facts every
// container shares: storage unit, channel content, name. How each
// container names a format is its own table (files/dds_format_table.h).
// One row per format of the texture library's format catalogue, checked
// against it when this table compiles.
#pragma once

#include "d3d8.h"
#include "r3az8/tex/texture.h"
#include "r3az8/tex/codecs/format_catalogue.h"
#include "r3az8/tex/pixel_codec.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace r3az8tex {

// How pixels are grouped in memory, as the library stores them: Packed,
// PixelPair (YUY2, UYVY, RGBG, GRGB: four bytes per two horizontally
// adjacent pixels), Block4x4 (DXT, BC6H, BC7: one block of unitBytes per
// 4x4 pixels) or FootprintBlock (ASTC: one block per footprint of 4x4 to
// 12x12 pixels). Each row also gives its unit's footprint, which is what
// sizes a level.
using Storage = PixelStorage;

// What the channels mean, for decisions that depend on meaning rather than
// layout (gamma-correct filtering, normal-map handling, PNG bit depth).
enum class Content : BYTE {
    Colour,    // RGB colour, sRGB-encoded by convention
    Luminance, // grey, sRGB-encoded by convention
    AlphaOnly,
    Paletted,
    Signed, // bump and normal vectors, linear
    Data,   // two-channel and depth values, linear
    Float,  // floating-point colour, linear, not limited to 0..1
};

// Whether the library can store pixels in the format, or only read them
// (the block formats without an encoder).
enum class Access : BYTE { ReadWrite, ReadOnly };

// Which FloatColor channels the format stores a field for.
enum ChannelMask : BYTE {
    kRed = 1,
    kGreen = 2,
    kBlue = 4,
    kAlpha = 8,
    kRgb = kRed | kGreen | kBlue,
    kRgba = kRgb | kAlpha,
};

struct FormatInfo {
    D3DFORMAT format;
    const char* name; // lower case, as users type it
    Storage storage;
    UINT unitBytes; // bytes per pixel, per 4x4 block or per pixel pair
    Content content;
    BYTE channels;    // ChannelMask bits
    UINT channelBits; // widest channel; above 8 the PNG writer uses 16 bits
    Access access = Access::ReadWrite;
    // Pixels across and down that one storage unit holds: 1x1 for a pixel,
    // 2x1 for a pair, 4x4 for the catalogue's blocks, 4x4 to 12x12 for ASTC.
    BYTE unitWidth = 1;
    BYTE unitHeight = 1;

    constexpr bool HasAlpha() const { return (channels & kAlpha) != 0; }
    constexpr bool IsBlockCompressed() const
    {
        return storage == Storage::Block4x4 || storage == Storage::FootprintBlock;
    }
    constexpr bool IsWritable() const { return access == Access::ReadWrite; }
};

// All formats, in the order of the library's codec tables, then the ASTC
// formats (astc/astc_formats.h), which only textures in memory and files
// hold.
std::span<const FormatInfo> AllFormats();

// The row for a format, or null when the library has no codec for it.
const FormatInfo* FindFormat(D3DFORMAT format);

// What a format name asks for (formats/format_names.cpp): the format, and
// what the name says beyond it.
struct FormatRequest {
    const FormatInfo* format;
    ColourSpace colourSpace; // Srgb for a NAME_srgb
    bool keepOneBitAlpha;    // bc1a and dxt1a: dxt1 with its transparent pixels kept
    bool signFromInput;      // bc6h: bc6h_sf16 for an input with negative values, else bc6h_uf16;
                             // astcNxM: astcNxM_float for a float input
};

// The request a name makes, in any letter case, an optional "d3dfmt_"
// prefix ignored: a row's name; bc1, bc2, bc3 (dxt1, dxt3, dxt5); rgba8
// and bgra8 (a8r8g8b8); ati1 and ati2 (bc4, bc5); bc1a and dxt1a; the DXGI
// name of a format we have (bc7_unorm, r16g16b16a16_float, b5g6r5_unorm),
// with or without "_unorm"; any of these followed by "_srgb" when the
// format has an sRGB form. Empty for anything else.
std::optional<FormatRequest> ParseFormatName(std::string_view name);
// ParseFormatName's format alone, or null.
const FormatInfo* FindFormatByName(std::string_view name);
// Why ParseFormatName refuses a name that is all but right ("r5g6b5 has no
// sRGB form; ..."), or empty when the name is merely unknown.
std::string FormatNameRefusal(std::string_view name);

// A comma-separated list of the rows' names, for help texts and errors.
std::string AllFormatNames();
// The other names ParseFormatName takes, in a sentence for help texts.
std::string FormatNameFamilies();
// Every name ParseFormatName takes (without the "d3dfmt_" prefix), the
// rows' names first, for suggesting the nearest to a mistyped one.
std::vector<std::string> FormatNamesAndAliases();

} // namespace r3az8tex
