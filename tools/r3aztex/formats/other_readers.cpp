#include "tools/r3aztex/formats/other_readers.h"

#include "tools/r3aztex/formats/format_table.h"

#include <array>

namespace r3aztex {
namespace {

constexpr OtherReaderEntry kReaders[] = {
    {kImageMagick, "ImageMagick"},
    {kNvdecompress, "nvdecompress"},
    {kPillow, "Pillow"},
};

struct Facts {
    D3DFORMAT format;
    BYTE readers;
};

constexpr BYTE IM = kImageMagick;
constexpr BYTE NV = kNvdecompress;
constexpr BYTE PIL = kPillow;
constexpr BYTE kNone = 0;

// Found by running the readers (Debian 12: ImageMagick 6.9, nvdecompress of
// NVIDIA Texture Tools 2, Pillow 9.4). Where a reader is missing it either
// refuses the file or, worse, shows other pixels: Pillow reads 32-bit RGB
// without alpha as 24-bit and 16-bit luminance as 8-bit, ImageMagick reads
// any 8-bit layout as grey, nvdecompress shows DXT2 and DXT4 without
// undoing the premultiplication and signed, YUV and palette data as if
// they were colour.
constexpr std::array kFacts = {
    Facts{D3DFMT_R8G8B8, IM | NV | PIL},
    Facts{D3DFMT_A8R8G8B8, IM | NV | PIL},
    Facts{D3DFMT_X8R8G8B8, IM | NV},
    Facts{D3DFMT_R5G6B5, IM | NV},
    Facts{D3DFMT_X1R5G5B5, NV},
    Facts{D3DFMT_A1R5G5B5, IM | NV},
    Facts{D3DFMT_A4R4G4B4, IM | NV},
    Facts{D3DFMT_R3G3B2, NV},
    Facts{D3DFMT_A8, NV},
    Facts{D3DFMT_A8R3G3B2, NV},
    Facts{D3DFMT_X4R4G4B4, NV},
    Facts{D3DFMT_A2B10G10R10, NV},
    Facts{D3DFMT_G16R16, NV},
    Facts{D3DFMT_A8P8, kNone},
    Facts{D3DFMT_P8, kNone},
    Facts{D3DFMT_L8, IM | NV | PIL},
    Facts{D3DFMT_A8L8, IM | NV | PIL},
    Facts{D3DFMT_A4L4, NV},
    Facts{D3DFMT_V8U8, kNone},
    Facts{D3DFMT_L6V5U5, kNone},
    Facts{D3DFMT_X8L8V8U8, kNone},
    Facts{D3DFMT_Q8W8V8U8, kNone},
    Facts{D3DFMT_V16U16, kNone},
    Facts{D3DFMT_W11V11U10, kNone},
    Facts{D3DFMT_A2W10V10U10, kNone},
    Facts{D3DFMT_D16_LOCKABLE, kNone},
    Facts{FMT_L16, NV},
    Facts{FMT_A16L16, NV},
    Facts{FMT_R16G16B16, kNone},
    Facts{FMT_A16R16G16B16, kNone},
    Facts{D3DFMT_UYVY, kNone},
    Facts{D3DFMT_YUY2, kNone},
    Facts{D3DFMT_DXT1, IM | NV | PIL},
    Facts{D3DFMT_DXT2, kNone},
    Facts{D3DFMT_DXT3, IM | NV | PIL},
    Facts{D3DFMT_DXT4, kNone},
    Facts{D3DFMT_DXT5, IM | NV | PIL},
    // BC4 read as grey, BC5 as red and green.
    Facts{D3DFMT_BC4, NV | PIL},
    Facts{D3DFMT_BC5, NV | PIL},
    // The later formats, by the Direct3D 9 numbers, RGBG/GRGB or the DX10
    // header: none of the three reads them. (The read-only block formats
    // are never written.)
    Facts{FMT_G8R8, kNone},
    Facts{FMT_R8_SNORM, kNone},
    Facts{FMT_R16_SNORM, kNone},
    Facts{FMT_Q16W16V16U16, kNone},
    Facts{FMT_R16F, kNone},
    Facts{FMT_G16R16F, kNone},
    Facts{FMT_A16B16G16R16F, kNone},
    Facts{FMT_R32F, kNone},
    Facts{FMT_G32R32F, kNone},
    Facts{FMT_B32G32R32F, kNone},
    Facts{FMT_A32B32G32R32F, kNone},
    Facts{FMT_R11G11B10F, kNone},
    Facts{FMT_R9G9B9E5, kNone},
    Facts{FMT_R8G8_B8G8, kNone},
    Facts{FMT_G8R8_G8B8, kNone},
};

} // namespace

std::span<const OtherReaderEntry> OtherReaders() { return kReaders; }

std::optional<BYTE> ReadersOf(D3DFORMAT format)
{
    for (const Facts& facts : kFacts)
        if (facts.format == format)
            return facts.readers;
    return std::nullopt;
}

std::string ReadersText(D3DFORMAT format)
{
    const std::optional<BYTE> readers = ReadersOf(format);
    if (!readers)
        return "not checked";
    std::string yes, no;
    for (const OtherReaderEntry& entry : kReaders) {
        std::string& list = (*readers & entry.reader) ? yes : no;
        list += std::string(list.empty() ? "" : ", ") + entry.name;
    }
    if (yes.empty())
        return "none of " + no;
    return no.empty() ? yes : yes + "; not " + no;
}

} // namespace r3aztex
