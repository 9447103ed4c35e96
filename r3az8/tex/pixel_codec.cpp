// The codec base: construction from an image description, the dither
// thresholds, range conversion and the colour key.
#include "r3az8/tex/pixel_codec.h"

#include "r3az8/tex/range_conversion.h"
#include "r3az8/tex/working_memory.h"

#include <algorithm>
#include <cstring>

namespace {

// Ordered dithering uses the 4x4 matrix below, read as thresholds
// (M + 0.5) / 16 so that a constant input between two codes is spread over
// the block in proportion to its distance from each. Each table row holds a
// matrix row twice, so that (z % 4) + (x % 4) never runs past it: stepping z
// shifts the pattern by one column per slice.
constexpr int kDitherMatrix[4][4] = {{15, 7, 13, 5}, {3, 11, 1, 9}, {12, 4, 14, 6}, {0, 8, 2, 10}};

constexpr float OrderedThreshold(int entry)
{
    return (static_cast<float>(kDitherMatrix[entry / 8][entry % 4]) + 0.5f) / 16.0f;
}

// A colour key component: the 8-bit value scaled by the same constant the
// 8-bit decoders use.
constexpr float kByteToUnit = 0.003921569f;

} // namespace

const float NoDitherThresholds[32] = {
    0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f,
    0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f,
};

#define R3AZ_THRESHOLD_ROW(row)                                                                           \
    OrderedThreshold(row * 8 + 0), OrderedThreshold(row * 8 + 1), OrderedThreshold(row * 8 + 2),          \
        OrderedThreshold(row * 8 + 3), OrderedThreshold(row * 8 + 4), OrderedThreshold(row * 8 + 5),       \
        OrderedThreshold(row * 8 + 6), OrderedThreshold(row * 8 + 7)
const float OrderedDitherThresholds[32] = {
    R3AZ_THRESHOLD_ROW(0),
    R3AZ_THRESHOLD_ROW(1),
    R3AZ_THRESHOLD_ROW(2),
    R3AZ_THRESHOLD_ROW(3),
};
#undef R3AZ_THRESHOLD_ROW

static_assert(OrderedThreshold(0) == 0.96875f && OrderedThreshold(3) == 0.34375f);
static_assert(OrderedThreshold(24) == 0.03125f && OrderedThreshold(31) == 0.65625f);

PixelCodec::PixelCodec(const ImageDesc& desc, UINT bitsPerPixel, ChannelRange range)
    : Format(desc.Format),
      Range(range),
      PackedPixels(bitsPerPixel != 0),
      ColorKey(desc.ColorKey),
      Paletted(desc.Format == D3DFMT_P8 || desc.Format == D3DFMT_A8P8),
      pData(static_cast<BYTE*>(desc.pData)),
      ColorKeyValue{0.0f, 0.0f, 0.0f, 0.0f},
      pDitherTable(desc.Dither != 0 ? OrderedDitherThresholds : NoDitherThresholds),
      Palette{},
      Region(desc.Region),
      ConvertFrom(0),
      pConvertBuffer(nullptr),
      RowPitch(desc.RowPitch),
      SlicePitch(desc.SlicePitch),
      Width(desc.Region.Right - desc.Region.Left),
      Height(desc.Region.Bottom - desc.Region.Top),
      Depth(desc.Region.Back - desc.Region.Front),
      RowBytes(0),
      BytesPerPixel(bitsPerPixel / 8),
      RowsLost(false)
{
    if (ColorKey != 0) {
        ColorKeyValue = {static_cast<float>((ColorKey >> 16) & 255) * kByteToUnit,
                         static_cast<float>((ColorKey >> 8) & 255) * kByteToUnit,
                         static_cast<float>(ColorKey & 255) * kByteToUnit,
                         static_cast<float>(ColorKey >> 24) * kByteToUnit};
    }

    if (Paletted) {
        for (int entry = 0; entry < 256; ++entry) {
            if (desc.pPalette != nullptr) {
                const PALETTEENTRY& stored = desc.pPalette[entry];
                Palette[entry] = {static_cast<float>(stored.peRed) * kByteToUnit,
                                  static_cast<float>(stored.peGreen) * kByteToUnit,
                                  static_cast<float>(stored.peBlue) * kByteToUnit,
                                  static_cast<float>(stored.peFlags) * kByteToUnit};
            } else {
                // Without a palette every index reads as opaque white.
                Palette[entry] = {1.0f, 1.0f, 1.0f, 1.0f};
            }
        }
    }

    RowBytes = BytesPerPixel * Width;

    if (PackedPixels) {
        // From here on row r, slice s of the region starts at
        // pData + r * RowPitch + s * SlicePitch. The offsets are formed in
        // the pointer's width: a large volume's Front * SlicePitch can pass
        // 32 bits.
        pData += static_cast<std::size_t>(BytesPerPixel) * Region.Left +
                 static_cast<std::size_t>(RowPitch) * Region.Top +
                 static_cast<std::size_t>(SlicePitch) * Region.Front;
        Region = {0, 0, Width, Height, 0, Depth};
    }
}

PixelCodec::~PixelCodec() { FreeWorkingMemory(pConvertBuffer); }

void PixelCodec::ReadRow(UINT, UINT, FloatColor*) {}

void PixelCodec::WriteRow(UINT, UINT, const FloatColor*) {}

void PixelCodec::SnapColorKey()
{
    const UINT savedWidth = Width;
    const UINT savedRowBytes = RowBytes;
    BYTE* const savedData = pData;
    const float* const savedDitherTable = pDitherTable;
    const D3DCOLOR savedColorKey = ColorKey;

    // One pixel written to and read back from scratch memory: the key then
    // equals what a stored pixel of that colour decodes to. The widest
    // packed pixel is 8 bytes.
    alignas(8) BYTE scratch[16] = {};
    Width = 1;
    RowBytes = BytesPerPixel;
    pData = scratch;
    pDitherTable = NoDitherThresholds;
    ColorKey = 0;

    if (Range != RANGE_UNSIGNED)
        ColorKeyValue = ConvertPixelRange(ColorKeyValue, RANGE_UNSIGNED, Range);
    const FloatColor key = ColorKeyValue;
    WriteRow(0, 0, &key);
    ReadRow(0, 0, &ColorKeyValue);

    Width = savedWidth;
    RowBytes = savedRowBytes;
    pData = savedData;
    pDitherTable = savedDitherTable;
    ColorKey = savedColorKey;
}

HRESULT PixelCodec::PrepareConversion(const PixelCodec* pSource)
{
    if (pSource->Range == Range)
        return S_OK;
    pConvertBuffer = static_cast<FloatColor*>(AllocateWorkingMemory(sizeof(FloatColor) * std::size_t{Width}));
    if (pConvertBuffer == nullptr)
        return E_OUTOFMEMORY;
    ConvertFrom = pSource->Range;
    return S_OK;
}

FloatColor* PixelCodec::ConvertRange(const FloatColor* pColors)
{
    ConvertRowRange(pColors, pConvertBuffer, Width, static_cast<ChannelRange>(ConvertFrom), Range);
    return pConvertBuffer;
}

void PixelCodec::LoseRow(FloatColor* pColors)
{
    std::fill_n(pColors, Width, FloatColor{0.0f, 0.0f, 0.0f, 0.0f});
    RowsLost = true;
}

void PixelCodec::ApplyColorKey(FloatColor* pColors) const
{
    const FloatColor key = ColorKeyValue;
    for (UINT x = 0; x < Width; ++x) {
        FloatColor& pixel = pColors[x];
        // Exact float equality: the key was snapped through this codec, so
        // a pixel of the key's colour decodes to exactly these values.
        if (pixel.r == key.r && pixel.g == key.g && pixel.b == key.b && pixel.a == key.a)
            pixel = {0.0f, 0.0f, 0.0f, 0.0f};
    }
}

void* PixelCodec::operator new(std::size_t size)
{
    if (void* block = AllocateWorkingMemory(size))
        return block;
    throw std::bad_alloc();
}

void* PixelCodec::operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return AllocateWorkingMemory(size);
}

void PixelCodec::operator delete(void* block) noexcept { FreeWorkingMemory(block); }

void PixelCodec::operator delete(void* block, const std::nothrow_t&) noexcept { FreeWorkingMemory(block); }
