// Writing pictures as PNG files.
#pragma once

#include "tools/mirolan-play/picture.h"

#include <string>

// Writes an 8-bit RGBA PNG; on failure `error` says why.
bool WritePng(const std::string& path, const Picture& picture, std::string& error);
