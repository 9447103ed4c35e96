// Whole-file reading and atomic writing.
#pragma once

#include "win32.h"

#include <span>
#include <string>
#include <vector>

namespace r3aztex {

// The file's bytes. Throws ToolError (FileAccess) naming the file and the
// system's reason when it cannot be opened or read.
std::vector<BYTE> ReadFileBytes(const std::string& path);

// Writes the bytes to a temporary file beside the target and renames it
// over the target, so that readers see the old file or the complete new
// one, never a part. On failure the temporary file is removed and
// ToolError (FileAccess) is thrown; the target is left as it was.
void WriteFileAtomically(const std::string& path, std::span<const BYTE> bytes);

} // namespace r3aztex
