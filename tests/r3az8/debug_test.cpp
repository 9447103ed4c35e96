// The debug channel, the mute switch and the assertion handler, on the
// platform's scripted profile, registry and message box.
#include "d3d8_testing.h"
#include "r3az8/tex/debug.h"
#include "tests/support/process_state.h"
#include "win32_testing.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/wait.h>

namespace {

constexpr char kKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Dazuvidar\\Direct3D";

class DebugChannel : public testing::Test {
protected:
    void SetUp() override
    {
        ResetProcessState(StartingSettings::Empty);
        win32::BeginDebugCapture();
    }
    void TearDown() override
    {
        SetDebugMute(0);
        ResetProcessState();
    }
    std::string Output() { return win32::EndDebugCapture(); }

    int Assert()
    {
        boxesBefore = win32::MessageBoxCount();
        return AssertionFailed("src/cr3azblt.cpp", 512, "uSize <= uSizeMax");
    }
    int BoxesShown() const { return win32::MessageBoxCount() - boxesBefore; }
    // One assertion's answer and the dialogs it showed on the way.
    void ExpectAssert(int answer, int boxes)
    {
        EXPECT_EQ(Assert(), answer);
        EXPECT_EQ(BoxesShown(), boxes);
    }
    static void SetMode(DWORD mode) { win32::SetRegistryDword(kKey, "R3AZ", mode); }

    int boxesBefore = 0;
};

TEST_F(DebugChannel, PrintsOneLineWithThePrefixAndLineEnd)
{
    DebugPrintf(0, "%s pointer is invalid", "pSrcRect");
    EXPECT_EQ(Output(), "R3AZ: pSrcRect pointer is invalid\r\n");
}

TEST_F(DebugChannel, DefaultLevelHidesHigherLevels)
{
    DebugPrintf(3, "alignment");
    DebugPrintf(1, "one");
    EXPECT_EQ(Output(), "");
}

TEST_F(DebugChannel, LevelComesFromTheProfileOnce)
{
    win32::SetProfileString("Direct3D", "debug", "3");
    DebugPrintf(3, "three");
    DebugPrintf(4, "four");
    win32::SetProfileString("Direct3D", "debug", "0");
    DebugPrintf(2, "two");
    EXPECT_EQ(Output(), "R3AZ: three\r\nR3AZ: two\r\n");
}

TEST_F(DebugChannel, LongMessagesAreCutAndLoseTheLineEnd)
{
    const std::string message(300, 'x');
    DebugPrintf(0, "%s", message.c_str());
    const std::string line = Output();
    EXPECT_EQ(line.size(), 255u);
    EXPECT_EQ(line, "R3AZ: " + std::string(249, 'x'));

    win32::BeginDebugCapture();
    DebugPrintf(0, "%s", std::string(247, 'y').c_str()); // exactly fills the line
    EXPECT_EQ(Output(), "R3AZ: " + std::string(247, 'y') + "\r\n");
}

TEST_F(DebugChannel, MuteSilencesTheChannelAndTheRuntime)
{
    const unsigned runtimeCalls = d3d8::RuntimeMuteCalls();
    SetDebugMute(1);
    EXPECT_EQ(d3d8::RuntimeMute(), 1u);
    DebugPrintf(0, "hidden");
    SetDebugMute(0);
    EXPECT_EQ(d3d8::RuntimeMute(), 0u);
    EXPECT_EQ(d3d8::RuntimeMuteCalls(), runtimeCalls + 2);
    DebugPrintf(0, "shown");
    EXPECT_EQ(Output(), "R3AZ: shown\r\n");
}

TEST_F(DebugChannel, MutedAssertionPrintsNothingButStillAsks)
{
    SetMode(3);
    SetDebugMute(1);
    EXPECT_EQ(Assert(), 0);
    SetDebugMute(0);
    EXPECT_EQ(Output(), "");
    EXPECT_EQ(BoxesShown(), 1);
}

TEST_F(DebugChannel, AssertionLineNamesFileLineAndCondition)
{
    Assert();
    EXPECT_EQ(Output(), "R3AZ: Assertion failure! (src/cr3azblt.cpp 512): uSize <= uSizeMax\r\n");
}

TEST_F(DebugChannel, ModeMissingOrZeroContinues)
{
    ExpectAssert(0, 0);
    ResetDebugStateForTesting();
    SetMode(0);
    win32::SetDebuggerPresent(false);
    ExpectAssert(0, 0);
}

TEST_F(DebugChannel, ModeOneBreaksWithoutDialog)
{
    SetMode(1);
    ExpectAssert(1, 0);

    const int breaks = win32::DebugBreakCount();
    const bool held = R3AZ_ASSERT(1 + 1 == 3);
    EXPECT_FALSE(held);
    EXPECT_EQ(win32::DebugBreakCount(), breaks + 1);
    EXPECT_TRUE(R3AZ_ASSERT(2 > 1));
    EXPECT_EQ(win32::DebugBreakCount(), breaks + 1);
}

TEST_F(DebugChannel, ModeThreeAsksEvenUnderADebugger)
{
    SetMode(3);
    win32::SetDebuggerPresent(true);
    win32::SetMessageBoxAnswer(IDYES);
    ExpectAssert(1, 1);
    EXPECT_EQ(win32::LastMessageBoxCaption(), "R3AZ Assertion Failure");
    EXPECT_EQ(win32::LastMessageBoxStyle(), 0x1003u);
    EXPECT_EQ(win32::LastMessageBoxText(),
              "File:\t src/cr3azblt.cpp\nLine:\t 512\nAssertion:\tuSize <= uSizeMax\n\nDo you want to invoke the "
              "debugger?");
    win32::SetMessageBoxAnswer(IDNO);
    EXPECT_EQ(Assert(), 0);
    win32::SetMessageBoxAnswer(IDOK);
    EXPECT_EQ(Assert(), 0);
}

TEST_F(DebugChannel, OtherModesAskOnlyWithoutADebugger)
{
    SetMode(2);
    win32::SetMessageBoxAnswer(IDYES);
    win32::SetDebuggerPresent(true);
    ExpectAssert(0, 0);
    win32::SetDebuggerPresent(false);
    ExpectAssert(1, 1);
}

TEST_F(DebugChannel, ModeStoredAsStringOrWrongSizeIsIgnored)
{
    win32::SetRegistryValue(kKey, "R3AZ", REG_SZ, "1", 2);
    EXPECT_EQ(Assert(), 0);
    ResetDebugStateForTesting();
    const unsigned char eight[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    win32::SetRegistryValue(kKey, "R3AZ", REG_DWORD, eight, sizeof eight);
    EXPECT_EQ(Assert(), 0);
    ResetDebugStateForTesting();
    win32::SetRegistryValue(kKey, "R3AZ", REG_DWORD, eight, 2);
    EXPECT_EQ(Assert(), 0);
}

TEST_F(DebugChannel, ModeIsReadAtTheFirstAssertionOnly)
{
    EXPECT_EQ(Assert(), 0);
    SetMode(1);
    EXPECT_EQ(Assert(), 0);
}

using DebugChannelDeathTest = DebugChannel;

TEST_F(DebugChannelDeathTest, CancelEndsTheProcessWithTheMessage)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    SetMode(3);
    win32::SetMessageBoxAnswer(IDCANCEL);
    EXPECT_EXIT(Assert(), [](int status) { return WIFEXITED(status) && WEXITSTATUS(status) != 0; },
                "R3AZ Assertion Failure\\.\\. Application terminated");
}

} // namespace
