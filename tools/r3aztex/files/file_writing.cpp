#include "tools/r3aztex/files/file_writing.h"

#include "r3az8/tex/files/file_bytes.h"
#include "tools/common/atomic_file.h"
#include "tools/r3aztex/tool_error.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace r3aztex {

void WriteFileAtomically(const std::string& path, std::span<const BYTE> bytes)
{
    // The shared writer names its temporary without the target's name, so
    // an output named up to the file system's limit still converts, and
    // removes it when the run is interrupted.
    std::string reason;
    if (!tools::WriteFileAtomically(path, bytes, reason))
        throw FileError(ExitCode::FileAccess, path, reason);
}

void WriteOutputFile(const std::string& path, std::span<const BYTE> bytes)
{
    if (path != kStandardStream) {
        WriteFileAtomically(path, bytes);
        return;
    }
    if (::isatty(STDOUT_FILENO) == 1)
        throw ToolError(ExitCode::CommandLine, "will not write binary data to a terminal: redirect standard output");
    if (!tools::WriteAll(STDOUT_FILENO, bytes))
        throw ToolError(ExitCode::FileAccess, std::string("standard output: cannot write: ") + std::strerror(errno));
}

} // namespace r3aztex
