// Global heap: handles, zero fill, lock counts, failure on demand.
#include "win32.h"
#include "win32_testing.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class GlobalHeapTest : public ::testing::Test {
protected:
    void SetUp() override { liveAtStart = win32::GlobalLiveBlocks(); }
    void TearDown() override
    {
        win32::FailGlobalAllocAt(0);
        win32::LimitGlobalAllocSize(0);
        EXPECT_EQ(win32::GlobalLiveBlocks(), liveAtStart);
    }
    size_t liveAtStart = 0;
};

TEST_F(GlobalHeapTest, MoveableHandleIsFoundFromItsAddress)
{
    HGLOBAL handle = GlobalAlloc(GHND, 100);
    ASSERT_NE(handle, nullptr);
    void* address = GlobalLock(handle);
    ASSERT_NE(address, nullptr);
    EXPECT_NE(address, handle); // a moveable block's handle is not its address
    EXPECT_EQ(GlobalHandle(address), handle);
    EXPECT_EQ(GlobalSize(handle), 100u);
    EXPECT_FALSE(GlobalUnlock(handle));
    EXPECT_EQ(GlobalFree(handle), nullptr);
    EXPECT_EQ(GlobalHandle(address), nullptr);
}

TEST_F(GlobalHeapTest, FixedBlockHandleIsItsAddress)
{
    HGLOBAL handle = GlobalAlloc(GMEM_FIXED, 8);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(GlobalLock(handle), handle);
    EXPECT_EQ(GlobalHandle(handle), handle);
    EXPECT_EQ(GlobalFree(handle), nullptr);
}

TEST_F(GlobalHeapTest, AddressInsideABlockIsNotAHandle)
{
    HGLOBAL handle = GlobalAlloc(GHND, 16);
    char* address = static_cast<char*>(GlobalLock(handle));
    EXPECT_EQ(GlobalHandle(address + 1), nullptr);
    GlobalUnlock(handle);
    GlobalFree(handle);
}

TEST_F(GlobalHeapTest, ZeroInitFillsWithZeros)
{
    // Dirty the allocator's free lists first so that zeros are not luck.
    for (int round = 0; round < 4; ++round) {
        HGLOBAL dirty = GlobalAlloc(GMEM_MOVEABLE, 4096);
        std::memset(GlobalLock(dirty), 0xAB, 4096);
        GlobalUnlock(dirty);
        GlobalFree(dirty);
        HGLOBAL handle = GlobalAlloc(GHND, 4096);
        const unsigned char* bytes = static_cast<const unsigned char*>(GlobalLock(handle));
        for (int i = 0; i < 4096; ++i)
            ASSERT_EQ(bytes[i], 0) << "byte " << i;
        GlobalUnlock(handle);
        GlobalFree(handle);
    }
}

TEST_F(GlobalHeapTest, LockCountsNest)
{
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, 4);
    void* first = GlobalLock(handle);
    void* second = GlobalLock(handle);
    EXPECT_EQ(first, second);
    EXPECT_TRUE(GlobalUnlock(handle));  // still locked once
    EXPECT_FALSE(GlobalUnlock(handle)); // now unlocked
    EXPECT_FALSE(GlobalUnlock(handle)); // not locked at all
    GlobalFree(handle);
}

TEST_F(GlobalHeapTest, UnknownHandlesAreRefused)
{
    int local = 0;
    HGLOBAL stranger = &local;
    EXPECT_EQ(GlobalLock(stranger), nullptr);
    EXPECT_FALSE(GlobalUnlock(stranger));
    EXPECT_EQ(GlobalSize(stranger), 0u);
    EXPECT_EQ(GlobalFree(stranger), stranger);
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
    EXPECT_EQ(GlobalHandle(nullptr), nullptr);
}

TEST_F(GlobalHeapTest, ZeroByteBlocksAreDistinct)
{
    HGLOBAL first = GlobalAlloc(GHND, 0);
    HGLOBAL second = GlobalAlloc(GHND, 0);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(GlobalLock(first), GlobalLock(second));
    EXPECT_EQ(GlobalSize(first), 0u);
    GlobalUnlock(first);
    GlobalUnlock(second);
    GlobalFree(first);
    GlobalFree(second);
}

TEST_F(GlobalHeapTest, LiveBlocksCountAllocationsNotYetFreed)
{
    HGLOBAL blocks[3];
    for (int i = 0; i < 3; ++i) {
        blocks[i] = GlobalAlloc(GHND, 10);
        EXPECT_EQ(win32::GlobalLiveBlocks(), liveAtStart + i + 1);
    }
    for (int i = 0; i < 3; ++i)
        GlobalFree(blocks[i]);
    EXPECT_EQ(win32::GlobalLiveBlocks(), liveAtStart);
}

TEST_F(GlobalHeapTest, FailAtNthAllocationOnly)
{
    win32::FailGlobalAllocAt(3);
    HGLOBAL results[5];
    for (auto& result : results)
        result = GlobalAlloc(GHND, 4);
    EXPECT_NE(results[0], nullptr);
    EXPECT_NE(results[1], nullptr);
    EXPECT_EQ(results[2], nullptr);
    EXPECT_NE(results[3], nullptr);
    EXPECT_NE(results[4], nullptr);
    EXPECT_EQ(win32::GlobalAllocCalls(), 5u);
    for (auto& result : results)
        GlobalFree(result);
}

TEST_F(GlobalHeapTest, FailEveryFromNth)
{
    win32::FailGlobalAllocAt(2, true);
    HGLOBAL first = GlobalAlloc(GHND, 4);
    EXPECT_NE(first, nullptr);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(GlobalAlloc(GHND, 4), nullptr);
    win32::FailGlobalAllocAt(0);
    HGLOBAL after = GlobalAlloc(GHND, 4);
    EXPECT_NE(after, nullptr);
    GlobalFree(first);
    GlobalFree(after);
}

TEST_F(GlobalHeapTest, ImpossibleSizesFail)
{
    EXPECT_EQ(GlobalAlloc(GHND, ~SIZE_T(0)), nullptr);
    EXPECT_EQ(GlobalAlloc(GHND, SIZE_T(1) << 40), nullptr);
    EXPECT_EQ(win32::GlobalLiveBlocks(), liveAtStart);
}

TEST_F(GlobalHeapTest, SizeLimitRefusesLargerBlocksUntilLifted)
{
    win32::LimitGlobalAllocSize(24576);
    EXPECT_EQ(GlobalAlloc(GHND, 24577), nullptr);
    HGLOBAL largest = GlobalAlloc(GMEM_FIXED, 24576);
    EXPECT_NE(largest, nullptr);
    GlobalFree(largest);
    win32::LimitGlobalAllocSize(0);
    HGLOBAL larger = GlobalAlloc(GMEM_FIXED, 24577);
    EXPECT_NE(larger, nullptr);
    GlobalFree(larger);
    // No limit reaches past what the heap could ever give.
    win32::LimitGlobalAllocSize(~SIZE_T(0));
    EXPECT_EQ(GlobalAlloc(GHND, SIZE_T(1) << 40), nullptr);
}

TEST_F(GlobalHeapTest, FailureLeavesNothingLive)
{
    win32::FailGlobalAllocAt(1);
    EXPECT_EQ(GlobalAlloc(GHND, 64), nullptr);
    EXPECT_EQ(win32::GlobalLiveBlocks(), liveAtStart);
}

} // namespace
