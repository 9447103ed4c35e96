// FilterTexture on random plain, cube and volume textures: any format the
// device makes, any size and level count, every pool, dynamic or not, with
// fuzzed pixels, palette, source level and filter word, and now and then a
// platform call or working-memory allocation failing.
//
// After every call nothing may stay locked, no object may be alive beyond
// the texture itself, the texture's reference count must be what it was,
// and the argument errors (a source level beyond the chain) must be
// reported as such.
#include "d3d8_testing.h"
#include "fuzz/fuzz_platform.h"
#include "fuzz/fuzz_support.h"
#include "r3az8/tex/load.h"

#include <cstring>

namespace {

using fuzzing::Fail;

D3DPOOL PickPool(FuzzedDataProvider& data) { return D3DPOOL(data.ConsumeIntegralInRange(0, 2)); }
DWORD PickUsage(FuzzedDataProvider& data) { return data.ConsumeBool() ? D3DUSAGE_DYNAMIC : 0; }

// Fills a locked area with fuzzed bytes, row by row (the pitch may be wider
// than the row).
void FillLocked(FuzzedDataProvider& data, BYTE* bits, UINT rowPitch, UINT rows, UINT rowBytes)
{
    for (UINT row = 0; row < rows; ++row)
        fuzzing::FillBytes(data, bits + size_t(row) * rowPitch, rowBytes);
}

void FillSurface(FuzzedDataProvider& data, IDirect3DSurface8* surface)
{
    D3DSURFACE_DESC desc{};
    surface->GetDesc(&desc);
    D3DLOCKED_RECT locked{};
    if (FAILED(surface->LockRect(&locked, nullptr, 0)))
        return; // not lockable directly (default pool): the level keeps its zeros
    const fuzzing::FormatStorage storage = fuzzing::StorageOf(desc.Format);
    FillLocked(data, static_cast<BYTE*>(locked.pBits), UINT(locked.Pitch), fuzzing::UnitsDown(storage, desc.Height),
               UINT(fuzzing::RowBytes(storage, desc.Width)));
    surface->UnlockRect();
}

void FillVolume(FuzzedDataProvider& data, IDirect3DVolume8* volume)
{
    D3DVOLUME_DESC desc{};
    volume->GetDesc(&desc);
    D3DLOCKED_BOX locked{};
    if (FAILED(volume->LockBox(&locked, nullptr, 0)))
        return;
    const fuzzing::FormatStorage storage = fuzzing::StorageOf(desc.Format);
    for (UINT slice = 0; slice < desc.Depth; ++slice)
        FillLocked(data, static_cast<BYTE*>(locked.pBits) + size_t(slice) * locked.SlicePitch, UINT(locked.RowPitch),
                   fuzzing::UnitsDown(storage, desc.Height), UINT(fuzzing::RowBytes(storage, desc.Width)));
    volume->UnlockBox();
}

// Makes a texture of a random kind, fills its source levels, and returns it
// as a base texture (null when the device refused the request).
IDirect3DBaseTexture8* MakeTexture(FuzzedDataProvider& data)
{
    IDirect3DDevice8* device = fuzzing::Device();
    const D3DFORMAT format = fuzzing::PickFormat(data);
    const UINT levels = data.ConsumeIntegralInRange(0u, 4u); // 0: the whole chain
    const DWORD usage = PickUsage(data);
    const D3DPOOL pool = PickPool(data);
    switch (data.ConsumeIntegralInRange(0, 2)) {
    case 0: {
        IDirect3DTexture8* texture = nullptr;
        if (FAILED(device->CreateTexture(data.ConsumeIntegralInRange(1u, 48u), data.ConsumeIntegralInRange(1u, 48u),
                                         levels, usage, format, pool, &texture)))
            return nullptr;
        for (UINT level = 0; level < texture->GetLevelCount() && level < 2; ++level) {
            IDirect3DSurface8* surface = nullptr;
            if (SUCCEEDED(texture->GetSurfaceLevel(level, &surface))) {
                FillSurface(data, surface);
                surface->Release();
            }
        }
        return texture;
    }
    case 1: {
        IDirect3DCubeTexture8* cube = nullptr;
        if (FAILED(device->CreateCubeTexture(data.ConsumeIntegralInRange(1u, 16u), levels, usage, format, pool, &cube)))
            return nullptr;
        for (UINT face = 0; face < 6; ++face) {
            IDirect3DSurface8* surface = nullptr;
            if (SUCCEEDED(cube->GetCubeMapSurface(D3DCUBEMAP_FACES(face), 0, &surface))) {
                FillSurface(data, surface);
                surface->Release();
            }
        }
        return cube;
    }
    default: {
        IDirect3DVolumeTexture8* volume = nullptr;
        if (FAILED(device->CreateVolumeTexture(data.ConsumeIntegralInRange(1u, 12u),
                                               data.ConsumeIntegralInRange(1u, 12u),
                                               data.ConsumeIntegralInRange(1u, 8u), levels, usage, format, pool,
                                               &volume)))
            return nullptr;
        IDirect3DVolume8* top = nullptr;
        if (SUCCEEDED(volume->GetVolumeLevel(0, &top))) {
            FillVolume(data, top);
            top->Release();
        }
        return volume;
    }
    }
}

UINT PickSourceLevel(FuzzedDataProvider& data, UINT levelCount)
{
    switch (data.ConsumeIntegralInRange(0, 7)) {
    case 0:
        return 0xFFFFFFFFu; // means 0
    case 1:
        return levelCount + data.ConsumeIntegralInRange(0u, 2u);
    case 2:
        return data.ConsumeIntegral<UINT>();
    default:
        return data.ConsumeIntegralInRange(0u, levelCount > 0 ? levelCount - 1 : 0u);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    fuzzing::QuietDebugOutput();
    fuzzing::Device();
    FuzzedDataProvider data(bytes, size);
    const unsigned liveBefore = d3d8::LiveObjects();

    IDirect3DBaseTexture8* texture = data.ConsumeIntegralInRange(0, 63) == 0 ? nullptr : MakeTexture(data);
    const bool none = texture == nullptr;
    const UINT levelCount = none ? 0 : texture->GetLevelCount();
    const UINT sourceLevel = PickSourceLevel(data, levelCount);
    const DWORD filter = fuzzing::PickFilter(data);
    fuzzing::Palette palette = fuzzing::Palette::Pick(data);
    const fuzzing::FaultPlan fault = fuzzing::FaultPlan::Pick(data);
    const unsigned liveOwn = d3d8::LiveObjects();
    if (!none)
        texture->AddRef();
    const ULONG references = none ? 0 : texture->Release();

    fault.Arm();
    const HRESULT result = FilterTexture(texture, palette.get(), sourceLevel, filter);
    fuzzing::FaultPlan::Disarm();
    fuzzing::CheckNothingHeld(liveOwn, "FilterTexture");

    if (none && result != D3DERR_INVALIDCALL)
        Fail("FilterTexture without a texture returned 0x%08X", unsigned(result));
    const UINT effectiveLevel = sourceLevel == 0xFFFFFFFFu ? 0 : sourceLevel;
    if (!none && effectiveLevel >= levelCount && result != D3DERR_INVALIDCALL)
        Fail("FilterTexture from level %u of %u returned 0x%08X", sourceLevel, levelCount, unsigned(result));
    if (!none) {
        texture->AddRef();
        if (texture->Release() != references)
            Fail("FilterTexture changed the texture's reference count");
        texture->Release();
    }
    fuzzing::CheckNothingHeld(liveBefore, "releasing the texture");
    d3d8::ClearLockHistory();
    return 0;
}
