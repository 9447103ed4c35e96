#include "r3az8/tex/files/other_readers.h"

#include "r3az8/tex/files/dds_pixel_format.h"
#include "r3az8/tex/texture/format_table.h"

#include <algorithm>
#include <array>

namespace r3az8tex {
namespace {

constexpr OtherReaderEntry kReaders[] = {
    {kImageMagick, "ImageMagick"},
    {kNvdecompress, "nvdecompress"},
    {kPillow, "Pillow"},
};

// The readers of a one-level 2D texture of the format, under each header
// (the DX10 one with the DXGI number the library writes, plain or _SRGB: no
// reader tells the two apart). A format only the DX10 header can name has
// no classic row; one without a DXGI number never gets the DX10 header.
struct Facts {
    D3DFORMAT format;
    BYTE classic;
    BYTE dx10;
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
//
// The DX10 header: ImageMagick 6 refuses every file with it; nvdecompress
// takes it for a classic header with no pixel format and shows noise
// (exit 0); Pillow reads R8G8B8A8_UNORM(_SRGB), BC5_UNORM, BC6H_UF16 and
// BC6H_SF16 (brought down to 8 bits) and BC7_UNORM(_SRGB), and refuses the
// rest (BC1 to BC3 among them).
constexpr std::array kFacts = {
    Facts{D3DFMT_R8G8B8, IM | NV | PIL, kNone},
    Facts{D3DFMT_A8R8G8B8, IM | NV | PIL, PIL},
    Facts{D3DFMT_X8R8G8B8, IM | NV, kNone},
    Facts{D3DFMT_R5G6B5, IM | NV, kNone},
    Facts{D3DFMT_X1R5G5B5, NV, kNone},
    Facts{D3DFMT_A1R5G5B5, IM | NV, kNone},
    Facts{D3DFMT_A4R4G4B4, IM | NV, kNone},
    Facts{D3DFMT_R3G3B2, NV, kNone},
    Facts{D3DFMT_A8, NV, kNone},
    Facts{D3DFMT_A8R3G3B2, NV, kNone},
    Facts{D3DFMT_X4R4G4B4, NV, kNone},
    Facts{D3DFMT_A2B10G10R10, NV, kNone},
    Facts{D3DFMT_G16R16, NV, kNone},
    Facts{D3DFMT_L8, IM | NV | PIL, kNone},
    Facts{D3DFMT_A8L8, IM | NV | PIL, kNone},
    Facts{D3DFMT_A4L4, NV, kNone},
    Facts{FMT_L16, NV, kNone},
    Facts{FMT_A16L16, NV, kNone},
    Facts{D3DFMT_DXT1, IM | NV | PIL, kNone},
    Facts{D3DFMT_DXT3, IM | NV | PIL, kNone},
    Facts{D3DFMT_DXT5, IM | NV | PIL, kNone},
    // BC4 read as grey, BC5 as red and green.
    Facts{D3DFMT_BC4, NV | PIL, kNone},
    Facts{D3DFMT_BC5, NV | PIL, PIL},
    // Only the DX10 header names BC6H and BC7.
    Facts{FMT_BC6H_UF16, kNone, PIL},
    Facts{FMT_BC6H_SF16, kNone, PIL},
    Facts{FMT_BC7, kNone, PIL},
};

// Checked, and read by none of the three under either header: palettes,
// bump and depth data, the library's 16-bit layouts, YUV, the
// premultiplied DXT2 and DXT4, and the later formats (by the Direct3D 9
// numbers, RGBG/GRGB or the DX10 header). The read-only block formats are
// never written.
constexpr D3DFORMAT kReadByNone[] = {
    D3DFMT_A8P8, D3DFMT_P8, D3DFMT_V8U8, D3DFMT_L6V5U5, D3DFMT_X8L8V8U8, D3DFMT_Q8W8V8U8, D3DFMT_V16U16,
    D3DFMT_W11V11U10, D3DFMT_A2W10V10U10, D3DFMT_D16_LOCKABLE, FMT_R16G16B16, FMT_A16R16G16B16, D3DFMT_UYVY,
    D3DFMT_YUY2, D3DFMT_DXT2, D3DFMT_DXT4, FMT_G8R8, FMT_R8_SNORM, FMT_R16_SNORM, FMT_Q16W16V16U16, FMT_R16F,
    FMT_G16R16F, FMT_A16B16G16R16F, FMT_R32F, FMT_G32R32F, FMT_B32G32R32F, FMT_A32B32G32R32F, FMT_R11G11B10F,
    FMT_R9G9B9E5, FMT_R8G8_B8G8, FMT_G8R8_G8B8,
};

// Shapes a reader fails on whatever the format: files of the kind (with
// mips, when withMips; in a format other than a block format, when
// uncompressedOnly) lose the readers in `fails`. Arrays lose none: the one
// reader of any DX10 file, Pillow, shows the first texture of an array.
struct Limit {
    TextureKind kind;
    bool withMips;
    bool uncompressedOnly;
    BYTE fails;
};

constexpr Limit kLimits[] = {
    // ImageMagick 6 looks for a mip chain after every slice of a volume: it
    // runs out of file (uncompressed formats) or shows later slices from the
    // wrong place (block formats, exit 0).
    {TextureKind::Volume, true, false, IM},
    // It skips the mips of each cube face a pixel short in the uncompressed
    // formats: every face after the first slides by one pixel more, or it
    // runs out of file.
    {TextureKind::Cube, true, true, IM},
};

bool Applies(const Limit& limit, const ReaderQuery& query, const FormatInfo& format)
{
    return limit.kind == query.kind && (!limit.withMips || query.levels > 1) &&
           (!limit.uncompressedOnly || !format.IsBlockCompressed());
}

// Whether the file is laid out as the library writes the format: the readers
// were tried on nothing else.
bool WrittenByUs(const ReaderQuery& query)
{
    if (!query.dx10Header)
        return query.swizzle == dds::Swizzle::None;
    const std::optional<dds::DxgiForm> form = dds::DxgiFormOf(query.format, query.colourSpace);
    return form && form->dxgiFormat == query.dxgiFormat;
}

} // namespace

std::span<const OtherReaderEntry> OtherReaders() { return kReaders; }

ReaderQuery ReaderQueryOf(const dds::Description& d)
{
    return {d.format, d.colourSpace, d.hasDx10Header, d.dxgiFormat, d.swizzle, d.kind, d.levels, d.arraySize};
}

std::optional<BYTE> ReadersOf(const ReaderQuery& query)
{
    const FormatInfo* format = FindFormat(query.format);
    if (format == nullptr || !WrittenByUs(query))
        return std::nullopt;
    if (std::find(std::begin(kReadByNone), std::end(kReadByNone), query.format) != std::end(kReadByNone))
        return BYTE(0);
    for (const Facts& facts : kFacts) {
        if (facts.format != query.format)
            continue;
        BYTE readers = query.dx10Header ? facts.dx10 : facts.classic;
        for (const Limit& limit : kLimits)
            if (Applies(limit, query, *format))
                readers &= ~limit.fails;
        return readers;
    }
    return std::nullopt;
}

std::string ReadersText(const ReaderQuery& query)
{
    const std::optional<BYTE> readers = ReadersOf(query);
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

std::string ReaderShapeText(const ReaderQuery& query)
{
    const bool array = query.arraySize > 1;
    const std::string kind = query.kind == TextureKind::Cube     ? (array ? "array of cube maps" : "cube map")
                             : query.kind == TextureKind::Volume ? (array ? "array of volumes" : "volume")
                                                                 : (array ? "array of 2d textures" : "2d");
    return FormatName(query.format) + ", " +
           (query.dx10Header ? "DX10 header " + dds::DxgiFormatName(query.dxgiFormat) : "classic header") + ", " +
           kind + (query.levels > 1 ? " with mips" : ", 1 level");
}

} // namespace r3az8tex
