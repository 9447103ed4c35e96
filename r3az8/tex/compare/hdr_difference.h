// How far apart two textures of float values are, measured as HDR work
// measures it: nothing is clamped, and errors count in spaces where a step
// in bright light weighs like a step in the shadows.
//
//   log2 RMSE         the RMSE of log2 of each channel, values floored at
//                     2^-14 (the smallest normal half) so that black and
//                     negative values have a logarithm
//   tone-mapped PSNR  the PSNR, peak 1, after x -> (x / (1 + x))^(1/2.2)
//                     (Reinhard's operator, then a display gamma); values
//                     below 0 count as 0
//
// Both pool the red, green and blue samples; alpha is left out.
#pragma once

#include "r3az8/tex/convert/work_pool.h"
#include "r3az8/tex/texture/texture_image.h"

#include <array>
#include <vector>

namespace r3az8tex {

// Red, green, blue, then the three together.
inline constexpr size_t kHdrDifferenceChannels = 4;
inline constexpr const char* kHdrDifferenceChannelNames[kHdrDifferenceChannels] = {"r", "g", "b", "all"};

struct HdrChannelError {
    double log2Rmse;
    double toneMappedPsnr; // dB; infinite when identical
};

struct HdrLevelDifference {
    uint32_t face;
    uint32_t level;
    uint32_t width, height, depth;
    std::array<HdrChannelError, kHdrDifferenceChannels> channels;
};

// The tone curve above, for one value.
double ToneMapped(double value);
// log2 of the value floored at 2^-14.
double FlooredLog2(double value);

// Every face and every level the two have in common, both decoded by the
// library to 32-bit floats, measured on the pool's threads (the figures
// are the same for any number). Both must have one kind and one level-0
// size (TextureError, Unsupported, otherwise).
std::vector<HdrLevelDifference> CompareHdrTextures(const TextureImage& first, const TextureImage& second,
                                                   WorkPool& pool);

} // namespace r3az8tex
