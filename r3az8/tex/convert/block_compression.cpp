#include "r3az8/tex/convert/block_compression.h"

#include "r3az8/tex/codecs/block_formats.h"
#include "r3az8/tex/load/encode_rows.h"
#include "r3az8/tex/texture/texture_error.h"

#include <cstring>

namespace r3az8tex {
namespace {

// The rows read with `options` and encoded by the quality encoder straight
// into `to`, as the library reads them, a row of blocks at a time.
void EncodeWithQuality(LibrarySession& session, const PixelRows& to, const SourceRows& from,
                       const LoadOptions& options, const BlockEncoding& encoding)
{
    RowEncoding rows;
    rows.quality = *encoding.quality;
    rows.CutAlpha = encoding.alphaCut.has_value();
    rows.AlphaThreshold = encoding.alphaCut.value_or(0);
    session.Check(EncodeRowsFromMemory(to.data, to.format, static_cast<UINT>(to.pitch), from.data, from.format,
                                       static_cast<UINT>(from.pitch), from.palette, to.width, to.height,
                                       options.filter, options.colorKey, rows),
                  "EncodeRowsFromMemory");
}

// Rows of the encoder's input pixels (packed, `wide`: block_formats.h
// EncoderInputFormat) into `to` through the encoding.
void StoreWideRows(LibrarySession& session, const PixelRows& to, const PixelRows& wide, const BlockEncoding& encoding)
{
    LoadOptions exact;
    exact.filter = IMAGE_FILTER_POINT;
    if (encoding.quality) {
        EncodeWithQuality(session, to, ReadOnly(wide), exact, encoding);
        return;
    }
    if (encoding.alphaCut)
        CutAlpha({wide.data, wide.pitch * wide.height}, *encoding.alphaCut);
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
                const BlockEncoding& encoding, BufferShelf& shelf)
{
    if (!encoding.ChangesPixels()) {
        LoadRows(session, to, from, options);
        return;
    }
    if (encoding.quality && from.width == to.width && from.height == to.height) {
        EncodeWithQuality(session, to, from, options, encoding);
        return;
    }
    BufferShelf::Loan wide(shelf);
    const D3DFORMAT input = EncoderInputFormat(to.format);
    wide.Resize(DescribeLevel(*FindFormat(input), to.width, to.height, 1).bytes);
    const PixelRows rows = WholeRows(wide.Bytes().data(), input, to.width, to.height);
    LoadRows(session, rows, from, options);
    StoreWideRows(session, to, rows, encoding);
}

TextureImage EncodeSlices(const TextureImage& source, D3DFORMAT format, uint32_t levels, const LoadOptions& options,
                          const BlockEncoding& encoding, WorkPool& pool)
{
    if (!encoding.ChangesPixels())
        return ConvertLevels(source, format, levels, options);
    const D3DFORMAT input = EncoderInputFormat(format);
    TextureImage wide = ConvertLevels(source, input, levels, options, CopyBound::WorkingCopy);
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
                           from.rowPitch, input, from.width, from.height, from.height};
        PixelRows toRows{result.Surface(s.face, s.level).data() + s.slice * to.slicePitch,
                         to.rowPitch, format, to.width, to.height, to.height};
        LibrarySession session;
        StoreWideRows(session, toRows, wideRows, encoding);
    });
    return result;
}

} // namespace r3az8tex
