#include "r3az8/tex/convert/block_compression.h"

#include "r3az8/tex/texture/texture_error.h"

#include <cstring>

namespace r3az8tex {
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
        throw TextureError(ErrorKind::Internal, "the block encoder refused " + FormatName(format));
}

// Rows of 16-bit pixels (packed, `wide`) into `to` through the encoding.
void StoreWideRows(LibrarySession& session, const PixelRows& to, const PixelRows& wide, const BlockEncoding& encoding)
{
    if (encoding.alphaCut)
        CutAlpha({wide.data, wide.pitch * wide.height}, *encoding.alphaCut);
    if (encoding.quality) {
        Encode(to.format, to.data, static_cast<uint32_t>(to.pitch), ToFloat(wide.data, wide.pitch, to.width, to.height),
               to.width, to.height, *encoding.quality);
        return;
    }
    LoadOptions exact;
    exact.filter = IMAGE_FILTER_POINT;
    LoadRows(session, to, ReadOnly(wide), exact);
}

} // namespace

void CutAlpha(std::span<BYTE> wide, uint32_t threshold)
{
    for (size_t alpha = 6; alpha + 2 <= wide.size(); alpha += 8) {
        uint16_t sample;
        std::memcpy(&sample, wide.data() + alpha, sizeof sample);
        // Compared on the 0..255 scale the user gives the threshold in.
        const uint32_t eightBit = (uint32_t(sample) * 255 + 32767) / 65535;
        sample = eightBit < threshold ? 0 : 0xFFFF;
        std::memcpy(wide.data() + alpha, &sample, sizeof sample);
    }
}

void EncodeRows(LibrarySession& session, const PixelRows& to, const SourceRows& from, const LoadOptions& options,
                const BlockEncoding& encoding)
{
    if (!encoding.ChangesPixels()) {
        LoadRows(session, to, from, options);
        return;
    }
    std::vector<BYTE> wide(DescribeLevel(*FindFormat(FMT_A16R16G16B16), to.width, to.height, 1).bytes);
    const PixelRows rows = WholeRows(wide.data(), FMT_A16R16G16B16, to.width, to.height);
    LoadRows(session, rows, from, options);
    StoreWideRows(session, to, rows, encoding);
}

TextureImage EncodeSlices(const TextureImage& source, D3DFORMAT format, uint32_t levels, const LoadOptions& options,
                          const BlockEncoding& encoding, WorkPool& pool)
{
    if (!encoding.ChangesPixels())
        return ConvertLevels(source, format, levels, options);
    TextureImage wide = ConvertLevels(source, FMT_A16R16G16B16, levels, options, CopyBound::WorkingCopy);
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
        PixelRows wideRows{wide.Surface(s.face, s.level).data() + s.slice * from.slicePitch,
                           from.rowPitch, FMT_A16R16G16B16, from.width, from.height, from.height};
        PixelRows toRows{result.Surface(s.face, s.level).data() + s.slice * to.slicePitch,
                         to.rowPitch, format, to.width, to.height, to.height};
        LibrarySession session;
        StoreWideRows(session, toRows, wideRows, encoding);
    });
    return result;
}

} // namespace r3az8tex
