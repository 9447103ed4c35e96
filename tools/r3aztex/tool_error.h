// The exit codes of r3aztex and its errors, which are the texture library's
// with the exit code as their kind.
#pragma once

#include "r3az8/tex/texture/texture_error.h"

namespace r3aztex {

// The tool works with the library's texture, file and conversion calls
// throughout.
using namespace r3az8tex;

// Process exit codes; the numbers are part of the tool's interface (scripts
// test them), so they never change. 1 to 5 are the library's error kinds.
enum class ExitCode : int {
    Success = 0,
    CommandLine = 1,  // bad option, missing argument, contradictory flags
    FileAccess = 2,   // a file could not be opened, read, written or renamed
    Malformed = 3,    // an input file breaks the rules of its format
    Unsupported = 4,  // a valid input or request the tool cannot handle
    Internal = 5,     // a fault of the tool or the library
    BeyondThreshold = 6, // diff: the images differ beyond the threshold asked for
};

inline ErrorKind KindOf(ExitCode code) { return static_cast<ErrorKind>(code); }
inline ExitCode ExitCodeOf(const TextureError& error) { return static_cast<ExitCode>(error.Code()); }

// The tool's own failures, of the exit codes 1 to 5.
class ToolError : public TextureError {
public:
    ToolError(ExitCode code, const std::string& message) : TextureError(KindOf(code), message) {}
};

inline ToolError FileError(ExitCode code, const std::string& file, const std::string& reason)
{
    return ToolError(code, file + ": " + reason);
}

} // namespace r3aztex
