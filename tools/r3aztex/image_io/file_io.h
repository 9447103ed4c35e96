// Whole-file reading and atomic writing; "-" names the standard streams.
#pragma once

#include "win32.h"

#include <span>
#include <string>
#include <vector>

namespace r3aztex {

// The name that stands for standard input (as an input) or standard output
// (as an output).
inline constexpr const char* kStandardStream = "-";

// How messages name a file: "standard input" for "-", the path otherwise.
std::string DisplayName(const std::string& path);

// The file's bytes, or all of standard input for "-". Throws ToolError (FileAccess) naming the file and the
// system's reason when it cannot be opened or read.
std::vector<BYTE> ReadFileBytes(const std::string& path);

// Writes the bytes to a temporary file beside the target and renames it
// over the target, so that readers see the old file or the complete new
// one, never a part. On failure the temporary file is removed and
// ToolError (FileAccess) is thrown; the target is left as it was.
void WriteFileAtomically(const std::string& path, std::span<const BYTE> bytes);

// WriteFileAtomically, or for "-" the bytes on standard output, which must
// not be a terminal (binary data would only garble it).
void WriteOutputFile(const std::string& path, std::span<const BYTE> bytes);

} // namespace r3aztex
