#include "platform/d3d8/texture_object.h"

namespace softd3d8 {

UINT FullChainLength(UINT width, UINT height, UINT depth)
{
    UINT largest = width > height ? width : height;
    largest = largest > depth ? largest : depth;
    UINT levels = 1;
    while (largest > 1) {
        largest >>= 1;
        ++levels;
    }
    return levels;
}

HRESULT CheckTextureRequest(UINT width, UINT height, UINT depth, UINT levels, DWORD usage, D3DFORMAT format,
                            D3DPOOL pool, const FormatLayout*& layout, UINT& levelCount)
{
    layout = FindFormatLayout(format);
    if (layout == nullptr || width == 0 || height == 0 || depth == 0)
        return D3DERR_INVALIDCALL;
    if (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED && pool != D3DPOOL_SYSTEMMEM)
        return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED)
        return D3DERR_INVALIDCALL;
    if ((usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) && pool != D3DPOOL_DEFAULT)
        return D3DERR_INVALIDCALL;
    UINT chain = FullChainLength(width, height, depth);
    if (levels > chain)
        return D3DERR_INVALIDCALL;
    levelCount = levels == 0 ? chain : levels;
    return D3D_OK;
}

} // namespace softd3d8
