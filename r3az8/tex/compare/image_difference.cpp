#include "r3az8/tex/compare/image_difference.h"

#include "r3az8/tex/compare/structural_similarity.h"
#include "r3az8/tex/texture/texture_error.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace r3az8tex {
namespace {

constexpr size_t kPixelBytes = 8;

double PsnrOf(double rmse)
{
    return rmse == 0.0 ? std::numeric_limits<double>::infinity() : 20.0 * std::log10(255.0 / rmse);
}

// Mean SSIM of one channel over the slices of a level.
double ChannelSimilarity(const BYTE* a, const BYTE* b, const LevelLayout& layout, size_t channel,
                         AlphaWeighting weighting)
{
    double total = 0.0;
    for (uint32_t slice = 0; slice < layout.depth; ++slice) {
        const size_t first = size_t(slice) * layout.width * layout.height;
        auto sample = [&](const BYTE* data) {
            return [=, &layout](uint32_t x, uint32_t y) {
                return DifferenceSample(data + (first + size_t(y) * layout.width + x) * kPixelBytes, channel,
                                        weighting);
            };
        };
        total += StructuralSimilarity(layout.width, layout.height, sample(a), sample(b));
    }
    return total / layout.depth;
}

std::optional<AngularError> MeasureAngles(const BYTE* a, const BYTE* b, size_t pixels,
                                          const std::array<MissingZ, 2>& missingZ)
{
    double sum = 0.0, largest = 0.0;
    size_t counted = 0;
    for (size_t i = 0; i < pixels; ++i) {
        const StoredVector u = ReadVector(a + i * kPixelBytes, missingZ[0]);
        const StoredVector v = ReadVector(b + i * kPixelBytes, missingZ[1]);
        const double lengths = std::sqrt((u.x * u.x + u.y * u.y + u.z * u.z) * (v.x * v.x + v.y * v.y + v.z * v.z));
        // A vector shorter than 8-bit rounding can make has no direction.
        if (lengths < 1e-4)
            continue;
        const double cosine = std::clamp((u.x * v.x + u.y * v.y + u.z * v.z) / lengths, -1.0, 1.0);
        const double degrees = std::acos(cosine) * (180.0 / std::numbers::pi);
        sum += degrees;
        largest = std::max(largest, degrees);
        ++counted;
    }
    return AngularError{counted == 0 ? 0.0 : sum / double(counted), largest};
}

} // namespace

std::vector<LevelDifference> MeasureDifference(const TextureImage& first, const TextureImage& second,
                                               const DifferenceSettings& settings)
{
    if (first.format != FMT_A16R16G16B16 || second.format != FMT_A16R16G16B16 || first.kind != second.kind ||
        first.width != second.width || first.height != second.height || first.depth != second.depth)
        throw TextureError(ErrorKind::Internal, "difference of textures of unlike shape");
    std::vector<LevelDifference> result;
    const uint32_t levels = std::min(first.levels, second.levels);
    for (uint32_t face = 0; face < first.Faces(); ++face)
        for (uint32_t level = 0; level < levels; ++level) {
            const BYTE* a = first.Surface(face, level).data();
            const BYTE* b = second.Surface(face, level).data();
            const LevelLayout layout = first.Level(level);
            const size_t pixels = size_t(layout.width) * layout.height * layout.depth;
            double squared[4] = {};
            for (size_t i = 0; i < pixels; ++i)
                for (size_t channel = 0; channel < 4; ++channel) {
                    const double delta = DifferenceSample(a + i * kPixelBytes, channel, settings.weighting) -
                                         DifferenceSample(b + i * kPixelBytes, channel, settings.weighting);
                    squared[channel] += delta * delta;
                }
            LevelDifference difference{face, level, layout.width, layout.height, layout.depth, {}, std::nullopt};
            double similarity = 0.0;
            for (size_t channel = 0; channel < 4; ++channel) {
                const double rmse = std::sqrt(squared[channel] / double(pixels));
                const double ssim = ChannelSimilarity(a, b, layout, channel, settings.weighting);
                difference.channels[channel] = {rmse, PsnrOf(rmse), ssim};
                similarity += ssim / 4;
            }
            const double rmse = std::sqrt((squared[0] + squared[1] + squared[2] + squared[3]) / double(pixels * 4));
            difference.channels[4] = {rmse, PsnrOf(rmse), similarity};
            if (settings.normals)
                difference.angle = MeasureAngles(a, b, pixels, *settings.normals);
            result.push_back(difference);
        }
    return result;
}

} // namespace r3az8tex
