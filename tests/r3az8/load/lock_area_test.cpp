// Widening of lock areas to the storage units of grouped formats.
#include "r3az8/tex/load/lock_area.h"
#include "tests/support/device_test.h"

#include <gtest/gtest.h>

namespace {

D3DBOX Box(UINT left, UINT top, UINT right, UINT bottom, UINT front = 0, UINT back = 1)
{
    return {left, top, right, bottom, front, back};
}

// The area widened for a lock of `asked` on an image of `extent`.
void ExpectWidened(D3DFORMAT format, const D3DBOX& asked, const D3DBOX& extent, const D3DBOX& widened, bool whole)
{
    LockArea area = WidenToStorageUnits(format, asked, extent);
    ExpectBox(area.box, widened);
    EXPECT_EQ(area.whole, whole);
}

TEST(StorageUnits, GroupedFormatsAndSinglePixels)
{
    for (D3DFORMAT dxt : {D3DFMT_DXT1, D3DFMT_DXT2, D3DFMT_DXT3, D3DFMT_DXT4, D3DFMT_DXT5}) {
        EXPECT_EQ(StorageUnitOf(dxt).width, 4u);
        EXPECT_EQ(StorageUnitOf(dxt).height, 4u);
        EXPECT_TRUE(IsDxtFormat(dxt));
    }
    for (D3DFORMAT yuv : {D3DFMT_YUY2, D3DFMT_UYVY}) {
        EXPECT_EQ(StorageUnitOf(yuv).width, 2u);
        EXPECT_EQ(StorageUnitOf(yuv).height, 1u);
        EXPECT_FALSE(IsDxtFormat(yuv));
    }
    for (D3DFORMAT single : {D3DFMT_A8R8G8B8, D3DFMT_P8, D3DFMT_R5G6B5, D3DFMT_V8U8, D3DFMT_UNKNOWN}) {
        EXPECT_EQ(StorageUnitOf(single).width, 1u);
        EXPECT_EQ(StorageUnitOf(single).height, 1u);
        EXPECT_FALSE(IsDxtFormat(single));
    }
}

TEST(StorageUnits, RoundUpStaysInRange)
{
    EXPECT_EQ(RoundUpToUnits(0, 4), 0u);
    EXPECT_EQ(RoundUpToUnits(6, 4), 8u);
    EXPECT_EQ(RoundUpToUnits(8, 4), 8u);
    EXPECT_EQ(RoundUpToUnits(5, 2), 6u);
    EXPECT_EQ(RoundUpToUnits(0xFFFFFFFFu, 4), 0xFFFFFFFCu);
}

TEST(LockAreaWidening, DxtRectangleOnSixBySixSurfaceBecomesWholeLock)
{
    // Rounded out to {0,0,8,8}, clamped to the surface edge: the whole surface.
    ExpectWidened(D3DFMT_DXT1, Box(1, 1, 5, 5), Box(0, 0, 6, 6), Box(0, 0, 6, 6), true);
}

TEST(LockAreaWidening, DxtRectangleOnBlockRoundedCopyBecomesWholeLock)
{
    ExpectWidened(D3DFMT_DXT5, Box(1, 1, 5, 5), Box(0, 0, 8, 8), Box(0, 0, 8, 8), true);
}

TEST(LockAreaWidening, DxtInnerRectangleWidensToBlocks)
{
    ExpectWidened(D3DFMT_DXT3, Box(5, 6, 9, 11), Box(0, 0, 16, 16), Box(4, 4, 12, 12), false);
}

TEST(LockAreaWidening, DxtRectangleAtAnOddEdgeIsClamped)
{
    ExpectWidened(D3DFMT_DXT1, Box(5, 9, 10, 10), Box(0, 0, 10, 10), Box(4, 8, 10, 10), false);
}

TEST(LockAreaWidening, YuvWidensAcrossOnly)
{
    ExpectWidened(D3DFMT_YUY2, Box(3, 3, 6, 5), Box(0, 0, 9, 8), Box(2, 3, 6, 5), false);
    ExpectBox(WidenToStorageUnits(D3DFMT_UYVY, Box(3, 1, 9, 2), Box(0, 0, 9, 8)).box,
              Box(2, 1, 9, 2)); // 10 clamped to the odd width
}

TEST(LockAreaWidening, YuvRectangleCoveringAllRowsAcrossBecomesWhole)
{
    ExpectWidened(D3DFMT_UYVY, Box(1, 0, 7, 4), Box(0, 0, 8, 4), Box(0, 0, 8, 4), true);
}

TEST(LockAreaWidening, SinglePixelFormatsAreUnchanged)
{
    ExpectWidened(D3DFMT_A8R8G8B8, Box(1, 2, 3, 4), Box(0, 0, 8, 8), Box(1, 2, 3, 4), false);
    ExpectBox(WidenToStorageUnits(D3DFMT_A8R8G8B8, Box(2, 2, 2, 4), Box(0, 0, 8, 8)).box, // zero width
              Box(2, 2, 2, 4));
}

TEST(LockAreaWidening, FrontAndBackAreNeverWidened)
{
    ExpectWidened(D3DFMT_DXT1, Box(0, 0, 8, 8, 1, 2), Box(0, 0, 8, 8, 0, 3), Box(0, 0, 8, 8, 1, 2), false);
    EXPECT_TRUE(WidenToStorageUnits(D3DFMT_DXT1, Box(1, 1, 7, 7, 0, 3), Box(0, 0, 8, 8, 0, 3)).whole);
}

} // namespace
