// The blit engine: validates the filter word, builds a codec for each side
// and offers the pair to the copy and filter operations in a fixed order
// (BlitOperations).
#include "r3az8/tex/blitter.h"

#include "r3az8/tex/debug.h"

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
            for (BlitOperation operation : BlitOperations) {
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
