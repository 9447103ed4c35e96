// Helpers for tests that run the built r3aztex, over those for texture
// files.
#pragma once

#include "tests/support/texture_files_support.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace r3aztex::testing {

using namespace r3az8tex;
using namespace r3az8tex::testing;

inline RunResult RunTool(const std::vector<std::string>& arguments, const TempFolder& folder,
                         const std::string& input = "/dev/null")
{
    return RunProgram(R3AZTEX_PROGRAM, arguments, folder, input);
}

// Whether every line of a program's standard error is the tool's own.
inline bool EveryLineIsTheTools(const std::string& err)
{
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);)
        if (!line.starts_with("r3aztex: "))
            return false;
    return true;
}

} // namespace r3aztex::testing
