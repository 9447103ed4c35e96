// From a DDS pixel-format description (legacy or DX10) to one of the
// library's formats, the channel reordering some stored layouts need on the way, and
// back from a format to the DX10 description it is written with.
#pragma once

#include "r3az8/tex/files/dds_format_table.h"
#include "r3az8/tex/texture/format_table.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace r3az8tex::dds {

struct StoredFormat {
    D3DFORMAT format;
    Swizzle swizzle;
    ColourSpace colourSpace = ColourSpace::Unspecified;
    // Set when the description is one of the known writers' habits that is
    // read as the writer meant rather than as it says: what was read how.
    const char* habit = nullptr;
};

// The format a legacy DDS_PIXELFORMAT describes. Throws TextureError with the
// reason alone (no file name): Malformed for descriptions that break the
// DDS rules (no kind, a bit count other than 8/16/24/32, masks outside the
// bit count or overlapping, all masks zero), Unsupported for valid ones
// the library does not read (an unknown FOURCC or mask layout, YUV masks).
StoredFormat RecogniseLegacyFormat(const DdsPixelFormat& pixelFormat);

// The format a DX10 header's DXGI_FORMAT names (a premultiplied alpha mode
// turns BC2 and BC3 into DXT2 and DXT4), or Unsupported with a line that
// names the DXGI format and, for video, depth and integer formats, the kind.
StoredFormat RecogniseDxgiFormat(DWORD dxgiFormat, AlphaMode alpha = AlphaMode::Unknown);

// How a DX10 header names a format: its DXGI_FORMAT, the reordering of
// the stored pixels, the alpha mode to record. Empty for formats without
// a DXGI equivalent. An sRGB texture gets the _SRGB form where one exists.
struct DxgiForm {
    DWORD dxgiFormat;
    Swizzle swizzle;
    AlphaMode alpha;
    ColourSpace colourSpace; // what the form records; Unspecified when it has no sRGB twin
};
std::optional<DxgiForm> DxgiFormOf(D3DFORMAT format, ColourSpace colourSpace);

// "BC7_UNORM_SRGB", or "unknown" for codes outside the enumeration.
std::string DxgiFormatName(DWORD dxgiFormat);

// The DXGI formats that name one of ours as it is, by the names users know
// from other tools ("BC1_UNORM", "R8G8B8A8_UNORM_SRGB"): not the TYPELESS
// ones, which leave the meaning open, nor the signed blocks the reader
// rescales, nor the premultiplied readings of BC2 and BC3.
struct DxgiNaming {
    std::string name;
    D3DFORMAT format;
    ColourSpace colourSpace;
};
std::vector<DxgiNaming> DxgiNamings();

// Whether the format has an _SRGB DXGI form, so that a file can say its
// values are sRGB-encoded.
bool HasSrgbForm(D3DFORMAT format);

// Reorders the pixels of a surface in place (each swizzle is its own
// inverse).
void ApplySwizzle(Swizzle swizzle, std::span<BYTE> pixels);

} // namespace r3az8tex::dds
