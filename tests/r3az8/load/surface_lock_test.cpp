// SurfaceLock: rectangles, the copy decision, lock flags and the locked area.
#include "tests/support/device_test.h"
#include "r3az8/tex/load/surface_lock.h"

#include <cstring>

namespace loadtest {
namespace {

class SurfaceLockTest : public PaddedDeviceTest {
protected:
    static uint32_t PixelAt(const ImageDesc& image, UINT x, UINT y)
    {
        uint32_t pixel;
        std::memcpy(&pixel, static_cast<BYTE*>(image.pData) + size_t(y) * image.RowPitch + x * 4, 4);
        return pixel;
    }
    static void SetPixel(const ImageDesc& image, UINT x, UINT y, uint32_t value)
    {
        std::memcpy(static_cast<BYTE*>(image.pData) + size_t(y) * image.RowPitch + x * 4, &value, 4);
    }

    // A lock taken through SurfaceLock and what it describes; held until
    // the object goes.
    struct Locked {
        Locked(IDirect3DSurface8* surface, const RECT* rect = nullptr, DWORD options = 0,
               PALETTEENTRY* palette = nullptr)
            : result(lock.Lock(surface, palette, rect, options, image))
        {
        }
        Locked(IDirect3DSurface8* surface, const RECT& rect, DWORD options = 0) : Locked(surface, &rect, options) {}

        SurfaceLock lock;
        ImageDesc image{};
        HRESULT result;
    };
};

// --- rectangles -------------------------------------------------------------------

TEST_F(SurfaceLockTest, RectanglesOutsideOrInvertedAreInvalid)
{
    auto surface = FirstLevel(MakeTexture(8, 6, 1, D3DPOOL_MANAGED));
    const RECT invalid[] = {
        {5, 0, 3, 2},  // left > right
        {0, 4, 2, 3},  // top > bottom
        {0, 0, 9, 6},  // right beyond the width
        {0, 0, 8, 7},  // bottom beyond the height
        {-1, 0, 4, 4}, // negative left
        {0, -2, 4, 4}, // negative top
        {9, 0, 9, 6},  // empty, but outside
    };
    for (const RECT& rect : invalid) {
        DebugCapture capture;
        Locked locked(surface.Get(), &rect);
        EXPECT_EQ(locked.result, D3DERR_INVALIDCALL);
        EXPECT_EQ(capture.Text(), Line("Invalid rect"));
        EXPECT_EQ(d3d8::LockedObjects(), 0u);
    }
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::LockRect), 0u);
}

TEST_F(SurfaceLockTest, EmptyRectanglesInsideAreAccepted)
{
    auto surface = FirstLevel(MakeTexture(8, 6, 1, D3DPOOL_MANAGED));
    for (RECT rect : {RECT{3, 1, 3, 5}, RECT{0, 2, 8, 2}, RECT{8, 6, 8, 6}}) {
        Locked locked(surface.Get(), &rect);
        ASSERT_EQ(locked.result, S_OK);
        EXPECT_EQ(locked.image.Region.Right - locked.image.Region.Left, UINT(rect.right - rect.left));
        EXPECT_EQ(locked.image.Region.Bottom - locked.image.Region.Top, UINT(rect.bottom - rect.top));
    }
}

TEST_F(SurfaceLockTest, PartialDirectLockDescribesTheRectangleRelativeToItsCorner)
{
    auto surface = FirstLevel(MakeTexture(16, 16, 1, D3DPOOL_MANAGED));
    const Pixels pixels = Filled(surface.Get(), 16, 16, 7);
    PALETTEENTRY palette[256] = {};

    const RECT rect = {2, 3, 10, 7};
    Locked locked(surface.Get(), &rect, LOCK_READ_ONLY, palette);
    ASSERT_EQ(locked.result, S_OK);
    d3d8::LockRecord record = LastLock();
    EXPECT_EQ(record.object, surface.Get());
    EXPECT_FALSE(record.whole);
    ExpectBox(record.area, {2, 3, 10, 7, 0, 1});
    EXPECT_EQ(record.flags, D3DLOCK_NOSYSLOCK | D3DLOCK_READONLY);

    EXPECT_EQ(locked.image.Format, D3DFMT_A8R8G8B8);
    EXPECT_GE(locked.image.RowPitch, 16u * 4 + 12); // the padded pitch, not the row width
    EXPECT_EQ(locked.image.SlicePitch, 0u);
    ExpectBox(locked.image.Extent, {0, 0, 16, 16, 0, 1});
    ExpectBox(locked.image.Region, {0, 0, 8, 4, 0, 1});
    EXPECT_EQ(locked.image.Dither, 1u);
    EXPECT_EQ(locked.image.ColorKey, 0u);
    EXPECT_EQ(locked.image.pPalette, palette);
    EXPECT_EQ(PixelAt(locked.image, 0, 0), pixels[3 * 16 + 2]);
    EXPECT_EQ(PixelAt(locked.image, 7, 3), pixels[6 * 16 + 9]);
    EXPECT_EQ(d3d8::LockedObjects(), 1u);
    locked.lock.Release();
    EXPECT_EQ(d3d8::LockedObjects(), 0u);
    locked.lock.Release(); // nothing held: nothing happens
}

TEST_F(SurfaceLockTest, WholeRectangleIsAWholeLock)
{
    auto surface = FirstLevel(MakeTexture(8, 4, 1, D3DPOOL_SYSTEMMEM));
    Locked locked(surface.Get(), {0, 0, 8, 4});
    ASSERT_EQ(locked.result, S_OK);
    EXPECT_TRUE(LastLock().whole);
    EXPECT_EQ(LastLock().flags, D3DLOCK_NOSYSLOCK);
    ExpectBox(locked.image.Region, {0, 0, 8, 4, 0, 1});
}

// --- the copy decision ----------------------------------------------------------------

TEST_F(SurfaceLockTest, WholeWriteOfADefaultPoolLevelGoesThroughAnUnfilledCopy)
{
    auto surface = FirstLevel(MakeTexture(8, 8, 2, D3DPOOL_DEFAULT));
    WritePixels(surface.Get(), NoisePixels(8, 8, 3));
    d3d8::ClearLockHistory();

    const Pixels written = NoisePixels(8, 8, 4);
    {
        Locked locked(surface.Get());
        ASSERT_EQ(locked.result, S_OK);
        EXPECT_EQ(d3d8::CallCount(d3d8::Call::CreateImageSurface), 1u);
        EXPECT_EQ(d3d8::CallCount(d3d8::Call::CopyRects), 0u) << "a whole write does not fill its copy";
        EXPECT_NE(LastLock().object, surface.Get());
        EXPECT_TRUE(LastLock().whole);
        EXPECT_EQ(LastLock().flags, D3DLOCK_NOSYSLOCK);
        EXPECT_EQ(PixelAt(locked.image, 5, 5), 0u) << "the copy starts out empty";
        for (UINT y = 0; y < 8; ++y)
            for (UINT x = 0; x < 8; ++x)
                SetPixel(locked.image, x, y, written[y * 8 + x]);
        EXPECT_NE(ReadPixels(surface.Get()), written) << "the surface changes only at release";
    }
    EXPECT_EQ(d3d8::LockedObjects(), 0u);
    EXPECT_EQ(ReadPixels(surface.Get()), written);
}

TEST_F(SurfaceLockTest, PartialWriteFillsTheCopySoPixelsOutsideSurvive)
{
    auto surface = FirstLevel(MakeTexture(8, 8, 1, D3DPOOL_DEFAULT));
    const Pixels before = Filled(surface.Get(), 8, 8, 5);

    {
        Locked locked(surface.Get(), {2, 3, 6, 5});
        ASSERT_EQ(locked.result, S_OK);
        EXPECT_EQ(d3d8::CallCount(d3d8::Call::CopyRects), 1u) << "the copy is filled first";
        ExpectBox(locked.image.Region, {0, 0, 4, 2, 0, 1});
        for (UINT y = 0; y < 2; ++y)
            for (UINT x = 0; x < 4; ++x)
                SetPixel(locked.image, x, y, 0xFF00FF00u);
    }
    Pixels expected = before;
    for (UINT y = 3; y < 5; ++y)
        for (UINT x = 2; x < 6; ++x)
            expected[y * 8 + x] = 0xFF00FF00u;
    EXPECT_EQ(ReadPixels(surface.Get()), expected);
}

TEST_F(SurfaceLockTest, ReadingThroughACopyNeverWritesBack)
{
    auto surface = FirstLevel(MakeTexture(8, 8, 1, D3DPOOL_DEFAULT));
    const Pixels before = Filled(surface.Get(), 8, 8, 6);
    {
        Locked locked(surface.Get(), nullptr, LOCK_READ_ONLY);
        ASSERT_EQ(locked.result, S_OK);
        EXPECT_EQ(LastLock().flags, D3DLOCK_NOSYSLOCK | D3DLOCK_READONLY);
        EXPECT_EQ(PixelAt(locked.image, 3, 4), before[4 * 8 + 3]) << "a reading copy holds the current pixels";
        SetPixel(locked.image, 3, 4, 0x12345678u);
    }
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::CopyRects), 1u);
    EXPECT_EQ(ReadPixels(surface.Get()), before);
}

TEST_F(SurfaceLockTest, SeparateCopyIsUsedEvenForLockableSurfaces)
{
    auto surface = FirstLevel(MakeTexture(8, 8, 1, D3DPOOL_MANAGED));
    Locked locked(surface.Get(), nullptr, LOCK_READ_ONLY | LOCK_SEPARATE_COPY);
    ASSERT_EQ(locked.result, S_OK);
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::CreateImageSurface), 1u);
    EXPECT_NE(LastLock().object, surface.Get());
}

TEST_F(SurfaceLockTest, LockableSurfacesOutsideTheDefaultPoolOrDynamicAreLockedDirectly)
{
    struct Case {
        D3DPOOL pool;
        DWORD usage;
    };
    for (Case c : {Case{D3DPOOL_MANAGED, 0}, Case{D3DPOOL_SYSTEMMEM, 0}, Case{D3DPOOL_DEFAULT, D3DUSAGE_DYNAMIC}}) {
        auto texture = MakeTexture(8, 8, 2, c.pool, D3DFMT_A8R8G8B8, c.usage);
        auto surface = Level(texture.Get(), 1);
        Locked locked(surface.Get());
        ASSERT_EQ(locked.result, S_OK);
        EXPECT_EQ(LastLock().object, surface.Get()) << "pool " << c.pool;
        EXPECT_EQ(d3d8::CallCount(d3d8::Call::CreateImageSurface), 0u);
    }
}

TEST_F(SurfaceLockTest, StandAloneDefaultPoolSurfacesFollowTheLockabilityQuery)
{
    for (BOOL lockable : {TRUE, FALSE}) {
        ComRef<IDirect3DSurface8> target;
        ASSERT_EQ(device->CreateRenderTarget(8, 8, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, lockable, target.Receive()),
                  S_OK);
        d3d8::ResetFaults();
        const unsigned muteCalls = d3d8::RuntimeMuteCalls();
        DebugCapture capture;
        {
            Locked locked(target.Get());
            ASSERT_EQ(locked.result, S_OK);
            EXPECT_EQ(LastLock().object == target.Get(), lockable == TRUE);
            EXPECT_EQ(d3d8::CallCount(d3d8::Call::CreateImageSurface), lockable ? 0u : 1u);
        }
        // The failing container question was asked muted, and unmuted after.
        EXPECT_EQ(capture.Text(), "");
        EXPECT_GE(d3d8::RuntimeMuteCalls(), muteCalls + 2);
        EXPECT_EQ(d3d8::RuntimeMute(), 0u);
    }
}

// --- lock flags ----------------------------------------------------------------------

TEST_F(SurfaceLockTest, DiscardOnlyForAWholeWriteOfADynamicSingleLevelTexture)
{
    struct Case {
        UINT levels;
        DWORD usage;
        D3DPOOL pool;
        bool partial;
        DWORD options;
        DWORD flags;
    };
    const Case cases[] = {
        {1, D3DUSAGE_DYNAMIC, D3DPOOL_DEFAULT, false, 0, D3DLOCK_NOSYSLOCK | D3DLOCK_DISCARD},
        {2, D3DUSAGE_DYNAMIC, D3DPOOL_DEFAULT, false, 0, D3DLOCK_NOSYSLOCK},
        {1, D3DUSAGE_DYNAMIC, D3DPOOL_DEFAULT, true, 0, D3DLOCK_NOSYSLOCK},
        {1, D3DUSAGE_DYNAMIC, D3DPOOL_DEFAULT, false, LOCK_READ_ONLY, D3DLOCK_NOSYSLOCK | D3DLOCK_READONLY},
        {1, 0, D3DPOOL_MANAGED, false, 0, D3DLOCK_NOSYSLOCK},
    };
    for (const Case& c : cases) {
        auto texture = MakeTexture(8, 8, c.levels, c.pool, D3DFMT_A8R8G8B8, c.usage);
        auto surface = Level(texture.Get(), 0);
        const RECT rect = {0, 0, 4, 4};
        Locked locked(surface.Get(), c.partial ? &rect : nullptr, c.options);
        ASSERT_EQ(locked.result, S_OK);
        EXPECT_EQ(LastLock().object, surface.Get());
        EXPECT_EQ(LastLock().flags, c.flags) << c.levels << " levels, partial " << c.partial;
    }
}

TEST_F(SurfaceLockTest, DiscardIsNotUsedForCubeFaces)
{
    ComRef<IDirect3DCubeTexture8> cube;
    ASSERT_EQ(device->CreateCubeTexture(8, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, cube.Receive()), S_OK);
    auto face = Face(cube.Get(), D3DCUBEMAP_FACE_NEGATIVE_Y, 0);
    Locked locked(face.Get());
    ASSERT_EQ(locked.result, S_OK);
    EXPECT_EQ(LastLock().flags, D3DLOCK_NOSYSLOCK);
}

// --- grouped formats ---------------------------------------------------------------

TEST_F(SurfaceLockTest, DxtRectangleOnSixBySixSurfaceLocksTheWholeSurface)
{
    auto surface = FirstLevel(MakeTexture(6, 6, 1, D3DPOOL_MANAGED, D3DFMT_DXT1));
    Locked locked(surface.Get(), {1, 1, 5, 5});
    ASSERT_EQ(locked.result, S_OK);
    EXPECT_EQ(LastLock().object, surface.Get());
    EXPECT_TRUE(LastLock().whole);
    ExpectBox(locked.image.Region, {1, 1, 5, 5, 0, 1});
    ExpectBox(locked.image.Extent, {0, 0, 6, 6, 0, 1});
}

TEST_F(SurfaceLockTest, DxtCopyIsMadeInWholeBlocks)
{
    auto surface = FirstLevel(MakeTexture(6, 6, 1, D3DPOOL_DEFAULT, D3DFMT_DXT3));
    Locked locked(surface.Get(), {1, 1, 5, 5});
    ASSERT_EQ(locked.result, S_OK);
    d3d8::LockRecord record = LastLock();
    ASSERT_NE(record.object, surface.Get());
    D3DSURFACE_DESC copyDesc{};
    static_cast<IDirect3DSurface8*>(const_cast<void*>(record.object))->GetDesc(&copyDesc);
    EXPECT_EQ(copyDesc.Width, 8u);
    EXPECT_EQ(copyDesc.Height, 8u);
    EXPECT_TRUE(record.whole);
    ExpectBox(locked.image.Region, {1, 1, 5, 5, 0, 1});
    ExpectBox(locked.image.Extent, {0, 0, 6, 6, 0, 1});
    DebugCapture capture;
    locked.lock.Release();
    EXPECT_EQ(capture.Text(), "") << "the block-rounded copy fits back";
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::CopyRects), 2u) << "filled, then written back";
}

TEST_F(SurfaceLockTest, DxtInnerRectangleIsWidenedToBlocksAndMadeRelative)
{
    auto surface = FirstLevel(MakeTexture(16, 16, 1, D3DPOOL_SYSTEMMEM, D3DFMT_DXT5));
    Locked locked(surface.Get(), {5, 6, 9, 11});
    ASSERT_EQ(locked.result, S_OK);
    EXPECT_FALSE(LastLock().whole);
    ExpectBox(LastLock().area, {4, 4, 12, 12, 0, 1});
    ExpectBox(locked.image.Region, {1, 2, 5, 7, 0, 1});
}

TEST_F(SurfaceLockTest, YuvRectangleIsWidenedToPixelPairs)
{
    auto surface = FirstLevel(MakeTexture(8, 4, 1, D3DPOOL_MANAGED, D3DFMT_YUY2));
    Locked locked(surface.Get(), {3, 1, 6, 3});
    ASSERT_EQ(locked.result, S_OK);
    ExpectBox(LastLock().area, {2, 1, 6, 3, 0, 1});
    ExpectBox(locked.image.Region, {1, 0, 4, 2, 0, 1});
}

// --- lifetime -------------------------------------------------------------------------

TEST_F(SurfaceLockTest, LockingAgainReleasesTheFirstLock)
{
    auto texture = MakeTexture(8, 8, 2, D3DPOOL_DEFAULT);
    auto first = Level(texture.Get(), 0);
    auto second = Level(texture.Get(), 1);
    Locked locked(first.Get());
    ASSERT_EQ(locked.result, S_OK);
    for (UINT y = 0; y < 8; ++y)
        for (UINT x = 0; x < 8; ++x)
            SetPixel(locked.image, x, y, 0xFFABCDEFu);
    ASSERT_EQ(locked.lock.Lock(second.Get(), nullptr, nullptr, LOCK_READ_ONLY, locked.image), S_OK);
    EXPECT_EQ(d3d8::LockedObjects(), 1u);
    locked.lock.Release();
    EXPECT_EQ(ReadPixels(first.Get()), Pixels(64, 0xFFABCDEFu)) << "the first copy was written back";
}

TEST_F(SurfaceLockTest, FailedWriteBackIsReportedAndEverythingIsGivenBack)
{
    auto texture = MakeTexture(8, 8, 1, D3DPOOL_DEFAULT);
    auto surface = Level(texture.Get(), 0);
    const unsigned live = d3d8::LiveObjects();
    {
        Locked locked(surface.Get());
        ASSERT_EQ(locked.result, S_OK);
        d3d8::FailCall(d3d8::Call::CopyRects, 1, E_FAIL);
        DebugCapture capture;
        EXPECT_EQ(locked.lock.Release(), E_FAIL) << "the surface does not hold what was written";
        EXPECT_EQ(capture.Text(), Line("Update of vidmem texture failed"));
        EXPECT_EQ(locked.lock.Release(), S_OK) << "nothing is held any more";
    }
    EXPECT_EQ(d3d8::LockedObjects(), 0u);
    EXPECT_EQ(d3d8::LiveObjects(), live);
}

TEST_F(SurfaceLockTest, FailuresOnTheWayInAreReportedAndLeaveNothingHeld)
{
    auto surface = FirstLevel(MakeTexture(8, 8, 1, D3DPOOL_DEFAULT));
    const unsigned live = d3d8::LiveObjects();
    const HRESULT injected = D3DERR_OUTOFVIDEOMEMORY;
    struct Case {
        d3d8::Call call;
        const char* message;
    };
    for (Case c : {Case{d3d8::Call::CreateImageSurface, "Failed to create sysmem copy of vidmem surface"},
                   Case{d3d8::Call::CopyRects, "Failed to create sysmem copy of vidmem surface"},
                   Case{d3d8::Call::LockRect, "Could not lock surface"}}) {
        d3d8::FailCall(c.call, 1, injected);
        DebugCapture capture;
        Locked locked(surface.Get(), {1, 1, 3, 3}); // partial, so the copy is filled
        EXPECT_EQ(locked.result, injected);
        EXPECT_EQ(capture.Text(), Line(c.message));
        EXPECT_EQ(d3d8::LockedObjects(), 0u);
        EXPECT_EQ(d3d8::LiveObjects(), live);
        d3d8::ResetFaults();
    }
}

} // namespace
} // namespace loadtest
