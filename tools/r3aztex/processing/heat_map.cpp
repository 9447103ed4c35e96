#include "tools/r3aztex/processing/heat_map.h"

#include <algorithm>
#include <cmath>

namespace r3aztex {

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
    const uint32_t rows = static_cast<uint32_t>(errors.size() / layout.width);
    HeatMap map{MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Flat, layout.width, rows, 1, 1), scale};
    BYTE* out = map.picture.Surface(0, 0).data();
    for (size_t i = 0; i < errors.size(); ++i) {
        // Three ramps in turn: red up, then green, then blue.
        const double t = std::min(errors[i] / scale, 1.0) * 3.0;
        auto ramp = [&](double from) { return BYTE(std::lround(std::clamp(t - from, 0.0, 1.0) * 255.0)); };
        out[4 * i + 0] = ramp(2.0); // blue
        out[4 * i + 1] = ramp(1.0); // green
        out[4 * i + 2] = ramp(0.0); // red
        out[4 * i + 3] = 0xFF;
    }
    return map;
}

} // namespace r3aztex
