// Writing outputs whole or not at all; "-" names standard output.
#pragma once

#include "win32.h"

#include <span>
#include <string>

namespace r3aztex {

// Writes the bytes to a temporary file beside the target and renames it
// over the target, so that readers see the old file or the complete new
// one, never a part. On failure the temporary file is removed and
// ToolError (FileAccess) is thrown; the target is left as it was.
void WriteFileAtomically(const std::string& path, std::span<const BYTE> bytes);

// WriteFileAtomically, or for "-" the bytes on standard output, which must
// not be a terminal (binary data would only garble it).
void WriteOutputFile(const std::string& path, std::span<const BYTE> bytes);

} // namespace r3aztex
