// The file names the image-file fuzz target gives its input, picked by the
// input's last byte, and the seed generator's way to pick one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace fuzzing {

// Every ending the tool picks a reader by, in both letter cases where case
// matters to a naive comparison, one it has no reader for, and none. The
// float pictures' endings come last, so that the bytes naming the others
// stay what they were.
inline constexpr std::string_view kImageEndings[] = {".png", ".PNG", ".tga", ".jpg", ".jpeg",
                                                     ".dds", ".bmp", "",     ".exr", ".hdr", ".ktx2"};

// The last byte that names a file with `ending`.
constexpr uint8_t EndingByte(std::string_view ending)
{
    for (size_t i = 0; i < std::size(kImageEndings); ++i)
        if (kImageEndings[i] == ending)
            return uint8_t(i);
    return 0;
}

} // namespace fuzzing
