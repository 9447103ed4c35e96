// D3DFMT_DXT1 to D3DFMT_DXT5, BC4 and BC5, and the read-only block formats
// BC6H, BC7 and RXGB: 4x4 pixels form one compressed block, so reads decode
// a whole row of blocks once and serve its four pixel rows from a cache, and
// writes collect pixel rows per block row and encode the blocks when all
// four rows are there.
#pragma once

#include "r3az8/tex/pixel_codec.h"

#include <cstdint>

class DxtCodec : public PixelCodec {
public:
    explicit DxtCodec(const ImageDesc& desc);
    ~DxtCodec() override; // drops unfinished block rows without encoding

    void ReadRow(UINT uRow, UINT uSlice, FloatColor* pColors) override;
    void WriteRow(UINT uRow, UINT uSlice, const FloatColor* pColors) override;
    // Rounds the key to 5:6:5 and the format's alpha precision, the way
    // ReadRow compares pixels.
    void SnapColorKey() override;

    using BlockDecoder = HRESULT (*)(FloatColor* pColors, const BYTE* pBlock);
    using BlockRowEncoder = HRESULT (*)(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, UINT count);

    // One block row (and slice) being written: the pixel rows received, as
    // bits 0..3, and its pixels (block k at 16k), null when none.
    struct PendingBlockRow {
        UINT ReceivedRows;
        FloatColor* pPixels;
    };

    float AlphaScale;   // 15 for DXT2/DXT3, else 255
    float AlphaStep;    // 1 / AlphaScale
    float RedBlueScale; // a colour key's precision: 31 and 63 (5:6:5) for
    float RedBlueStep;  // DXT, 255 for the other formats; the steps are
    float GreenScale;   // the reciprocals
    float GreenStep;
    UINT ImageWidth;    // the stored image's size (Extent's Right, Bottom)
    UINT ImageHeight;
    bool Replicate;     // the image is 1 or 2 pixels wide or high
    UINT ColumnMask;    // 0, 1 or 3 for an image 1, 2 or more pixels wide
    UINT RowMask;       // the same for its height
    UINT BlockBytes;    // 8 for DXT1 and BC4, else 16
    BlockDecoder pDecodeBlock;
    BlockRowEncoder pEncodeBlocks;
    UINT BlockLeft;     // the region widened to whole blocks
    UINT BlockTop;
    UINT BlockRight;
    UINT BlockBottom;
    UINT BlockColumns;
    UINT BlockRows;
    UINT Slices;
    FloatColor* pReadCache;
    std::int64_t CachedBlockRow; // first pixel row of the cached block row, -1 for none
    std::int64_t CachedSlice;
    PendingBlockRow* pWriteTable; // BlockRows x Slices entries, slice-major
    UINT PendingBlockRows;        // buffers held in the table

private:
    BYTE* BlockAddress(UINT firstRow, UINT slice, UINT column) const;
    void DecodeBlockRow(FloatColor* pPixels, UINT firstRow, UINT slice, UINT firstColumn, UINT columns) const;
    // Rows of the block row that the region does not cover, as received
    // bits: they count as present, their pixels decoded from the image.
    UINT RowsOutsideRegion(UINT firstRow) const;
    void StoreBlockRow(PendingBlockRow& entry, UINT firstRow, UINT slice);
};
