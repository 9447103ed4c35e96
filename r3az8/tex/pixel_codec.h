// Pixel codecs: one object per image region that turns rows of stored pixels
// into rows of FloatColor and back. Blit makes one for each side.
#pragma once

#include "image_desc.h"
#include "r3az8/tex/pixel_formats.h"

#include <cstddef>
#include <new>

enum ChannelRange : UINT {
    RANGE_UNSIGNED = 1,    // R, G, B, A in 0..1
    RANGE_SIGNED_RGB = 2,  // R, G, B in -1..1, A in 0..1
    RANGE_SIGNED_RGBA = 3, // all four in -1..1
};

// Dither thresholds, 4 rows of 8: entry (y % 4) * 8 + (z % 4) + (x % 4).
extern const float NoDitherThresholds[32];
extern const float OrderedDitherThresholds[32];

class PixelCodec {
public:
    PixelCodec(const ImageDesc& desc, UINT bitsPerPixel, ChannelRange range);
    virtual ~PixelCodec();

    // Decodes Width pixels of row uRow, slice uSlice (counted from the
    // region's Top and Front) into pColors, then applies the colour key.
    // A row that cannot be decoded reads as transparent black and sets
    // RowsLost.
    virtual void ReadRow(UINT uRow, UINT uSlice, FloatColor* pColors);
    // Encodes Width pixels from pColors into that row; the caller's row is
    // left unchanged (range conversion works on a copy). A row that cannot
    // be stored sets RowsLost.
    virtual void WriteRow(UINT uRow, UINT uSlice, const FloatColor* pColors);
    // Rounds ColorKeyValue to what the format can store.
    virtual void SnapColorKey();

    // Called on the destination with the source codec before any row moves.
    HRESULT PrepareConversion(const PixelCodec* pSource);
    // Converts Width pixels from ConvertFrom to Range into pConvertBuffer.
    FloatColor* ConvertRange(const FloatColor* pColors);
    // Sets to (0,0,0,0) every pixel of the row equal to ColorKeyValue.
    void ApplyColorKey(FloatColor* pColors) const;

    PixelCodec(const PixelCodec&) = delete;
    PixelCodec& operator=(const PixelCodec&) = delete;

    // Codecs live in the library's working memory, so that tests can make
    // their creation fail. The plain form throws std::bad_alloc as usual;
    // the library itself uses the nothrow form.
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* block) noexcept;
    static void operator delete(void* block, const std::nothrow_t&) noexcept;

    D3DFORMAT Format;
    ChannelRange Range;
    bool PackedPixels;
    D3DCOLOR ColorKey;
    bool Paletted;
    BYTE* pData;
    FloatColor ColorKeyValue;
    const float* pDitherTable;
    FloatColor Palette[256];
    D3DBOX Region;
    UINT ConvertFrom; // a ChannelRange, or 0 when rows arrive in Range already
    FloatColor* pConvertBuffer;
    UINT RowPitch;
    UINT SlicePitch;
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT RowBytes;
    UINT BytesPerPixel;
    // Set when a row was not read or written, which only the buffered
    // codecs (YUV pairs, DXT blocks) can suffer: their buffers are
    // allocated on first use. Rows move without results, so the blit asks
    // afterwards and fails rather than report work it did not do.
    bool RowsLost;

protected:
    // For a row that could not be decoded: hands the caller transparent
    // black rather than whatever its buffer held, and sets RowsLost.
    void LoseRow(FloatColor* pColors);
};

// A new codec for the descriptor's format (owned by the caller), or null
// when the format has no codec, the region is inverted (Right < Left,
// Bottom < Top or Back < Front) or memory runs out. A codec with a colour
// key has its key snapped already.
PixelCodec* CreatePixelCodec(const ImageDesc& desc);
