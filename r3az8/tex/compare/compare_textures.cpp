#include "r3az8/tex/compare/compare_textures.h"

#include "r3az8/tex/convert/convert_pipeline.h"
#include "r3az8/tex/convert/library_operations.h"
#include "r3az8/tex/texture/texture_error.h"

#include <algorithm>

namespace r3az8tex {

Comparison CompareTextures(const TextureImage& first, const TextureImage& second, const CompareOptions& options)
{
    if (first.kind != second.kind || first.width != second.width || first.height != second.height ||
        first.depth != second.depth)
        throw TextureError(ErrorKind::Unsupported, "cannot compare textures of different kinds or sizes");
    const uint32_t levels = std::min(first.levels, second.levels);
    Comparison comparison;
    comparison.decoded = {ConvertLevels(first, FMT_A16R16G16B16, levels, LoadOptions{}),
                          ConvertLevels(second, FMT_A16R16G16B16, levels, LoadOptions{})};
    const bool weighted = options.weightByAlpha && !options.normalMap &&
                          (AnyTransparent(comparison.decoded[0]) || AnyTransparent(comparison.decoded[1]));
    comparison.weighting = weighted ? AlphaWeighting::On : AlphaWeighting::Off;
    DifferenceSettings settings;
    settings.weighting = comparison.weighting;
    if (options.normalMap)
        settings.normals = std::array<MissingZ, 2>{MissingZOf(first.format), MissingZOf(second.format)};
    comparison.levels = MeasureDifference(comparison.decoded[0], comparison.decoded[1], settings);
    return comparison;
}

} // namespace r3az8tex
