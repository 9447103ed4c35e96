// How large a picture of a texture is shown on a page. A page inlines
// every picture, so its size is the sum of theirs: full-size levels up to a
// limit, smaller pictures for what is larger, and thumbnails for tables.
#pragma once

#include <cstdint>

namespace r3aztex {

struct PictureSize {
    uint32_t width;
    uint32_t height;

    bool operator==(const PictureSize&) const = default;
};

// Pictures of 8-bit samples are inlined at full size up to 2048 x 2048
// pixels; float pictures, at 8 bytes a pixel before base64, up to
// 1024 x 1024.
inline constexpr uint64_t kFullPicturePixels = 2048ull * 2048;
inline constexpr uint64_t kFullFloatPicturePixels = 1024ull * 1024;
// A report compares many textures on one page: its heat maps are
// overviews of at most 256 x 256 pixels (diff --html shows them whole, up
// to the limit above), which keeps the page of a batch of two dozen
// textures of up to 1024 x 1024 pixels under 30 MB.
inline constexpr uint64_t kReportHeatMapPixels = 256ull * 256;
// The longest side of a thumbnail in a report's table.
inline constexpr uint32_t kThumbnailSide = 128;

// The size a width x height picture is shown at: itself when it has at
// most `limitPixels` pixels, otherwise halved (both sides, rounding up)
// until it does, so that each shown pixel stands for a whole square of
// the texture's and 4x4 blocks stay visible as blocks where they can.
PictureSize ShownSize(uint32_t width, uint32_t height, uint64_t limitPixels);

// The largest size with the picture's proportions whose sides are at most
// `side`, and at least 1; a picture that fits is not enlarged.
PictureSize ThumbnailSize(uint32_t width, uint32_t height, uint32_t side);

} // namespace r3aztex
