#include "bench/support/bench_images.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

ImageDesc BenchImage::Describe() { return DescribeMemory(pixels.data(), width, height); }

ImageDesc DescribeMemory(void* pixels, UINT width, UINT height)
{
    ImageDesc desc{};
    desc.pData = pixels;
    desc.Format = D3DFMT_A8R8G8B8;
    desc.RowPitch = width * 4;
    desc.SlicePitch = 0;
    desc.Extent = {0, 0, width, height, 0, 1};
    desc.Region = desc.Extent;
    return desc;
}

std::string ImageFolder()
{
    const char* folder = std::getenv("R3AZ_IMAGES");
    return folder ? folder : R3AZ_BENCH_IMAGE_DIR;
}

std::vector<std::filesystem::path> ImageFolderPngs(const char* program)
{
    std::vector<std::filesystem::path> pngs;
    std::error_code missing;
    for (const auto& entry : std::filesystem::directory_iterator(ImageFolder(), missing))
        if (entry.path().extension() == ".png")
            pngs.push_back(entry.path());
    std::sort(pngs.begin(), pngs.end());
    if (pngs.empty())
        std::fprintf(stderr, "%s: no PNG images in %s (R3AZ_IMAGES names another folder)\n", program,
                     ImageFolder().c_str());
    return pngs;
}

BenchImage LoadPng(const std::string& path)
{
    BenchImage image;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
        return image;
    png.format = PNG_FORMAT_BGRA; // byte order of A8R8G8B8 in memory
    image.width = png.width;
    image.height = png.height;
    image.pixels.resize(size_t(png.width) * png.height);
    if (!png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr)) {
        png_image_free(&png);
        return BenchImage{};
    }
    return image;
}

BenchImage RandomImage(UINT width, UINT height, uint32_t seed)
{
    BenchImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(size_t(width) * height);
    std::mt19937 random(seed);
    for (uint32_t& pixel : image.pixels)
        pixel = random();
    return image;
}

std::vector<uint8_t> ToRgbaBytes(const BenchImage& image)
{
    std::vector<uint8_t> bytes(image.pixels.size() * 4);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        const uint32_t pixel = image.pixels[i];
        bytes[4 * i + 0] = uint8_t(pixel >> 16);
        bytes[4 * i + 1] = uint8_t(pixel >> 8);
        bytes[4 * i + 2] = uint8_t(pixel);
        bytes[4 * i + 3] = uint8_t(pixel >> 24);
    }
    return bytes;
}
