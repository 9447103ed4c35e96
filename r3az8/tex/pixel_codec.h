// Pixel codecs: one object per image region that turns rows of stored pixels
// into rows of FloatColor and back. Blit makes one for each side.
#pragma once

#include "image_desc.h"

#include <cstddef>
#include <new>

// One pixel in flight: red, green, blue, alpha. Unsigned channels lie in
// 0..1, signed ones in -1..1; the floating-point formats read whatever
// they hold, beyond those ranges too.
struct FloatColor {
    float r;
    float g;
    float b;
    float a;
};
static_assert(sizeof(FloatColor) == 16, "FloatColor is four packed floats");

enum ChannelRange : UINT {
    RANGE_UNSIGNED = 1,    // R, G, B, A in 0..1
    RANGE_SIGNED_RGB = 2,  // R, G, B in -1..1, A in 0..1
    RANGE_SIGNED_RGBA = 3, // all four in -1..1
};

// The library's own formats: MAKEFOURCC of the characters, first in the low byte.
constexpr D3DFORMAT FMT_L16 = (D3DFORMAT)MAKEFOURCC(' ', 'L', '1', '6');
constexpr D3DFORMAT FMT_A16L16 = (D3DFORMAT)MAKEFOURCC('A', 'L', '1', '6');
constexpr D3DFORMAT FMT_R16G16B16 = (D3DFORMAT)MAKEFOURCC(' ', 'R', '1', '6');
constexpr D3DFORMAT FMT_A16R16G16B16 = (D3DFORMAT)MAKEFOURCC('A', 'R', '1', '6');
static_assert(FMT_L16 == 0x36314C20u);
static_assert(FMT_A16R16G16B16 == 0x36315241u);

// Floating-point formats: half ("16F") and single ("32F") precision per
// channel, named like the 16-bit ones from the top channel down, and the
// packed R11G11B10 and shared-exponent R9G9B9E5 floats.
constexpr D3DFORMAT FMT_R16F = (D3DFORMAT)MAKEFOURCC('R', '1', '6', 'F');
constexpr D3DFORMAT FMT_G16R16F = (D3DFORMAT)MAKEFOURCC('G', '1', '6', 'F');
constexpr D3DFORMAT FMT_A16B16G16R16F = (D3DFORMAT)MAKEFOURCC('A', '1', '6', 'F');
constexpr D3DFORMAT FMT_R32F = (D3DFORMAT)MAKEFOURCC('R', '3', '2', 'F');
constexpr D3DFORMAT FMT_G32R32F = (D3DFORMAT)MAKEFOURCC('G', '3', '2', 'F');
constexpr D3DFORMAT FMT_B32G32R32F = (D3DFORMAT)MAKEFOURCC('B', '3', '2', 'F');
constexpr D3DFORMAT FMT_A32B32G32R32F = (D3DFORMAT)MAKEFOURCC('A', '3', '2', 'F');
constexpr D3DFORMAT FMT_R11G11B10F = (D3DFORMAT)MAKEFOURCC('R', '1', '1', 'F');
constexpr D3DFORMAT FMT_R9G9B9E5 = (D3DFORMAT)MAKEFOURCC('R', '9', 'E', '5');

// Integer formats beyond Direct3D 8's: two unsigned 8-bit channels, one
// signed 8- or 16-bit channel, four signed 16-bit channels.
constexpr D3DFORMAT FMT_G8R8 = (D3DFORMAT)MAKEFOURCC('G', '8', 'R', '8');
constexpr D3DFORMAT FMT_R8_SNORM = (D3DFORMAT)MAKEFOURCC(' ', 'R', '8', 'S');
constexpr D3DFORMAT FMT_R16_SNORM = (D3DFORMAT)MAKEFOURCC('R', '1', '6', 'S');
constexpr D3DFORMAT FMT_Q16W16V16U16 = (D3DFORMAT)MAKEFOURCC('Q', '1', '6', 'S');

// Pixel pairs sharing red and blue, each pixel with its own green (the
// colour twins of UYVY and YUY2), under their usual FOURCC codes.
constexpr D3DFORMAT FMT_R8G8_B8G8 = (D3DFORMAT)MAKEFOURCC('R', 'G', 'B', 'G');
constexpr D3DFORMAT FMT_G8R8_G8B8 = (D3DFORMAT)MAKEFOURCC('G', 'R', 'G', 'B');

// 4x4 blocks of 16 bytes: BC7, BC6H unsigned and signed, and "RXGB", a
// DXT5 block whose alpha holds red.
constexpr D3DFORMAT FMT_BC7 = (D3DFORMAT)MAKEFOURCC('B', 'C', '7', 'U');
constexpr D3DFORMAT FMT_BC6H_UF16 = (D3DFORMAT)MAKEFOURCC('B', 'C', '6', 'H');
constexpr D3DFORMAT FMT_BC6H_SF16 = (D3DFORMAT)MAKEFOURCC('B', 'C', '6', 'S');
constexpr D3DFORMAT FMT_RXGB = (D3DFORMAT)MAKEFOURCC('R', 'X', 'G', 'B');

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
