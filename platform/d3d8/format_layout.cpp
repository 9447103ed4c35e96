#include "platform/d3d8/format_layout.h"

#include <algorithm>

namespace softd3d8 {

namespace {

constexpr D3DFORMAT FourCC(char a, char b, char c, char d) { return D3DFORMAT(MAKEFOURCC(a, b, c, d)); }

// Bits per pixel of the packed formats; the block formats give their block.
constexpr FormatLayout Packed(D3DFORMAT format, UINT bitsPerPixel) { return {format, 1, 1, bitsPerPixel / 8}; }

constexpr FormatLayout kLayouts[] = {
    Packed(D3DFMT_R8G8B8, 24),
    Packed(D3DFMT_A8R8G8B8, 32),
    Packed(D3DFMT_X8R8G8B8, 32),
    Packed(D3DFMT_R5G6B5, 16),
    Packed(D3DFMT_X1R5G5B5, 16),
    Packed(D3DFMT_A1R5G5B5, 16),
    Packed(D3DFMT_A4R4G4B4, 16),
    Packed(D3DFMT_R3G3B2, 8),
    Packed(D3DFMT_A8, 8),
    Packed(D3DFMT_A8R3G3B2, 16),
    Packed(D3DFMT_X4R4G4B4, 16),
    Packed(D3DFMT_A2B10G10R10, 32),
    Packed(D3DFMT_G16R16, 32),
    Packed(D3DFMT_A8P8, 16),
    Packed(D3DFMT_P8, 8),
    Packed(D3DFMT_L8, 8),
    Packed(D3DFMT_A8L8, 16),
    Packed(D3DFMT_A4L4, 8),
    Packed(D3DFMT_V8U8, 16),
    Packed(D3DFMT_L6V5U5, 16),
    Packed(D3DFMT_X8L8V8U8, 32),
    Packed(D3DFMT_Q8W8V8U8, 32),
    Packed(D3DFMT_V16U16, 32),
    Packed(D3DFMT_W11V11U10, 32),
    Packed(D3DFMT_A2W10V10U10, 32),
    Packed(D3DFMT_D16_LOCKABLE, 16),
    // The texture library's own 16-bit-channel formats.
    Packed(FourCC(' ', 'L', '1', '6'), 16),
    Packed(FourCC('A', 'L', '1', '6'), 32),
    Packed(FourCC(' ', 'R', '1', '6'), 48),
    Packed(FourCC('A', 'R', '1', '6'), 64),
    // Its later integer layouts: G8R8, R8 and R16 signed, Q16W16V16U16.
    Packed(FourCC('G', '8', 'R', '8'), 16),
    Packed(FourCC(' ', 'R', '8', 'S'), 8),
    Packed(FourCC('R', '1', '6', 'S'), 16),
    Packed(FourCC('Q', '1', '6', 'S'), 64),
    // Its floating-point formats: half and single precision per channel,
    // R11G11B10 and R9G9B9E5.
    Packed(FourCC('R', '1', '6', 'F'), 16),
    Packed(FourCC('G', '1', '6', 'F'), 32),
    Packed(FourCC('A', '1', '6', 'F'), 64),
    Packed(FourCC('R', '3', '2', 'F'), 32),
    Packed(FourCC('G', '3', '2', 'F'), 64),
    Packed(FourCC('B', '3', '2', 'F'), 96),
    Packed(FourCC('A', '3', '2', 'F'), 128),
    Packed(FourCC('R', '1', '1', 'F'), 32),
    Packed(FourCC('R', '9', 'E', '5'), 32),
    // Two pixels share one chroma pair: U Y0 V Y1 or Y0 U Y1 V; or their
    // red and blue: R G0 B G1 or G0 R G1 B.
    {D3DFMT_UYVY, 2, 1, 4},
    {D3DFMT_YUY2, 2, 1, 4},
    {FourCC('R', 'G', 'B', 'G'), 2, 1, 4},
    {FourCC('G', 'R', 'G', 'B'), 2, 1, 4},
    // 4x4 blocks: DXT1 64 bits, DXT2 to DXT5 128 bits, and the 128-bit
    // blocks of BC6H (unsigned, signed), BC7 and RXGB.
    {D3DFMT_DXT1, 4, 4, 8},
    {D3DFMT_DXT2, 4, 4, 16},
    {D3DFMT_DXT3, 4, 4, 16},
    {D3DFMT_DXT4, 4, 4, 16},
    {D3DFMT_DXT5, 4, 4, 16},
    {FourCC('B', 'C', '6', 'H'), 4, 4, 16},
    {FourCC('B', 'C', '6', 'S'), 4, 4, 16},
    {FourCC('B', 'C', '7', 'U'), 4, 4, 16},
    {FourCC('R', 'X', 'G', 'B'), 4, 4, 16},
    // BC4 one channel in 64 bits, BC5 two in 128.
    {D3DFMT_BC4, 4, 4, 8},
    {D3DFMT_BC5, 4, 4, 16},
};

static_assert(std::ranges::all_of(kLayouts,
                                  [](const FormatLayout& layout) {
                                      return layout.blockWidth != 0 && layout.blockHeight != 0 &&
                                             layout.blockBytes != 0;
                                  }),
              "a format with no bytes per block");

constexpr bool FormatsAreDistinct()
{
    for (const FormatLayout& a : kLayouts) {
        int seen = 0;
        for (const FormatLayout& b : kLayouts)
            seen += a.format == b.format;
        if (seen != 1)
            return false;
    }
    return true;
}
static_assert(FormatsAreDistinct(), "a format listed twice");

} // namespace

const FormatLayout* FindFormatLayout(D3DFORMAT format)
{
    for (const FormatLayout& layout : kLayouts)
        if (layout.format == format)
            return &layout;
    return nullptr;
}

} // namespace softd3d8
