// Textures on the software device, and their transfer to TextureImage
// records. Transfers copy stored bytes row by row (honouring the device's
// pitch); they never interpret pixels.
#pragma once

#include "r3az8/tex/convert/library_session.h"
#include "r3az8/tex/texture/texture_image.h"

#include <functional>
#include <span>

namespace r3az8tex {

// What limits a texture brought into memory: a result those of a texture; a
// working copy (8 or 16 bytes a pixel on the way to the result) the side
// limit only.
enum class CopyBound { Result, WorkingCopy };

class DeviceTexture {
public:
    // A new system-memory texture of that shape.
    DeviceTexture(LibrarySession& session, D3DFORMAT format, TextureKind kind, uint32_t width, uint32_t height,
                  uint32_t depth, uint32_t levels);

    // Every face and level, with the palette given (if any).
    TextureImage Download(const std::optional<std::array<PALETTEENTRY, 256>>& palette = std::nullopt,
                          CopyBound bound = CopyBound::Result);

    // Whole pixels in memory, for the conversion's own per-pixel work.
    using PixelRuns = std::span<const std::span<BYTE>>;
    // Locks one face and level and hands `work` its pixels as runs of whole
    // pixels (one run when rows and slices lie without padding, otherwise
    // one a row), then unlocks it.
    void ModifyLevel(uint32_t face, uint32_t level, const std::function<void(PixelRuns)>& work);

    // One level of one face (2D and cube textures).
    ComRef<IDirect3DSurface8> Surface(uint32_t face, uint32_t level);
    // One level of a volume texture.
    ComRef<IDirect3DVolume8> Volume(uint32_t level);
    IDirect3DBaseTexture8* Base() const;

    D3DFORMAT Format() const { return format_; }
    TextureKind Kind() const { return kind_; }
    uint32_t Levels() const { return levels_; }
    uint32_t Faces() const { return kind_ == TextureKind::Cube ? 6 : 1; }

private:
    void CopyOut(uint32_t face, uint32_t level, std::vector<BYTE>& bytes);
    LevelLayout Layout(uint32_t level) const;

    LibrarySession& session_;
    D3DFORMAT format_;
    TextureKind kind_;
    uint32_t width_, height_, depth_, levels_;
    ComRef<IDirect3DTexture8> flat_;
    ComRef<IDirect3DCubeTexture8> cube_;
    ComRef<IDirect3DVolumeTexture8> volume_;
};

} // namespace r3az8tex
