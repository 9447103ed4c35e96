// Tracked allocation: what the heap and the tracker see.
#include "kwoUtils/TrackedAlloc.h"

#include "tests/support/engine_session.h"

#include <algorithm>

namespace {

using TrackedAllocation = EngineSession;

TEST_F(TrackedAllocation, ZeroBytesIsNullAndSilent)
{
    unsigned heapCalls = win32::GlobalAllocCalls();
    EXPECT_EQ(TrackedAlloc(0, "file", 1), nullptr);
    EXPECT_TRUE(kwoMemLeakHost_Events().empty());
    EXPECT_EQ(win32::GlobalAllocCalls(), heapCalls);
}

TEST_F(TrackedAllocation, FailureIsReportedOnceWithSizeAndSite)
{
    win32::FailGlobalAllocAt(1);
    EXPECT_EQ(TrackedAlloc(4096, "effects/effMirolan/effMirolan", 115), nullptr);
    std::vector<MemLeakEvent> events = kwoMemLeakHost_Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, MemLeakEventKind::AllocFailed);
    EXPECT_EQ(events[0].size, 4096u);
    EXPECT_EQ(events[0].file, "effects/effMirolan/effMirolan");
    EXPECT_EQ(events[0].line, 115);
}

TEST_F(TrackedAllocation, BlocksAreZeroFilledLockedHeapBlocks)
{
    for (unsigned size : {1u, 7u, 64u, 100000u}) {
        kwoMemLeakHost_Reset();
        auto* block = static_cast<unsigned char*>(TrackedAlloc(size, "f", 2));
        ASSERT_NE(block, nullptr);
        EXPECT_TRUE(std::all_of(block, block + size, [](unsigned char byte) { return byte == 0; }));
        HGLOBAL handle = GlobalHandle(block);
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(GlobalSize(handle), size);
        std::vector<MemLeakEvent> events = kwoMemLeakHost_Events();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].kind, MemLeakEventKind::Alloc);
        EXPECT_EQ(events[0].block, block);

        TrackedFree(block);
        events = kwoMemLeakHost_Events();
        ASSERT_EQ(events.size(), 2u);
        EXPECT_EQ(events[1].kind, MemLeakEventKind::Free);
        EXPECT_EQ(events[1].block, block);
        // Still the block's size: the tracker heard of the release before it
        // happened.
        EXPECT_EQ(events[1].size, size);
        EXPECT_EQ(GlobalHandle(block), nullptr);
    }
}

TEST_F(TrackedAllocation, FreeingNullDoesNothing)
{
    TrackedFree(nullptr);
    EXPECT_TRUE(kwoMemLeakHost_Events().empty());
}

} // namespace
