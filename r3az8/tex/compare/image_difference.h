// How far apart two textures of the same shape are, both already decoded
// by the library into A16R16G16B16: per level and channel the RMSE, PSNR and
// SSIM, and for normal maps the angle between the stored vectors.
#pragma once

#include "r3az8/tex/convert/colour_space.h"
#include "r3az8/tex/texture/texture_image.h"

#include <array>
#include <cstring>
#include <optional>
#include <vector>

namespace r3az8tex {

// Red, green, blue, alpha, then all four together.
inline constexpr size_t kDifferenceChannels = 5;
inline constexpr const char* kDifferenceChannelNames[kDifferenceChannels] = {"r", "g", "b", "a", "all"};

// Colour under transparent pixels is never seen; weighting compares colour
// premultiplied by alpha (as ImageMagick's compare does), so it counts as
// much as it shows. Alpha itself is compared as stored.
enum class AlphaWeighting { Off, On };

struct DifferenceSettings {
    AlphaWeighting weighting = AlphaWeighting::Off;
    // For normal maps: how each side stores z. The angular error is
    // measured only when set.
    std::optional<std::array<MissingZ, 2>> normals;
};

struct ChannelError {
    double rmse; // root mean square error on the 0..255 scale
    double psnr; // 20 log10(255 / rmse) in dB; infinite when identical
    double ssim; // mean structural similarity over 8x8 windows, 1 when identical
};

struct AngularError {
    double meanDegrees;
    double largestDegrees;
};

struct LevelDifference {
    uint32_t face;
    uint32_t level;
    uint32_t width, height, depth;
    std::array<ChannelError, kDifferenceChannels> channels;
    std::optional<AngularError> angle;
};

// Every face and every level the two have in common. Both must be
// A16R16G16B16 with equal kind and level-0 size.
std::vector<LevelDifference> MeasureDifference(const TextureImage& first, const TextureImage& second,
                                               const DifferenceSettings& settings);

// Channel `channel` (0 red ... 3 alpha) of the A16R16G16B16 pixel at
// `pixel` on the 0..255 scale, as the measures compare it.
inline double DifferenceSample(const BYTE* pixel, size_t channel, AlphaWeighting weighting)
{
    // Samples are stored blue, green, red, alpha.
    constexpr size_t kStoredIndexOf[4] = {2, 1, 0, 3};
    uint16_t samples[4];
    std::memcpy(samples, pixel, sizeof samples);
    double value = samples[kStoredIndexOf[channel]] * (255.0 / 65535.0);
    if (weighting == AlphaWeighting::On && channel < 3)
        value *= samples[3] / 65535.0;
    return value;
}

} // namespace r3az8tex
