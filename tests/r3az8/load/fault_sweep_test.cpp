// Failure injection over every platform call and every working-memory
// allocation of each load operation and of FilterTexture: whatever fails,
// the operation reports it (or gets by through its documented fallback),
// and nothing stays locked, alive or allocated.
#include "tests/support/device_test.h"
#include "r3az8/tex/load.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

namespace loadtest {
namespace {

// A failure code the library never makes up itself, so the test sees that
// the platform's result is passed up unchanged.
const HRESULT injected = HRESULT(0x8876F00Du);

using Snapshot = std::vector<BYTE>;

// The objects one run works on, the operation, and a way to read what it
// produced.
struct Scenario {
    std::vector<std::shared_ptr<void>> objects; // the caller's own; released after the run
    std::function<HRESULT()> operation;
    std::function<Snapshot()> result;
    // Whether every operation the blit may fall back on writes the same
    // pixels, so that a run that succeeds despite a failed allocation must
    // give exactly the pixels of the run without faults. Not so where a box
    // filter that cannot have its buffers hands a volume, or a block image,
    // to the triangle filter: its sums round differently.
    bool exactUnderFallback = true;
};

class Sweep;
using Prepare = std::function<Scenario(Sweep&)>;

struct SweepCase {
    const char* name;
    Prepare prepare;
};

std::ostream& operator<<(std::ostream& out, const SweepCase& c) { return out << c.name; }

class Sweep : public PaddedDeviceTest, public ::testing::WithParamInterface<SweepCase> {
public:
    template <class Interface>
    Interface* Keep(Scenario& scenario, ComRef<Interface>&& object)
    {
        Interface* raw = object.Get();
        raw->AddRef();
        scenario.objects.push_back(std::shared_ptr<void>(raw, [](void* p) { static_cast<Interface*>(p)->Release(); }));
        return raw;
    }

    static Snapshot Bytes(const Pixels& pixels)
    {
        Snapshot bytes(pixels.size() * 4);
        std::memcpy(bytes.data(), pixels.data(), bytes.size());
        return bytes;
    }
    static void Append(Snapshot& to, const Snapshot& more) { to.insert(to.end(), more.begin(), more.end()); }

    Snapshot TextureLevels(IDirect3DTexture8* texture)
    {
        Snapshot all;
        for (UINT level = 0; level < texture->GetLevelCount(); ++level)
            Append(all, Bytes(ReadPixels(Level(texture, level).Get())));
        return all;
    }
    Snapshot CubeLevels(IDirect3DCubeTexture8* cube)
    {
        Snapshot all;
        for (UINT face = 0; face < 6; ++face)
            for (UINT level = 0; level < cube->GetLevelCount(); ++level)
                Append(all, Bytes(ReadPixels(Face(cube, D3DCUBEMAP_FACES(face), level).Get())));
        return all;
    }
    Snapshot VolumeLevels(IDirect3DVolumeTexture8* texture)
    {
        Snapshot all;
        for (UINT level = 0; level < texture->GetLevelCount(); ++level)
            Append(all, ReadBytes(Level(texture, level).Get()));
        return all;
    }

    // Rows of blocks (DXT) or pixel pairs (YUV) as stored, through a direct
    // lock, which the texture's pool must allow.
    static UINT StoredRowBytes(const D3DSURFACE_DESC& desc, UINT& rows)
    {
        if (desc.Format == D3DFMT_YUY2 || desc.Format == D3DFMT_UYVY) {
            rows = desc.Height;
            return 2 * desc.Width;
        }
        rows = (desc.Height + 3) / 4;
        return (desc.Width + 3) / 4 * (desc.Format == D3DFMT_DXT1 ? 8 : 16);
    }
    static Snapshot StoredBytes(IDirect3DSurface8* surface)
    {
        D3DSURFACE_DESC desc{};
        surface->GetDesc(&desc);
        UINT rows = 0;
        const UINT rowBytes = StoredRowBytes(desc, rows);
        Snapshot bytes(std::size_t{rowBytes} * rows);
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY), S_OK);
        for (UINT y = 0; y < rows; ++y)
            std::memcpy(&bytes[std::size_t{y} * rowBytes],
                        static_cast<const BYTE*>(locked.pBits) + std::size_t{y} * locked.Pitch, rowBytes);
        surface->UnlockRect();
        d3d8::ResetFaults();
        return bytes;
    }
    static void FillStored(IDirect3DSurface8* surface, uint32_t seed)
    {
        D3DSURFACE_DESC desc{};
        surface->GetDesc(&desc);
        UINT rows = 0;
        const UINT rowBytes = StoredRowBytes(desc, rows);
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), S_OK);
        uint32_t state = seed * 2654435761u + 1;
        for (UINT y = 0; y < rows; ++y)
            for (UINT x = 0; x < rowBytes; ++x) {
                state = state * 1664525u + 1013904223u;
                static_cast<BYTE*>(locked.pBits)[std::size_t{y} * locked.Pitch + x] = static_cast<BYTE>(state >> 24);
            }
        surface->UnlockRect();
        d3d8::ResetFaults();
    }

    using DeviceTest::device;
    using DeviceTest::Face;
    using DeviceTest::FillLevels;
    using DeviceTest::Level;
    using DeviceTest::MakeCube;
    using DeviceTest::MakeTexture;
    using DeviceTest::MakeVolume;
};

// --- the scenarios -----------------------------------------------------------------------

Scenario FilterPlainDefaultPool(Sweep& s)
{
    Scenario scenario;
    auto* texture = s.Keep(scenario, s.MakeTexture(16, 8, 0, D3DPOOL_DEFAULT));
    s.FillLevels(texture, 1);
    scenario.operation = [=] { return FilterTexture(texture, nullptr, 0, IMAGE_FILTER_BOX); };
    scenario.result = [=, &s] { return s.TextureLevels(texture); };
    return scenario;
}

Scenario FilterPlainManagedTriangle(Sweep& s)
{
    Scenario scenario;
    auto* texture = s.Keep(scenario, s.MakeTexture(12, 10, 3, D3DPOOL_MANAGED));
    s.FillLevels(texture, 2);
    scenario.operation = [=] { return FilterTexture(texture, nullptr, 0, IMAGE_FILTER_DEFAULT); };
    scenario.result = [=, &s] { return s.TextureLevels(texture); };
    return scenario;
}

Scenario FilterCube(Sweep& s)
{
    Scenario scenario;
    auto* cube = s.Keep(scenario, s.MakeCube(8, 3, D3DPOOL_DEFAULT));
    s.FillLevels(cube, 3);
    scenario.operation = [=] { return FilterTexture(cube, nullptr, 0, IMAGE_FILTER_BOX); };
    scenario.result = [=, &s] { return s.CubeLevels(cube); };
    return scenario;
}

Scenario FilterVolume(Sweep& s)
{
    Scenario scenario;
    scenario.exactUnderFallback = false;
    auto* texture = s.Keep(scenario, s.MakeVolume(8, 4, 4, 0, D3DPOOL_MANAGED));
    s.FillLevels(texture, 4);
    scenario.operation = [=] { return FilterTexture(texture, nullptr, 0, IMAGE_FILTER_BOX); };
    scenario.result = [=, &s] { return s.VolumeLevels(texture); };
    return scenario;
}

Scenario FilterDynamicVolumeTriangle(Sweep& s)
{
    Scenario scenario;
    auto* texture =
        s.Keep(scenario, s.MakeVolume(6, 4, 3, 2, D3DPOOL_DEFAULT, D3DFMT_A8R8G8B8, D3DUSAGE_DYNAMIC));
    s.FillLevels(texture, 5);
    scenario.operation = [=] { return FilterTexture(texture, nullptr, 0xFFFFFFFFu, IMAGE_FILTER_TRIANGLE); };
    scenario.result = [=, &s] { return s.VolumeLevels(texture); };
    return scenario;
}

Scenario MemoryIntoDefaultPoolRect(Sweep& s)
{
    Scenario scenario;
    auto* texture = s.Keep(scenario, s.MakeTexture(8, 8, 2, D3DPOOL_DEFAULT));
    s.FillLevels(texture, 6);
    auto* level = s.Keep(scenario, s.Level(texture, 0));
    auto memory = std::make_shared<Pixels>(NoisePixels(5, 5, 7));
    scenario.objects.push_back(memory);
    scenario.operation = [=] {
        const RECT from = {0, 0, 5, 5};
        const RECT to = {1, 2, 6, 7};
        return LoadSurfaceFromMemory(level, nullptr, &to, memory->data(), D3DFMT_A8R8G8B8, 20, nullptr, &from,
                                     IMAGE_FILTER_DEFAULT, 0);
    };
    scenario.result = [=, &s] { return s.TextureLevels(texture); };
    return scenario;
}

Scenario MemoryIntoDynamicLevel(Sweep& s)
{
    Scenario scenario;
    auto* texture = s.Keep(scenario, s.MakeTexture(8, 8, 1, D3DPOOL_DEFAULT, D3DFMT_A8R8G8B8, D3DUSAGE_DYNAMIC));
    auto* level = s.Keep(scenario, s.Level(texture, 0));
    auto memory = std::make_shared<Pixels>(NoisePixels(16, 16, 8));
    scenario.objects.push_back(memory);
    scenario.operation = [=] {
        const RECT from = {0, 0, 16, 16};
        return LoadSurfaceFromMemory(level, nullptr, nullptr, memory->data(), D3DFMT_A8R8G8B8, 64, nullptr, &from,
                                     IMAGE_FILTER_BOX, 0);
    };
    scenario.result = [=, &s] { return s.TextureLevels(texture); };
    return scenario;
}

Scenario SurfaceDirectCopy(Sweep& s)
{
    Scenario scenario;
    auto* destTexture = s.Keep(scenario, s.MakeTexture(8, 8, 1, D3DPOOL_MANAGED));
    auto* srcTexture = s.Keep(scenario, s.MakeTexture(8, 8, 1, D3DPOOL_MANAGED));
    s.FillLevels(destTexture, 9);
    s.FillLevels(srcTexture, 10);
    auto* dest = s.Keep(scenario, s.Level(destTexture, 0));
    auto* src = s.Keep(scenario, s.Level(srcTexture, 0));
    scenario.operation = [=] {
        const RECT from = {1, 1, 5, 6};
        const RECT to = {3, 2, 7, 7};
        return LoadSurfaceFromSurface(dest, nullptr, &to, src, nullptr, &from, IMAGE_FILTER_POINT, 0);
    };
    scenario.result = [=, &s] { return s.TextureLevels(destTexture); };
    return scenario;
}

Scenario SurfaceDirectCopyRefused(Sweep& s)
{
    // Equal sizes but different formats: the device refuses the copy and
    // the lock-and-blit path converts.
    Scenario scenario;
    auto* destTexture = s.Keep(scenario, s.MakeTexture(8, 8, 1, D3DPOOL_DEFAULT, D3DFMT_X8R8G8B8));
    auto* srcTexture = s.Keep(scenario, s.MakeTexture(8, 8, 1, D3DPOOL_MANAGED));
    s.FillLevels(srcTexture, 19);
    auto* dest = s.Keep(scenario, s.Level(destTexture, 0));
    auto* src = s.Keep(scenario, s.Level(srcTexture, 0));
    scenario.operation = [=] {
        const RECT from = {0, 0, 4, 4};
        const RECT to = {4, 4, 8, 8};
        return LoadSurfaceFromSurface(dest, nullptr, &to, src, nullptr, &from, IMAGE_FILTER_POINT, 0);
    };
    scenario.result = [=] {
        ComRef<IDirect3DDevice8> device;
        dest->GetDevice(device.Receive());
        ComRef<IDirect3DSurface8> image;
        device->CreateImageSurface(8, 8, D3DFMT_X8R8G8B8, image.Receive());
        device->CopyRects(dest, nullptr, 0, image.Get(), nullptr);
        D3DLOCKED_RECT locked{};
        image->LockRect(&locked, nullptr, D3DLOCK_READONLY);
        Snapshot bytes(8 * 8 * 4);
        for (UINT y = 0; y < 8; ++y)
            std::memcpy(&bytes[y * 32], static_cast<BYTE*>(locked.pBits) + y * locked.Pitch, 32);
        image->UnlockRect();
        d3d8::ResetFaults();
        return bytes;
    };
    return scenario;
}

Scenario SurfaceDefaultPoolHalving(Sweep& s)
{
    Scenario scenario;
    auto* destTexture = s.Keep(scenario, s.MakeTexture(8, 4, 1, D3DPOOL_DEFAULT));
    auto* srcTexture = s.Keep(scenario, s.MakeTexture(16, 8, 1, D3DPOOL_DEFAULT));
    s.FillLevels(destTexture, 11);
    s.FillLevels(srcTexture, 12);
    auto* dest = s.Keep(scenario, s.Level(destTexture, 0));
    auto* src = s.Keep(scenario, s.Level(srcTexture, 0));
    scenario.operation = [=] {
        return LoadSurfaceFromSurface(dest, nullptr, nullptr, src, nullptr, nullptr, IMAGE_FILTER_BOX, 0);
    };
    scenario.result = [=, &s] { return s.TextureLevels(destTexture); };
    return scenario;
}

Scenario SurfaceFromItself(Sweep& s)
{
    Scenario scenario;
    auto* texture = s.Keep(scenario, s.MakeTexture(12, 12, 1, D3DPOOL_MANAGED));
    s.FillLevels(texture, 13);
    auto* surface = s.Keep(scenario, s.Level(texture, 0));
    scenario.operation = [=] {
        const RECT from = {0, 0, 8, 8};
        const RECT to = {2, 2, 10, 10};
        return LoadSurfaceFromSurface(surface, nullptr, &to, surface, nullptr, &from, IMAGE_FILTER_NONE, 0);
    };
    scenario.result = [=, &s] { return s.TextureLevels(texture); };
    return scenario;
}

Scenario SurfaceFromUnlockableRenderTarget(Sweep& s)
{
    Scenario scenario;
    ComRef<IDirect3DSurface8> target;
    EXPECT_EQ(s.device->CreateRenderTarget(8, 8, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, FALSE, target.Receive()), S_OK);
    auto* src = s.Keep(scenario, std::move(target));
    WritePixels(src, NoisePixels(8, 8, 14));
    auto* destTexture = s.Keep(scenario, s.MakeTexture(6, 6, 1, D3DPOOL_SYSTEMMEM));
    auto* dest = s.Keep(scenario, s.Level(destTexture, 0));
    scenario.operation = [=] {
        return LoadSurfaceFromSurface(dest, nullptr, nullptr, src, nullptr, nullptr, IMAGE_FILTER_TRIANGLE, 0);
    };
    scenario.result = [=, &s] { return s.TextureLevels(destTexture); };
    return scenario;
}

Scenario MemoryIntoVolumeBox(Sweep& s)
{
    Scenario scenario;
    auto* texture = s.Keep(scenario, s.MakeVolume(8, 8, 4, 1, D3DPOOL_MANAGED));
    s.FillLevels(texture, 15);
    auto* volume = s.Keep(scenario, s.Level(texture, 0));
    auto memory = std::make_shared<Pixels>(NoisePixels(4, 4 * 2, 16));
    scenario.objects.push_back(memory);
    scenario.operation = [=] {
        const D3DBOX from = {0, 0, 4, 4, 0, 2};
        const D3DBOX to = {2, 2, 6, 6, 1, 3};
        return LoadVolumeFromMemory(volume, nullptr, &to, memory->data(), D3DFMT_A8R8G8B8, 16, 64, nullptr, &from,
                                    IMAGE_FILTER_DEFAULT, 0);
    };
    scenario.result = [=, &s] { return s.VolumeLevels(texture); };
    return scenario;
}

Scenario VolumeHalvingIntoDynamic(Sweep& s)
{
    Scenario scenario;
    scenario.exactUnderFallback = false;
    auto* destTexture =
        s.Keep(scenario, s.MakeVolume(4, 4, 2, 1, D3DPOOL_DEFAULT, D3DFMT_A8R8G8B8, D3DUSAGE_DYNAMIC));
    auto* srcTexture = s.Keep(scenario, s.MakeVolume(8, 8, 4, 1, D3DPOOL_SYSTEMMEM));
    s.FillLevels(srcTexture, 17);
    auto* dest = s.Keep(scenario, s.Level(destTexture, 0));
    auto* src = s.Keep(scenario, s.Level(srcTexture, 0));
    scenario.operation = [=] {
        return LoadVolumeFromVolume(dest, nullptr, nullptr, src, nullptr, nullptr, IMAGE_FILTER_BOX, 0);
    };
    scenario.result = [=, &s] { return s.VolumeLevels(destTexture); };
    return scenario;
}

// Pixel pairs into blocks, a region that splits a source pair and covers
// the destination blocks only in part: both buffered codecs at work.
Scenario MemoryPairsIntoBlocks(Sweep& s)
{
    Scenario scenario;
    auto* texture = s.Keep(scenario, s.MakeTexture(8, 8, 1, D3DPOOL_MANAGED, D3DFMT_DXT5));
    auto* level = s.Keep(scenario, s.Level(texture, 0));
    Sweep::FillStored(level, 20);
    auto memory = std::make_shared<Snapshot>(16 * 5);
    for (std::size_t i = 0; i < memory->size(); ++i)
        (*memory)[i] = static_cast<BYTE>(i * 53 + 7);
    scenario.objects.push_back(memory);
    scenario.operation = [=] {
        const RECT from = {1, 0, 7, 5};
        const RECT to = {1, 2, 7, 7};
        return LoadSurfaceFromMemory(level, nullptr, &to, memory->data(), D3DFMT_YUY2, 16, nullptr, &from,
                                     IMAGE_FILTER_NONE, 0);
    };
    scenario.result = [=] { return Sweep::StoredBytes(level); };
    return scenario;
}

// Blocks into pixel pairs, between two textures of the device.
Scenario SurfaceBlocksIntoPairs(Sweep& s)
{
    Scenario scenario;
    auto* destTexture = s.Keep(scenario, s.MakeTexture(8, 6, 1, D3DPOOL_MANAGED, D3DFMT_UYVY));
    auto* srcTexture = s.Keep(scenario, s.MakeTexture(8, 8, 1, D3DPOOL_MANAGED, D3DFMT_DXT1));
    auto* dest = s.Keep(scenario, s.Level(destTexture, 0));
    auto* src = s.Keep(scenario, s.Level(srcTexture, 0));
    Sweep::FillStored(dest, 21);
    Sweep::FillStored(src, 22);
    scenario.operation = [=] {
        const RECT from = {2, 1, 7, 6};
        const RECT to = {3, 0, 8, 5};
        return LoadSurfaceFromSurface(dest, nullptr, &to, src, nullptr, &from, IMAGE_FILTER_POINT, 0);
    };
    scenario.result = [=] { return Sweep::StoredBytes(dest); };
    return scenario;
}

// A block-compressed mip chain.
Scenario FilterBlockTexture(Sweep& s)
{
    Scenario scenario;
    scenario.exactUnderFallback = false;
    auto* texture = s.Keep(scenario, s.MakeTexture(16, 8, 0, D3DPOOL_MANAGED, D3DFMT_DXT3));
    for (UINT level = 0; level < texture->GetLevelCount(); ++level)
        Sweep::FillStored(s.Level(texture, level).Get(), 23 + level);
    scenario.operation = [=] { return FilterTexture(texture, nullptr, 0, IMAGE_FILTER_BOX); };
    scenario.result = [=, &s] {
        Snapshot all;
        for (UINT level = 0; level < texture->GetLevelCount(); ++level)
            Sweep::Append(all, Sweep::StoredBytes(s.Level(texture, level).Get()));
        return all;
    };
    return scenario;
}

const SweepCase sweepCases[] = {
    {"FilterPlainDefaultPool", FilterPlainDefaultPool},
    {"FilterPlainManagedTriangle", FilterPlainManagedTriangle},
    {"FilterCube", FilterCube},
    {"FilterVolume", FilterVolume},
    {"FilterDynamicVolumeTriangle", FilterDynamicVolumeTriangle},
    {"MemoryIntoDefaultPoolRect", MemoryIntoDefaultPoolRect},
    {"MemoryIntoDynamicLevel", MemoryIntoDynamicLevel},
    {"SurfaceDirectCopy", SurfaceDirectCopy},
    {"SurfaceDirectCopyRefused", SurfaceDirectCopyRefused},
    {"SurfaceDefaultPoolHalving", SurfaceDefaultPoolHalving},
    {"SurfaceFromItself", SurfaceFromItself},
    {"SurfaceFromUnlockableRenderTarget", SurfaceFromUnlockableRenderTarget},
    {"MemoryIntoVolumeBox", MemoryIntoVolumeBox},
    {"VolumeHalvingIntoDynamic", VolumeHalvingIntoDynamic},
    {"MemoryPairsIntoBlocks", MemoryPairsIntoBlocks},
    {"SurfaceBlocksIntoPairs", SurfaceBlocksIntoPairs},
    {"FilterBlockTexture", FilterBlockTexture},
};

// --- the sweeps ----------------------------------------------------------------------------

// What must hold after every run, whatever failed.
struct Accounts {
    unsigned live;
    size_t globalBlocks;
};

Accounts Take() { return {d3d8::LiveObjects(), win32::GlobalLiveBlocks()}; }

void ExpectNothingLeft(const Accounts& before, const std::string& where)
{
    EXPECT_EQ(d3d8::LockedObjects(), 0u) << where;
    EXPECT_EQ(d3d8::LiveObjects(), before.live) << where << ": an object obtained was not given back";
    EXPECT_EQ(win32::GlobalLiveBlocks(), before.globalBlocks) << where;
}

struct CallKind {
    d3d8::Call call;
    const char* name;
    bool reported; // the library prints a line when this call fails
};

// Level queries are passed up by FilterTexture without a line of its own.
const CallKind callKinds[] = {
    {d3d8::Call::LockRect, "LockRect", true},
    {d3d8::Call::LockBox, "LockBox", true},
    {d3d8::Call::CreateImageSurface, "CreateImageSurface", true},
    {d3d8::Call::CopyRects, "CopyRects", true},
    {d3d8::Call::GetSurfaceLevel, "GetSurfaceLevel", false},
    {d3d8::Call::GetCubeMapSurface, "GetCubeMapSurface", false},
    {d3d8::Call::GetVolumeLevel, "GetVolumeLevel", false},
};

TEST_P(Sweep, EveryPlatformCallFailingInTurn)
{
    // The run without faults: what the operation produces, and how many
    // platform calls it makes.
    Snapshot expected;
    unsigned callsWithoutFaults = 0;
    {
        Scenario scenario = GetParam().prepare(*this);
        d3d8::ResetFaults();
        ASSERT_EQ(scenario.operation(), S_OK);
        callsWithoutFaults = d3d8::CallCount(d3d8::Call::Any);
        ASSERT_GT(callsWithoutFaults, 0u);
        expected = scenario.result();
    }

    // Each call in turn: the n-th call of each kind is every call once.
    unsigned faultsHit = 0;
    for (const CallKind& kind : callKinds) {
        for (unsigned n = 1;; ++n) {
            ASSERT_LT(n, 5000u) << "the operation never got past its faults";
            const std::string where = std::string(GetParam().name) + ", " + kind.name + " " + std::to_string(n);
            Scenario scenario = GetParam().prepare(*this);
            const Accounts before = Take();
            d3d8::ResetFaults();
            d3d8::FailCall(kind.call, n, injected);
            DebugCapture capture;
            const HRESULT hr = scenario.operation();
            const bool hit = d3d8::CallCount(kind.call) >= n;
            d3d8::ResetFaults();
            const std::string printed = capture.Text();
            ExpectNothingLeft(before, where);
            EXPECT_EQ(d3d8::RuntimeMute(), 0u) << where << ": left muted";

            if (!hit) {
                EXPECT_EQ(hr, S_OK) << where;
                EXPECT_EQ(scenario.result(), expected) << where;
                break;
            }
            ++faultsHit;
            if (FAILED(hr)) {
                EXPECT_EQ(hr, injected) << where << ": the platform's failure is passed up unchanged";
                if (kind.reported) {
                    EXPECT_NE(printed, "") << where << ": the failure is reported on the debug channel";
                }
            } else {
                // Getting by: the device's direct copy was refused and the
                // blit did the work.
                EXPECT_EQ(kind.call, d3d8::Call::CopyRects) << where << ": success although " << kind.name
                                                            << " failed";
                EXPECT_EQ(printed.find("Update of vidmem texture failed"), std::string::npos)
                    << where << ": success although the pixels never reached the surface";
                EXPECT_EQ(scenario.result(), expected) << where;
            }
        }
    }
    EXPECT_EQ(faultsHit, callsWithoutFaults) << "every call of the run without faults was made to fail once";
    // For the reliability summary (scripts/reliability.sh adds these up).
    std::printf("reliability: sweep=Load/%s/platform faults_injected=%u\n", GetParam().name, faultsHit);
}

TEST_P(Sweep, EveryWorkingMemoryAllocationFailingInTurn)
{
    Snapshot expected;
    {
        Scenario scenario = GetParam().prepare(*this);
        ASSERT_EQ(scenario.operation(), S_OK);
        expected = scenario.result();
    }
    for (unsigned n = 1;; ++n) {
        ASSERT_LT(n, 5000u);
        const std::string where = std::string(GetParam().name) + ", allocation " + std::to_string(n);
        Scenario scenario = GetParam().prepare(*this);
        const Accounts before = Take();
        FailWorkingMemoryAt(n);
        const HRESULT hr = scenario.operation();
        const bool hit = WorkingMemoryAllocations() >= n;
        FailWorkingMemoryAt(0);
        ExpectNothingLeft(before, where);
        if (SUCCEEDED(hr) && (!hit || scenario.exactUnderFallback)) {
            EXPECT_EQ(scenario.result(), expected)
                << where << ": success, but not the pixels of the run without faults";
        }
        if (!hit) {
            EXPECT_EQ(hr, S_OK) << where;
            std::printf("reliability: sweep=Load/%s/working-memory faults_injected=%u\n", GetParam().name, n - 1);
            break;
        }
        // A filter that cannot have its buffers passes the turn on; a codec
        // that cannot be made ends the blit.
        EXPECT_TRUE(hr == S_OK || hr == E_OUTOFMEMORY || hr == E_FAIL) << where << ": " << std::hex << hr;
    }
}

INSTANTIATE_TEST_SUITE_P(Load, Sweep, ::testing::ValuesIn(sweepCases),
                         [](const ::testing::TestParamInfo<SweepCase>& instance) { return instance.param.name; });

} // namespace
} // namespace loadtest
