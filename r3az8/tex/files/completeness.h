// Checks that a TGA file holds all the data its header promises. stb_image
// reads missing bytes as zeros instead of failing, so a cut file would
// otherwise decode "successfully" into a partly black picture.
#pragma once

#include "win32.h"

#include <span>
#include <string>

namespace r3az8tex {

// An empty string when the file is complete; the reason otherwise.
std::string TgaIncompleteness(std::span<const BYTE> bytes);

} // namespace r3az8tex
