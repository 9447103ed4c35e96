// Whole rows of blocks for the DXT codec.
#include "r3az8/tex/dxt/dxt_internal.h"

HRESULT EncodeBlocks(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, UINT count)
{
    HRESULT (*encode)(BYTE*, const FloatColor*) = nullptr;
    UINT blockBytes = 16;
    switch (format) {
    case D3DFMT_DXT1:
        encode = EncodeBlockDXT1;
        blockBytes = 8;
        break;
    case D3DFMT_DXT2:
        encode = EncodeBlockDXT2;
        break;
    case D3DFMT_DXT3:
        encode = EncodeBlockDXT3;
        break;
    case D3DFMT_DXT4:
        encode = EncodeBlockDXT4;
        break;
    case D3DFMT_DXT5:
        encode = EncodeBlockDXT5;
        break;
    default:
        return E_FAIL;
    }
    for (UINT k = 0; k < count; ++k)
        encode(pBlocks + static_cast<std::size_t>(k) * blockBytes, pColors + static_cast<std::size_t>(k) * BlockPixels);
    return S_OK;
}
