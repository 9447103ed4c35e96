// Whole-file reading of inputs; "-" names standard input.
#pragma once

#include "r3az8/tex/texture/texture_image.h"
#include "win32.h"

#include <span>
#include <string>
#include <vector>

namespace r3az8tex {

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
// allocation of its size. Throws TextureError naming the file: FileAccess with
// the system's reason when it cannot be opened or read, Unsupported for the
// refusals above.
std::vector<BYTE> ReadFileBytes(const std::string& path);

} // namespace r3az8tex
