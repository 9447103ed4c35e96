// Which other programs decode each format correctly as r3aztex writes it
// (a 2D texture with the legacy header): ImageMagick, NVIDIA Texture
// Tools' nvdecompress and Pillow, the readers users reach for first.
// tests/r3aztex/real_clients_test.cpp runs all three on every format and
// holds this table to what they do.
#pragma once

#include "d3d8.h"

#include <optional>
#include <span>
#include <string>

namespace r3aztex {

enum OtherReader : BYTE {
    kImageMagick = 1,
    kNvdecompress = 2,
    kPillow = 4,
    kAllOtherReaders = kImageMagick | kNvdecompress | kPillow,
};

struct OtherReaderEntry {
    OtherReader reader;
    const char* name;
};
std::span<const OtherReaderEntry> OtherReaders();

// The readers (OtherReader bits) that decode the format correctly; none
// when the format has not been checked.
std::optional<BYTE> ReadersOf(D3DFORMAT format);

// "ImageMagick, nvdecompress, Pillow", "nvdecompress; not ImageMagick,
// Pillow", "none of ImageMagick, nvdecompress, Pillow", or "not checked".
std::string ReadersText(D3DFORMAT format);

} // namespace r3aztex
