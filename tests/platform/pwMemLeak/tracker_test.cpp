// The allocation tracker: live blocks, event log and leak report.
#include "tests/support/engine_session.h"

#include <cstdio>

namespace {

using Tracker = EngineSession;

void* HeapBlock(size_t size)
{
    return GlobalLock(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
}

void FreeHeapBlock(void* block)
{
    GlobalUnlock(GlobalHandle(block));
    GlobalFree(GlobalHandle(block));
}

std::string Report()
{
    std::FILE* file = std::tmpfile();
    kwoMemLeakHost_PrintLeakReport(file);
    std::rewind(file);
    std::string text;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, file))
        text += buffer;
    std::fclose(file);
    return text;
}

TEST_F(Tracker, RecordsEveryCallInOrder)
{
    void* block = HeapBlock(40);
    kwoMemLeak_Comment("width=64");
    kwoMemLeak_Alloc(block, "kwoUtils/kwoStringParams", 93);
    kwoMemLeak_AllocFailed(1000, "kwoUtils/kwoStringParams", 98);
    kwoMemLeak_Free(block);
    EXPECT_EQ(kwoMemLeakHost_EventLines(), (std::vector<std::string>{
                                               "Comment width=64",
                                               "Alloc kwoUtils/kwoStringParams:93 (40 bytes)",
                                               "AllocFailed kwoUtils/kwoStringParams:98 (1000 bytes)",
                                               "Free kwoUtils/kwoStringParams:93 (40 bytes)",
                                           }));
    std::vector<MemLeakEvent> events = kwoMemLeakHost_Events();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[1].block, block);
    EXPECT_EQ(events[3].block, block);
    EXPECT_EQ(kwoMemLeakHost_LiveBlockCount(), 0u);
    FreeHeapBlock(block);
}

TEST_F(Tracker, LiveBlocksAreKeptWhileEventsAreOff)
{
    kwoMemLeakHost_RecordEvents(false);
    void* block = HeapBlock(40);
    kwoMemLeak_Comment("width=64");
    kwoMemLeak_Alloc(block, "kwoUtils/kwoStringParams", 93);
    kwoMemLeak_AllocFailed(1000, "kwoUtils/kwoStringParams", 98);
    EXPECT_TRUE(kwoMemLeakHost_Events().empty());
    ASSERT_EQ(kwoMemLeakHost_LiveBlocks().size(), 1u);
    EXPECT_EQ(kwoMemLeakHost_LiveBlocks()[0].line, 93);
    kwoMemLeakHost_RecordEvents(true);
    kwoMemLeak_Free(block);
    EXPECT_EQ(kwoMemLeakHost_EventLines(), (std::vector<std::string>{"Free kwoUtils/kwoStringParams:93 (40 bytes)"}));
    EXPECT_EQ(kwoMemLeakHost_LiveBlockCount(), 0u);
    FreeHeapBlock(block);
}

TEST_F(Tracker, ReportsLiveBlocksWithSizeAndSite)
{
    void* first = HeapBlock(12);
    void* second = HeapBlock(3000);
    kwoMemLeak_Alloc(first, "effects/effMirolan/effMirolan", 115);
    kwoMemLeak_Alloc(second, "effects/effMirolan/effMirolan", 117);
    std::vector<MemLeakBlock> live = kwoMemLeakHost_LiveBlocks();
    ASSERT_EQ(live.size(), 2u);
    EXPECT_EQ(live[0].block, first);
    EXPECT_EQ(live[0].size, 12u);
    EXPECT_EQ(live[1].line, 117);
    EXPECT_EQ(live[1].size, 3000u);

    std::string report = Report();
    char expected[128];
    std::snprintf(expected, sizeof expected, "Leak: %p, 3000 bytes, allocated at effects/effMirolan/effMirolan(117)",
                  second);
    EXPECT_NE(report.find(expected), std::string::npos) << report;
    EXPECT_NE(report.find("2 block(s) leaked, 3012 bytes"), std::string::npos) << report;

    kwoMemLeak_Free(first);
    kwoMemLeak_Free(second);
    EXPECT_EQ(Report(), "Memory: no leaks.\n");
    FreeHeapBlock(first);
    FreeHeapBlock(second);
}

TEST_F(Tracker, FreeOfAnUnknownBlockIsRecordedNotTrusted)
{
    int local = 0;
    kwoMemLeak_Free(&local);
    kwoMemLeak_Free(nullptr);
    std::vector<MemLeakEvent> events = kwoMemLeakHost_Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, MemLeakEventKind::FreeUnknown);
    EXPECT_EQ(kwoMemLeakHost_LiveBlockCount(), 0u);
}

TEST_F(Tracker, MemoryOutsideTheHeapHasNoKnownSize)
{
    int local = 0;
    kwoMemLeak_Alloc(&local, "somewhere", 1);
    ASSERT_EQ(kwoMemLeakHost_LiveBlocks().size(), 1u);
    EXPECT_EQ(kwoMemLeakHost_LiveBlocks()[0].size, 0u);
    kwoMemLeakHost_Reset();
    EXPECT_EQ(kwoMemLeakHost_LiveBlockCount(), 0u);
    EXPECT_TRUE(kwoMemLeakHost_Events().empty());
}

} // namespace
