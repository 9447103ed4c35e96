#include "r3az8/tex/convert/device_texture.h"

#include "r3az8/tex/texture/texture_error.h"

#include <cstring>

namespace r3az8tex {
namespace {

// Copies rows between two pitches; `rowBytes` is what one row holds.
void CopyRows(BYTE* to, size_t toPitch, const BYTE* from, size_t fromPitch, size_t rowBytes, size_t rows)
{
    for (size_t row = 0; row < rows; ++row)
        std::memcpy(to + row * toPitch, from + row * fromPitch, rowBytes);
}

// The software device keeps each surface or volume in one block whose
// pitches are INT and whose size is a UINT; a larger level is refused here,
// as a request the library cannot serve, rather than failing on the device.
void CheckDeviceHolds(D3DFORMAT format, TextureKind kind, uint32_t width, uint32_t height, uint32_t depth)
{
    const LevelLayout top = DescribeLevel(*FindFormat(format), width, height, kind == TextureKind::Volume ? depth : 1);
    const uint64_t slice = uint64_t(top.rowPitch) * top.rowCount;
    if (slice > uint64_t(INT32_MAX) || top.bytes > uint64_t(UINT32_MAX))
        throw TextureError(ErrorKind::Unsupported, "a " + FormatName(format) + " texture of " +
                                                   SizeText(width, height, kind == TextureKind::Volume ? depth : 1) +
                                                   " needs " + std::to_string(top.bytes) +
                                                   " bytes a level, more than the software device holds");
}

} // namespace

DeviceTexture::DeviceTexture(LibrarySession& session, D3DFORMAT format, TextureKind kind, uint32_t width,
                             uint32_t height, uint32_t depth, uint32_t levels)
    : session_(session), format_(format), kind_(kind), width_(width), height_(height),
      depth_(kind == TextureKind::Volume ? depth : 1), levels_(levels)
{
    CheckDeviceHolds(format, kind, width, height, depth_);
    IDirect3DDevice8* device = session.Device();
    switch (kind) {
    case TextureKind::Flat:
        session.Check(device->CreateTexture(width, height, levels, 0, format, D3DPOOL_SYSTEMMEM, flat_.Receive()),
                      "creating a " + FormatName(format) + " texture");
        break;
    case TextureKind::Cube:
        session.Check(device->CreateCubeTexture(width, levels, 0, format, D3DPOOL_SYSTEMMEM, cube_.Receive()),
                      "creating a " + FormatName(format) + " cube texture");
        break;
    case TextureKind::Volume:
        session.Check(device->CreateVolumeTexture(width, height, depth_, levels, 0, format, D3DPOOL_SYSTEMMEM,
                                                  volume_.Receive()),
                      "creating a " + FormatName(format) + " volume texture");
        break;
    }
}

LevelLayout DeviceTexture::Layout(uint32_t level) const
{
    const FormatInfo* info = FindFormat(format_);
    return DescribeLevel(*info, LevelSide(width_, level), LevelSide(height_, level),
                         kind_ == TextureKind::Volume ? LevelSide(depth_, level) : 1);
}

IDirect3DBaseTexture8* DeviceTexture::Base() const
{
    if (flat_.Get())
        return flat_.Get();
    if (cube_.Get())
        return cube_.Get();
    return volume_.Get();
}

ComRef<IDirect3DSurface8> DeviceTexture::Surface(uint32_t face, uint32_t level)
{
    ComRef<IDirect3DSurface8> surface;
    if (kind_ == TextureKind::Cube)
        session_.Check(cube_->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(face), level, surface.Receive()),
                       "getting a cube face");
    else
        session_.Check(flat_->GetSurfaceLevel(level, surface.Receive()), "getting a texture level");
    return surface;
}

ComRef<IDirect3DVolume8> DeviceTexture::Volume(uint32_t level)
{
    ComRef<IDirect3DVolume8> volume;
    session_.Check(volume_->GetVolumeLevel(level, volume.Receive()), "getting a volume level");
    return volume;
}

void DeviceTexture::ModifyLevel(uint32_t face, uint32_t level, const std::function<void(PixelRuns)>& work)
{
    const LevelLayout layout = Layout(level);
    std::vector<std::span<BYTE>> runs;
    auto split = [&](BYTE* bits, size_t rowPitch, size_t slicePitch) {
        if (rowPitch == layout.rowPitch && slicePitch == layout.slicePitch) {
            runs.emplace_back(bits, layout.bytes);
            return;
        }
        for (uint32_t slice = 0; slice < layout.depth; ++slice)
            for (uint32_t row = 0; row < layout.rowCount; ++row)
                runs.emplace_back(bits + slice * slicePitch + row * rowPitch, layout.rowPitch);
    };
    if (kind_ == TextureKind::Volume) {
        D3DLOCKED_BOX box{};
        ComRef<IDirect3DVolume8> volume = Volume(level);
        session_.Check(volume->LockBox(&box, nullptr, 0), "locking a volume");
        split(static_cast<BYTE*>(box.pBits), box.RowPitch, box.SlicePitch);
        work(runs);
        volume->UnlockBox();
        return;
    }
    D3DLOCKED_RECT rect{};
    ComRef<IDirect3DSurface8> surface = Surface(face, level);
    session_.Check(surface->LockRect(&rect, nullptr, 0), "locking a surface");
    split(static_cast<BYTE*>(rect.pBits), rect.Pitch, size_t(rect.Pitch) * layout.rowCount);
    work(runs);
    surface->UnlockRect();
}

void DeviceTexture::CopyOut(uint32_t face, uint32_t level, std::vector<BYTE>& bytes)
{
    const LevelLayout layout = Layout(level);
    bytes.assign(layout.bytes, 0);
    if (kind_ == TextureKind::Volume) {
        D3DLOCKED_BOX box{};
        ComRef<IDirect3DVolume8> volume = Volume(level);
        session_.Check(volume->LockBox(&box, nullptr, D3DLOCK_READONLY), "locking a volume");
        for (uint32_t slice = 0; slice < layout.depth; ++slice)
            CopyRows(bytes.data() + slice * layout.slicePitch, layout.rowPitch,
                     static_cast<const BYTE*>(box.pBits) + size_t(slice) * box.SlicePitch, box.RowPitch,
                     layout.rowPitch, layout.rowCount);
        volume->UnlockBox();
        return;
    }
    D3DLOCKED_RECT rect{};
    ComRef<IDirect3DSurface8> surface = Surface(face, level);
    session_.Check(surface->LockRect(&rect, nullptr, D3DLOCK_READONLY), "locking a surface");
    CopyRows(bytes.data(), layout.rowPitch, static_cast<const BYTE*>(rect.pBits), rect.Pitch, layout.rowPitch,
             layout.rowCount);
    surface->UnlockRect();
}

TextureImage DeviceTexture::Download(const std::optional<std::array<PALETTEENTRY, 256>>& palette, CopyBound bound)
{
    TextureImage image;
    if (bound == CopyBound::Result) {
        image = MakeTexture(format_, kind_, width_, height_, depth_, levels_);
    } else {
        // The device holds it already, so its sides are within the limit.
        image = TextureShape(format_, kind_, width_, height_, depth_, levels_);
    }
    for (uint32_t face = 0; face < Faces(); ++face)
        for (uint32_t level = 0; level < levels_; ++level)
            CopyOut(face, level, image.Surface(face, level));
    if (FindFormat(format_)->content == Content::Paletted)
        image.palette = palette;
    return image;
}

} // namespace r3az8tex
