// Debug output: capture and sinks.
#include "win32.h"
#include "win32_testing.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DebugOutput, CaptureCollectsEveryString)
{
    win32::BeginDebugCapture();
    OutputDebugStringA("R3AZ: one\r\n");
    OutputDebugStringA("R3AZ: two\r\n");
    OutputDebugStringA(nullptr);
    EXPECT_EQ(win32::EndDebugCapture(), "R3AZ: one\r\nR3AZ: two\r\n");
    win32::BeginDebugCapture();
    EXPECT_EQ(win32::EndDebugCapture(), "");
}

void AppendTo(const char* text, void* context) { static_cast<std::string*>(context)->append(text); }

TEST(DebugOutput, SinkReceivesStringsUntilRestored)
{
    std::string received;
    win32::SetDebugSink(AppendTo, &received);
    OutputDebugStringA("hello");
    OutputDebugStringA(" world");
    win32::SetDebugSink(nullptr, nullptr);
    OutputDebugStringA("to standard error\n");
    EXPECT_EQ(received, "hello world");
}

TEST(DebugOutput, CaptureTakesPrecedenceOverSink)
{
    std::string received;
    win32::SetDebugSink(AppendTo, &received);
    win32::BeginDebugCapture();
    OutputDebugStringA("captured");
    EXPECT_EQ(win32::EndDebugCapture(), "captured");
    win32::SetDebugSink(nullptr, nullptr);
    EXPECT_EQ(received, "");
}

TEST(DebugOutput, DefaultSinkWritesToStandardError)
{
    testing::internal::CaptureStderr();
    OutputDebugStringA("R3AZ: to stderr\r\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "R3AZ: to stderr\r\n");
}

} // namespace
