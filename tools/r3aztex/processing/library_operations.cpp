#include "tools/r3aztex/processing/library_operations.h"

#include "r3az8/tex/load.h"
#include "tools/r3aztex/device/device_texture.h"
#include "tools/r3aztex/tool_error.h"

namespace r3aztex {
namespace {

const PALETTEENTRY* PaletteOf(const std::optional<Palette>& palette)
{
    return palette ? palette->data() : nullptr;
}

// Whole level to whole level; the size difference is what the filter
// resamples.
void LoadLevel(LibrarySession& session, DeviceTexture& destination, uint32_t face, uint32_t destinationLevel,
               DeviceTexture& source, uint32_t sourceLevel, const std::optional<Palette>& sourcePalette,
               const LoadOptions& options)
{
    if (destination.Kind() == TextureKind::Volume) {
        ComRef<IDirect3DVolume8> to = destination.Volume(destinationLevel);
        ComRef<IDirect3DVolume8> from = source.Volume(sourceLevel);
        session.Check(LoadVolumeFromVolume(to.Get(), PaletteOf(options.destinationPalette), nullptr, from.Get(),
                                           PaletteOf(sourcePalette), nullptr, options.filter, options.colorKey),
                      "LoadVolumeFromVolume");
        return;
    }
    ComRef<IDirect3DSurface8> to = destination.Surface(face, destinationLevel);
    ComRef<IDirect3DSurface8> from = source.Surface(face, sourceLevel);
    session.Check(LoadSurfaceFromSurface(to.Get(), PaletteOf(options.destinationPalette), nullptr, from.Get(),
                                         PaletteOf(sourcePalette), nullptr, options.filter, options.colorKey),
                  "LoadSurfaceFromSurface");
}

} // namespace

TextureImage ConvertLevels(const TextureImage& source, D3DFORMAT format, uint32_t levels, const LoadOptions& options)
{
    LibrarySession session;
    DeviceTexture from(session, source);
    DeviceTexture to(session, format, source.kind, source.width, source.height, source.depth, levels);
    for (uint32_t face = 0; face < to.Faces(); ++face)
        for (uint32_t level = 0; level < levels; ++level)
            LoadLevel(session, to, face, level, from, level, source.palette, options);
    return to.Download(options.destinationPalette);
}

TextureImage ResampleTop(const TextureImage& source, D3DFORMAT format, uint32_t width, uint32_t height,
                         uint32_t depth, uint32_t levels, const LoadOptions& options)
{
    LibrarySession session;
    DeviceTexture from(session, source);
    DeviceTexture to(session, format, source.kind, width, height, depth, levels);
    for (uint32_t face = 0; face < to.Faces(); ++face)
        LoadLevel(session, to, face, 0, from, 0, source.palette, options);
    return to.Download(options.destinationPalette);
}

void GenerateMips(TextureImage& texture, DWORD filter)
{
    if (texture.levels < 2)
        return;
    LibrarySession session;
    DeviceTexture device(session, texture);
    const PALETTEENTRY* palette = texture.palette ? texture.palette->data() : nullptr;
    session.Check(FilterTexture(device.Base(), palette, 0, filter), "FilterTexture");
    texture = device.Download(texture.palette);
}

} // namespace r3aztex
