// The benchmark's images cut into 4x4 blocks, in the two forms the
// encoders take: 64 RGBA bytes per block (libsquish, stb_dxt) and 16
// FloatColor per block (ours, the layout of the DXT codec's block rows).
#pragma once

#include "r3az8/tex/pixel_codec.h"

#include <cstdint>
#include <string>
#include <vector>

enum class AlphaSource { AsStored, ForcedOpaque };

struct BlockImage {
    std::string name;
    UINT width = 0;
    UINT height = 0;
    UINT blocks = 0;
    std::vector<uint8_t> rgbaBlocks;    // block k at 64 k: 16 pixels R, G, B, A
    std::vector<FloatColor> floatBlocks; // block k at 16 k
};

// Every PNG of the image folder (R3AZ_IMAGES, else the configured folder),
// width and height multiples of 4; empty when none can be read.
std::vector<BlockImage> LoadBlockImages(AlphaSource alpha);

// Squared errors of decoded blocks against the originals, in 8-bit units,
// summed over the colour channels and over alpha.
struct ErrorSums {
    double colour = 0;
    double alpha = 0;
    double pixels = 0;
};
void AddDecodedErrors(const BlockImage& image, const std::vector<FloatColor>& decoded, ErrorSums& sums);
