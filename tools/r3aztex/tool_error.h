// The one error type of r3aztex: a message for the user and the category that
// decides the process exit code.
#pragma once

#include <stdexcept>
#include <string>

namespace r3aztex {

// Process exit codes; the numbers are part of the tool's interface (scripts
// test them), so they never change.
enum class ExitCode : int {
    Success = 0,
    CommandLine = 1,  // bad option, missing argument, contradictory flags
    FileAccess = 2,   // a file could not be opened, read, written or renamed
    Malformed = 3,    // an input file breaks the rules of its format
    Unsupported = 4,  // a valid input or request the tool cannot handle
    Internal = 5,     // a fault of the tool or the library
    BeyondThreshold = 6, // diff: the images differ beyond the threshold asked for
};

class ToolError : public std::runtime_error {
public:
    ToolError(ExitCode code, const std::string& message) : std::runtime_error(message), code_(code) {}

    ExitCode Code() const { return code_; }

private:
    ExitCode code_;
};

// "file: reason", the shape of every per-file message.
inline ToolError FileError(ExitCode code, const std::string& file, const std::string& reason)
{
    return ToolError(code, file + ": " + reason);
}

} // namespace r3aztex
