#include "r3az8/tex/files/dds_writer.h"

#include "r3az8/tex/astc/astc_formats.h"
#include "r3az8/tex/files/dds_header_habits.h"
#include "r3az8/tex/files/dds_pixel_format.h"
#include "r3az8/tex/texture/texture_error.h"

#include <cstring>

namespace r3az8tex::dds {

namespace {

bool UsesDx10Header(const TextureImage& texture, HeaderStyle style)
{
    // A format DDS has no row for is refused by the writer, not here.
    const FormatRow* row = FindRow(texture.format);
    return style == HeaderStyle::Dx10 || (row != nullptr && row->NeedsDx10Header());
}

DxgiForm FormOf(const TextureImage& texture)
{
    const std::optional<DxgiForm> form = DxgiFormOf(texture.format, texture.colourSpace);
    if (!form)
        throw TextureError(ErrorKind::Unsupported, texture.Format().name + std::string(" has no DX10 (DXGI) format; "
                                                                                   "write it without --dx10"));
    return *form;
}

} // namespace

Header MakeHeader(const TextureImage& texture, HeaderStyle style)
{
    const FormatInfo& format = texture.Format();
    const LevelLayout top = texture.Level(0);
    Header header{};
    header.size = kHeaderBytes;
    header.flags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | DDSD_MIPMAPCOUNT;
    header.width = texture.width;
    header.height = texture.height;
    header.mipMapCount = texture.levels;
    if (format.IsBlockCompressed()) {
        // Bytes of one slice of the top level.
        header.flags |= DDSD_LINEARSIZE;
        header.pitchOrLinearSize = static_cast<DWORD>(top.slicePitch);
    } else {
        header.flags |= DDSD_PITCH;
        header.pitchOrLinearSize = top.rowPitch;
    }
    header.pixelFormatSize = kPixelFormatBytes;
    header.pixelFormat = WidelyReadForm(RowOf(texture.format).classic);
    if (UsesDx10Header(texture, style))
        header.pixelFormat = {DDPF_FOURCC, kDx10Fourcc, 0, 0, 0, 0, 0};
    header.caps = DDSCAPS_TEXTURE;
    if (texture.levels > 1)
        header.caps |= DDSCAPS_COMPLEX | DDSCAPS_MIPMAP;
    switch (texture.kind) {
    case TextureKind::Flat:
        break;
    case TextureKind::Cube:
        header.caps |= DDSCAPS_COMPLEX;
        header.caps2 = DDSCAPS2_CUBEMAP | DDSCAPS2_CUBEMAP_ALLFACES;
        break;
    case TextureKind::Volume:
        header.flags |= DDSD_DEPTH;
        header.depth = texture.depth;
        header.caps |= DDSCAPS_COMPLEX;
        header.caps2 = DDSCAPS2_VOLUME;
        break;
    }
    return header;
}

std::vector<BYTE> Write(const TextureImage& texture, HeaderStyle style)
{
    return WriteArray({&texture, 1}, style);
}

std::vector<BYTE> WriteArray(std::span<const TextureImage> layers, HeaderStyle style)
{
    if (layers.empty())
        throw TextureError(ErrorKind::Internal, "a texture array of no textures");
    const TextureImage& texture = layers[0];
    const FormatInfo& format = texture.Format();
    for (const TextureImage& layer : layers)
        if (layer.format != texture.format || layer.kind != texture.kind || layer.width != texture.width ||
            layer.height != texture.height || layer.depth != texture.depth || layer.levels != texture.levels ||
            layer.surfaces.size() != size_t(layer.Faces()) * layer.levels)
            throw TextureError(ErrorKind::Internal, "the textures of an array differ in shape");
    if (texture.kind == TextureKind::Volume && layers.size() > 1)
        throw TextureError(ErrorKind::Unsupported, "DDS files cannot hold an array of volume textures");
    if (FindRow(texture.format) == nullptr)
        throw TextureError(ErrorKind::Unsupported, IsAstcFormat(texture.format)
                                                       ? AstcContainerRefusal(format.name, "DDS")
                                                       : std::string("DDS has no format for ") + format.name);
    const bool paletted = format.content == Content::Paletted;
    // Only the DX10 header can count the textures of an array.
    const HeaderStyle used = layers.size() > 1 ? HeaderStyle::Dx10 : style;
    const bool dx10 = WritesDx10Header(layers, style);
    const DxgiForm form = dx10 ? FormOf(texture) : DxgiForm{};

    std::vector<BYTE> file(kDataOffset + (dx10 ? kDx10HeaderBytes : 0) + (paletted ? kPaletteBytes : 0));
    StoreLittleEndian32(file.data(), kMagic);
    EncodeHeader(MakeHeader(texture, used), file.data() + kMagicBytes);
    if (dx10) {
        BYTE* extension = file.data() + kDataOffset;
        StoreLittleEndian32(extension, form.dxgiFormat);
        StoreLittleEndian32(extension + 4,
                            texture.kind == TextureKind::Volume ? kDimensionTexture3D : kDimensionTexture2D);
        StoreLittleEndian32(extension + 8, texture.kind == TextureKind::Cube ? kMiscTextureCube : 0);
        StoreLittleEndian32(extension + 12, static_cast<DWORD>(layers.size()));
        StoreLittleEndian32(extension + 16, static_cast<DWORD>(form.alpha));
    }
    if (paletted) {
        BYTE* palette = file.data() + file.size() - kPaletteBytes;
        if (texture.palette)
            std::memcpy(palette, texture.palette->data(), kPaletteBytes);
        else
            std::memset(palette, 0xFF, kPaletteBytes);
    }
    file.reserve(file.size() + texture.TotalBytes() * layers.size());
    for (const TextureImage& layer : layers)
        for (uint32_t face = 0; face < layer.Faces(); ++face)
            for (uint32_t level = 0; level < layer.levels; ++level) {
                const std::vector<BYTE>& surface = layer.Surface(face, level);
                if (surface.size() != layer.Level(level).bytes)
                    throw TextureError(ErrorKind::Internal, "surface of level " + std::to_string(level) +
                                                            " does not match its layout");
                const size_t start = file.size();
                file.insert(file.end(), surface.begin(), surface.end());
                ApplySwizzle(form.swizzle, std::span<BYTE>(file).subspan(start));
            }
    return file;
}

bool WritesDx10Header(std::span<const TextureImage> layers, HeaderStyle style)
{
    return layers.size() > 1 || UsesDx10Header(layers[0], style);
}

} // namespace r3az8tex::dds
