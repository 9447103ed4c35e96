// Images for the filter benchmarks: real textures decoded from PNG and
// synthetic ones, as A8R8G8B8 pixels in memory, plus the ImageDesc that
// hands such memory to Blit.
#pragma once

#include "r3az8/tex/image_desc.h"

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

struct BenchImage {
    UINT width = 0;
    UINT height = 0;
    std::vector<uint32_t> pixels; // A8R8G8B8, rows packed

    ImageDesc Describe();
};

// Where the real test images live: R3AZ_IMAGES, or the folder the build
// was configured with.
std::string ImageFolder();

// The PNG files of ImageFolder(), sorted by name; when there are none, says
// so on stderr in the program's name and gives none.
std::vector<std::filesystem::path> ImageFolderPngs(const char* program);

// Decodes an 8-bit RGBA (or RGB, grey) PNG; empty when it cannot be read.
BenchImage LoadPng(const std::string& path);

// Uniformly random bytes: the worst case for nothing in particular.
BenchImage RandomImage(UINT width, UINT height, uint32_t seed);

// The same pixels as bytes in R, G, B, A order (what stb_image_resize reads).
std::vector<uint8_t> ToRgbaBytes(const BenchImage& image);

// An ImageDesc over plain memory holding width x height A8R8G8B8 pixels.
ImageDesc DescribeMemory(void* pixels, UINT width, UINT height);
