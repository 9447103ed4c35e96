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

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using fuzzing::Fail;

D3DPOOL PickPool(FuzzedDataProvider& data) { return D3DPOOL(data.ConsumeIntegralInRange(0, 2)); }
DWORD PickUsage(FuzzedDataProvider& data) { return data.ConsumeBool() ? D3DUSAGE_DYNAMIC : 0; }

// The stored bytes of one level (of one face) when it can be locked
// directly, rows of units side by side without the pitch's padding; empty
// otherwise. With `fill`, the level is first filled from the fuzzer's bytes.
FUZZ_UNSTEERED
std::vector<BYTE> LevelBytes(IDirect3DBaseTexture8* texture, UINT face, UINT level, FuzzedDataProvider* fill)
{
    const DWORD flags = fill != nullptr ? 0 : D3DLOCK_READONLY;
    std::vector<BYTE> bytes;
    auto take = [&](BYTE* bits, UINT rowPitch, UINT slicePitch, D3DFORMAT format, UINT width, UINT height, UINT depth) {
        const fuzzing::FormatStorage storage = fuzzing::StorageOf(format);
        const size_t rowBytes = size_t(fuzzing::RowBytes(storage, width));
        const UINT rows = fuzzing::UnitsDown(storage, height);
        bytes.resize(rowBytes * rows * depth);
        BYTE* to = bytes.data();
        for (UINT slice = 0; slice < depth; ++slice)
            for (UINT row = 0; row < rows; ++row, to += rowBytes) {
                BYTE* stored = bits + size_t(slice) * slicePitch + size_t(row) * rowPitch;
                if (fill != nullptr)
                    fuzzing::FillBytes(*fill, stored, rowBytes);
                std::memcpy(to, stored, rowBytes);
            }
    };
    switch (texture->GetType()) {
    case D3DRTYPE_TEXTURE: {
        auto* plain = static_cast<IDirect3DTexture8*>(texture);
        D3DSURFACE_DESC desc{};
        D3DLOCKED_RECT locked{};
        if (SUCCEEDED(plain->GetLevelDesc(level, &desc)) &&
            SUCCEEDED(plain->LockRect(level, &locked, nullptr, flags))) {
            take(static_cast<BYTE*>(locked.pBits), UINT(locked.Pitch), 0, desc.Format, desc.Width, desc.Height, 1);
            plain->UnlockRect(level);
        }
        break;
    }
    case D3DRTYPE_CUBETEXTURE: {
        auto* cube = static_cast<IDirect3DCubeTexture8*>(texture);
        D3DSURFACE_DESC desc{};
        D3DLOCKED_RECT locked{};
        const D3DCUBEMAP_FACES which = D3DCUBEMAP_FACES(face);
        if (SUCCEEDED(cube->GetLevelDesc(level, &desc)) &&
            SUCCEEDED(cube->LockRect(which, level, &locked, nullptr, flags))) {
            take(static_cast<BYTE*>(locked.pBits), UINT(locked.Pitch), 0, desc.Format, desc.Width, desc.Height, 1);
            cube->UnlockRect(which, level);
        }
        break;
    }
    default: {
        auto* volume = static_cast<IDirect3DVolumeTexture8*>(texture);
        D3DVOLUME_DESC desc{};
        D3DLOCKED_BOX locked{};
        if (SUCCEEDED(volume->GetLevelDesc(level, &desc)) &&
            SUCCEEDED(volume->LockBox(level, &locked, nullptr, flags))) {
            take(static_cast<BYTE*>(locked.pBits), UINT(locked.RowPitch), UINT(locked.SlicePitch), desc.Format,
                 desc.Width, desc.Height, desc.Depth);
            volume->UnlockBox(level);
        }
        break;
    }
    }
    return bytes;
}

UINT Faces(IDirect3DBaseTexture8* texture) { return texture->GetType() == D3DRTYPE_CUBETEXTURE ? 6 : 1; }

// The first `count` levels of every face (face by face), filled first when
// `fill` is given.
FUZZ_UNSTEERED
std::vector<std::vector<BYTE>> TopLevels(IDirect3DBaseTexture8* texture, UINT count, FuzzedDataProvider* fill)
{
    std::vector<std::vector<BYTE>> levels;
    for (UINT face = 0; face < Faces(texture); ++face)
        for (UINT level = 0; level < count; ++level)
            levels.push_back(LevelBytes(texture, face, level, fill));
    return levels;
}

// A side read as 1..range (the input's layout) and kept to `cap`: larger
// textures take the same code for longer and find nothing new.
UINT PickSide(FuzzedDataProvider& data, UINT range, UINT cap)
{
    return std::min(data.ConsumeIntegralInRange(1u, range), cap);
}

// Makes a texture of a random kind and returns it as a base texture (null
// when the device refused the request).
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
        const UINT width = PickSide(data, 48, 16);
        const UINT height = PickSide(data, 48, 16);
        if (FAILED(device->CreateTexture(width, height, levels, usage, format, pool, &texture)))
            return nullptr;
        return texture;
    }
    case 1: {
        IDirect3DCubeTexture8* cube = nullptr;
        if (FAILED(device->CreateCubeTexture(PickSide(data, 16, 6), levels, usage, format, pool, &cube)))
            return nullptr;
        return cube;
    }
    default: {
        IDirect3DVolumeTexture8* volume = nullptr;
        const UINT width = PickSide(data, 12, 8);
        const UINT height = PickSide(data, 12, 8);
        const UINT depth = PickSide(data, 8, 4);
        if (FAILED(device->CreateVolumeTexture(width, height, depth, levels, usage, format, pool, &volume)))
            return nullptr;
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
    const std::vector<std::vector<BYTE>> before =
        none ? std::vector<std::vector<BYTE>>() : TopLevels(texture, levelCount, &data);
    d3d8::ClearLockHistory();
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
        // The source level and those above it are never written; with a
        // source level beyond the chain no level is.
        const UINT keptLevels = effectiveLevel >= levelCount ? levelCount : effectiveLevel + 1;
        const std::vector<std::vector<BYTE>> after = TopLevels(texture, keptLevels, nullptr);
        for (UINT face = 0; face < Faces(texture); ++face)
            for (UINT level = 0; level < keptLevels; ++level)
                if (after[face * keptLevels + level] != before[face * levelCount + level])
                    Fail("FilterTexture from level %u (filter 0x%08X, result 0x%08X) changed level %u of face %u",
                         sourceLevel, unsigned(filter), unsigned(result), level, face);
        texture->AddRef();
        if (texture->Release() != references)
            Fail("FilterTexture changed the texture's reference count");
        texture->Release();
    }
    fuzzing::CheckNothingHeld(liveBefore, "releasing the texture");
    d3d8::ClearLockHistory();
    return 0;
}
