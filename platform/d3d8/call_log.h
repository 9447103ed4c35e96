// The record of state and draw calls made on any device.
#pragma once

#include <string>

namespace softd3d8 {

void LogCall(std::string line);

// How the log writes an object pointer: "null" or "0x" and lower-case hex.
std::string DescribePointer(const void* pointer);

} // namespace softd3d8
