// A look at a PNG file's image data before anything is allocated for its
// pixels: the data must inflate to every row its header promises.
#pragma once

#include "win32.h"

#include <cstdint>
#include <span>
#include <string>

namespace r3az8tex {

// What a PNG header says about the stored rows.
struct PngRowShape {
    uint32_t width;
    uint32_t height;
    uint32_t bitsPerPixel; // channels times bit depth, as stored
    bool interlaced;       // Adam7: seven passes of smaller rows
};

// Bytes the rows inflate to: each row one filter byte and its packed
// samples, over the seven passes of an interlaced image.
uint64_t FilteredImageBytes(const PngRowShape& shape);

// Inflates the IDAT chunks of a PNG file (whose chunks are known to fit the
// file) without keeping what they give, and stops once `needed` bytes have
// come. Empty when they came; otherwise why not, in words for a message
// ("image data ends after 1234 of 5678 bytes", or zlib's reason).
std::string ImageDataShortfall(std::span<const BYTE> file, uint64_t needed);

} // namespace r3az8tex
