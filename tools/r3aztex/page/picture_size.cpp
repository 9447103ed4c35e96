#include "tools/r3aztex/page/picture_size.h"

#include <algorithm>

namespace r3aztex {

PictureSize ShownSize(uint32_t width, uint32_t height, uint64_t limitPixels)
{
    PictureSize size{width, height};
    while (uint64_t(size.width) * size.height > limitPixels && (size.width > 1 || size.height > 1))
        size = {(size.width + 1) / 2, (size.height + 1) / 2};
    return size;
}

PictureSize ThumbnailSize(uint32_t width, uint32_t height, uint32_t side)
{
    if (width <= side && height <= side)
        return {width, height};
    // The longer side becomes `side`; the other keeps the proportion,
    // rounded to the nearest pixel.
    if (width >= height)
        return {side, std::max<uint32_t>(1, uint32_t((uint64_t(height) * side + width / 2) / width))};
    return {std::max<uint32_t>(1, uint32_t((uint64_t(width) * side + height / 2) / height)), side};
}

} // namespace r3aztex
