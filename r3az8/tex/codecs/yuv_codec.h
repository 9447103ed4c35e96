// D3DFMT_UYVY and D3DFMT_YUY2: two horizontally neighbouring pixels share
// one chroma pair, so rows are decoded and encoded a whole pair-aligned row
// at a time through a one-row cache. FMT_R8G8_B8G8 and FMT_G8R8_G8B8 store
// their pairs the same way, green in place of luma and red and blue in
// place of the two chroma values, with no colour transform.
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
    // How a pair's three numbers become colours: BT.601 YUV, or plain RGB.
    enum class PairColours { Yuv, Rgb };
    PairColours Colours;

private:
    BYTE* RowAddress(UINT row, UINT slice) const;
    void DecodeRgbPairs(const BYTE* source);
    void EncodeRgbPairs(BYTE* target) const;
};
