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
    bool exactUnderFallback = true;
};

// One texture of a scenario. Plain A8R8G8B8 levels are filled with noise,
// block and pair formats byte by byte as stored (seed + level); seed 0
// leaves the texture as made.
enum class Shape { None, Plain, Cube, Volume, RenderTarget };
struct TextureSetUp {
    Shape shape = Shape::None;
    UINT width = 0, height = 0, depth = 1, levels = 1;
    D3DPOOL pool = D3DPOOL_MANAGED;
    D3DFORMAT format = D3DFMT_A8R8G8B8;
    DWORD usage = 0;
    uint32_t seed = 0;
};

// What an operation works on: the destination texture and level 0 of
// each texture.
struct Targets {
    IDirect3DBaseTexture8* texture = nullptr;
    IDirect3DSurface8* destSurface = nullptr;
    IDirect3DVolume8* destVolume = nullptr;
    IDirect3DSurface8* srcSurface = nullptr;
    IDirect3DVolume8* srcVolume = nullptr;
};

// A scenario: the operation runs on the destination (and source) made
// afresh for every run, and its result is every level of the destination.
struct SweepCase {
    const char* name;
    TextureSetUp dest;
    TextureSetUp source;
    HRESULT (*operation)(const Targets&);
    // Whether every operation the blit may fall back on writes the same
    // pixels, so that a run that succeeds despite a failed allocation must
    // give exactly the pixels of the run without faults. Not so where a box
    // filter that cannot have its buffers hands a volume, or a block image,
    // to the triangle filter: its sums round differently.
    bool exactUnderFallback = true;
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

    static bool StoredAsUnits(D3DFORMAT format) { return format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8; }

    // The texture a row asks for, kept alive by the scenario and filled.
    IDirect3DBaseTexture8* Make(Scenario& scenario, const TextureSetUp& t)
    {
        switch (t.shape) {
        case Shape::Plain: {
            auto* texture = Keep(scenario, MakeTexture(t.width, t.height, t.levels, t.pool, t.format, t.usage));
            if (t.seed != 0 && StoredAsUnits(t.format))
                for (UINT level = 0; level < texture->GetLevelCount(); ++level)
                    FillStored(Level(texture, level).Get(), t.seed + level);
            else if (t.seed != 0)
                FillLevels(texture, t.seed);
            return texture;
        }
        case Shape::Cube: {
            auto* cube = Keep(scenario, MakeCube(t.width, t.levels, t.pool, t.format));
            FillLevels(cube, t.seed);
            return cube;
        }
        case Shape::Volume: {
            auto* texture = Keep(scenario, MakeVolume(t.width, t.height, t.depth, t.levels, t.pool, t.format, t.usage));
            if (t.seed != 0)
                FillLevels(texture, t.seed);
            return texture;
        }
        default:
            return nullptr;
        }
    }

    // Every level (of every face) of the destination: A8R8G8B8 through
    // ReadPixels, other 32-bit formats through an image surface of their
    // own, volumes through ReadBytes, blocks and pairs as stored.
    Snapshot Levels(IDirect3DBaseTexture8* texture, D3DFORMAT format)
    {
        Snapshot all;
        if (texture->GetType() == D3DRTYPE_CUBETEXTURE) {
            auto* cube = static_cast<IDirect3DCubeTexture8*>(texture);
            for (UINT face = 0; face < 6; ++face)
                for (UINT level = 0; level < cube->GetLevelCount(); ++level)
                    Append(all, Bytes(ReadPixels(Face(cube, D3DCUBEMAP_FACES(face), level).Get())));
        } else if (texture->GetType() == D3DRTYPE_VOLUMETEXTURE) {
            auto* volume = static_cast<IDirect3DVolumeTexture8*>(texture);
            for (UINT level = 0; level < volume->GetLevelCount(); ++level)
                Append(all, ReadBytes(Level(volume, level).Get()));
        } else {
            auto* plain = static_cast<IDirect3DTexture8*>(texture);
            for (UINT level = 0; level < plain->GetLevelCount(); ++level) {
                ComRef<IDirect3DSurface8> surface = Level(plain, level);
                if (StoredAsUnits(format))
                    Append(all, StoredBytes(surface.Get()));
                else if (format == D3DFMT_A8R8G8B8)
                    Append(all, Bytes(ReadPixels(surface.Get())));
                else
                    Append(all, CopiedBytes(surface.Get()));
            }
        }
        return all;
    }

    static Snapshot CopiedBytes(IDirect3DSurface8* surface)
    {
        D3DSURFACE_DESC desc{};
        surface->GetDesc(&desc);
        ComRef<IDirect3DDevice8> owner;
        surface->GetDevice(owner.Receive());
        ComRef<IDirect3DSurface8> image;
        owner->CreateImageSurface(desc.Width, desc.Height, desc.Format, image.Receive());
        owner->CopyRects(surface, nullptr, 0, image.Get(), nullptr);
        D3DLOCKED_RECT locked{};
        image->LockRect(&locked, nullptr, D3DLOCK_READONLY);
        Snapshot bytes(std::size_t{desc.Width} * desc.Height * 4);
        for (UINT y = 0; y < desc.Height; ++y)
            std::memcpy(&bytes[std::size_t{y} * desc.Width * 4], static_cast<BYTE*>(locked.pBits) + y * locked.Pitch,
                        desc.Width * 4);
        image->UnlockRect();
        d3d8::ResetFaults();
        return bytes;
    }

    // The case's objects made afresh, the operation on them, and what it
    // produced.
    Scenario Prepare(const SweepCase& c)
    {
        Scenario scenario;
        scenario.exactUnderFallback = c.exactUnderFallback;
        Targets targets;
        targets.texture = Make(scenario, c.dest);
        if (c.dest.shape == Shape::Plain)
            targets.destSurface = Keep(scenario, Level(static_cast<IDirect3DTexture8*>(targets.texture), 0));
        if (c.dest.shape == Shape::Volume)
            targets.destVolume = Keep(scenario, Level(static_cast<IDirect3DVolumeTexture8*>(targets.texture), 0));
        if (c.source.shape == Shape::RenderTarget) {
            ComRef<IDirect3DSurface8> target;
            EXPECT_EQ(device->CreateRenderTarget(c.source.width, c.source.height, c.source.format, D3DMULTISAMPLE_NONE,
                                                 FALSE, target.Receive()),
                      S_OK);
            targets.srcSurface = Keep(scenario, std::move(target));
            WritePixels(targets.srcSurface, NoisePixels(c.source.width, c.source.height, c.source.seed));
        } else if (IDirect3DBaseTexture8* source = Make(scenario, c.source)) {
            if (c.source.shape == Shape::Volume)
                targets.srcVolume = Keep(scenario, Level(static_cast<IDirect3DVolumeTexture8*>(source), 0));
            else
                targets.srcSurface = Keep(scenario, Level(static_cast<IDirect3DTexture8*>(source), 0));
        }
        scenario.operation = [targets, operation = c.operation] { return operation(targets); };
        scenario.result = [this, texture = targets.texture, format = c.dest.format] { return Levels(texture, format); };
        return scenario;
    }
};

// --- the scenarios -----------------------------------------------------------------------

constexpr TextureSetUp kNone{};

HRESULT FilterBox(const Targets& t) { return FilterTexture(t.texture, nullptr, 0, IMAGE_FILTER_BOX); }

// clang-format off
const SweepCase sweepCases[] = {
    // name                       destination and source: shape, width, height, depth, levels, pool, format, usage, seed
    {"FilterPlainDefaultPool",     {Shape::Plain, 16, 8, 1, 0, D3DPOOL_DEFAULT, D3DFMT_A8R8G8B8, 0, 1}, kNone, FilterBox},
    {"FilterPlainManagedTriangle", {Shape::Plain, 12, 10, 1, 3, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, 0, 2}, kNone,
     [](const Targets& t) { return FilterTexture(t.texture, nullptr, 0, IMAGE_FILTER_DEFAULT); }},
    {"FilterCube",                 {Shape::Cube, 8, 8, 1, 3, D3DPOOL_DEFAULT, D3DFMT_A8R8G8B8, 0, 3}, kNone, FilterBox},
    {"FilterVolume",               {Shape::Volume, 8, 4, 4, 0, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, 0, 4}, kNone, FilterBox, false},
    {"FilterDynamicVolumeTriangle", {Shape::Volume, 6, 4, 3, 2, D3DPOOL_DEFAULT, D3DFMT_A8R8G8B8, D3DUSAGE_DYNAMIC, 5}, kNone,
     [](const Targets& t) { return FilterTexture(t.texture, nullptr, 0xFFFFFFFFu, IMAGE_FILTER_TRIANGLE); }},
    {"MemoryIntoDefaultPoolRect",  {Shape::Plain, 8, 8, 1, 2, D3DPOOL_DEFAULT, D3DFMT_A8R8G8B8, 0, 6}, kNone,
     [](const Targets& t) {
         const Pixels memory = NoisePixels(5, 5, 7);
         const RECT from = {0, 0, 5, 5}, to = {1, 2, 6, 7};
         return LoadSurfaceFromMemory(t.destSurface, nullptr, &to, memory.data(), D3DFMT_A8R8G8B8, 20, nullptr, &from,
                                      IMAGE_FILTER_DEFAULT, 0);
     }},
    {"MemoryIntoDynamicLevel",     {Shape::Plain, 8, 8, 1, 1, D3DPOOL_DEFAULT, D3DFMT_A8R8G8B8, D3DUSAGE_DYNAMIC, 0}, kNone,
     [](const Targets& t) {
         const Pixels memory = NoisePixels(16, 16, 8);
         const RECT from = {0, 0, 16, 16};
         return LoadSurfaceFromMemory(t.destSurface, nullptr, nullptr, memory.data(), D3DFMT_A8R8G8B8, 64, nullptr,
                                      &from, IMAGE_FILTER_BOX, 0);
     }},
    {"SurfaceDirectCopy",          {Shape::Plain, 8, 8, 1, 1, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, 0, 9},
                                   {Shape::Plain, 8, 8, 1, 1, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, 0, 10},
     [](const Targets& t) {
         const RECT from = {1, 1, 5, 6}, to = {3, 2, 7, 7};
         return LoadSurfaceFromSurface(t.destSurface, nullptr, &to, t.srcSurface, nullptr, &from, IMAGE_FILTER_POINT, 0);
     }},
    // Equal sizes but different formats: the device refuses the copy and
    // the lock-and-blit path converts.
    {"SurfaceDirectCopyRefused",   {Shape::Plain, 8, 8, 1, 1, D3DPOOL_DEFAULT, D3DFMT_X8R8G8B8, 0, 0},
                                   {Shape::Plain, 8, 8, 1, 1, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, 0, 19},
     [](const Targets& t) {
         const RECT from = {0, 0, 4, 4}, to = {4, 4, 8, 8};
         return LoadSurfaceFromSurface(t.destSurface, nullptr, &to, t.srcSurface, nullptr, &from, IMAGE_FILTER_POINT, 0);
     }},
    {"SurfaceDefaultPoolHalving",  {Shape::Plain, 8, 4, 1, 1, D3DPOOL_DEFAULT, D3DFMT_A8R8G8B8, 0, 11},
                                   {Shape::Plain, 16, 8, 1, 1, D3DPOOL_DEFAULT, D3DFMT_A8R8G8B8, 0, 12},
     [](const Targets& t) {
         return LoadSurfaceFromSurface(t.destSurface, nullptr, nullptr, t.srcSurface, nullptr, nullptr, IMAGE_FILTER_BOX, 0);
     }},
    {"SurfaceFromItself",          {Shape::Plain, 12, 12, 1, 1, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, 0, 13}, kNone,
     [](const Targets& t) {
         const RECT from = {0, 0, 8, 8}, to = {2, 2, 10, 10};
         return LoadSurfaceFromSurface(t.destSurface, nullptr, &to, t.destSurface, nullptr, &from, IMAGE_FILTER_NONE, 0);
     }},
    {"SurfaceFromUnlockableRenderTarget",
                                   {Shape::Plain, 6, 6, 1, 1, D3DPOOL_SYSTEMMEM, D3DFMT_A8R8G8B8, 0, 0},
                                   {Shape::RenderTarget, 8, 8, 1, 1, D3DPOOL_DEFAULT, D3DFMT_A8R8G8B8, 0, 14},
     [](const Targets& t) {
         return LoadSurfaceFromSurface(t.destSurface, nullptr, nullptr, t.srcSurface, nullptr, nullptr,
                                       IMAGE_FILTER_TRIANGLE, 0);
     }},
    {"MemoryIntoVolumeBox",        {Shape::Volume, 8, 8, 4, 1, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8, 0, 15}, kNone,
     [](const Targets& t) {
         const Pixels memory = NoisePixels(4, 4 * 2, 16);
         const D3DBOX from = {0, 0, 4, 4, 0, 2}, to = {2, 2, 6, 6, 1, 3};
         return LoadVolumeFromMemory(t.destVolume, nullptr, &to, memory.data(), D3DFMT_A8R8G8B8, 16, 64, nullptr, &from,
                                     IMAGE_FILTER_DEFAULT, 0);
     }},
    {"VolumeHalvingIntoDynamic",   {Shape::Volume, 4, 4, 2, 1, D3DPOOL_DEFAULT, D3DFMT_A8R8G8B8, D3DUSAGE_DYNAMIC, 0},
                                   {Shape::Volume, 8, 8, 4, 1, D3DPOOL_SYSTEMMEM, D3DFMT_A8R8G8B8, 0, 17},
     [](const Targets& t) {
         return LoadVolumeFromVolume(t.destVolume, nullptr, nullptr, t.srcVolume, nullptr, nullptr, IMAGE_FILTER_BOX, 0);
     }, false},
    // Pixel pairs into blocks, a region that splits a source pair and covers
    // the destination blocks only in part: both buffered codecs at work.
    {"MemoryPairsIntoBlocks",      {Shape::Plain, 8, 8, 1, 1, D3DPOOL_MANAGED, D3DFMT_DXT5, 0, 20}, kNone,
     [](const Targets& t) {
         Snapshot memory(16 * 5);
         for (std::size_t i = 0; i < memory.size(); ++i)
             memory[i] = static_cast<BYTE>(i * 53 + 7);
         const RECT from = {1, 0, 7, 5}, to = {1, 2, 7, 7};
         return LoadSurfaceFromMemory(t.destSurface, nullptr, &to, memory.data(), D3DFMT_YUY2, 16, nullptr, &from,
                                      IMAGE_FILTER_NONE, 0);
     }},
    // Blocks into pixel pairs, between two textures of the device.
    {"SurfaceBlocksIntoPairs",     {Shape::Plain, 8, 6, 1, 1, D3DPOOL_MANAGED, D3DFMT_UYVY, 0, 21},
                                   {Shape::Plain, 8, 8, 1, 1, D3DPOOL_MANAGED, D3DFMT_DXT1, 0, 22},
     [](const Targets& t) {
         const RECT from = {2, 1, 7, 6}, to = {3, 0, 8, 5};
         return LoadSurfaceFromSurface(t.destSurface, nullptr, &to, t.srcSurface, nullptr, &from, IMAGE_FILTER_POINT, 0);
     }},
    // A block-compressed mip chain.
    {"FilterBlockTexture",         {Shape::Plain, 16, 8, 1, 0, D3DPOOL_MANAGED, D3DFMT_DXT3, 0, 23}, kNone, FilterBox, false},
};
// clang-format on

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
        Scenario scenario = Prepare(GetParam());
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
            Scenario scenario = Prepare(GetParam());
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
        Scenario scenario = Prepare(GetParam());
        ASSERT_EQ(scenario.operation(), S_OK);
        expected = scenario.result();
    }
    for (unsigned n = 1;; ++n) {
        ASSERT_LT(n, 5000u);
        const std::string where = std::string(GetParam().name) + ", allocation " + std::to_string(n);
        Scenario scenario = Prepare(GetParam());
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
