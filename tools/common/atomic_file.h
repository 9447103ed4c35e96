// Replacing a file all at once: readers, and whatever is left after a full
// disk or an interrupt, see the old file or the complete new one.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tools {

// The folder a file lives in, for its temporary: "" for a bare name.
std::string FolderOf(const std::string& path);

// Writes `bytes` to a temporary file in `path`'s folder and renames it over
// `path`. On failure the temporary is gone, `path` is as it was, and
// `reason` says what failed and why ("cannot write: No space left on
// device"), without the file's name.
bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes, std::string& reason);

// Writes every byte to the descriptor, through short writes and
// interruptions; false (errno set) on failure.
bool WriteAll(int fd, std::span<const uint8_t> bytes);

} // namespace tools
