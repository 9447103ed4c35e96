// Message boxes, debugger queries, fatal exits.
#include "win32.h"
#include "win32_testing.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageBox, AnswersWithTheScriptedAnswerAndRemembers)
{
    int before = win32::MessageBoxCount();
    EXPECT_EQ(MessageBoxA(nullptr, "default", "caption", MB_OK), IDNO);
    win32::SetMessageBoxAnswer(IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "File:\t x", "R3AZ Assertion Failure", MB_SYSTEMMODAL | MB_YESNOCANCEL), IDYES);
    EXPECT_EQ(win32::MessageBoxCount(), before + 2);
    EXPECT_EQ(win32::LastMessageBoxText(), "File:\t x");
    EXPECT_EQ(win32::LastMessageBoxCaption(), "R3AZ Assertion Failure");
    EXPECT_EQ(win32::LastMessageBoxStyle(), 0x1003u);
    win32::SetMessageBoxAnswer(IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK), IDCANCEL);
    EXPECT_EQ(win32::LastMessageBoxText(), "");
    EXPECT_EQ(win32::LastMessageBoxCaption(), "Error");
    win32::SetMessageBoxAnswer(IDNO);
}

TEST(Debugger, PresenceIsScriptedAndBreaksAreCounted)
{
    EXPECT_FALSE(IsDebuggerPresent());
    win32::SetDebuggerPresent(true);
    EXPECT_TRUE(IsDebuggerPresent());
    win32::SetDebuggerPresent(false);
    EXPECT_FALSE(IsDebuggerPresent());
    int before = win32::DebugBreakCount();
    DebugBreak();
    DebugBreak();
    EXPECT_EQ(win32::DebugBreakCount(), before + 2);
}

TEST(FatalAppExit, PrintsTheMessageAndEndsTheProcess)
{
    EXPECT_EXIT(FatalAppExitA(0, "R3AZ Assertion Failure.. Application terminated"), testing::ExitedWithCode(3),
                "R3AZ Assertion Failure\\.\\. Application terminated");
}

} // namespace
