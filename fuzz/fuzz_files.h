// What the targets over r3aztex's file readers share.
#pragma once

#include "fuzz/fuzz_support.h"
#include "tools/r3aztex/tool_error.h"

#include <string>

namespace fuzzing {

// A reader may refuse a file only with a ToolError that says "malformed" or
// "unsupported" (exit code 3 or 4) and starts with the file's name.
inline void CheckFileRefusal(const r3aztex::ToolError& error, const std::string& name)
{
    if (error.Code() != r3aztex::ExitCode::Malformed && error.Code() != r3aztex::ExitCode::Unsupported)
        Fail("reader refused a file with exit code %d: %s", int(error.Code()), error.what());
    if (std::string(error.what()).rfind(name + ": ", 0) != 0)
        Fail("reader's message does not start with the file name: %s", error.what());
}

} // namespace fuzzing
