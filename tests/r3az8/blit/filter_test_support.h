// Images in memory and codecs for the filter tests.
//
// Packed images go through the library's own codecs (CreatePixelCodec), as
// Blit uses them. FloatCodec stores FloatColor as it is, so that the filters'
// float arithmetic can be checked bit for bit without quantisation, and
// counts the rows it decodes.
#pragma once

#include "r3az8/tex/blitter.h"
#include "tests/support/memory_image.h"

#include <cstring>
#include <random>
#include <vector>

// Packed images of the filter tests: rows and slices padded wide, the gaps
// marked so that writes past a row show.
inline constexpr MemoryImage::Gaps kMarkedGaps{8, 12, 0xA5};

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
HRESULT RunOperation(HRESULT (Blitter::*operation)(), MemoryImage& dest, const MemoryImage& src, DWORD filter);

// Runs one operation between float images; returns how many source rows
// it decoded.
int SourceRowsRead(HRESULT (Blitter::*operation)(), FloatImage& dest, const FloatImage& src, DWORD filter);

// Blit through the library's entry point.
HRESULT BlitImages(MemoryImage& dest, const MemoryImage& src, DWORD filter);

bool SameBits(const FloatColor& a, const FloatColor& b);
