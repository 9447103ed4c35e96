// The box filter: exact halving of each dimension, every destination pixel
// the mean of the 2x2 (or 2x2x2) source pixels it covers. Equal packed
// formats without dithering take a fast path on the stored bits; the
// general path averages decoded float rows.
#include "r3az8/tex/blit/box_fast_paths.h"
#include "r3az8/tex/working_memory.h"

namespace {

// The destination size is the source size halved and rounded down, or both
// are 1 (a dimension that is already 1 stays 1).
bool Halves(UINT source, UINT destination) { return destination == source / 2 || (source == 1 && destination == 1); }

// Drops the last column of an odd width and rounds a height greater than 1
// down to even, on the codec itself: later filters of this blit see the
// evened source too.
void EvenWidthAndHeight(PixelCodec& src)
{
    if (src.Width > 1 && src.Width % 2 != 0) {
        --src.Width;
        src.RowBytes -= src.BytesPerPixel;
    }
    if (src.Height > 1)
        src.Height &= ~1u;
}

// Column of the right-hand pixel of destination column x's pair: a source
// one pixel wide pairs every pixel with itself.
inline UINT RightColumn(UINT x, UINT sourceWidth) { return sourceWidth == 1 ? 2 * x : 2 * x + 1; }

// The float rows of the general path: one destination row and the decoded
// source rows of one step, `rowsPerStep` of them, or half as many when the
// source is one row tall (its row then pairs with itself).
struct BoxRows {
    WorkingArray<FloatColor> dest;
    WorkingArray<FloatColor> source;
    bool singleRow;
};

bool AllocateBoxRows(const PixelCodec& src, const PixelCodec& dest, UINT rowsPerStep, BoxRows& rows)
{
    rows.dest = AllocateWorkingArray<FloatColor>(dest.Width, Contents::Uninitialised);
    if (!rows.dest)
        return false;
    rows.singleRow = src.Height == 1;
    const UINT count = rows.singleRow ? rowsPerStep / 2 : rowsPerStep;
    rows.source = AllocateWorkingArray<FloatColor>(size_t(src.Width) * count, Contents::Uninitialised);
    return bool(rows.source);
}

} // namespace

HRESULT Blitter::FilterBox2D()
{
    PixelCodec& src = *pSrc;
    PixelCodec& dest = *pDest;
    if (FilterType(Filter) != IMAGE_FILTER_BOX || !Halves(src.Width, dest.Width) || !Halves(src.Height, dest.Height) ||
        src.Depth != 1 || dest.Depth != 1)
        return E_FAIL;

    EvenWidthAndHeight(src);

    // The fast paths work on the stored bits, bypassing ReadRow and so the
    // source's colour key, which only ReadRow applies: a keyed source goes
    // the general way, whose keyed pixels count as transparent black.
    if ((Filter & IMAGE_FILTER_DITHER) == 0 && src.ColorKey == 0 && src.Format == dest.Format && src.Width >= 2 &&
        src.Height >= 2) {
        if (BoxFastPath fastPath = FindBoxFastPath(src.Format)) {
            if ((this->*fastPath)() >= 0)
                return S_OK;
        }
    }

    BoxRows rows;
    if (!AllocateBoxRows(src, dest, 2, rows))
        return E_OUTOFMEMORY;
    const bool singleRow = rows.singleRow;
    FloatColor* upper = rows.source.get();
    FloatColor* lower = singleRow ? upper : upper + src.Width;
    FloatColor* destRow = rows.dest.get();

    for (UINT y = 0; y < dest.Height; ++y) {
        src.ReadRow(2 * y, 0, upper);
        if (!singleRow)
            src.ReadRow(2 * y + 1, 0, lower);
        for (UINT x = 0; x < dest.Width; ++x) {
            const FloatColor& a = upper[2 * x];
            const FloatColor& b = upper[RightColumn(x, src.Width)];
            const FloatColor& c = lower[2 * x];
            const FloatColor& d = lower[RightColumn(x, src.Width)];
            destRow[x] = {((a.r + b.r) + c.r + d.r) * 0.25f, ((a.g + b.g) + c.g + d.g) * 0.25f,
                          ((a.b + b.b) + c.b + d.b) * 0.25f, ((a.a + b.a) + c.a + d.a) * 0.25f};
        }
        dest.WriteRow(y, 0, destRow);
    }
    return S_OK;
}

HRESULT Blitter::FilterBox3D()
{
    PixelCodec& src = *pSrc;
    PixelCodec& dest = *pDest;
    // No exception for a depth of 1: a one-slice source belongs to FilterBox2D.
    if (FilterType(Filter) != IMAGE_FILTER_BOX || !Halves(src.Width, dest.Width) || !Halves(src.Height, dest.Height) ||
        dest.Depth != src.Depth / 2)
        return E_FAIL;

    EvenWidthAndHeight(src);
    if (src.Depth > 1)
        src.Depth &= ~1u;

    BoxRows rows;
    if (!AllocateBoxRows(src, dest, 4, rows))
        return E_OUTOFMEMORY;
    const bool singleRow = rows.singleRow;
    // Rnm: row 2y + n of slice 2z + m.
    FloatColor* r00 = rows.source.get();
    FloatColor* r01 = r00 + src.Width;
    FloatColor* r10 = singleRow ? r00 : r01 + src.Width;
    FloatColor* r11 = singleRow ? r01 : r10 + src.Width;
    FloatColor* destRow = rows.dest.get();

    for (UINT z = 0; z < dest.Depth; ++z) {
        for (UINT y = 0; y < dest.Height; ++y) {
            src.ReadRow(2 * y, 2 * z, r00);
            src.ReadRow(2 * y, 2 * z + 1, r01);
            if (!singleRow) {
                src.ReadRow(2 * y + 1, 2 * z, r10);
                src.ReadRow(2 * y + 1, 2 * z + 1, r11);
            }
            for (UINT x = 0; x < dest.Width; ++x) {
                const UINT left = 2 * x;
                const UINT right = RightColumn(x, src.Width);
                auto mean = [&](float FloatColor::*channel) {
                    return (r00[left].*channel + r00[right].*channel + r01[left].*channel + r01[right].*channel +
                            r10[left].*channel + r10[right].*channel + r11[left].*channel + r11[right].*channel) *
                           0.125f;
                };
                destRow[x] = {mean(&FloatColor::r), mean(&FloatColor::g), mean(&FloatColor::b), mean(&FloatColor::a)};
            }
            dest.WriteRow(y, z, destRow);
        }
    }
    return S_OK;
}
