// Rows of DXT images: block rows decoded once for reading, collected and
// encoded once for writing.
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/codecs/dxt_codec.h"

#include "r3az8/tex/codecs/block_formats.h"
#include "r3az8/tex/codecs/buffered_codecs.h"
#include "r3az8/tex/working_memory.h"

#include <cstring>

namespace {

// A format without a fixed encoder (BC4, BC5) is written through the
// quality encoder's Normal level, which is just as deterministic. Formats
// of one or two channels hold data, not colours: their channels count
// alike.
HRESULT EncodeThroughQualityEncoder(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, UINT count)
{
    QualityOptions options;
    const BlockFormat* row = FindBlockFormat(format);
    options.weighting = row != nullptr && row->channels < 3 ? ColorWeighting::Uniform : ColorWeighting::Perceptual;
    return EncodeQualityBlocks(format, pBlocks, pColors, nullptr, count, options);
}

// The codec's encoder of a block row; null for a format that is only read,
// whose codec loses every row written to it.
DxtCodec::BlockRowEncoder RowEncoderOf(const BlockFormat& row)
{
    if (row.fixedEncoder != nullptr)
        return row.fixedEncoder;
    return row.qualityEncoder != nullptr ? EncodeThroughQualityEncoder : nullptr;
}

// 0 for an image 1 pixel across, 1 for 2, else 3: positions in a block
// reduced by it land on pixels the image has.
UINT SizeMask(UINT size) { return size == 1 ? 0 : size == 2 ? 1 : 3; }

UINT RoundDownToBlock(UINT x) { return x & ~3u; }
// Held at the largest multiple of 4 for a bound that cannot be rounded up.
UINT RoundUpToBlock(UINT x) { return x > 0xFFFFFFFCu ? 0xFFFFFFFCu : (x + 3) & ~3u; }

// Pixel (column, row) of a block-row buffer whose first block starts at
// blockLeft.
std::size_t BufferPosition(UINT x, UINT y, UINT blockLeft)
{
    return 16 * static_cast<std::size_t>((x - blockLeft) / 4) + 4 * (y & 3) + (x & 3);
}

// The 5:6:5 steps the colour key has always been compared at.
static_assert(1.0f / 31.0f == 0.032258064f && 1.0f / 63.0f == 0.015873017f);

// trunc(x * scale + 0.5) * step, the sum rounded to single precision.
float Snap(float x, float scale, float step)
{
    float sum = x * scale + 0.5f;
    sum = sum > 0.0f ? sum : 0.0f; // NaN too
    sum = sum < scale ? sum : scale;
    return static_cast<float>(static_cast<int>(sum)) * step;
}

} // namespace

DxtCodec::DxtCodec(const ImageDesc& desc)
    : PixelCodec(desc, 0, RANGE_UNSIGNED),
      AlphaScale(255.0f),
      AlphaStep(1.0f / 255.0f),
      RedBlueScale(31.0f),
      RedBlueStep(1.0f / 31.0f),
      GreenScale(63.0f),
      GreenStep(1.0f / 63.0f),
      ImageWidth(desc.Extent.Right),
      ImageHeight(desc.Extent.Bottom),
      Replicate(false),
      ColumnMask(SizeMask(desc.Extent.Right)),
      RowMask(SizeMask(desc.Extent.Bottom)),
      BlockBytes(16),
      pDecodeBlock(DecodeBlockDXT1),
      pEncodeBlocks(EncodeBlocks),
      BlockLeft(RoundDownToBlock(desc.Region.Left)),
      BlockTop(RoundDownToBlock(desc.Region.Top)),
      BlockRight(RoundUpToBlock(desc.Region.Right)),
      BlockBottom(RoundUpToBlock(desc.Region.Bottom)),
      BlockColumns(0),
      BlockRows(0),
      Slices(desc.Region.Back - desc.Region.Front),
      pReadCache(nullptr),
      CachedBlockRow(-1),
      CachedSlice(-1),
      pWriteTable(nullptr),
      PendingBlockRows(0)
{
    Replicate = !(ColumnMask == 3 && RowMask == 3);
    if (const BlockFormat* row = FindBlockFormat(desc.Format)) {
        BlockBytes = BlockBytesOf(desc.Format);
        pDecodeBlock = row->decode;
        pEncodeBlocks = RowEncoderOf(*row);
        AlphaScale = row->key.alpha;
        AlphaStep = 1.0f / row->key.alpha;
        RedBlueScale = row->key.redBlue;
        RedBlueStep = 1.0f / row->key.redBlue;
        GreenScale = row->key.green;
        GreenStep = 1.0f / row->key.green;
    }
    BlockColumns = BlockRight > BlockLeft ? (BlockRight - BlockLeft) / 4 : 0;
    BlockRows = BlockBottom > BlockTop ? (BlockBottom - BlockTop) / 4 : 0;
}

DxtCodec::~DxtCodec()
{
    if (pWriteTable != nullptr) {
        std::size_t entries = static_cast<std::size_t>(BlockRows) * Slices;
        for (std::size_t i = 0; i < entries; ++i)
            FreeWorkingMemory(pWriteTable[i].pPixels);
        FreeWorkingMemory(pWriteTable);
    }
    FreeWorkingMemory(pReadCache);
}

BYTE* DxtCodec::BlockAddress(UINT firstRow, UINT slice, UINT column) const
{
    return pData + static_cast<std::size_t>(firstRow / 4) * RowPitch + static_cast<std::size_t>(slice) * SlicePitch +
           static_cast<std::size_t>(BlockLeft / 4 + column) * BlockBytes;
}

void DxtCodec::DecodeBlockRow(FloatColor* pPixels, UINT firstRow, UINT slice, UINT firstColumn, UINT columns) const
{
    for (UINT k = firstColumn; k < firstColumn + columns; ++k)
        pDecodeBlock(pPixels + 16 * static_cast<std::size_t>(k), BlockAddress(firstRow, slice, k));
}

void DxtCodec::ReadRow(UINT uRow, UINT uSlice, FloatColor* pColors)
{
    const UINT y = uRow + Region.Top;
    const UINT z = uSlice + Region.Front;
    if (pReadCache == nullptr) {
        pReadCache = static_cast<FloatColor*>(
            AllocateWorkingMemory(sizeof(FloatColor) * kBlockPixels * static_cast<std::size_t>(BlockColumns)));
        if (pReadCache == nullptr) {
            LoseRow(pColors);
            return;
        }
    }
    const UINT firstRow = RoundDownToBlock(y);
    if (firstRow != CachedBlockRow || z != CachedSlice) {
        CachedBlockRow = firstRow;
        CachedSlice = z;
        DecodeBlockRow(pReadCache, firstRow, z, 0, BlockColumns);
    }
    // Width, not Right - Left: a filter may have narrowed the region it
    // reads (the box filter evens an odd source), and the caller's row
    // holds only Width pixels.
    for (UINT x = 0; x < Width; ++x)
        pColors[x] = pReadCache[BufferPosition(Region.Left + x, y, BlockLeft)];

    if (ColorKey != 0) {
        // Decoded colours lie between the stored codes; compared at the
        // stored precision, a pixel of the key's colour matches.
        const FloatColor key = ColorKeyValue;
        for (UINT x = 0; x < Width; ++x) {
            FloatColor& pixel = pColors[x];
            if (Snap(pixel.r, RedBlueScale, RedBlueStep) == key.r && Snap(pixel.g, GreenScale, GreenStep) == key.g &&
                Snap(pixel.b, RedBlueScale, RedBlueStep) == key.b && Snap(pixel.a, AlphaScale, AlphaStep) == key.a)
                pixel = {0.0f, 0.0f, 0.0f, 0.0f};
        }
    }
}

UINT DxtCodec::RowsOutsideRegion(UINT firstRow) const
{
    UINT rows = 0;
    for (UINT i = 0; i < 4; ++i) {
        // With replication, row i of the block repeats image row i & RowMask.
        UINT y = firstRow + (i & RowMask);
        if (y < Region.Top || y >= Region.Bottom)
            rows |= 1u << i;
    }
    return rows;
}

void DxtCodec::WriteRow(UINT uRow, UINT uSlice, const FloatColor* pColors)
{
    // A region of no columns still spans a block column; a row of no pixels
    // must not decode and re-encode that block, which would change it.
    if (Width == 0)
        return;
    const UINT y = uRow + Region.Top;
    const UINT z = uSlice + Region.Front;
    const std::size_t entries = static_cast<std::size_t>(BlockRows) * Slices;
    if (pWriteTable == nullptr) {
        pWriteTable = static_cast<PendingBlockRow*>(AllocateWorkingMemory(sizeof(PendingBlockRow) * entries));
        if (pWriteTable == nullptr) {
            RowsLost = true;
            return;
        }
        std::memset(pWriteTable, 0, sizeof(PendingBlockRow) * entries);
    }
    const std::size_t index = static_cast<std::size_t>(uSlice) * BlockRows + (y - BlockTop) / 4;
    PendingBlockRow& entry = pWriteTable[index];
    if (entry.pPixels == nullptr) {
        entry.pPixels = static_cast<FloatColor*>(
            AllocateWorkingMemory(sizeof(FloatColor) * kBlockPixels * static_cast<std::size_t>(BlockColumns)));
        if (entry.pPixels == nullptr) {
            RowsLost = true;
            return;
        }
        entry.ReceivedRows = 0;
        ++PendingBlockRows;
    }

    const UINT firstRow = RoundDownToBlock(y);
    if (entry.ReceivedRows == 0) {
        // Pixels of the block row that this region does not write keep
        // their stored colours: they are decoded first, and rows outside
        // the region count as received so the block row is still stored.
        const UINT outside = RowsOutsideRegion(firstRow);
        entry.ReceivedRows = outside;
        if (outside != 0) {
            DecodeBlockRow(entry.pPixels, firstRow, z, 0, BlockColumns);
        } else if (ColumnMask == 3) {
            if (BlockLeft < Region.Left)
                DecodeBlockRow(entry.pPixels, firstRow, z, 0, 1);
            const bool onlyBlockDone = BlockColumns == 1 && BlockLeft < Region.Left;
            if (BlockRight > Region.Right && !onlyBlockDone)
                DecodeBlockRow(entry.pPixels, firstRow, z, BlockColumns - 1, 1);
        } else if (Region.Left > 0 || Region.Right < ColumnMask + 1) {
            // An image 1 or 2 pixels wide: one block, its columns repeated.
            DecodeBlockRow(entry.pPixels, firstRow, z, 0, BlockColumns);
        }
    }

    if (ConvertFrom != 0)
        pColors = ConvertRange(pColors);
    for (UINT x = Region.Left; x < Region.Right; ++x)
        entry.pPixels[BufferPosition(x, y, BlockLeft)] = pColors[x - Region.Left];

    const UINT row = (y - BlockTop) & 3;
    if (Replicate) {
        for (UINT i = 0; i < 4; ++i)
            if ((i & RowMask) == row)
                entry.ReceivedRows |= 1u << i;
    } else {
        entry.ReceivedRows |= 1u << row;
    }
    if (entry.ReceivedRows == 15)
        StoreBlockRow(entry, firstRow, z);
}

void DxtCodec::StoreBlockRow(PendingBlockRow& entry, UINT firstRow, UINT slice)
{
    FloatColor* pixels = entry.pPixels;
    if (Replicate) {
        // Sources (i & RowMask, j & ColumnMask) are their own sources, so
        // the copy can run in place.
        for (UINT k = 0; k < BlockColumns; ++k) {
            FloatColor* block = pixels + 16 * static_cast<std::size_t>(k);
            for (UINT i = 0; i < 4; ++i)
                for (UINT j = 0; j < 4; ++j)
                    block[4 * i + j] = block[4 * (i & RowMask) + (j & ColumnMask)];
        }
    }
    // The read-only formats have no encoder: their rows cannot be stored.
    if (pEncodeBlocks == nullptr ||
        FAILED(pEncodeBlocks(Format, BlockAddress(firstRow, slice, 0), pixels, BlockColumns)))
        RowsLost = true;

    // The next block row usually comes next: hand the buffer down rather
    // than free it and allocate another.
    PendingBlockRow* next = &entry + 1;
    const std::size_t entries = static_cast<std::size_t>(BlockRows) * Slices;
    if (next < pWriteTable + entries && next->ReceivedRows == 0 && next->pPixels == nullptr) {
        next->pPixels = pixels;
    } else {
        FreeWorkingMemory(pixels);
        --PendingBlockRows;
    }
    entry.pPixels = nullptr;
}

void DxtCodec::SnapColorKey()
{
    const BlockFormat* row = FindBlockFormat(Format);
    AlphaScale = row != nullptr ? row->key.alpha : 255.0f;
    AlphaStep = 1.0f / AlphaScale;
    ColorKeyValue = {Snap(ColorKeyValue.r, RedBlueScale, RedBlueStep), Snap(ColorKeyValue.g, GreenScale, GreenStep),
                     Snap(ColorKeyValue.b, RedBlueScale, RedBlueStep), Snap(ColorKeyValue.a, AlphaScale, AlphaStep)};
}

PixelCodec* CreateDxtCodec(const ImageDesc& desc)
{
    if (FindBlockFormat(desc.Format) == nullptr)
        return nullptr;
    return new (std::nothrow) DxtCodec(desc);
}
