// The texture library from outside, through its public headers only: a
// texture on the software device, an image loaded from memory into level
// 0, the mip chain regenerated and one pixel of level 1 checked; then the
// image compressed to DXT1 with the quality encoder and the blocks loaded
// back into a surface, which must give the image again. Exits 0 when all
// went as it should.
#include "d3d8.h"
#include "r3az8/tex/block_encoder.h"
#include "r3az8/tex/load.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr UINT kSize = 8;

// Releases a COM object when the scope ends.
template <typename Interface>
struct Held {
    Interface* object = nullptr;
    ~Held()
    {
        if (object != nullptr)
            object->Release();
    }
};

int Fail(const char* step, HRESULT result)
{
    std::fprintf(stderr, "consumer: %s failed (0x%08X)\n", step, static_cast<unsigned>(result));
    return 1;
}

// Every pixel of an A8R8G8B8 surface, row after row.
HRESULT ReadPixels(IDirect3DSurface8& surface, std::vector<uint32_t>& pixels)
{
    D3DSURFACE_DESC desc{};
    HRESULT result = surface.GetDesc(&desc);
    D3DLOCKED_RECT locked{};
    if (SUCCEEDED(result))
        result = surface.LockRect(&locked, nullptr, D3DLOCK_READONLY);
    if (FAILED(result))
        return result;
    pixels.clear();
    for (UINT y = 0; y < desc.Height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch);
        pixels.insert(pixels.end(), row, row + desc.Width);
    }
    return surface.UnlockRect();
}

} // namespace

int main()
{
    Held<IDirect3DDevice8> device;
    HRESULT result = SoftD3D8CreateDevice(&device.object);
    if (FAILED(result))
        return Fail("creating the device", result);
    Held<IDirect3DTexture8> texture;
    result = device.object->CreateTexture(kSize, kSize, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture.object);
    if (FAILED(result))
        return Fail("creating the texture", result);

    // Columns alternating black and white: every 2x2 box averages to grey.
    std::vector<uint32_t> image(kSize * kSize);
    for (UINT i = 0; i < image.size(); ++i)
        image[i] = i % 2 ? 0xFFFFFFFFu : 0xFF000000u;
    Held<IDirect3DSurface8> top;
    result = texture.object->GetSurfaceLevel(0, &top.object);
    if (FAILED(result))
        return Fail("getting level 0", result);
    const RECT whole{0, 0, LONG(kSize), LONG(kSize)}; // the memory's extent: there is no other way to know it
    result = LoadSurfaceFromMemory(top.object, nullptr, nullptr, image.data(), D3DFMT_A8R8G8B8, kSize * 4, nullptr,
                                   &whole, IMAGE_FILTER_NONE, 0);
    if (FAILED(result))
        return Fail("loading level 0", result);
    result = FilterTexture(texture.object, nullptr, 0, IMAGE_FILTER_BOX);
    if (FAILED(result))
        return Fail("regenerating the mip chain", result);

    Held<IDirect3DSurface8> second;
    std::vector<uint32_t> read;
    result = texture.object->GetSurfaceLevel(1, &second.object);
    if (SUCCEEDED(result))
        result = ReadPixels(*second.object, read);
    if (FAILED(result))
        return Fail("reading level 1", result);
    const uint32_t pixel = read[0];
    const uint32_t grey = pixel & 0xFF;
    if (pixel >> 24 != 0xFF || grey < 0x7F || grey > 0x80 || (pixel >> 8 & 0xFF) != grey) {
        std::fprintf(stderr, "consumer: level 1 holds 0x%08X, not opaque mid grey\n", static_cast<unsigned>(pixel));
        return 1;
    }

    // The quality encoder takes FloatColor pixels, channels in 0..1.
    std::vector<FloatColor> pixels(image.size());
    for (UINT i = 0; i < image.size(); ++i) {
        const float level = i % 2 ? 1.0f : 0.0f;
        pixels[i] = {level, level, level, 1.0f};
    }
    const UINT blockPitch = (kSize + 3) / 4 * QualityBlockBytes(D3DFMT_DXT1);
    std::vector<BYTE> blocks(blockPitch * ((kSize + 3) / 4));
    const QualityOptions options{BlockQuality::High, ColorWeighting::Perceptual};
    result = EncodeQualityImage(D3DFMT_DXT1, blocks.data(), blockPitch, pixels.data(), kSize, kSize, kSize, options);
    if (FAILED(result))
        return Fail("compressing to DXT1", result);

    // A load from memory decodes blocks as it reads any other format.
    Held<IDirect3DSurface8> decoded;
    result = device.object->CreateImageSurface(kSize, kSize, D3DFMT_A8R8G8B8, &decoded.object);
    if (SUCCEEDED(result))
        result = LoadSurfaceFromMemory(decoded.object, nullptr, nullptr, blocks.data(), D3DFMT_DXT1, blockPitch,
                                       nullptr, &whole, IMAGE_FILTER_NONE, 0);
    if (SUCCEEDED(result))
        result = ReadPixels(*decoded.object, read);
    if (FAILED(result))
        return Fail("decoding the blocks", result);
    UINT wrong = 0;
    for (UINT i = 0; i < image.size(); ++i)
        wrong += read[i] != image[i];
    if (wrong != 0) {
        std::fprintf(stderr, "consumer: %u of %u pixels differ after DXT1\n", wrong, kSize * kSize);
        return 1;
    }
    std::printf("consumer: level 1 is 0x%08X, the average of black and white; DXT1 kept all %u pixels\n",
                static_cast<unsigned>(pixel), kSize * kSize);
    return 0;
}
