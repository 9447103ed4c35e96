#include "tests/support/device_test.h"

#include "r3az8/tex/codecs/format_catalogue.h"
#include "tests/support/process_state.h"

#include <cstring>

namespace {

uint32_t Hash(uint32_t value)
{
    value ^= value >> 16;
    value *= 0x7FEB352Du;
    value ^= value >> 15;
    value *= 0x846CA68Bu;
    value ^= value >> 16;
    return value;
}

} // namespace

Pixels NoisePixels(UINT width, UINT height, uint32_t seed)
{
    Pixels pixels(size_t(width) * height);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = Hash(uint32_t(i) * 2654435761u + seed * 40503u + 1u);
    return pixels;
}

Pixels QuadPixels(UINT width, UINT height)
{
    // Corner offsets 0, 4, 8, 12 within each quad: sum 24, average +6.
    static const uint32_t offsets[2][2] = {{0, 4}, {8, 12}};
    Pixels pixels(size_t(width) * height);
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x) {
            uint32_t base = Hash(((y / 2) << 16) ^ (x / 2)) & 0x00F0F0F0u; // channels up to 0xF0
            uint32_t alpha = 0x80u + 16u * ((x / 2 + y / 2) % 4);
            uint32_t offset = offsets[y % 2][x % 2];
            pixels[size_t(y) * width + x] =
                (alpha + offset) << 24 | (base + (offset << 16 | offset << 8 | offset));
        }
    return pixels;
}

Pixels ExactHalf(const Pixels& pixels, UINT width, UINT height)
{
    UINT halfWidth = width > 1 ? width / 2 : 1;
    UINT halfHeight = height > 1 ? height / 2 : 1;
    Pixels half(size_t(halfWidth) * halfHeight);
    for (UINT y = 0; y < halfHeight; ++y)
        for (UINT x = 0; x < halfWidth; ++x) {
            uint32_t result = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                uint32_t sum = 0;
                for (UINT dy = 0; dy < 2; ++dy)
                    for (UINT dx = 0; dx < 2; ++dx) {
                        UINT sx = width > 1 ? 2 * x + dx : 0;
                        UINT sy = height > 1 ? 2 * y + dy : 0;
                        sum += (pixels[size_t(sy) * width + sx] >> shift) & 0xFFu;
                    }
                result |= (sum / 4) << shift;
            }
            half[size_t(y) * halfWidth + x] = result;
        }
    return half;
}

UINT BytesPerPixel(D3DFORMAT format)
{
    const CodecFormat* entry = FindCodecFormat(format);
    if (entry == nullptr || entry->storage != PixelStorage::Packed) {
        ADD_FAILURE() << "no byte size known for format " << format;
        return 4;
    }
    return entry->unitBytes;
}

namespace {

ComRef<IDirect3DSurface8> ImageSurfaceLike(IDirect3DSurface8* surface, D3DSURFACE_DESC& desc)
{
    EXPECT_EQ(surface->GetDesc(&desc), S_OK);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    ComRef<IDirect3DDevice8> device;
    EXPECT_EQ(surface->GetDevice(device.Receive()), S_OK);
    ComRef<IDirect3DSurface8> image;
    EXPECT_EQ(device->CreateImageSurface(desc.Width, desc.Height, desc.Format, image.Receive()), S_OK);
    return image;
}

} // namespace

void WritePixels(IDirect3DSurface8* surface, const Pixels& pixels)
{
    D3DSURFACE_DESC desc{};
    ComRef<IDirect3DSurface8> image = ImageSurfaceLike(surface, desc);
    ASSERT_TRUE(image);
    ASSERT_EQ(pixels.size(), size_t(desc.Width) * desc.Height);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(image->LockRect(&locked, nullptr, 0), S_OK);
    for (UINT y = 0; y < desc.Height; ++y)
        std::memcpy(static_cast<BYTE*>(locked.pBits) + size_t(y) * locked.Pitch, &pixels[size_t(y) * desc.Width],
                    desc.Width * 4);
    image->UnlockRect();
    ComRef<IDirect3DDevice8> device;
    surface->GetDevice(device.Receive());
    ASSERT_EQ(device->CopyRects(image.Get(), nullptr, 0, surface, nullptr), S_OK);
    d3d8::ResetFaults();
}

Pixels Filled(IDirect3DSurface8* surface, UINT width, UINT height, uint32_t seed)
{
    Pixels pixels = NoisePixels(width, height, seed);
    WritePixels(surface, pixels);
    return pixels;
}

Pixels ReadPixels(IDirect3DSurface8* surface)
{
    D3DSURFACE_DESC desc{};
    ComRef<IDirect3DSurface8> image = ImageSurfaceLike(surface, desc);
    if (!image)
        return {};
    ComRef<IDirect3DDevice8> device;
    surface->GetDevice(device.Receive());
    EXPECT_EQ(device->CopyRects(surface, nullptr, 0, image.Get(), nullptr), S_OK);
    Pixels pixels(size_t(desc.Width) * desc.Height);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(image->LockRect(&locked, nullptr, D3DLOCK_READONLY), S_OK);
    for (UINT y = 0; y < desc.Height; ++y)
        std::memcpy(&pixels[size_t(y) * desc.Width], static_cast<BYTE*>(locked.pBits) + size_t(y) * locked.Pitch,
                    desc.Width * 4);
    image->UnlockRect();
    d3d8::ResetFaults();
    return pixels;
}

std::vector<BYTE> ReadBytes(IDirect3DVolume8* volume)
{
    D3DVOLUME_DESC desc{};
    EXPECT_EQ(volume->GetDesc(&desc), S_OK);
    const UINT rowBytes = desc.Width * BytesPerPixel(desc.Format);
    std::vector<BYTE> bytes(size_t(rowBytes) * desc.Height * desc.Depth);
    D3DLOCKED_BOX locked{};
    EXPECT_EQ(volume->LockBox(&locked, nullptr, D3DLOCK_READONLY), S_OK);
    if (!locked.pBits)
        return {};
    for (UINT z = 0; z < desc.Depth; ++z)
        for (UINT y = 0; y < desc.Height; ++y)
            std::memcpy(&bytes[(size_t(z) * desc.Height + y) * rowBytes],
                        static_cast<BYTE*>(locked.pBits) + size_t(z) * locked.SlicePitch + size_t(y) * locked.RowPitch,
                        rowBytes);
    volume->UnlockBox();
    d3d8::ResetFaults();
    return bytes;
}

void WriteBytes(IDirect3DVolume8* volume, const std::vector<BYTE>& bytes)
{
    D3DVOLUME_DESC desc{};
    ASSERT_EQ(volume->GetDesc(&desc), S_OK);
    const UINT rowBytes = desc.Width * BytesPerPixel(desc.Format);
    ASSERT_EQ(bytes.size(), size_t(rowBytes) * desc.Height * desc.Depth);
    D3DLOCKED_BOX locked{};
    ASSERT_EQ(volume->LockBox(&locked, nullptr, 0), S_OK);
    for (UINT z = 0; z < desc.Depth; ++z)
        for (UINT y = 0; y < desc.Height; ++y)
            std::memcpy(static_cast<BYTE*>(locked.pBits) + size_t(z) * locked.SlicePitch + size_t(y) * locked.RowPitch,
                        &bytes[(size_t(z) * desc.Height + y) * rowBytes], rowBytes);
    volume->UnlockBox();
    d3d8::ResetFaults();
}

void ExpectBox(const D3DBOX& actual, const D3DBOX& expected)
{
    EXPECT_EQ(actual.Left, expected.Left);
    EXPECT_EQ(actual.Top, expected.Top);
    EXPECT_EQ(actual.Right, expected.Right);
    EXPECT_EQ(actual.Bottom, expected.Bottom);
    EXPECT_EQ(actual.Front, expected.Front);
    EXPECT_EQ(actual.Back, expected.Back);
}

d3d8::LockRecord LastLock()
{
    auto history = d3d8::LockHistory();
    EXPECT_FALSE(history.empty());
    return history.empty() ? d3d8::LockRecord{} : history.back();
}

void DeviceTest::SetUp()
{
    ResetProcessState();
    d3d8::SetPitchPadding(pitchPadding_);
    ASSERT_EQ(d3d8::LiveObjects(), 0u) << "an earlier test left objects alive";
    ASSERT_EQ(SoftD3D8CreateDevice(device.Receive()), S_OK);
}

void DeviceTest::TearDown()
{
    d3d8::ResetFaults();
    d3d8::SetPitchPadding(0);
    FailWorkingMemoryAt(0);
    EXPECT_EQ(d3d8::LockedObjects(), 0u);
}

// Runs after the members of the derived fixtures are gone, so every object
// a test made has been given back by then.
DeviceTest::~DeviceTest()
{
    device.Reset();
    EXPECT_EQ(d3d8::LiveObjects(), 0u) << "objects left alive";
}

namespace {

// An object a call hands out; the call must succeed. The fault counters
// start again afterwards, so the set-up's calls never count in a test.
template <class Interface, class Call>
ComRef<Interface> Obtain(Call call)
{
    ComRef<Interface> object;
    EXPECT_EQ(call(object.Receive()), S_OK);
    d3d8::ResetFaults();
    return object;
}

} // namespace

ComRef<IDirect3DTexture8> DeviceTest::MakeTexture(UINT width, UINT height, UINT levels, D3DPOOL pool,
                                                  D3DFORMAT format, DWORD usage)
{
    return Obtain<IDirect3DTexture8>(
        [&](IDirect3DTexture8** out) { return device->CreateTexture(width, height, levels, usage, format, pool, out); });
}

ComRef<IDirect3DCubeTexture8> DeviceTest::MakeCube(UINT edge, UINT levels, D3DPOOL pool, D3DFORMAT format)
{
    return Obtain<IDirect3DCubeTexture8>(
        [&](IDirect3DCubeTexture8** out) { return device->CreateCubeTexture(edge, levels, 0, format, pool, out); });
}

ComRef<IDirect3DVolumeTexture8> DeviceTest::MakeVolume(UINT width, UINT height, UINT depth, UINT levels,
                                                       D3DPOOL pool, D3DFORMAT format, DWORD usage)
{
    return Obtain<IDirect3DVolumeTexture8>([&](IDirect3DVolumeTexture8** out) {
        return device->CreateVolumeTexture(width, height, depth, levels, usage, format, pool, out);
    });
}

ComRef<IDirect3DSurface8> DeviceTest::Level(IDirect3DTexture8* texture, UINT level)
{
    return Obtain<IDirect3DSurface8>([&](IDirect3DSurface8** out) { return texture->GetSurfaceLevel(level, out); });
}

ComRef<IDirect3DSurface8> DeviceTest::Face(IDirect3DCubeTexture8* cube, D3DCUBEMAP_FACES face, UINT level)
{
    return Obtain<IDirect3DSurface8>(
        [&](IDirect3DSurface8** out) { return cube->GetCubeMapSurface(face, level, out); });
}

ComRef<IDirect3DVolume8> DeviceTest::Level(IDirect3DVolumeTexture8* texture, UINT level)
{
    return Obtain<IDirect3DVolume8>([&](IDirect3DVolume8** out) { return texture->GetVolumeLevel(level, out); });
}

ComRef<IDirect3DSurface8> DeviceTest::MakeImageSurface(UINT width, UINT height, D3DFORMAT format)
{
    return Obtain<IDirect3DSurface8>(
        [&](IDirect3DSurface8** out) { return device->CreateImageSurface(width, height, format, out); });
}

void DeviceTest::FillLevels(IDirect3DTexture8* texture, uint32_t seed)
{
    for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
        D3DSURFACE_DESC desc{};
        texture->GetLevelDesc(level, &desc);
        WritePixels(Level(texture, level).Get(), NoisePixels(desc.Width, desc.Height, seed + level));
    }
}

void DeviceTest::FillLevels(IDirect3DCubeTexture8* cube, uint32_t seed)
{
    for (UINT face = 0; face < 6; ++face)
        for (UINT level = 0; level < cube->GetLevelCount(); ++level) {
            D3DSURFACE_DESC desc{};
            cube->GetLevelDesc(level, &desc);
            WritePixels(Face(cube, D3DCUBEMAP_FACES(face), level).Get(),
                        NoisePixels(desc.Width, desc.Height, seed + 100 * face + level));
        }
}

void DeviceTest::FillLevels(IDirect3DVolumeTexture8* texture, uint32_t seed)
{
    for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
        D3DVOLUME_DESC desc{};
        texture->GetLevelDesc(level, &desc);
        Pixels pixels = NoisePixels(desc.Width, desc.Height * desc.Depth, seed + level);
        std::vector<BYTE> bytes(pixels.size() * 4);
        std::memcpy(bytes.data(), pixels.data(), bytes.size());
        WriteBytes(Level(texture, level).Get(), bytes);
    }
}
