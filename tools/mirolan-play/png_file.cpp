#include "tools/mirolan-play/png_file.h"

#include "tools/common/atomic_file.h"

#include <png.h>

#include <cstring>
#include <vector>

bool WritePng(const std::string& path, const Picture& picture, std::string& error)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = picture.width;
    image.height = picture.height;
    image.format = PNG_FORMAT_RGBA;
    // The whole file is made in memory and then replaces the old one, so an
    // interrupted run or a full disk never leaves half a picture under the
    // final name. The effect's pictures are mostly dark and compress well:
    // a buffer of a quarter of the pixels' size is tried first, and when
    // it is too small libpng says how much it needs.
    std::vector<uint8_t> bytes(picture.rgba.size() / 4 + 4096);
    png_alloc_size_t size = bytes.size();
    bool encoded = png_image_write_to_memory(&image, bytes.data(), &size, 0, picture.rgba.data(), 0, nullptr) != 0;
    if (!encoded && size > bytes.size()) {
        bytes.resize(size);
        encoded = png_image_write_to_memory(&image, bytes.data(), &size, 0, picture.rgba.data(), 0, nullptr) != 0;
    }
    if (!encoded) {
        error = "cannot encode '" + path + "' as PNG: " + image.message;
        png_image_free(&image);
        return false;
    }
    std::string reason;
    if (!tools::WriteFileAtomically(path, std::span<const uint8_t>(bytes.data(), size), reason)) {
        error = path + ": " + reason;
        return false;
    }
    return true;
}
