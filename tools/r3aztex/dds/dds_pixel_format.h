// From a DDS pixel-format description (legacy or DX10) to one of the tool's
// formats, and the channel reordering some stored layouts need on the way.
#pragma once

#include "tools/r3aztex/formats/format_table.h"

#include <span>

namespace r3aztex::dds {

// Layouts that hold the same fields as one of our formats with red and blue
// exchanged (A8B8G8R8, A2R10G10B10, A16B16G16R16 and their DXGI twins).
// The reader swaps the two fields of every pixel to reach our layout.
enum class Swizzle : BYTE {
    None,
    SwapRedBlue8,  // 32-bit pixels, 8-bit fields at bits 0 and 16
    SwapRedBlue10, // 32-bit pixels, 10-bit fields at bits 0 and 20
    SwapRedBlue16, // 64-bit pixels, 16-bit fields at bits 0 and 32
};

struct StoredFormat {
    D3DFORMAT format;
    Swizzle swizzle;
};

// The format a legacy DDS_PIXELFORMAT describes. Throws ToolError with the
// reason alone (no file name): Malformed for descriptions that break the
// DDS rules (no kind, a bit count other than 8/16/24/32, masks outside the
// bit count or overlapping, all masks zero), Unsupported for valid ones
// the tool does not read (an unknown FOURCC or mask layout, YUV masks).
StoredFormat RecogniseLegacyFormat(const DdsPixelFormat& pixelFormat);

// The format a DX10 header's DXGI_FORMAT names, or Unsupported.
StoredFormat RecogniseDxgiFormat(DWORD dxgiFormat);

// Reorders the pixels of a surface in place.
void ApplySwizzle(Swizzle swizzle, std::span<BYTE> pixels);

} // namespace r3aztex::dds
