// How far decoded BC7 blocks lie from the image they were made from, in
// 8-bit units, pooled over every pixel of every image.
#pragma once

#include "bench/bc7_peers/bc7_dds.h"
#include "bench/support/bench_images.h"

#include <cstdint>
#include <vector>

struct Bc7Scores {
    double rgbSquares = 0;
    double rgbSamples = 0;
    double alphaSquares = 0; // images with any alpha below 255 only
    double alphaSamples = 0;
    uint64_t opaquePixels = 0; // pixels of the opaque images
    uint64_t opaqueMisses = 0; // of those, decoded with alpha not 255
    double pixels = 0;
    double seconds = 0;

    double RgbRmse() const;
    double AlphaRmse() const;
    double MegapixelsPerSecond() const;
};

bool HasAlpha(const BenchImage& image);

// The blocks decoded by our decoder, R, G, B, A bytes per pixel.
std::vector<uint8_t> DecodeBc7(const Bc7Blocks& blocks);

// Adds the decoded blocks' errors against the image (the same size).
void AddScores(const BenchImage& image, const Bc7Blocks& blocks, Bc7Scores& scores);
