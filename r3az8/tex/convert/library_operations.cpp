#include "r3az8/tex/convert/library_operations.h"

#include "r3az8/tex/astc/astc_codec.h"
#include "r3az8/tex/astc/astc_formats.h"
#include "r3az8/tex/convert/device_texture.h"
#include "r3az8/tex/load.h"
#include "r3az8/tex/load/load_into_memory.h"
#include "r3az8/tex/texture/texture_error.h"

#include <cstring>

namespace r3az8tex {
namespace {

const PALETTEENTRY* PaletteOf(const std::optional<Palette>& palette)
{
    return palette ? palette->data() : nullptr;
}

uint32_t RowsPerStoredRow(D3DFORMAT format) { return FindFormat(format)->unitHeight; }

} // namespace

void LoadLevel(LibrarySession& session, DeviceTexture& destination, uint32_t face, uint32_t destinationLevel,
               const TextureImage& source, uint32_t sourceLevel, const LoadOptions& options)
{
    // The source is read where it lies; only the destination lives on the
    // device.
    const LevelLayout from = source.Level(sourceLevel);
    const BYTE* pixels = source.Surface(face, sourceLevel).data();
    const PALETTEENTRY* sourcePalette = PaletteOf(source.palette);
    if (destination.Kind() == TextureKind::Volume) {
        ComRef<IDirect3DVolume8> to = destination.Volume(destinationLevel);
        const D3DBOX box{0, 0, from.width, from.height, 0, from.depth};
        session.Check(LoadVolumeFromMemory(to.Get(), PaletteOf(options.destinationPalette), nullptr, pixels,
                                           source.format, from.rowPitch, static_cast<UINT>(from.slicePitch),
                                           sourcePalette, &box, options.filter, options.colorKey),
                      "LoadVolumeFromMemory");
        return;
    }
    ComRef<IDirect3DSurface8> to = destination.Surface(face, destinationLevel);
    const RECT rect{0, 0, LONG(from.width), LONG(from.height)};
    session.Check(LoadSurfaceFromMemory(to.Get(), PaletteOf(options.destinationPalette), nullptr, pixels,
                                        source.format, from.rowPitch, sourcePalette, &rect, options.filter,
                                        options.colorKey),
                  "LoadSurfaceFromMemory");
}

TextureImage ConvertLevels(const TextureImage& source, D3DFORMAT format, uint32_t levels, const LoadOptions& options,
                           CopyBound bound)
{
    // The library's loads do not read ASTC: its blocks are decoded first.
    if (IsAstcFormat(source.format))
        return ConvertLevels(DecodeAstc(source, levels), format, levels, options, bound);
    LibrarySession session;
    DeviceTexture to(session, format, source.kind, source.width, source.height, source.depth, levels);
    for (uint32_t face = 0; face < to.Faces(); ++face)
        for (uint32_t level = 0; level < levels; ++level)
            LoadLevel(session, to, face, level, source, level, options);
    return to.Download(options.destinationPalette, bound);
}

TextureImage ResampleTop(const TextureImage& source, D3DFORMAT format, uint32_t width, uint32_t height,
                         uint32_t depth, const LoadOptions& options)
{
    // The result is held as a texture of its own: one beyond the limit is
    // refused before the work, not after it.
    uint64_t bytes = 0;
    if (ChainBytes(*FindFormat(format), source.kind, width, height, depth, 1, bytes) && bytes > kMaxTextureBytes)
        throw TextureError(ErrorKind::Unsupported,
                        "texture would need " + std::to_string(bytes) + " bytes, more than the limit of 1 GiB");
    LibrarySession session;
    DeviceTexture to(session, format, source.kind, width, height, depth, 1);
    for (uint32_t face = 0; face < to.Faces(); ++face)
        LoadLevel(session, to, face, 0, source, 0, options);
    return to.Download(options.destinationPalette);
}

SourceRows ReadOnly(const PixelRows& rows) { return {rows.data, rows.pitch, rows.format, rows.width, rows.height}; }

PixelRows WholeRows(BYTE* data, D3DFORMAT format, uint32_t width, uint32_t height)
{
    return {data, DescribeLevel(*FindFormat(format), width, height, 1).rowPitch, format, width, height, height};
}

PixelRows LevelRows(TextureImage& texture, uint32_t face, uint32_t level, uint32_t firstRow, uint32_t rowCount)
{
    const LevelLayout layout = texture.Level(level);
    BYTE* start = texture.Surface(face, level).data() + size_t(firstRow / RowsPerStoredRow(texture.format)) *
                                                            layout.rowPitch;
    return {start, layout.rowPitch, texture.format, layout.width, rowCount, layout.height};
}

SourceRows LevelRows(const TextureImage& texture, uint32_t face, uint32_t level, uint32_t firstRow,
                     uint32_t rowCount)
{
    const LevelLayout layout = texture.Level(level);
    const BYTE* start = texture.Surface(face, level).data() +
                        size_t(firstRow / RowsPerStoredRow(texture.format)) * layout.rowPitch;
    return {start, layout.rowPitch, texture.format, layout.width, rowCount, PaletteOf(texture.palette)};
}

void LoadRows(LibrarySession& session, const PixelRows& to, const SourceRows& from, const LoadOptions& options)
{
    const bool partialBlocks =
        FindFormat(to.format)->IsBlockCompressed() && to.height < 3 && to.imageHeight > to.height;
    const UINT surfaceHeight = partialBlocks ? 4 : to.height;
    const RECT fromRect{0, 0, LONG(from.width), LONG(from.height)};
    if (LoadsIntoMemory(to.format)) {
        // Pixels and blocks are written where they are kept: no surface,
        // and no device for the band.
        session.Check(LoadMemoryFromMemory(to.data, to.format, static_cast<UINT>(to.pitch), to.width, to.height,
                                           surfaceHeight, from.data, from.format, static_cast<UINT>(from.pitch),
                                           from.palette, &fromRect, options.filter, options.colorKey),
                      "LoadMemoryFromMemory");
        return;
    }
    ComRef<IDirect3DSurface8> surface;
    session.Check(session.Device()->CreateImageSurface(to.width, surfaceHeight, to.format, surface.Receive()),
                  "creating a surface");
    const RECT toRect{0, 0, LONG(to.width), LONG(to.height)};
    session.Check(LoadSurfaceFromMemory(surface.Get(), PaletteOf(options.destinationPalette),
                                        partialBlocks ? &toRect : nullptr, from.data, from.format,
                                        static_cast<UINT>(from.pitch), from.palette, &fromRect, options.filter,
                                        options.colorKey),
                  "LoadSurfaceFromMemory");
    D3DLOCKED_RECT locked{};
    session.Check(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY), "locking a surface");
    const LevelLayout layout = DescribeLevel(*FindFormat(to.format), to.width, to.height, 1);
    for (uint32_t row = 0; row < layout.rowCount; ++row)
        std::memcpy(to.data + row * to.pitch, static_cast<const BYTE*>(locked.pBits) + size_t(row) * locked.Pitch,
                    layout.rowPitch);
    surface->UnlockRect();
}

} // namespace r3az8tex
