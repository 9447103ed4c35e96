// How a DDS file names each of the library's formats: one row per format of
// the format table, with its classic pixel format (masks or a FOURCC) and
// the DXGI format a DX10 header gives it, by number and name, with its
// sRGB twin. Beside the rows, the other DXGI formats by number and name:
// those read as one of ours, and those refused.
#pragma once

#include "r3az8/tex/files/dds_header.h"
#include "r3az8/tex/texture.h"

#include <span>

namespace r3az8tex::dds {

// Layouts that hold the same fields as one of our formats with red and blue
// exchanged (A8B8G8R8, A2R10G10B10, A16B16G16R16, B8G8R8 and their DXGI
// twins). The reader swaps the two fields of every pixel to reach our
// layout; the DX10 writer swaps them back. Signed BC4/BC5 blocks are
// turned into unsigned ones.
enum class Swizzle : BYTE {
    None,
    SwapRedBlue8,  // 32-bit pixels, 8-bit fields at bits 0 and 16
    SwapRedBlue10, // 32-bit pixels, 10-bit fields at bits 0 and 20
    SwapRedBlue16, // 64-bit pixels, 16-bit fields at bits 0 and 32
    SwapRedBlue24, // 24-bit pixels, bytes 0 and 2
    // Signed BC4/BC5 channel blocks (8 bytes each) to unsigned ones: the
    // ends -127..127 (-128 as -127) rescaled to 0..255 and rounded, codes
    // kept, so -1..1 reads as 0..1 within half an 8-bit step.
    SignedChannelBlocks,
};

// DDS_HEADER_DXT10.miscFlags2, low three bits.
enum class AlphaMode : BYTE { Unknown = 0, Straight = 1, Premultiplied = 2, Opaque = 3, Custom = 4 };

// A DXGI_FORMAT value and its name; number 0 and no name for none.
struct Dxgi {
    DWORD number;
    const char* name;

    constexpr bool Exists() const { return name != nullptr; }
};

struct FormatRow {
    D3DFORMAT format;
    // The classic header's description: the bit masks where a mask layout
    // exists and no other common format shares it, a FOURCC otherwise; all
    // zero (no flags) for the formats only a DX10 header can name, which
    // are always written with one.
    DdsPixelFormat classic;
    Dxgi dxgi;                            // what the DX10 header says; none for formats without a DXGI form
    Dxgi dxgiSrgb;                        // the sRGB twin, for a texture whose colours are sRGB-encoded
    Swizzle swizzle = Swizzle::None;      // from our layout to the DXGI form's, and back
    AlphaMode alpha = AlphaMode::Unknown; // Premultiplied: the DXGI form reads as this format when the header says so

    constexpr bool NeedsDx10Header() const { return classic.flags == 0; }
};

// The rows, in the format table's order.
std::span<const FormatRow> FormatRows();
// The format's row; throws TextureError (Internal) for a format outside
// the table.
const FormatRow& RowOf(D3DFORMAT format);
// The format's row, or null outside the table.
const FormatRow* FindRow(D3DFORMAT format);
// Whether only the DX10 header can name the format.
bool NeedsDx10Header(D3DFORMAT format);

// A DXGI format read as one of ours that the writer never writes (TYPELESS
// forms, other channel orders, signed blocks).
struct DxgiReading {
    Dxgi dxgi;
    D3DFORMAT format;
    ColourSpace colourSpace = ColourSpace::Unspecified;
    Swizzle swizzle = Swizzle::None;
};
std::span<const DxgiReading> OtherDxgiReadings();

// The DXGI formats not read, for the messages that refuse them.
std::span<const Dxgi> RefusedDxgiFormats();

} // namespace r3az8tex::dds
