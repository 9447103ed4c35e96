#include "r3az8/tex/compare/heat_map.h"

#include "r3az8/tex/texture/texture_error.h"

#include <algorithm>
#include <cmath>

namespace r3az8tex {

std::optional<HeatMapGrid> PlanHeatMap(uint32_t width, uint32_t height, uint32_t tiles)
{
    // Stacked top to bottom while that fits; otherwise in columns of as many
    // as fit, left to right.
    const uint32_t perColumn = std::min<uint32_t>(tiles, kMaxSide / height);
    if (perColumn == 0)
        return std::nullopt;
    const uint64_t columns = (uint64_t(tiles) + perColumn - 1) / perColumn;
    if (columns * width > kMaxSide)
        return std::nullopt;
    return HeatMapGrid{static_cast<uint32_t>(columns), perColumn, static_cast<uint32_t>(columns) * width,
                       perColumn * height};
}

HeatMap MakeHeatMap(const TextureImage& first, const TextureImage& second, AlphaWeighting weighting)
{
    const LevelLayout layout = first.Level(0);
    const size_t pixelsPerFace = size_t(layout.width) * layout.height * layout.depth;
    std::vector<double> errors;
    errors.reserve(pixelsPerFace * first.Faces());
    for (uint32_t face = 0; face < first.Faces(); ++face) {
        const BYTE* a = first.Surface(face, 0).data();
        const BYTE* b = second.Surface(face, 0).data();
        for (size_t i = 0; i < pixelsPerFace; ++i) {
            double squared = 0.0;
            for (size_t channel = 0; channel < 4; ++channel) {
                const double delta =
                    DifferenceSample(a + 8 * i, channel, weighting) - DifferenceSample(b + 8 * i, channel, weighting);
                squared += delta * delta;
            }
            errors.push_back(std::sqrt(squared / 4));
        }
    }
    // White at the error only the worst hundredth of pixels reach, so that
    // a few outliers (edges, cut-outs) do not leave the rest black; and at
    // least 1, so that near-identical textures stay dark.
    std::vector<double> sorted = errors;
    const size_t rank = sorted.size() - sorted.size() / 100 - 1;
    std::nth_element(sorted.begin(), sorted.begin() + rank, sorted.end());
    const double scale = std::max(sorted[rank], 1.0);
    const uint32_t tiles = static_cast<uint32_t>(errors.size() / (size_t(layout.width) * layout.height));
    const std::optional<HeatMapGrid> grid = PlanHeatMap(layout.width, layout.height, tiles);
    if (!grid)
        throw TextureError(ErrorKind::Unsupported, "--diff-image: " + std::to_string(tiles) + " pictures of " +
                                                   SizeText(layout.width, layout.height, 1) +
                                                   " do not fit in one heat map");
    HeatMap map{MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Flat, grid->width, grid->height, 1, 1), scale};
    const size_t tilePixels = size_t(layout.width) * layout.height;
    for (size_t i = 0; i < errors.size(); ++i) {
        const size_t tile = i / tilePixels, within = i % tilePixels;
        const size_t x = tile / grid->perColumn * layout.width + within % layout.width;
        const size_t y = tile % grid->perColumn * layout.height + within / layout.width;
        BYTE* const out = map.picture.Surface(0, 0).data() + 4 * (y * grid->width + x);
        // Three ramps in turn: red up, then green, then blue.
        const double t = std::min(errors[i] / scale, 1.0) * 3.0;
        auto ramp = [&](double from) { return BYTE(std::lround(std::clamp(t - from, 0.0, 1.0) * 255.0)); };
        out[0] = ramp(2.0); // blue
        out[1] = ramp(1.0); // green
        out[2] = ramp(0.0); // red
        out[3] = 0xFF;
    }
    return map;
}

} // namespace r3az8tex
