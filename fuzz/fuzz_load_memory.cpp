// The load operations with fuzzed arguments: LoadSurfaceFromMemory and
// LoadVolumeFromMemory into surfaces and volumes of every kind the device
// makes (texture levels, cube faces, image surfaces, render targets, volume
// levels; every pool, dynamic or not), with fuzzed formats, pitches,
// rectangles and boxes (invalid ones included), filter words, colour keys
// and palettes; now and then the object-to-object forms, a surface loaded
// from itself, or a platform call or working-memory allocation failing.
//
// The source memory is a heap block of exactly the size its format, pitch
// and rectangle or box claim. After every call nothing may stay locked or
// alive, argument errors must be reported as such, and a rectangle or box
// the destination does not hold must be refused.
#include "com_ref.h"
#include "d3d8_testing.h"
#include "fuzz/fuzz_platform.h"
#include "fuzz/fuzz_support.h"
#include "r3az8/tex/load.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using fuzzing::Fail;
using fuzzing::FormatStorage;

// Sizes of surfaces, volumes and caller memory: a few DXT blocks and YUV
// pairs each way with ragged edges. Larger ones take the same code for
// longer and find nothing new.
constexpr UINT kSurfaceSide = 24;
constexpr UINT kVolumeSide = 10;
constexpr UINT kVolumeDepth = 5;

D3DPOOL PickPool(FuzzedDataProvider& data) { return D3DPOOL(data.ConsumeIntegralInRange(0, 2)); }
DWORD PickUsage(FuzzedDataProvider& data) { return data.ConsumeBool() ? D3DUSAGE_DYNAMIC : 0; }
UINT PickLevels(FuzzedDataProvider& data) { return data.ConsumeIntegralInRange(0u, 3u); }

// Everything the surface of one input hangs on.
struct SurfaceObjects {
    ComRef<IDirect3DTexture8> texture;
    ComRef<IDirect3DCubeTexture8> cube;
    ComRef<IDirect3DSurface8> surface;
};

void MakeSurface(FuzzedDataProvider& data, SurfaceObjects& objects)
{
    IDirect3DDevice8* device = fuzzing::Device();
    const D3DFORMAT format = fuzzing::PickFormat(data);
    const UINT width = data.ConsumeIntegralInRange(1u, kSurfaceSide);
    const UINT height = data.ConsumeIntegralInRange(1u, kSurfaceSide);
    switch (data.ConsumeIntegralInRange(0, 3)) {
    case 0:
        if (SUCCEEDED(device->CreateTexture(width, height, PickLevels(data), PickUsage(data), format, PickPool(data),
                                            objects.texture.Receive())))
            objects.texture.Get()->GetSurfaceLevel(
                data.ConsumeIntegralInRange(0u, objects.texture.Get()->GetLevelCount() - 1),
                objects.surface.Receive());
        break;
    case 1:
        if (SUCCEEDED(device->CreateCubeTexture(width, PickLevels(data), PickUsage(data), format, PickPool(data),
                                                objects.cube.Receive())))
            objects.cube.Get()->GetCubeMapSurface(D3DCUBEMAP_FACES(data.ConsumeIntegralInRange(0, 5)),
                                                  data.ConsumeIntegralInRange(0u, objects.cube.Get()->GetLevelCount() - 1),
                                                  objects.surface.Receive());
        break;
    case 2:
        device->CreateImageSurface(width, height, format, objects.surface.Receive());
        break;
    default:
        device->CreateRenderTarget(width, height, format, D3DMULTISAMPLE_NONE, data.ConsumeBool() ? TRUE : FALSE,
                                   objects.surface.Receive());
        break;
    }
}

struct VolumeObjects {
    ComRef<IDirect3DVolumeTexture8> texture;
    ComRef<IDirect3DVolume8> volume;
};

void MakeVolume(FuzzedDataProvider& data, VolumeObjects& objects)
{
    const D3DFORMAT format = fuzzing::PickFormat(data);
    const UINT width = data.ConsumeIntegralInRange(1u, kVolumeSide);
    const UINT height = data.ConsumeIntegralInRange(1u, kVolumeSide);
    const UINT depth = data.ConsumeIntegralInRange(1u, kVolumeDepth);
    if (SUCCEEDED(fuzzing::Device()->CreateVolumeTexture(width, height, depth, PickLevels(data), PickUsage(data),
                                                         format, PickPool(data), objects.texture.Receive())))
        objects.texture.Get()->GetVolumeLevel(
            data.ConsumeIntegralInRange(0u, objects.texture.Get()->GetLevelCount() - 1), objects.volume.Receive());
}

// How far a picked coordinate pair may stray: anywhere in the 32-bit range
// (for rectangles and boxes the library checks against its objects), or a
// little beyond 0..size on either side (for caller memory, which must exist).
enum class Reach { Anywhere, NearSize };

// A coordinate pair inside 0..size (in order or inverted), the whole of it,
// or a pair that strays as far as `reach` allows.
void PickSpan(FuzzedDataProvider& data, LONG size, LONG& first, LONG& last, Reach reach)
{
    switch (data.ConsumeIntegralInRange(0, 9)) {
    case 0:
        if (reach == Reach::Anywhere) {
            first = data.ConsumeIntegral<int32_t>();
            last = data.ConsumeIntegral<int32_t>();
            return;
        }
        [[fallthrough]];
    case 1:
        first = data.ConsumeIntegralInRange<LONG>(-8, size + 8);
        last = data.ConsumeIntegralInRange<LONG>(-8, size + 8);
        return;
    case 2:
    case 3:
        first = 0;
        last = size;
        return;
    default:
        first = data.ConsumeIntegralInRange<LONG>(0, size);
        last = data.ConsumeIntegralInRange<LONG>(0, size);
        if (first > last)
            std::swap(first, last);
        return;
    }
}

// Boxes are unsigned: straying below 0 wraps to the top of the range.
void PickSpan(FuzzedDataProvider& data, UINT size, UINT& first, UINT& last, Reach reach)
{
    LONG a = 0;
    LONG b = 0;
    PickSpan(data, LONG(size), a, b, reach);
    first = UINT(a);
    last = UINT(b);
}

UINT NonNegative(LONG value) { return value > 0 ? UINT(value) : 0u; }

bool InsideSurface(const RECT& r, const D3DSURFACE_DESC& desc)
{
    return r.left >= 0 && r.left <= r.right && r.right <= LONG(desc.Width) && r.top >= 0 && r.top <= r.bottom &&
           r.bottom <= LONG(desc.Height);
}

bool InsideVolume(const D3DBOX& b, const D3DVOLUME_DESC& desc)
{
    return b.Left <= b.Right && b.Right <= desc.Width && b.Top <= b.Bottom && b.Bottom <= desc.Height &&
           b.Front <= b.Back && b.Back <= desc.Depth;
}

bool IsArgumentError(HRESULT result) { return result == D3DERR_INVALIDCALL; }

// Caller memory for an image of right x bottom x back pixels, from pixel
// (0,0,0) to the end of its last unit: what a source rectangle or box with
// those far sides claims. Negative sides claim nothing.
fuzzing::ExactBuffer SourceMemory(FuzzedDataProvider& data, const FormatStorage& storage, UINT right, UINT bottom,
                                  UINT back, UINT rowPitch, UINT slicePitch)
{
    return fuzzing::ExactBuffer(data, size_t(fuzzing::ImageBytes(storage, right, bottom, back, rowPitch, slicePitch)));
}

// The stored bytes of a surface (its rows of units side by side, without
// the pitch's padding) when it can be locked directly; empty otherwise.
// With `fill`, the surface is first filled from the fuzzer's bytes, so that
// a stray write of stale or zeroed pixels shows.
FUZZ_UNSTEERED
std::vector<BYTE> SurfaceBytes(IDirect3DSurface8* surface, FuzzedDataProvider* fill)
{
    D3DSURFACE_DESC desc{};
    surface->GetDesc(&desc);
    D3DLOCKED_RECT locked{};
    if (FAILED(surface->LockRect(&locked, nullptr, fill != nullptr ? 0 : D3DLOCK_READONLY)))
        return {};
    const FormatStorage storage = fuzzing::StorageOf(desc.Format);
    const size_t rowBytes = size_t(fuzzing::RowBytes(storage, desc.Width));
    const UINT rows = fuzzing::UnitsDown(storage, desc.Height);
    std::vector<BYTE> bytes(rowBytes * rows);
    for (UINT row = 0; row < rows; ++row) {
        BYTE* stored = static_cast<BYTE*>(locked.pBits) + size_t(row) * UINT(locked.Pitch);
        if (fill != nullptr)
            fuzzing::FillBytes(*fill, stored, rowBytes);
        std::memcpy(bytes.data() + row * rowBytes, stored, rowBytes);
    }
    surface->UnlockRect();
    return bytes;
}

// Every stored unit (pixel, YUV pair, DXT block) outside those the
// rectangle touches must be as it was; without a rectangle the whole
// surface may change, with an invalid one nothing may.
FUZZ_UNSTEERED
void CheckOutsideUnchanged(IDirect3DSurface8* surface, const std::vector<BYTE>& before, const RECT* rect,
                           bool rectValid, HRESULT result)
{
    if (before.empty() || (rect == nullptr && rectValid))
        return;
    const std::vector<BYTE> after = SurfaceBytes(surface, nullptr);
    if (after.size() != before.size())
        Fail("the surface could not be read back after the load");
    D3DSURFACE_DESC desc{};
    surface->GetDesc(&desc);
    const FormatStorage storage = fuzzing::StorageOf(desc.Format);
    const size_t rowBytes = size_t(fuzzing::RowBytes(storage, desc.Width));
    UINT firstColumn = 0, endColumn = 0, firstRow = 0, endRow = 0;
    if (rectValid && rect->right > rect->left && rect->bottom > rect->top) {
        firstColumn = UINT(rect->left) / storage.blockWidth;
        endColumn = fuzzing::UnitsAcross(storage, UINT(rect->right));
        firstRow = UINT(rect->top) / storage.blockHeight;
        endRow = fuzzing::UnitsDown(storage, UINT(rect->bottom));
    }
    for (size_t i = 0; i < before.size(); ++i) {
        const UINT row = UINT(i / rowBytes);
        const UINT column = UINT((i % rowBytes) / storage.blockBytes);
        const bool writable = row >= firstRow && row < endRow && column >= firstColumn && column < endColumn;
        if (!writable && before[i] != after[i])
            Fail("a load into {%d,%d,%d,%d} of a %ux%u surface of format 0x%08X (result 0x%08X) changed byte %zu "
                 "outside it",
                 int(rect->left), int(rect->top), int(rect->right), int(rect->bottom), desc.Width, desc.Height,
                 unsigned(desc.Format), unsigned(result), i);
    }
}

void FuzzSurface(FuzzedDataProvider& data)
{
    SurfaceObjects destination;
    MakeSurface(data, destination);
    if (destination.surface.Get() == nullptr)
        return;
    D3DSURFACE_DESC desc{};
    destination.surface.Get()->GetDesc(&desc);

    RECT destRect{};
    PickSpan(data, LONG(desc.Width), destRect.left, destRect.right, Reach::Anywhere);
    PickSpan(data, LONG(desc.Height), destRect.top, destRect.bottom, Reach::Anywhere);
    const bool wholeDest = data.ConsumeBool();
    const DWORD filter = fuzzing::PickFilter(data);
    const D3DCOLOR colorKey = fuzzing::PickColorKey(data);
    fuzzing::Palette destPalette = fuzzing::Palette::Pick(data);
    fuzzing::Palette srcPalette = fuzzing::Palette::Pick(data);
    const fuzzing::FaultPlan fault = fuzzing::FaultPlan::Pick(data);
    const RECT* pDestRect = wholeDest ? nullptr : &destRect;
    const bool destRectValid = wholeDest || InsideSurface(destRect, desc);
    const std::vector<BYTE> before = SurfaceBytes(destination.surface.Get(), &data);
    d3d8::ClearLockHistory();
    const unsigned liveOwn = d3d8::LiveObjects();

    HRESULT result;
    if (data.ConsumeIntegralInRange(0, 3) == 0) {
        // Object to object: from another surface or from the surface itself.
        SurfaceObjects other;
        const bool itself = data.ConsumeBool();
        if (!itself)
            MakeSurface(data, other);
        IDirect3DSurface8* source = itself ? destination.surface.Get() : other.surface.Get();
        RECT srcRect{};
        D3DSURFACE_DESC srcDesc{};
        if (source != nullptr) {
            source->GetDesc(&srcDesc);
            PickSpan(data, LONG(srcDesc.Width), srcRect.left, srcRect.right, Reach::Anywhere);
            PickSpan(data, LONG(srcDesc.Height), srcRect.top, srcRect.bottom, Reach::Anywhere);
        }
        const RECT* pSrcRect = data.ConsumeBool() ? nullptr : &srcRect;
        const unsigned liveBoth = d3d8::LiveObjects();
        fault.Arm();
        result = LoadSurfaceFromSurface(destination.surface.Get(), destPalette.get(), pDestRect, source,
                                        srcPalette.get(), pSrcRect, filter, colorKey);
        fuzzing::FaultPlan::Disarm();
        fuzzing::CheckNothingHeld(liveBoth, "LoadSurfaceFromSurface");
        if (source == nullptr && !IsArgumentError(result))
            Fail("LoadSurfaceFromSurface without source returned 0x%08X", unsigned(result));
        if (source != nullptr && pSrcRect != nullptr && !InsideSurface(srcRect, srcDesc) && SUCCEEDED(result))
            Fail("LoadSurfaceFromSurface accepted the source rectangle {%d,%d,%d,%d} of a %ux%u surface",
                 int(srcRect.left), int(srcRect.top), int(srcRect.right), int(srcRect.bottom), srcDesc.Width,
                 srcDesc.Height);
    } else {
        const FormatStorage storage = fuzzing::StorageOf(fuzzing::PickFormat(data));
        RECT srcRect{};
        const LONG srcWidth = LONG(data.ConsumeIntegralInRange(0u, kSurfaceSide));
        PickSpan(data, srcWidth, srcRect.left, srcRect.right, Reach::NearSize);
        const LONG srcHeight = LONG(data.ConsumeIntegralInRange(0u, kSurfaceSide));
        PickSpan(data, srcHeight, srcRect.top, srcRect.bottom, Reach::NearSize);
        const bool srcRectValid = srcRect.left >= 0 && srcRect.top >= 0 && srcRect.left <= srcRect.right &&
                                  srcRect.top <= srcRect.bottom;
        const UINT right = std::max(NonNegative(srcRect.left), NonNegative(srcRect.right));
        const UINT bottom = std::max(NonNegative(srcRect.top), NonNegative(srcRect.bottom));
        const UINT pitch = fuzzing::PickRowPitch(data, storage, right);
        fuzzing::ExactBuffer memory = SourceMemory(data, storage, right, bottom, 1, pitch, 0);
        const bool noMemory = data.ConsumeIntegralInRange(0, 31) == 0;
        const bool noRect = data.ConsumeIntegralInRange(0, 31) == 0;
        fault.Arm();
        result = LoadSurfaceFromMemory(destination.surface.Get(), destPalette.get(), pDestRect,
                                       noMemory ? nullptr : memory.data(), storage.format, pitch, srcPalette.get(),
                                       noRect ? nullptr : &srcRect, filter, colorKey);
        fuzzing::FaultPlan::Disarm();
        fuzzing::CheckNothingHeld(liveOwn, "LoadSurfaceFromMemory");
        if ((noMemory || noRect) && !IsArgumentError(result))
            Fail("LoadSurfaceFromMemory without %s returned 0x%08X", noMemory ? "memory" : "rectangle",
                 unsigned(result));
        if (!srcRectValid && SUCCEEDED(result))
            Fail("LoadSurfaceFromMemory accepted the source rectangle {%d,%d,%d,%d}", int(srcRect.left),
                 int(srcRect.top), int(srcRect.right), int(srcRect.bottom));
    }
    // The source is locked before the destination rectangle is looked at,
    // so a failure injected there may come first; success never may.
    CheckOutsideUnchanged(destination.surface.Get(), before, pDestRect, destRectValid, result);
    if (!destRectValid && (fault.kind == fuzzing::FaultPlan::Kind::None ? !IsArgumentError(result) : SUCCEEDED(result)))
        Fail("the destination rectangle {%d,%d,%d,%d} of a %ux%u surface gave 0x%08X", int(destRect.left),
             int(destRect.top), int(destRect.right), int(destRect.bottom), desc.Width, desc.Height, unsigned(result));
}

void FuzzVolume(FuzzedDataProvider& data)
{
    VolumeObjects destination;
    MakeVolume(data, destination);
    if (destination.volume.Get() == nullptr)
        return;
    D3DVOLUME_DESC desc{};
    destination.volume.Get()->GetDesc(&desc);

    D3DBOX destBox{};
    PickSpan(data, desc.Width, destBox.Left, destBox.Right, Reach::Anywhere);
    PickSpan(data, desc.Height, destBox.Top, destBox.Bottom, Reach::Anywhere);
    PickSpan(data, desc.Depth, destBox.Front, destBox.Back, Reach::Anywhere);
    const D3DBOX* pDestBox = data.ConsumeBool() ? nullptr : &destBox;
    const bool destBoxValid = pDestBox == nullptr || InsideVolume(destBox, desc);
    const DWORD filter = fuzzing::PickFilter(data);
    const D3DCOLOR colorKey = fuzzing::PickColorKey(data);
    fuzzing::Palette destPalette = fuzzing::Palette::Pick(data);
    fuzzing::Palette srcPalette = fuzzing::Palette::Pick(data);
    const fuzzing::FaultPlan fault = fuzzing::FaultPlan::Pick(data);

    HRESULT result;
    if (data.ConsumeIntegralInRange(0, 3) == 0) {
        VolumeObjects other;
        const bool itself = data.ConsumeBool();
        if (!itself)
            MakeVolume(data, other);
        IDirect3DVolume8* source = itself ? destination.volume.Get() : other.volume.Get();
        D3DBOX srcBox{};
        D3DVOLUME_DESC srcDesc{};
        if (source != nullptr) {
            source->GetDesc(&srcDesc);
            PickSpan(data, srcDesc.Width, srcBox.Left, srcBox.Right, Reach::Anywhere);
            PickSpan(data, srcDesc.Height, srcBox.Top, srcBox.Bottom, Reach::Anywhere);
            PickSpan(data, srcDesc.Depth, srcBox.Front, srcBox.Back, Reach::Anywhere);
        }
        const D3DBOX* pSrcBox = data.ConsumeBool() ? nullptr : &srcBox;
        const unsigned liveBoth = d3d8::LiveObjects();
        fault.Arm();
        result = LoadVolumeFromVolume(destination.volume.Get(), destPalette.get(), pDestBox, source, srcPalette.get(),
                                      pSrcBox, filter, colorKey);
        fuzzing::FaultPlan::Disarm();
        fuzzing::CheckNothingHeld(liveBoth, "LoadVolumeFromVolume");
        if (source == nullptr && !IsArgumentError(result))
            Fail("LoadVolumeFromVolume without source returned 0x%08X", unsigned(result));
        if (source != nullptr && pSrcBox != nullptr && !InsideVolume(srcBox, srcDesc) && !IsArgumentError(result))
            Fail("LoadVolumeFromVolume with a source box outside the volume returned 0x%08X", unsigned(result));
        // Volumes have no copy path: the source lock holds the volume.
        if (itself && SUCCEEDED(result))
            Fail("LoadVolumeFromVolume succeeded in loading a volume from itself");
    } else {
        const unsigned liveOwn = d3d8::LiveObjects();
        const FormatStorage storage = fuzzing::StorageOf(fuzzing::PickFormat(data));
        // Unsigned coordinates: only pairs within 0..size+8 (in order or
        // inverted), since anything else would claim memory that is not there.
        D3DBOX srcBox{};
        auto pickSourceSpan = [&data](UINT size, UINT& first, UINT& last) {
            first = data.ConsumeIntegralInRange(0u, size + 8);
            last = data.ConsumeIntegralInRange(0u, size + 8);
            if (data.ConsumeIntegralInRange(0, 7) != 0 && first > last)
                std::swap(first, last);
        };
        pickSourceSpan(data.ConsumeIntegralInRange(0u, kVolumeSide), srcBox.Left, srcBox.Right);
        pickSourceSpan(data.ConsumeIntegralInRange(0u, kVolumeSide), srcBox.Top, srcBox.Bottom);
        pickSourceSpan(data.ConsumeIntegralInRange(0u, kVolumeDepth), srcBox.Front, srcBox.Back);
        const bool srcBoxValid =
            srcBox.Left <= srcBox.Right && srcBox.Top <= srcBox.Bottom && srcBox.Front <= srcBox.Back;
        const UINT right = std::max(srcBox.Left, srcBox.Right);
        const UINT bottom = std::max(srcBox.Top, srcBox.Bottom);
        const UINT back = std::max(srcBox.Front, srcBox.Back);
        const UINT rowPitch = fuzzing::PickRowPitch(data, storage, right);
        const UINT slicePitch = UINT(uint64_t(rowPitch) * fuzzing::UnitsDown(storage, bottom)) +
                                (data.ConsumeBool() ? 0u : data.ConsumeIntegralInRange(1u, 32u));
        fuzzing::ExactBuffer memory = SourceMemory(data, storage, right, bottom, back, rowPitch, slicePitch);
        const bool noMemory = data.ConsumeIntegralInRange(0, 31) == 0;
        const bool noBox = data.ConsumeIntegralInRange(0, 31) == 0;
        fault.Arm();
        result = LoadVolumeFromMemory(destination.volume.Get(), destPalette.get(), pDestBox,
                                      noMemory ? nullptr : memory.data(), storage.format, rowPitch, slicePitch,
                                      srcPalette.get(), noBox ? nullptr : &srcBox, filter, colorKey);
        fuzzing::FaultPlan::Disarm();
        fuzzing::CheckNothingHeld(liveOwn, "LoadVolumeFromMemory");
        if ((noMemory || noBox) && !IsArgumentError(result))
            Fail("LoadVolumeFromMemory without %s returned 0x%08X", noMemory ? "memory" : "box", unsigned(result));
        if (!srcBoxValid && SUCCEEDED(result))
            Fail("LoadVolumeFromMemory accepted the source box {%u,%u,%u,%u,%u,%u}", srcBox.Left, srcBox.Top,
                 srcBox.Right, srcBox.Bottom, srcBox.Front, srcBox.Back);
    }
    if (!destBoxValid && (fault.kind == fuzzing::FaultPlan::Kind::None ? !IsArgumentError(result) : SUCCEEDED(result)))
        Fail("the destination box {%u,%u,%u,%u,%u,%u} of a %ux%ux%u volume gave 0x%08X", destBox.Left, destBox.Top,
             destBox.Right, destBox.Bottom, destBox.Front, destBox.Back, desc.Width, desc.Height, desc.Depth,
             unsigned(result));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    fuzzing::QuietDebugOutput();
    FuzzedDataProvider data(bytes, size);
    fuzzing::Device();
    const unsigned liveBefore = d3d8::LiveObjects();
    if (data.ConsumeIntegralInRange(0, 2) == 0)
        FuzzVolume(data);
    else
        FuzzSurface(data);
    fuzzing::CheckNothingHeld(liveBefore, "releasing the target's own objects");
    d3d8::ClearLockHistory();
    d3d8::ResetFaults();
    return 0;
}
