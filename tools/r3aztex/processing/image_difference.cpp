#include "tools/r3aztex/processing/image_difference.h"

#include "tools/r3aztex/tool_error.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace r3aztex {
namespace {

ChannelError ErrorOf(double squaredSum, uint64_t samples)
{
    const double rmse = samples == 0 ? 0.0 : std::sqrt(squaredSum / double(samples));
    const double psnr = rmse == 0.0 ? std::numeric_limits<double>::infinity() : 20.0 * std::log10(255.0 / rmse);
    return {rmse, psnr};
}

} // namespace

std::vector<LevelDifference> MeasureDifference(const TextureImage& first, const TextureImage& second)
{
    if (first.format != FMT_A16R16G16B16 || second.format != FMT_A16R16G16B16 || first.kind != second.kind ||
        first.width != second.width || first.height != second.height || first.depth != second.depth)
        throw ToolError(ExitCode::Internal, "difference of textures of unlike shape");
    std::vector<LevelDifference> result;
    const uint32_t levels = std::min(first.levels, second.levels);
    for (uint32_t face = 0; face < first.Faces(); ++face)
        for (uint32_t level = 0; level < levels; ++level) {
            const std::vector<BYTE>& a = first.Surface(face, level);
            const std::vector<BYTE>& b = second.Surface(face, level);
            // Samples are stored blue, green, red, alpha.
            constexpr size_t kStoredIndexOf[4] = {2, 1, 0, 3};
            double squared[4] = {};
            for (size_t offset = 0; offset + 8 <= a.size(); offset += 8) {
                uint16_t left[4], right[4];
                std::memcpy(left, a.data() + offset, 8);
                std::memcpy(right, b.data() + offset, 8);
                for (size_t channel = 0; channel < 4; ++channel) {
                    const size_t stored = kStoredIndexOf[channel];
                    const double delta = (double(left[stored]) - double(right[stored])) * (255.0 / 65535.0);
                    squared[channel] += delta * delta;
                }
            }
            const LevelLayout layout = first.Level(level);
            const uint64_t pixels = uint64_t(layout.width) * layout.height * layout.depth;
            LevelDifference difference{face, level, layout.width, layout.height, layout.depth, {}};
            for (size_t channel = 0; channel < 4; ++channel)
                difference.channels[channel] = ErrorOf(squared[channel], pixels);
            difference.channels[4] = ErrorOf(squared[0] + squared[1] + squared[2] + squared[3], pixels * 4);
            result.push_back(difference);
        }
    return result;
}

} // namespace r3aztex
