// Per-channel error between two textures of the same shape, both already
// decoded by the library into A16R16G16B16.
#pragma once

#include "tools/r3aztex/texture/texture_image.h"

#include <array>
#include <vector>

namespace r3aztex {

// Red, green, blue, alpha, then all four together.
inline constexpr size_t kDifferenceChannels = 5;
inline constexpr const char* kDifferenceChannelNames[kDifferenceChannels] = {"r", "g", "b", "a", "all"};

struct ChannelError {
    double rmse; // root mean square error on the 0..255 scale
    double psnr; // 20 log10(255 / rmse) in dB; infinite when identical
};

struct LevelDifference {
    uint32_t face;
    uint32_t level;
    uint32_t width, height, depth;
    std::array<ChannelError, kDifferenceChannels> channels;
};

// Every face and every level the two have in common. Both must be
// A16R16G16B16 with equal kind and level-0 size.
std::vector<LevelDifference> MeasureDifference(const TextureImage& first, const TextureImage& second);

} // namespace r3aztex
