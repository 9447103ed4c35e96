// A band of a load from memory. Same-size loads and exact box halvings read
// a band of source rows of their own, so the ordinary blit does them on
// that band; the other filters reach across the source by the whole
// image's geometry and run as band filters (blit/band_filters.cpp).
#include "r3az8/tex/load_rows.h"

#include "r3az8/tex/blit/band_filters.h"
#include "r3az8/tex/blitter.h"
#include "r3az8/tex/codecs/format_catalogue.h"
#include "r3az8/tex/debug.h"
#include "r3az8/tex/load/memory_source.h"

#include <algorithm>
#include <memory>

namespace {

bool HasWholePixels(D3DFORMAT format)
{
    const CodecFormat* entry = FindCodecFormat(format);
    return entry != nullptr && entry->storage == PixelStorage::Packed && format != D3DFMT_P8 && format != D3DFMT_A8P8;
}

// The box filter's own test: each side halved, rounding down, or 1 staying 1.
bool Halves(UINT source, UINT destination) { return destination == source / 2 || (source == 1 && destination == 1); }

// The source rows [top, bottom) of the box, as a source of its own.
ImageDesc SourceRows(ImageDesc src, UINT top, UINT bottom)
{
    src.Region.Top = src.Extent.Top + top;
    src.Region.Bottom = src.Extent.Top + bottom;
    return src;
}

HRESULT RunBandFilter(ImageDesc& dest, const ImageDesc& src, UINT first, UINT destHeight, DWORD filter)
{
    dest.Dither = filter & IMAGE_FILTER_DITHER;
    std::unique_ptr<PixelCodec> band(CreatePixelCodec(dest));
    std::unique_ptr<PixelCodec> source(band ? CreatePixelCodec(src) : nullptr);
    if (!band || !source) {
        DebugPrintf(0, "Unsupported image format");
        return E_FAIL;
    }
    HRESULT result = band->PrepareConversion(source.get());
    if (FAILED(result))
        return result;
    switch (FilterType(filter)) {
    case IMAGE_FILTER_NONE:
        result = FilterNoneBand(*source, *band, first, destHeight);
        break;
    case IMAGE_FILTER_POINT:
        result = FilterPointBand(*source, *band, first, destHeight);
        break;
    case IMAGE_FILTER_LINEAR:
        result = FilterLinearBand(*source, *band, first, destHeight, filter);
        break;
    default:
        result = FilterTriangleBand(*source, *band, first, destHeight, filter);
        break;
    }
    if (SUCCEEDED(result) && (band->RowsLost || source->RowsLost)) {
        DebugPrintf(0, "Out of memory for image rows");
        result = E_OUTOFMEMORY;
    }
    return FAILED(result) ? result : S_OK;
}

} // namespace

HRESULT LoadRowsFromMemory(void* pDestRows, D3DFORMAT DestFormat, UINT DestPitch, UINT DestWidth, UINT DestHeight,
                           UINT FirstRow, UINT RowCount, const void* pSrcMemory, D3DFORMAT SrcFormat, UINT SrcPitch,
                           const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter, D3DCOLOR ColorKey)
{
    if (!ArgumentsGiven({{pDestRows, "pDestRows"}, {pSrcMemory, "pSrcMemory"}, {pSrcRect, "pSrcRect"}}))
        return D3DERR_INVALIDCALL;
    if (!HasWholePixels(DestFormat)) {
        DebugPrintf(0, "A band needs a destination format of whole pixels");
        return D3DERR_INVALIDCALL;
    }
    if (DestWidth == 0 || RowCount == 0 || FirstRow % 4 != 0 || FirstRow >= DestHeight ||
        RowCount > DestHeight - FirstRow) {
        DebugPrintf(0, "Invalid band of rows");
        return D3DERR_INVALIDCALL;
    }
    D3DBOX box;
    if (!SourceBox(*pSrcRect, box))
        return D3DERR_INVALIDCALL;
    if (Filter == IMAGE_FILTER_DEFAULT)
        Filter = IMAGE_FILTER_LOAD_DEFAULT;
    if (!IsValidFilter(Filter)) {
        DebugPrintf(0, "Invalid image filter");
        return D3DERR_INVALIDCALL;
    }

    const ImageDesc src = {const_cast<void*>(pSrcMemory), SrcFormat, SrcPitch, 0, box, box, 0, ColorKey, pSrcPalette};
    const D3DBOX bandBox = {0, 0, DestWidth, RowCount, 0, 1};
    ImageDesc dest = {pDestRows, DestFormat, DestPitch, 0, bandBox, bandBox, 0, 0, nullptr};
    const UINT width = box.Right - box.Left;
    const UINT height = box.Bottom - box.Top;

    if (width == DestWidth && height == DestHeight) {
        Blitter blitter;
        return blitter.Blit(dest, SourceRows(src, FirstRow, FirstRow + RowCount), Filter);
    }
    if (FilterType(Filter) == IMAGE_FILTER_BOX && Halves(width, DestWidth) && Halves(height, DestHeight)) {
        // A source one row high pairs its row with itself.
        const UINT top = height == 1 ? 0 : 2 * FirstRow;
        const UINT bottom = height == 1 ? 1 : 2 * (FirstRow + RowCount);
        Blitter blitter;
        return blitter.Blit(dest, SourceRows(src, top, bottom), Filter);
    }
    return RunBandFilter(dest, src, FirstRow, DestHeight, Filter);
}
