// The record of state and draw calls made on any device.
#pragma once

#include <string>

namespace softd3d8 {

// Whether calls are recorded (d3d8::RecordCalls).
bool RecordingCalls();

void AppendCall(std::string line);

// Logs the line `describe` returns, put into words only while calls are
// recorded.
template <typename Describe>
void LogCall(Describe&& describe)
{
    if (RecordingCalls())
        AppendCall(describe());
}

// How the log writes an object pointer: "null" or "0x" and lower-case hex.
std::string DescribePointer(const void* pointer);

} // namespace softd3d8
