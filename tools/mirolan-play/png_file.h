// Writing pictures as PNG files.
#pragma once

#include "tools/mirolan-play/picture.h"

#include <string>

// Writes an 8-bit RGBA PNG, replacing any file of that name only once the
// new one is complete; on failure `error` names the file and says why.
bool WritePng(const std::string& path, const Picture& picture, std::string& error);
