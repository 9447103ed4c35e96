// The texture library from outside: a texture on the software device, an
// image loaded from memory into level 0, the mip chain regenerated, one
// pixel of level 1 checked. Exits 0 when all went as it should.
#include "d3d8.h"
#include "r3az8/tex/load.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

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

} // namespace

int main()
{
    constexpr UINT kSize = 8;
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

    D3DLOCKED_RECT locked{};
    result = texture.object->LockRect(1, &locked, nullptr, D3DLOCK_READONLY);
    if (FAILED(result))
        return Fail("locking level 1", result);
    const uint32_t pixel = static_cast<const uint32_t*>(locked.pBits)[0];
    texture.object->UnlockRect(1);
    const uint32_t grey = pixel & 0xFF;
    if (pixel >> 24 != 0xFF || grey < 0x7F || grey > 0x80 || (pixel >> 8 & 0xFF) != grey) {
        std::fprintf(stderr, "consumer: level 1 holds 0x%08X, not opaque mid grey\n", static_cast<unsigned>(pixel));
        return 1;
    }
    std::printf("consumer: level 1 is 0x%08X, the average of black and white\n", static_cast<unsigned>(pixel));
    return 0;
}
