#include "r3az8/tex/compare/hdr_difference.h"

#include "r3az8/tex/convert/library_operations.h"
#include "r3az8/tex/texture/texture_error.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace r3az8tex {
namespace {

// 2^-14, the smallest normal half: below it a half holds little
// precision, and log2 of 0 does not exist.
constexpr double kLogFloor = 1.0 / 16384.0;

// Pixels a task measures: sums over each run are added in run order, so
// the figures do not depend on the threads.
constexpr size_t kPixelsPerRun = 1 << 16;

struct Sums {
    double log2Squares = 0;
    double toneSquares = 0;
    uint64_t count = 0;

    void Add(const Sums& other)
    {
        log2Squares += other.log2Squares;
        toneSquares += other.toneSquares;
        count += other.count;
    }

    HdrChannelError Error() const
    {
        const double log2Mse = count ? log2Squares / double(count) : 0;
        const double toneMse = count ? toneSquares / double(count) : 0;
        return {std::sqrt(log2Mse),
                toneMse > 0 ? -10.0 * std::log10(toneMse) : std::numeric_limits<double>::infinity()};
    }
};

using ChannelSums = std::array<Sums, kHdrDifferenceChannels>;

// The sums over pixels [begin, end).
ChannelSums MeasureRun(const std::vector<BYTE>& first, const std::vector<BYTE>& second, size_t begin, size_t end)
{
    ChannelSums sums{};
    for (size_t pixel = begin; pixel < end; ++pixel) {
        // A32B32G32R32F stores red, green, blue, alpha in that order.
        float a[4], b[4];
        std::memcpy(a, first.data() + pixel * sizeof a, sizeof a);
        std::memcpy(b, second.data() + pixel * sizeof b, sizeof b);
        for (size_t channel = 0; channel < 3; ++channel) {
            const double logDelta = FlooredLog2(a[channel]) - FlooredLog2(b[channel]);
            const double toneDelta = ToneMapped(a[channel]) - ToneMapped(b[channel]);
            for (Sums* s : {&sums[channel], &sums[3]}) {
                s->log2Squares += logDelta * logDelta;
                s->toneSquares += toneDelta * toneDelta;
                ++s->count;
            }
        }
    }
    return sums;
}

HdrLevelDifference MeasureLevel(const std::vector<BYTE>& first, const std::vector<BYTE>& second, WorkPool& pool)
{
    const size_t pixels = std::min(first.size(), second.size()) / (4 * sizeof(float));
    std::vector<ChannelSums> runs((pixels + kPixelsPerRun - 1) / kPixelsPerRun);
    pool.ForEach(runs.size(), [&](size_t run) {
        runs[run] = MeasureRun(first, second, run * kPixelsPerRun, std::min(pixels, (run + 1) * kPixelsPerRun));
    });
    ChannelSums sums{};
    for (const ChannelSums& run : runs)
        for (size_t channel = 0; channel < kHdrDifferenceChannels; ++channel)
            sums[channel].Add(run[channel]);
    HdrLevelDifference result{};
    for (size_t channel = 0; channel < kHdrDifferenceChannels; ++channel)
        result.channels[channel] = sums[channel].Error();
    return result;
}

} // namespace

double ToneMapped(double value)
{
    // NaN fails the comparison and counts as 0 too.
    if (!(value > 0))
        return 0;
    if (std::isinf(value))
        return 1;
    return std::pow(value / (1 + value), 1 / 2.2);
}

double FlooredLog2(double value)
{
    if (!(value > kLogFloor))
        return -14;
    return std::log2(std::min(value, double(std::numeric_limits<float>::max())));
}

std::vector<HdrLevelDifference> CompareHdrTextures(const TextureImage& first, const TextureImage& second,
                                                   WorkPool& pool)
{
    if (first.kind != second.kind || first.width != second.width || first.height != second.height ||
        first.depth != second.depth)
        throw TextureError(ErrorKind::Unsupported, "cannot compare textures of different kinds or sizes");
    const uint32_t levels = std::min(first.levels, second.levels);
    TextureImage decoded[2];
    const TextureImage* sources[2] = {&first, &second};
    pool.ForEach(2, [&](size_t i) { decoded[i] = ConvertLevels(*sources[i], FMT_A32B32G32R32F, levels, LoadOptions{}); });
    const TextureImage& a = decoded[0];
    const TextureImage& b = decoded[1];
    std::vector<HdrLevelDifference> differences;
    for (uint32_t face = 0; face < a.Faces(); ++face)
        for (uint32_t level = 0; level < levels; ++level) {
            HdrLevelDifference d = MeasureLevel(a.Surface(face, level), b.Surface(face, level), pool);
            const LevelLayout layout = a.Level(level);
            d.face = face;
            d.level = level;
            d.width = layout.width;
            d.height = layout.height;
            d.depth = layout.depth;
            differences.push_back(d);
        }
    return differences;
}

} // namespace r3az8tex
