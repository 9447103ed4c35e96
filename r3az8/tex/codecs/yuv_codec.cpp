// UYVY and YUY2 pixel pairs (ITU-R BT.601 studio range: Y 16..235,
// chroma 16..240 around 128), and the RGB pairs that share their layout.
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/codecs/yuv_codec.h"

#include "r3az8/tex/codecs/buffered_codecs.h"
#include "r3az8/tex/codecs/packed_layout.h"
#include "r3az8/tex/working_memory.h"

#include <cmath>
#include <cstring>

namespace {

float Clamp01(float x)
{
    x = x > 0.0f ? x : 0.0f;
    return x < 1.0f ? x : 1.0f;
}

// 16 + sum, rounded half up and held to a byte. The sums are formed in
// double: in single precision white's luma sum is exactly 219 and the
// rounding would give 236 instead of 235.
DWORD ToByte(double offset, double sum)
{
    double value = offset + std::floor(sum + 0.5);
    value = value > 0.0 ? value : 0.0; // NaN too
    value = value < 255.0 ? value : 255.0;
    return static_cast<DWORD>(value);
}

// The RGB pairs' 8-bit channels are read and written like those of the
// packed formats.
DWORD ToUnitByte(float x) { return packed::QuantiseField<packed::Sign::Unsigned, 8>(x, 0.5f); }
constexpr float kByteToUnit = packed::DecodeFactor(packed::Sign::Unsigned, 8);

WORD LoadWord(const BYTE* p) { return static_cast<WORD>(p[0] | p[1] << 8); }

void StoreWord(BYTE* p, DWORD value)
{
    p[0] = static_cast<BYTE>(value);
    p[1] = static_cast<BYTE>(value >> 8);
}

} // namespace

YuvCodec::YuvCodec(const ImageDesc& desc)
    : PixelCodec(desc, 0, RANGE_UNSIGNED),
      AlignedLeft(desc.Region.Left & ~1u),
      AlignedRight(desc.Region.Right + (desc.Region.Right & 1u)),
      pRowCache(nullptr),
      RowCached(false),
      CachedRow(0),
      CachedSlice(0),
      Dirty(false),
      CacheValid(false),
      LumaShift(desc.Format == D3DFMT_UYVY || desc.Format == FMT_R8G8_B8G8 ? 8 : 0),
      ChromaShift(desc.Format == D3DFMT_UYVY || desc.Format == FMT_R8G8_B8G8 ? 0 : 8),
      Colours(desc.Format == FMT_R8G8_B8G8 || desc.Format == FMT_G8R8_G8B8 ? PairColours::Rgb : PairColours::Yuv)
{
    // A Right of 0xFFFFFFFF has no even bound above it; such a region
    // cannot be stored; every row of it is then lost.
    if (AlignedRight >= AlignedLeft) {
        pRowCache = static_cast<FloatColor*>(
            AllocateWorkingMemory(sizeof(FloatColor) * static_cast<std::size_t>(AlignedRight - AlignedLeft)));
    }
    CacheValid = pRowCache != nullptr;
}

YuvCodec::~YuvCodec()
{
    FlushRow();
    FreeWorkingMemory(pRowCache);
}

BYTE* YuvCodec::RowAddress(UINT row, UINT slice) const
{
    return pData + static_cast<std::size_t>(row) * RowPitch + static_cast<std::size_t>(slice) * SlicePitch +
           2 * static_cast<std::size_t>(AlignedLeft);
}

HRESULT YuvCodec::LoadRow(UINT row, UINT slice, RowContents contents)
{
    if (!CacheValid)
        return E_OUTOFMEMORY;
    if (RowCached && row == CachedRow && slice == CachedSlice)
        return S_OK;
    HRESULT result = FlushRow();
    if (FAILED(result))
        return result;
    RowCached = true;
    CachedRow = row;
    CachedSlice = slice;
    if (contents == RowContents::Overwrite)
        return S_OK;

    const BYTE* source = RowAddress(row, slice);
    if (Colours == PairColours::Rgb) {
        DecodeRgbPairs(source);
        return S_OK;
    }
    for (UINT x = 0; x < AlignedRight - AlignedLeft; x += 2, source += 4) {
        WORD first = LoadWord(source);
        WORD second = LoadWord(source + 2);
        float u = static_cast<float>(static_cast<int>((first >> ChromaShift) & 255) - 128);
        float v = static_cast<float>(static_cast<int>((second >> ChromaShift) & 255) - 128);
        const int lumas[2] = {(first >> LumaShift) & 255, (second >> LumaShift) & 255};
        for (int k = 0; k < 2; ++k) {
            float d = static_cast<float>(lumas[k] - 16);
            pRowCache[x + k] = {Clamp01(d * 0.00456621f + v * 0.00625893f),
                                Clamp01(d * 0.00456621f - u * 0.00153632f - v * 0.00318811f),
                                Clamp01(d * 0.00456621f + u * 0.00791071f), 1.0f};
        }
    }
    return S_OK;
}

void YuvCodec::DecodeRgbPairs(const BYTE* source)
{
    for (UINT x = 0; x < AlignedRight - AlignedLeft; x += 2, source += 4) {
        const WORD first = LoadWord(source);
        const WORD second = LoadWord(source + 2);
        const float red = static_cast<float>((first >> ChromaShift) & 255) * kByteToUnit;
        const float blue = static_cast<float>((second >> ChromaShift) & 255) * kByteToUnit;
        pRowCache[x] = {red, static_cast<float>((first >> LumaShift) & 255) * kByteToUnit, blue, 1.0f};
        pRowCache[x + 1] = {red, static_cast<float>((second >> LumaShift) & 255) * kByteToUnit, blue, 1.0f};
    }
}

void YuvCodec::EncodeRgbPairs(BYTE* target) const
{
    for (UINT x = 0; x < AlignedRight - AlignedLeft; x += 2, target += 4) {
        const FloatColor& left = pRowCache[x];
        const FloatColor& right = pRowCache[x + 1];
        // The pair's shared red and blue are the means of its two pixels.
        const DWORD red = ToUnitByte(0.5f * (left.r + right.r));
        const DWORD blue = ToUnitByte(0.5f * (left.b + right.b));
        StoreWord(target, ToUnitByte(left.g) << LumaShift | red << ChromaShift);
        StoreWord(target + 2, ToUnitByte(right.g) << LumaShift | blue << ChromaShift);
    }
}

HRESULT YuvCodec::FlushRow()
{
    if (Dirty && CacheValid && Colours == PairColours::Rgb) {
        EncodeRgbPairs(RowAddress(CachedRow, CachedSlice));
    } else if (Dirty && CacheValid) {
        BYTE* target = RowAddress(CachedRow, CachedSlice);
        for (UINT x = 0; x < AlignedRight - AlignedLeft; x += 2, target += 4) {
            // Chroma comes from the pair's first pixel alone.
            const double r0 = pRowCache[x].r, g0 = pRowCache[x].g, b0 = pRowCache[x].b;
            const double r1 = pRowCache[x + 1].r, g1 = pRowCache[x + 1].g, b1 = pRowCache[x + 1].b;
            DWORD y0 = ToByte(16.0, 65.481 * r0 + 128.553 * g0 + 24.966 * b0);
            DWORD y1 = ToByte(16.0, 65.481 * r1 + 128.553 * g1 + 24.966 * b1);
            DWORD u = ToByte(128.0, 112.0 * b0 - 74.203 * g0 - 37.797 * r0);
            DWORD v = ToByte(128.0, 112.0 * r0 - 93.786 * g0 - 18.214 * b0);
            StoreWord(target, y0 << LumaShift | u << ChromaShift);
            StoreWord(target + 2, y1 << LumaShift | v << ChromaShift);
        }
    }
    Dirty = false;
    return S_OK;
}

void YuvCodec::ReadRow(UINT uRow, UINT uSlice, FloatColor* pColors)
{
    if (FAILED(LoadRow(uRow + Region.Top, uSlice + Region.Front, RowContents::Decode))) {
        LoseRow(pColors);
        return;
    }
    std::memcpy(pColors, pRowCache + (Region.Left - AlignedLeft), sizeof(FloatColor) * std::size_t{Width});
    if (ColorKey != 0)
        ApplyColorKey(pColors);
}

void YuvCodec::WriteRow(UINT uRow, UINT uSlice, const FloatColor* pColors)
{
    // A region of no columns still lies in a pixel pair; a row of no pixels
    // must not decode and re-encode that pair, which would change it.
    if (Width == 0)
        return;
    if (ConvertFrom != 0)
        pColors = ConvertRange(pColors);
    // A pair half inside the region keeps its other half from the image.
    RowContents contents = AlignedRight - AlignedLeft > Width ? RowContents::Decode : RowContents::Overwrite;
    if (FAILED(LoadRow(uRow + Region.Top, uSlice + Region.Front, contents))) {
        RowsLost = true;
        return;
    }
    std::memcpy(pRowCache + (Region.Left - AlignedLeft), pColors, sizeof(FloatColor) * std::size_t{Width});
    Dirty = true;
}

void YuvCodec::SnapColorKey() {}

PixelCodec* CreateYuvCodec(const ImageDesc& desc)
{
    if (desc.Format != D3DFMT_UYVY && desc.Format != D3DFMT_YUY2 && desc.Format != FMT_R8G8_B8G8 &&
        desc.Format != FMT_G8R8_G8B8)
        return nullptr;
    return new (std::nothrow) YuvCodec(desc);
}
