#include "tools/r3aztex/processing/block_compression.h"

#include "tools/r3aztex/tool_error.h"

#include <cstring>

namespace r3aztex {
namespace {

constexpr float kStep16 = 1.0f / 65535.0f;

// Rows of 16-bit pixels (blue, green, red, alpha) as FloatColor, packed.
std::vector<FloatColor> ToFloat(const BYTE* pixels, size_t pitch, uint32_t width, uint32_t height)
{
    std::vector<FloatColor> colours(size_t(width) * height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            uint16_t samples[4];
            std::memcpy(samples, pixels + y * pitch + 8 * size_t(x), sizeof samples);
            colours[size_t(y) * width + x] = {samples[2] * kStep16, samples[1] * kStep16, samples[0] * kStep16,
                                              samples[3] * kStep16};
        }
    return colours;
}

void Encode(D3DFORMAT format, BYTE* blocks, uint32_t blockPitch, const std::vector<FloatColor>& pixels,
            uint32_t width, uint32_t height, const QualityOptions& quality)
{
    if (FAILED(EncodeQualityImage(format, blocks, blockPitch, pixels.data(), width, width, height, quality)))
        throw ToolError(ExitCode::Internal, "the block encoder refused " + FormatName(format));
}

} // namespace

void CompressRows(LibrarySession& session, const PixelRows& to, const SourceRows& from, const LoadOptions& options,
                  const QualityOptions& quality)
{
    std::vector<BYTE> wide(DescribeLevel(*FindFormat(FMT_A16R16G16B16), to.width, to.height, 1).bytes);
    const PixelRows rows = WholeRows(wide.data(), FMT_A16R16G16B16, to.width, to.height);
    LoadRows(session, rows, from, options);
    Encode(to.format, to.data, static_cast<uint32_t>(to.pitch), ToFloat(rows.data, rows.pitch, to.width, to.height),
           to.width, to.height, quality);
}

void EncodeRows(LibrarySession& session, const PixelRows& to, const SourceRows& from, const LoadOptions& options,
                const std::optional<QualityOptions>& quality)
{
    if (quality)
        CompressRows(session, to, from, options, *quality);
    else
        LoadRows(session, to, from, options);
}

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
        Encode(format, result.Surface(s.face, s.level).data() + s.slice * to.slicePitch, to.rowPitch,
               ToFloat(wide.Surface(s.face, s.level).data() + s.slice * from.slicePitch, from.rowPitch, from.width,
                       from.height),
               from.width, from.height, quality);
    });
    return result;
}

} // namespace r3aztex
