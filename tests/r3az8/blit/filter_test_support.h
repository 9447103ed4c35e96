// Images in memory and codecs for the filter tests.
//
// Packed images go through the library's own codecs (CreatePixelCodec), as
// Blit uses them. FloatCodec stores FloatColor as it is, so that the filters'
// float arithmetic can be checked bit for bit without quantisation, and
// counts the rows it decodes.
#pragma once

#include "r3az8/tex/blitter.h"

#include <cstring>
#include <random>
#include <vector>

// A packed image with padded rows and slices (the padding is filled with a
// marker so that writes past a row show).
struct PackedImage {
    PackedImage(D3DFORMAT imageFormat, UINT pixelBytes, UINT columns, UINT rows = 1, UINT slices = 1);

    ImageDesc Describe() const;

    template <class Word>
    void Set(UINT x, UINT y, UINT z, Word value)
    {
        std::memcpy(At(x, y, z, sizeof(Word)), &value, sizeof value);
    }
    template <class Word>
    Word Get(UINT x, UINT y = 0, UINT z = 0) const
    {
        Word value;
        std::memcpy(&value, const_cast<PackedImage*>(this)->At(x, y, z, sizeof(Word)), sizeof value);
        return value;
    }
    void FillRandom(std::mt19937& random);

    BYTE* At(UINT x, UINT y, UINT z, UINT pixelBytes)
    {
        return bytes.data() + size_t(z) * slicePitch + size_t(y) * rowPitch + size_t(x) * pixelBytes;
    }

    D3DFORMAT format;
    UINT bytesPerPixel;
    UINT width, height, depth;
    UINT rowPitch, slicePitch;
    std::vector<BYTE> bytes;
};

// Float pixels stored as they are; the format is D3DFMT_UNKNOWN, so no fast
// path or same-format copy applies.
struct FloatImage {
    FloatImage(UINT columns, UINT rows = 1, UINT slices = 1);
    FloatColor& At(UINT x, UINT y = 0, UINT z = 0) { return pixels[(size_t(z) * height + y) * width + x]; }
    const FloatColor& At(UINT x, UINT y = 0, UINT z = 0) const { return pixels[(size_t(z) * height + y) * width + x]; }
    void FillRandom(std::mt19937& random);
    ImageDesc Describe() const;

    UINT width, height, depth;
    std::vector<FloatColor> pixels;
};

class FloatCodec : public PixelCodec {
public:
    explicit FloatCodec(const FloatImage& image);
    void ReadRow(UINT uRow, UINT uSlice, FloatColor* pColors) override;
    void WriteRow(UINT uRow, UINT uSlice, const FloatColor* pColors) override;

    int rowsRead = 0;
    int rowsWritten = 0;
};

// Runs one operation of a Blitter on the two codecs (which it takes over).
HRESULT RunOperation(HRESULT (Blitter::*operation)(), PixelCodec* dest, PixelCodec* src, DWORD filter);

// Runs one operation on codecs made by the library for the two images.
HRESULT RunOperation(HRESULT (Blitter::*operation)(), PackedImage& dest, const PackedImage& src, DWORD filter);

// Blit through the library's entry point.
HRESULT BlitImages(PackedImage& dest, const PackedImage& src, DWORD filter);

bool SameBits(const FloatColor& a, const FloatColor& b);
