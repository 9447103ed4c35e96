// Widening of lock areas to the storage units of grouped formats.
#include "r3az8/tex/load/lock_area.h"
#include "tests/support/device_test.h"

#include <gtest/gtest.h>

namespace {

D3DBOX Box(UINT left, UINT top, UINT right, UINT bottom, UINT front = 0, UINT back = 1)
{
    return {left, top, right, bottom, front, back};
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
    LockArea area = WidenToStorageUnits(D3DFMT_DXT1, Box(1, 1, 5, 5), Box(0, 0, 6, 6));
    ExpectBox(area.box, Box(0, 0, 6, 6));
    EXPECT_TRUE(area.whole);
}

TEST(LockAreaWidening, DxtRectangleOnBlockRoundedCopyBecomesWholeLock)
{
    LockArea area = WidenToStorageUnits(D3DFMT_DXT5, Box(1, 1, 5, 5), Box(0, 0, 8, 8));
    ExpectBox(area.box, Box(0, 0, 8, 8));
    EXPECT_TRUE(area.whole);
}

TEST(LockAreaWidening, DxtInnerRectangleWidensToBlocks)
{
    LockArea area = WidenToStorageUnits(D3DFMT_DXT3, Box(5, 6, 9, 11), Box(0, 0, 16, 16));
    ExpectBox(area.box, Box(4, 4, 12, 12));
    EXPECT_FALSE(area.whole);
}

TEST(LockAreaWidening, DxtRectangleAtAnOddEdgeIsClamped)
{
    LockArea area = WidenToStorageUnits(D3DFMT_DXT1, Box(5, 9, 10, 10), Box(0, 0, 10, 10));
    ExpectBox(area.box, Box(4, 8, 10, 10));
    EXPECT_FALSE(area.whole);
}

TEST(LockAreaWidening, YuvWidensAcrossOnly)
{
    LockArea area = WidenToStorageUnits(D3DFMT_YUY2, Box(3, 3, 6, 5), Box(0, 0, 9, 8));
    ExpectBox(area.box, Box(2, 3, 6, 5));
    EXPECT_FALSE(area.whole);
    area = WidenToStorageUnits(D3DFMT_UYVY, Box(3, 1, 9, 2), Box(0, 0, 9, 8));
    ExpectBox(area.box, Box(2, 1, 9, 2)); // 10 clamped to the odd width
}

TEST(LockAreaWidening, YuvRectangleCoveringAllRowsAcrossBecomesWhole)
{
    LockArea area = WidenToStorageUnits(D3DFMT_UYVY, Box(1, 0, 7, 4), Box(0, 0, 8, 4));
    ExpectBox(area.box, Box(0, 0, 8, 4));
    EXPECT_TRUE(area.whole);
}

TEST(LockAreaWidening, SinglePixelFormatsAreUnchanged)
{
    LockArea area = WidenToStorageUnits(D3DFMT_A8R8G8B8, Box(1, 2, 3, 4), Box(0, 0, 8, 8));
    ExpectBox(area.box, Box(1, 2, 3, 4));
    EXPECT_FALSE(area.whole);
    area = WidenToStorageUnits(D3DFMT_A8R8G8B8, Box(2, 2, 2, 4), Box(0, 0, 8, 8)); // zero width
    ExpectBox(area.box, Box(2, 2, 2, 4));
}

TEST(LockAreaWidening, FrontAndBackAreNeverWidened)
{
    LockArea area = WidenToStorageUnits(D3DFMT_DXT1, Box(0, 0, 8, 8, 1, 2), Box(0, 0, 8, 8, 0, 3));
    ExpectBox(area.box, Box(0, 0, 8, 8, 1, 2));
    EXPECT_FALSE(area.whole);
    area = WidenToStorageUnits(D3DFMT_DXT1, Box(1, 1, 7, 7, 0, 3), Box(0, 0, 8, 8, 0, 3));
    EXPECT_TRUE(area.whole);
}

} // namespace
