// EncodeRowsFromMemory: a band of rows loaded one row of blocks at a time,
// quantised to 16 bits per channel as a load into an A16R16G16B16 surface
// would, and encoded at once. Two buffers of one row of blocks each (and
// the encoder's own) are the whole of its memory.
#include "r3az8/tex/load/encode_rows.h"

#include "r3az8/tex/codecs/block_formats.h"
#include "r3az8/tex/load/lock_area.h"
#include "r3az8/tex/load/memory_source.h"
#include "r3az8/tex/load/request_rules.h"
#include "r3az8/tex/working_memory.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr UINT kBlockRows = 4;
constexpr UINT kWideBytes = 8;   // one A16R16G16B16 pixel
constexpr UINT kFloatBytes = 16; // one A32B32G32R32F pixel
constexpr float kStep16 = 1.0f / 65535.0f;
constexpr UINT kPieceColumns = 64; // blocks handed to the encoder at once

// One row of A16R16G16B16 pixels (blue, green, red, alpha) as colours, the
// alpha cut first where the encoding asks for it.
void WideRowToColours(const BYTE* row, UINT width, const RowEncoding& encoding, FloatColor* colours)
{
    for (UINT x = 0; x < width; ++x) {
        uint16_t samples[4];
        std::memcpy(samples, row + std::size_t{x} * kWideBytes, sizeof samples);
        if (encoding.CutAlpha) {
            // Compared on the 0..255 scale the caller gives the threshold in.
            const UINT eightBit = (UINT(samples[3]) * 255 + 32767) / 65535;
            samples[3] = eightBit < encoding.AlphaThreshold ? 0 : 0xFFFF;
        }
        colours[x] = {samples[2] * kStep16, samples[1] * kStep16, samples[0] * kStep16, samples[3] * kStep16};
    }
}

// One row of A32B32G32R32F pixels (red, green, blue, alpha) as colours:
// the rows of encoders that take any value (BC6H).
void FloatRowToColours(const BYTE* row, UINT width, FloatColor* colours)
{
    std::memcpy(colours, row, std::size_t{width} * kFloatBytes);
}

// Turns the band's rows into colours a row of blocks at a time and hands
// each row of blocks to the encoder: fillRow(row, colours) fills `colours`
// with row `row` of the band, or fails and ends the work.
class BlockRowEncoder {
public:
    BlockRowEncoder(BYTE* blocks, D3DFORMAT format, UINT pitch, UINT width, UINT height, const QualityOptions& options)
        : blocks_(blocks), format_(format), pitch_(pitch), width_(width), height_(height), options_(options),
          colours_(AllocateWorkingArray<FloatColor>(std::size_t{width} * kBlockRows, Contents::Uninitialised))
    {
    }

    bool HasMemory() const { return colours_ != nullptr; }

    template <class FillRow>
    HRESULT Run(FillRow fillRow)
    {
        for (UINT top = 0; top < height_; top += kBlockRows) {
            const UINT rows = std::min(kBlockRows, height_ - top);
            for (UINT row = 0; row < rows; ++row) {
                const HRESULT filled = fillRow(top + row, colours_.get() + std::size_t{row} * width_);
                if (FAILED(filled))
                    return filled;
            }
            const HRESULT hr = EncodeBlockRow(blocks_ + std::size_t{top / kBlockRows} * pitch_, rows);
            if (FAILED(hr))
                return hr;
        }
        return S_OK;
    }

private:
    // A row of blocks in pieces of kPieceColumns blocks: each block is
    // encoded on its own, so a piece gives the bytes it would give within
    // the whole image (only a piece at the right or bottom edge has partial
    // blocks, as the whole row's would be), and the encoder's buffers stay
    // small enough to be reused rather than mapped and unmapped each time.
    HRESULT EncodeBlockRow(BYTE* blocks, UINT rows)
    {
        const UINT blockBytes = QualityBlockBytes(format_);
        for (UINT left = 0; left < width_; left += kPieceColumns * kBlockRows) {
            const UINT width = std::min(kPieceColumns * kBlockRows, width_ - left);
            const HRESULT hr = EncodeQualityImage(format_, blocks + std::size_t{left / kBlockRows} * blockBytes, pitch_,
                                                  colours_.get() + left, width_, width, rows, options_);
            if (FAILED(hr))
                return hr;
        }
        return S_OK;
    }

    BYTE* blocks_;
    D3DFORMAT format_;
    UINT pitch_, width_, height_;
    const QualityOptions& options_;
    WorkingArray<FloatColor> colours_;
};

} // namespace

HRESULT EncodeRowsFromMemory(BYTE* pBlocks, D3DFORMAT BlockFormat, UINT BlockPitch, const void* pSrcMemory,
                             D3DFORMAT SrcFormat, UINT SrcPitch, const PALETTEENTRY* pSrcPalette, UINT Width,
                             UINT Height, DWORD Filter, D3DCOLOR ColorKey, const RowEncoding& Encoding)
{
    const HRESULT refused = FirstBrokenRule({
        {pBlocks == nullptr, "pBlocks pointer is invalid", D3DERR_INVALIDCALL},
        {pSrcMemory == nullptr, "pSrcMemory pointer is invalid", D3DERR_INVALIDCALL},
        {Width == 0 || Height == 0, "Invalid band of rows", D3DERR_INVALIDCALL},
        {Filter != IMAGE_FILTER_DEFAULT && !IsValidFilter(Filter), "Invalid image filter", D3DERR_INVALIDCALL},
        {!IsQualityBlockFormat(BlockFormat), "Unsupported image format", E_FAIL},
    });
    if (FAILED(refused))
        return refused;
    BlockRowEncoder encoder(pBlocks, BlockFormat, BlockPitch, Width, Height, Encoding.quality);
    if (!encoder.HasMemory())
        return E_OUTOFMEMORY;

    const BYTE* source = static_cast<const BYTE*>(pSrcMemory);
    // Encoders that take values beyond 0..1 see the rows in floats, the
    // others in 16 bits.
    const D3DFORMAT inputFormat = EncoderInputFormat(BlockFormat);
    const bool floats = inputFormat == FMT_A32B32G32R32F;
    auto toColours = [&](const BYTE* row, FloatColor* colours) {
        if (floats)
            FloatRowToColours(row, Width, colours);
        else
            WideRowToColours(row, Width, Encoding, colours);
    };
    // Rows already in the encoder's form without a colour key are what the
    // load would copy byte for byte: they are read where they lie.
    if (SrcFormat == inputFormat && ColorKey == 0)
        return encoder.Run([&](UINT row, FloatColor* colours) {
            toColours(source + std::size_t{row} * SrcPitch, colours);
            return S_OK;
        });

    // Any other source is loaded a row of blocks at a time into 16-bit rows
    // by the blit engine, as the load into a surface would be: a row of
    // blocks starts on a multiple of 4, so it keeps the dither pattern's
    // rows, and a block source is cut on its block rows.
    const UINT widePitch = Width * (floats ? kFloatBytes : kWideBytes);
    WorkingArray<BYTE> wide = AllocateWorkingArray<BYTE>(std::size_t{widePitch} * kBlockRows, Contents::Uninitialised);
    if (!wide)
        return E_OUTOFMEMORY;
    const UINT rowsPerStoredRow = StorageUnitOf(SrcFormat).height;
    return encoder.Run([&](UINT row, FloatColor* colours) {
        const UINT inStrip = row % kBlockRows;
        if (inStrip == 0) {
            const D3DBOX strip = {0, 0, Width, std::min(kBlockRows, Height - row), 0, 1};
            ImageDesc to = {wide.get(), inputFormat, widePitch, 0, strip, strip, 0, 0, nullptr};
            const HRESULT loaded = BlitFromMemory(to, source + std::size_t{row / rowsPerStoredRow} * SrcPitch,
                                                  SrcFormat, SrcPitch, 0, strip, pSrcPalette, Filter, ColorKey);
            if (FAILED(loaded))
                return loaded;
        }
        toColours(wide.get() + std::size_t{inStrip} * widePitch, colours);
        return S_OK;
    });
}
