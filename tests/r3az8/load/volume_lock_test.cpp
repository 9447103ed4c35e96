// VolumeLock: boxes, refusals, lock flags, the locked area, no copy path.
#include "tests/support/device_test.h"
#include "r3az8/tex/load/volume_lock.h"

#include <cstring>

namespace loadtest {
namespace {

using VolumeLockTest = PaddedDeviceTest;

TEST_F(VolumeLockTest, BoxesOutsideOrInvertedAreInvalid)
{
    auto texture = MakeVolume(8, 6, 4, 1, D3DPOOL_MANAGED);
    auto volume = Level(texture.Get(), 0);
    const D3DBOX invalid[] = {
        {5, 0, 3, 2, 0, 1}, {0, 4, 2, 3, 0, 1}, {0, 0, 2, 2, 3, 2}, {0, 0, 9, 6, 0, 4},
        {0, 0, 8, 7, 0, 4}, {0, 0, 8, 6, 0, 5}, {0xFFFFFFFFu, 0, 2, 2, 0, 1},
    };
    for (const D3DBOX& box : invalid) {
        VolumeLock lock;
        ImageDesc image{};
        DebugCapture capture;
        EXPECT_EQ(lock.Lock(volume.Get(), nullptr, &box, 0, image), D3DERR_INVALIDCALL);
        EXPECT_EQ(capture.Text(), Line("Invalid source box"));
    }
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::LockBox), 0u);
}

TEST_F(VolumeLockTest, EmptyBoxesInsideAreAccepted)
{
    auto texture = MakeVolume(8, 6, 4, 1, D3DPOOL_MANAGED);
    auto volume = Level(texture.Get(), 0);
    for (D3DBOX box : {D3DBOX{2, 0, 2, 6, 0, 4}, D3DBOX{0, 0, 8, 6, 4, 4}}) {
        VolumeLock lock;
        ImageDesc image{};
        EXPECT_EQ(lock.Lock(volume.Get(), nullptr, &box, 0, image), S_OK);
    }
}

TEST_F(VolumeLockTest, NonDynamicDefaultPoolVolumesAreRefused)
{
    auto texture = MakeVolume(4, 4, 4, 1, D3DPOOL_DEFAULT);
    auto volume = Level(texture.Get(), 0);
    VolumeLock lock;
    ImageDesc image{};
    DebugCapture capture;
    EXPECT_EQ(lock.Lock(volume.Get(), nullptr, nullptr, LOCK_READ_ONLY, image), D3DERR_INVALIDCALL);
    EXPECT_EQ(capture.Text(), Line("Cannot lock non-dynamic vidmem volumes"));
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::LockBox), 0u);
}

TEST_F(VolumeLockTest, PartialLockIsMadeRelativeInAllThreeAxes)
{
    auto texture = MakeVolume(8, 8, 4, 1, D3DPOOL_MANAGED);
    auto volume = Level(texture.Get(), 0);
    FillLevels(texture.Get(), 11);
    const std::vector<BYTE> bytes = ReadBytes(volume.Get());
    PALETTEENTRY palette[256] = {};

    VolumeLock lock;
    ImageDesc image{};
    const D3DBOX box = {2, 3, 7, 8, 1, 3};
    ASSERT_EQ(lock.Lock(volume.Get(), palette, &box, LOCK_READ_ONLY, image), S_OK);
    EXPECT_FALSE(LastLock().whole);
    ExpectBox(LastLock().area, box);
    EXPECT_EQ(LastLock().flags, D3DLOCK_NOSYSLOCK | D3DLOCK_READONLY);
    ExpectBox(image.Region, {0, 0, 5, 5, 0, 2});
    ExpectBox(image.Extent, {0, 0, 8, 8, 0, 4});
    EXPECT_EQ(image.Dither, 1u);
    EXPECT_EQ(image.ColorKey, 0u);
    EXPECT_EQ(image.pPalette, palette);
    EXPECT_GE(image.SlicePitch, image.RowPitch * 8);
    // Pixel (4, 5, 2) of the volume is pixel (2, 2, 1) of the region.
    uint32_t pixel;
    std::memcpy(&pixel, static_cast<BYTE*>(image.pData) + image.SlicePitch + 2 * image.RowPitch + 2 * 4, 4);
    uint32_t expected;
    std::memcpy(&expected, &bytes[((2 * 8 + 5) * 8 + 4) * 4], 4);
    EXPECT_EQ(pixel, expected);
    EXPECT_EQ(d3d8::LockedObjects(), 1u);
    lock.Release();
    EXPECT_EQ(d3d8::LockedObjects(), 0u);
}

TEST_F(VolumeLockTest, DxtBoxIsWidenedAcrossAndDownButNeverInDepth)
{
    auto texture = MakeVolume(6, 6, 2, 1, D3DPOOL_MANAGED, D3DFMT_DXT1);
    auto volume = Level(texture.Get(), 0);
    {
        VolumeLock lock;
        ImageDesc image{};
        const D3DBOX box = {1, 1, 5, 5, 0, 2};
        ASSERT_EQ(lock.Lock(volume.Get(), nullptr, &box, 0, image), S_OK);
        EXPECT_TRUE(LastLock().whole);
        ExpectBox(image.Region, box);
    }
    {
        VolumeLock lock;
        ImageDesc image{};
        const D3DBOX box = {1, 1, 5, 5, 1, 2};
        ASSERT_EQ(lock.Lock(volume.Get(), nullptr, &box, 0, image), S_OK);
        EXPECT_FALSE(LastLock().whole);
        ExpectBox(LastLock().area, {0, 0, 6, 6, 1, 2});
        ExpectBox(image.Region, {1, 1, 5, 5, 0, 1});
    }
}

TEST_F(VolumeLockTest, DiscardOnlyForAWholeWriteOfADynamicSingleLevelVolumeTexture)
{
    struct Case {
        UINT levels;
        bool partial;
        DWORD flags;
    };
    for (Case c : {Case{1, false, D3DLOCK_NOSYSLOCK | D3DLOCK_DISCARD}, Case{2, false, D3DLOCK_NOSYSLOCK},
                   Case{1, true, D3DLOCK_NOSYSLOCK}}) {
        auto texture = MakeVolume(4, 4, 4, c.levels, D3DPOOL_DEFAULT, D3DFMT_A8R8G8B8, D3DUSAGE_DYNAMIC);
        auto volume = Level(texture.Get(), 0);
        VolumeLock lock;
        ImageDesc image{};
        const D3DBOX box = {0, 0, 4, 4, 1, 2};
        ASSERT_EQ(lock.Lock(volume.Get(), nullptr, c.partial ? &box : nullptr, 0, image), S_OK);
        EXPECT_EQ(LastLock().flags, c.flags) << c.levels << " levels, partial " << c.partial;
    }
}

// Volumes have no copy path: the separate-copy bit changes nothing, the
// volume itself stays locked and a second lock on it fails.
TEST_F(VolumeLockTest, SeparateCopyBitIsIgnored)
{
    auto texture = MakeVolume(4, 4, 3, 1, D3DPOOL_MANAGED);
    auto volume = Level(texture.Get(), 0);
    VolumeLock lock;
    ImageDesc image{};
    const D3DBOX box = {1, 1, 3, 4, 1, 3};
    ASSERT_EQ(lock.Lock(volume.Get(), nullptr, &box, LOCK_READ_ONLY | LOCK_SEPARATE_COPY, image), S_OK);
    EXPECT_EQ(d3d8::LockedObjects(), 1u);
    EXPECT_EQ(LastLock().flags, DWORD(D3DLOCK_NOSYSLOCK | D3DLOCK_READONLY));

    VolumeLock writer;
    ImageDesc written{};
    DebugCapture capture;
    EXPECT_EQ(writer.Lock(volume.Get(), nullptr, nullptr, 0, written), D3DERR_INVALIDCALL);
    EXPECT_EQ(capture.Text(), Line("Could not lock volume"));
}

TEST_F(VolumeLockTest, FailingLockBoxIsReported)
{
    auto texture = MakeVolume(4, 4, 3, 1, D3DPOOL_MANAGED);
    auto volume = Level(texture.Get(), 0);
    d3d8::FailCall(d3d8::Call::LockBox, 1, D3DERR_INVALIDCALL);
    VolumeLock lock;
    ImageDesc image{};
    DebugCapture capture;
    EXPECT_EQ(lock.Lock(volume.Get(), nullptr, nullptr, 0, image), D3DERR_INVALIDCALL);
    EXPECT_EQ(capture.Text(), Line("Could not lock volume"));
    EXPECT_EQ(d3d8::LockedObjects(), 0u);
}

} // namespace
} // namespace loadtest
