// D3DFMT_UYVY and D3DFMT_YUY2: two horizontally neighbouring pixels share
// one chroma pair, so rows are decoded and encoded a whole pair-aligned row
// at a time through a one-row cache.
#pragma once

#include "r3az8/tex/pixel_codec.h"

class YuvCodec : public PixelCodec {
public:
    explicit YuvCodec(const ImageDesc& desc);
    ~YuvCodec() override;

    void ReadRow(UINT uRow, UINT uSlice, FloatColor* pColors) override;
    // The row reaches the image when another row is loaded or the codec is
    // destroyed; the partners of half-covered pairs are read first.
    void WriteRow(UINT uRow, UINT uSlice, const FloatColor* pColors) override;
    // Keys compare against decoded colours unsnapped.
    void SnapColorKey() override;

    enum class RowContents { Decode, Overwrite };
    // Makes (row, slice), absolute image coordinates, the cached row,
    // storing the previous one first when it holds unwritten pixels.
    HRESULT LoadRow(UINT row, UINT slice, RowContents contents);
    // Encodes the cache into its row when it holds unwritten pixels.
    HRESULT FlushRow();

    UINT AlignedLeft;  // Left rounded down to even
    UINT AlignedRight; // Right rounded up to even
    FloatColor* pRowCache;
    bool RowCached;
    UINT CachedRow;
    UINT CachedSlice;
    bool Dirty;
    bool CacheValid;
    UINT LumaShift;
    UINT ChromaShift;

private:
    BYTE* RowAddress(UINT row, UINT slice) const;
};
