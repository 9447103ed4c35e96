// Whole-file reading of inputs and atomic writing; "-" names the standard streams.
#pragma once

#include "tools/r3aztex/texture/texture_image.h"
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

// The largest input file an image within the limits can need: 1 GiB of
// pixels stored the least compactly a reader accepts, a run-length TGA of
// one-pixel packets (a count byte before each 4-byte pixel, 5/4 of the
// pixels), with room for headers, a colour map (256 KiB at most, in a TGA)
// and metadata.
inline constexpr uint64_t kMaxInputBytes = kMaxTextureBytes / 4 * 5 + (16ull << 20);

// An input file's bytes, or all of standard input for "-". The first bytes
// are looked at before the rest is read: a file that is no DDS, PNG, TGA or
// JPEG file by its signature or name (DetectFileType) is refused at once.
// Of one its reader refuses on the first bytes alone (a .png, .dds or .jpg
// without its signature, a TGA header of no pixels or beyond the limits)
// only those are given. One of more than
// kMaxInputBytes is refused: a regular file by its size, unread, a pipe or
// a device once it has given that many. A regular file costs one
// allocation of its size. Throws ToolError naming the file: FileAccess with
// the system's reason when it cannot be opened or read, Unsupported for the
// refusals above.
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
