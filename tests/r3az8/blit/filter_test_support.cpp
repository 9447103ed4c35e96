#include "filter_test_support.h"

#include <gtest/gtest.h>

FloatImage::FloatImage(UINT columns, UINT rows, UINT slices)
    : width(columns), height(rows), depth(slices), pixels(size_t(columns) * rows * slices, FloatColor{0, 0, 0, 0})
{
}

void FloatImage::FillRandom(std::mt19937& random)
{
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (FloatColor& pixel : pixels)
        pixel = {unit(random), unit(random), unit(random), unit(random)};
}

ImageDesc FloatImage::Describe() const
{
    ImageDesc desc{};
    desc.pData = const_cast<FloatColor*>(pixels.data());
    desc.Format = D3DFMT_UNKNOWN;
    desc.RowPitch = width * sizeof(FloatColor);
    desc.SlicePitch = width * height * sizeof(FloatColor);
    desc.Extent = {0, 0, width, height, 0, depth};
    desc.Region = desc.Extent;
    return desc;
}

FloatCodec::FloatCodec(const FloatImage& image) : PixelCodec(image.Describe(), 8 * sizeof(FloatColor), RANGE_UNSIGNED) {}

void FloatCodec::ReadRow(UINT uRow, UINT uSlice, FloatColor* pColors)
{
    ++rowsRead;
    std::memcpy(pColors, pData + size_t(uRow) * RowPitch + size_t(uSlice) * SlicePitch, RowBytes);
}

void FloatCodec::WriteRow(UINT uRow, UINT uSlice, const FloatColor* pColors)
{
    ++rowsWritten;
    std::memcpy(pData + size_t(uRow) * RowPitch + size_t(uSlice) * SlicePitch, pColors, RowBytes);
}

HRESULT RunOperation(HRESULT (Blitter::*operation)(), PixelCodec* dest, PixelCodec* src, DWORD filter)
{
    Blitter blitter;
    blitter.pDest = dest;
    blitter.pSrc = src;
    blitter.Filter = filter;
    if (FAILED(dest->PrepareConversion(src)))
        return E_OUTOFMEMORY;
    return (blitter.*operation)();
}

HRESULT RunOperation(HRESULT (Blitter::*operation)(), MemoryImage& dest, const MemoryImage& src, DWORD filter)
{
    ImageDesc destDesc = dest.Describe();
    destDesc.Dither = filter & IMAGE_FILTER_DITHER;
    PixelCodec* destCodec = CreatePixelCodec(destDesc);
    PixelCodec* srcCodec = CreatePixelCodec(src.Describe());
    if (!destCodec || !srcCodec) {
        delete destCodec;
        delete srcCodec;
        return E_FAIL;
    }
    return RunOperation(operation, destCodec, srcCodec, filter);
}

int SourceRowsRead(HRESULT (Blitter::*operation)(), FloatImage& dest, const FloatImage& src, DWORD filter)
{
    auto* srcCodec = new FloatCodec(src);
    Blitter blitter;
    blitter.pDest = new FloatCodec(dest);
    blitter.pSrc = srcCodec;
    blitter.Filter = filter;
    EXPECT_EQ((blitter.*operation)(), S_OK);
    return srcCodec->rowsRead;
}

HRESULT BlitImages(MemoryImage& dest, const MemoryImage& src, DWORD filter)
{
    ImageDesc destDesc = dest.Describe();
    Blitter blitter;
    return blitter.Blit(destDesc, src.Describe(), filter);
}

bool SameBits(const FloatColor& a, const FloatColor& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
