// The blit engine: validates the filter word, builds a codec for each side
// and offers the pair to the copy and filter operations in a fixed order.
// Cheap, exact operations come first (byte copy, same-size conversion), the
// specialised filters next, and the triangle filters last: they accept
// every size ratio and so serve as the fallback.
#include "r3az8/tex/blitter.h"

#include "r3az8/tex/debug.h"

namespace {

using BlitOperation = HRESULT (Blitter::*)();

constexpr BlitOperation kOperations[] = {
    &Blitter::BlitSameFormat,   &Blitter::BlitConvert,    &Blitter::FilterNone,       &Blitter::FilterPoint,
    &Blitter::FilterBox2D,      &Blitter::FilterBox3D,    &Blitter::FilterLinear2D,   &Blitter::FilterLinear3D,
    &Blitter::FilterTriangle2D, &Blitter::FilterTriangle3D,
};

} // namespace

Blitter::Blitter() : pSrc(nullptr), pDest(nullptr), Filter(0) {}

Blitter::~Blitter()
{
    delete pDest;
    delete pSrc;
}

HRESULT Blitter::Blit(ImageDesc& dest, const ImageDesc& src, DWORD filter)
{
    pSrc = nullptr;
    pDest = nullptr;
    Filter = filter;

    if (!IsValidFilter(filter)) {
        DebugPrintf(0, "Invalid image filter");
        return D3DERR_INVALIDCALL;
    }

    dest.Dither = filter & IMAGE_FILTER_DITHER;

    HRESULT result = E_FAIL;
    pDest = CreatePixelCodec(dest);
    pSrc = pDest != nullptr ? CreatePixelCodec(src) : nullptr;
    if (pDest == nullptr || pSrc == nullptr) {
        DebugPrintf(0, "Unsupported image format");
    } else {
        result = pDest->PrepareConversion(pSrc);
        if (SUCCEEDED(result)) {
            result = E_FAIL;
            for (BlitOperation operation : kOperations) {
                if (SUCCEEDED((this->*operation)())) {
                    result = S_OK;
                    break;
                }
            }
            if (FAILED(result)) {
                DebugPrintf(0, "No suitable image filter found");
            } else if (pDest->RowsLost || pSrc->RowsLost) {
                // A buffered codec could not have its buffers: some rows were
                // read as black or never stored.
                DebugPrintf(0, "Out of memory for image rows");
                result = E_OUTOFMEMORY;
            }
        }
    }

    delete pDest;
    delete pSrc;
    pDest = nullptr;
    pSrc = nullptr;
    return result;
}
