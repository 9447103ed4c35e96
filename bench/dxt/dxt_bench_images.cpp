#include "bench/dxt/dxt_bench_images.h"

#include "bench/support/bench_images.h"

#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace {

bool ReadPng(const std::string& path, UINT& width, UINT& height, std::vector<uint8_t>& rgba)
{
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGBA;
    rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    width = image.width;
    height = image.height;
    return true;
}

} // namespace

std::vector<BlockImage> LoadBlockImages(AlphaSource alpha)
{
    std::vector<std::string> paths;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(ImageFolder(), error))
        if (entry.path().extension() == ".png")
            paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());

    std::vector<BlockImage> images;
    for (const std::string& path : paths) {
        BlockImage image;
        std::vector<uint8_t> rgba;
        if (!ReadPng(path, image.width, image.height, rgba) || image.width % 4 || image.height % 4)
            continue;
        image.name = std::filesystem::path(path).stem().string();
        image.blocks = image.width / 4 * (image.height / 4);
        image.rgbaBlocks.resize(std::size_t{image.blocks} * 64);
        image.floatBlocks.resize(std::size_t{image.blocks} * 16);
        std::size_t k = 0;
        for (UINT by = 0; by < image.height; by += 4)
            for (UINT bx = 0; bx < image.width; bx += 4, ++k)
                for (UINT i = 0; i < 16; ++i) {
                    const uint8_t* source = rgba.data() + 4 * ((std::size_t{by} + i / 4) * image.width + bx + i % 4);
                    uint8_t* target = image.rgbaBlocks.data() + 64 * k + 4 * i;
                    for (int c = 0; c < 4; ++c)
                        target[c] = source[c];
                    if (alpha == AlphaSource::ForcedOpaque)
                        target[3] = 255;
                    image.floatBlocks[16 * k + i] = {target[0] * 0.003921569f, target[1] * 0.003921569f,
                                                     target[2] * 0.003921569f, target[3] * 0.003921569f};
                }
        images.push_back(std::move(image));
    }
    return images;
}

void AddDecodedErrors(const BlockImage& image, const std::vector<FloatColor>& decoded, ErrorSums& sums)
{
    for (std::size_t p = 0; p < std::size_t{image.blocks} * 16; ++p) {
        const uint8_t* original = image.rgbaBlocks.data() + 4 * p;
        const FloatColor& c = decoded[p];
        const double d[4] = {c.r * 255.0 - original[0], c.g * 255.0 - original[1], c.b * 255.0 - original[2],
                             c.a * 255.0 - original[3]};
        sums.colour += d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
        sums.alpha += d[3] * d[3];
        sums.pixels += 1;
    }
}
