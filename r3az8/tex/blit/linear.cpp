// IMAGE_FILTER_LINEAR: two taps per axis. Consecutive destination rows
// mostly share source rows, so the decoded rows are kept and exchanged
// rather than decoded again.
#include "r3az8/tex/blit/linear_taps.h"
#include "r3az8/tex/blitter.h"

#include <utility>

namespace {

// An empty destination (a rectangle of zero width is a valid one) leaves
// the filter nothing to do; an empty source has nothing to sample, and its
// taps would point before its first pixel.
bool IsEmpty(const PixelCodec& codec) { return codec.Width == 0 || codec.Height == 0 || codec.Depth == 0; }

// Decoded source row y in one slice (2D) or in the two slices of the
// current z tap (3D); -1: holds nothing.
struct HeldRow {
    FloatColor* slice0;
    FloatColor* slice1;
    int32_t row;
};

// Brings source row `row` into `held`, taking it from `other` by exchange
// when that holds it already.
template <class Decode>
void Hold(HeldRow& held, HeldRow& other, int32_t row, Decode decode)
{
    if (held.row == row)
        return;
    if (other.row == row) {
        std::swap(held, other);
        other.row = -1;
        return;
    }
    decode(held);
    held.row = row;
}

// What both linear passes work with: taps per axis (z only for volumes),
// one destination row and the decoded source rows they hold.
struct LinearWork {
    WorkingArray<LinearTap> xTaps;
    WorkingArray<LinearTap> yTaps;
    WorkingArray<LinearTap> zTaps;
    WorkingArray<FloatColor> destRow;
    WorkingArray<FloatColor> sourceRows;
};

// S_OK with `work` made for `heldRows` source rows; E_FAIL for an empty
// source, S_FALSE for an empty destination (nothing to do), E_OUTOFMEMORY.
HRESULT StartLinear(const PixelCodec& src, const PixelCodec& dest, DWORD filter, bool volume, UINT heldRows,
                    LinearWork& work)
{
    if (IsEmpty(src))
        return E_FAIL;
    if (IsEmpty(dest))
        return S_FALSE;
    work.xTaps = MakeLinearTaps(dest.Width, src.Width, EdgeModeFor(filter, IMAGE_FILTER_MIRROR_U));
    work.yTaps = MakeLinearTaps(dest.Height, src.Height, EdgeModeFor(filter, IMAGE_FILTER_MIRROR_V));
    if (volume)
        work.zTaps = MakeLinearTaps(dest.Depth, src.Depth, EdgeModeFor(filter, IMAGE_FILTER_MIRROR_W));
    work.destRow = AllocateWorkingArray<FloatColor>(dest.Width, Contents::Uninitialised);
    work.sourceRows = AllocateWorkingArray<FloatColor>(size_t(src.Width) * heldRows, Contents::Uninitialised);
    if (!work.xTaps || !work.yTaps || (volume && !work.zTaps) || !work.destRow || !work.sourceRows)
        return E_OUTOFMEMORY;
    return S_OK;
}

} // namespace

HRESULT Blitter::FilterLinear2D()
{
    PixelCodec& src = *pSrc;
    PixelCodec& dest = *pDest;
    if (FilterType(Filter) != IMAGE_FILTER_LINEAR || src.Depth != 1 || dest.Depth != 1)
        return E_FAIL;
    LinearWork work;
    if (const HRESULT started = StartLinear(src, dest, Filter, false, 2, work); started != S_OK)
        return SUCCEEDED(started) ? S_OK : started;
    HeldRow nearRow{work.sourceRows.get(), nullptr, -1};
    HeldRow farRow{work.sourceRows.get() + src.Width, nullptr, -1};
    for (UINT y = 0; y < dest.Height; ++y) {
        const LinearTap& yTap = work.yTaps[y];
        Hold(nearRow, farRow, yTap.index0, [&](HeldRow& held) { src.ReadRow(yTap.index0, 0, held.slice0); });
        if (farRow.row != yTap.index1) {
            src.ReadRow(yTap.index1, 0, farRow.slice0);
            farRow.row = yTap.index1;
        }
        for (UINT x = 0; x < dest.Width; ++x)
            work.destRow[x] = Bilinear(nearRow.slice0, farRow.slice0, work.xTaps[x], yTap);
        dest.WriteRow(y, 0, work.destRow.get());
    }
    return S_OK;
}

HRESULT Blitter::FilterLinear3D()
{
    PixelCodec& src = *pSrc;
    PixelCodec& dest = *pDest;
    if (FilterType(Filter) != IMAGE_FILTER_LINEAR)
        return E_FAIL;
    LinearWork work;
    if (const HRESULT started = StartLinear(src, dest, Filter, true, 4, work); started != S_OK)
        return SUCCEEDED(started) ? S_OK : started;
    FloatColor* rows = work.sourceRows.get();
    const UINT width = src.Width;
    for (UINT z = 0; z < dest.Depth; ++z) {
        const LinearTap& zTap = work.zTaps[z];
        // A new slice pair: nothing held is valid any more.
        HeldRow nearRow{rows, rows + width, -1};
        HeldRow farRow{rows + 2 * width, rows + 3 * width, -1};
        auto decode = [&](HeldRow& held, int32_t row) {
            src.ReadRow(row, zTap.index0, held.slice0);
            src.ReadRow(row, zTap.index1, held.slice1);
        };
        for (UINT y = 0; y < dest.Height; ++y) {
            const LinearTap& yTap = work.yTaps[y];
            Hold(nearRow, farRow, yTap.index0, [&](HeldRow& held) { decode(held, yTap.index0); });
            if (farRow.row != yTap.index1) {
                decode(farRow, yTap.index1);
                farRow.row = yTap.index1;
            }
            for (UINT x = 0; x < dest.Width; ++x) {
                FloatColor front = Bilinear(nearRow.slice0, farRow.slice0, work.xTaps[x], yTap);
                FloatColor back = Bilinear(nearRow.slice1, farRow.slice1, work.xTaps[x], yTap);
                work.destRow[x] = {Lerp(zTap.weight0, front.r, zTap.weight1, back.r),
                                   Lerp(zTap.weight0, front.g, zTap.weight1, back.g),
                                   Lerp(zTap.weight0, front.b, zTap.weight1, back.b),
                                   Lerp(zTap.weight0, front.a, zTap.weight1, back.a)};
            }
            dest.WriteRow(y, z, work.destRow.get());
        }
    }
    return S_OK;
}
