// The values a texture of floats holds: its least and largest finite value
// and how many are NaN or infinite, for showing HDR files to a person.
#pragma once

#include "r3az8/tex/texture/texture_image.h"

#include <cstdint>
#include <optional>
#include <span>

namespace r3az8tex {

struct ValueRange {
    // Over the channels the format stores, every face, level and slice;
    // none when no value is finite.
    std::optional<double> least, largest;
    uint64_t notANumber = 0;
    uint64_t infinite = 0;
};

// Plain half and float channels are read as stored, so NaN and infinities
// are counted as the file holds them; other formats (BC6H, the packed
// floats) are decoded by the library first.
ValueRange MeasureValueRange(const TextureImage& texture);
// Over several textures (the layers of an array).
ValueRange MeasureValueRange(std::span<const TextureImage> layers);

} // namespace r3az8tex
