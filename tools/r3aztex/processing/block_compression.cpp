#include "tools/r3aztex/processing/block_compression.h"

#include "tools/r3aztex/tool_error.h"

#include <cstring>

namespace r3aztex {
namespace {

constexpr float kStep16 = 1.0f / 65535.0f;

// One slice of 16-bit pixels (blue, green, red, alpha) as FloatColor.
std::vector<FloatColor> ToFloat(const BYTE* pixels, size_t count)
{
    std::vector<FloatColor> colours(count);
    for (size_t i = 0; i < count; ++i) {
        uint16_t samples[4];
        std::memcpy(samples, pixels + 8 * i, sizeof samples);
        colours[i] = {samples[2] * kStep16, samples[1] * kStep16, samples[0] * kStep16, samples[3] * kStep16};
    }
    return colours;
}

} // namespace

TextureImage CompressBlocks(const TextureImage& source, D3DFORMAT format, uint32_t levels, const LoadOptions& options,
                            const QualityOptions& quality, WorkPool& pool)
{
    const TextureImage wide = ConvertLevels(source, FMT_A16R16G16B16, levels, options);
    TextureImage result = MakeTexture(format, source.kind, wide.width, wide.height, wide.depth, levels);
    struct Slice {
        uint32_t face, level, slice;
    };
    std::vector<Slice> slices;
    for (uint32_t face = 0; face < result.Faces(); ++face)
        for (uint32_t level = 0; level < levels; ++level)
            for (uint32_t z = 0; z < result.Level(level).depth; ++z)
                slices.push_back({face, level, z});
    // Each slice is independent, and the encoder holds no shared state.
    pool.ForEach(slices.size(), [&](size_t n) {
        const Slice& s = slices[n];
        const LevelLayout from = wide.Level(s.level);
        const LevelLayout to = result.Level(s.level);
        const std::vector<FloatColor> pixels = ToFloat(wide.Surface(s.face, s.level).data() + s.slice * from.slicePitch,
                                                       size_t(from.width) * from.height);
        BYTE* blocks = result.Surface(s.face, s.level).data() + s.slice * to.slicePitch;
        if (FAILED(EncodeQualityImage(format, blocks, to.rowPitch, pixels.data(), from.width, from.width,
                                      from.height, quality)))
            throw ToolError(ExitCode::Internal, "the block encoder refused " + FormatName(format));
    });
    return result;
}

} // namespace r3aztex
