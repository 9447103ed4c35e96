#include "platform/d3d8/device.h"

#include "platform/d3d8/buffers.h"
#include "platform/d3d8/call_log.h"
#include "platform/d3d8/fault_injection.h"
#include "platform/d3d8/format_layout.h"
#include "platform/d3d8/surface.h"
#include "platform/d3d8/texture.h"
#include "platform/d3d8/volume_texture.h"

#include <string>

namespace softd3d8 {

namespace {

// Clears an out-pointer before anything can fail, as the runtime does.
template <class T>
bool Clear(T** out)
{
    if (out == nullptr)
        return false;
    *out = nullptr;
    return true;
}

std::string Numbers(std::initializer_list<unsigned long> values)
{
    std::string text;
    for (unsigned long value : values) {
        if (!text.empty())
            text += ", ";
        text += std::to_string(value);
    }
    return text;
}

bool IsPrimitiveType(D3DPRIMITIVETYPE type) { return type >= D3DPT_POINTLIST && type <= D3DPT_TRIANGLEFAN; }

} // namespace

Device::Device() : registration_(static_cast<IDirect3DDevice8*>(this), ObjectKind::Device) {}

Device::~Device() = default;

HRESULT Device::QueryInterface(REFIID riid, void** ppvObj)
{
    if (ppvObj == nullptr)
        return E_INVALIDARG;
    *ppvObj = nullptr;
    if (riid != IID_IUnknown)
        return E_NOINTERFACE;
    AddRef();
    *ppvObj = static_cast<IDirect3DDevice8*>(this);
    return S_OK;
}

ULONG Device::Release()
{
    ULONG left = references_.Drop();
    if (left == 0)
        delete this;
    return left == ULONG(-1) ? 0 : left;
}

HRESULT Device::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DTexture8** ppTexture)
{
    HRESULT injected = EnterInjectableCall(d3d8::Call::CreateTexture);
    if (!Clear(ppTexture))
        return D3DERR_INVALIDCALL;
    if (FAILED(injected))
        return injected;
    return Texture::Create(this, Width, Height, Levels, Usage, Format, Pool, ppTexture);
}

HRESULT Device::CreateVolumeTexture(UINT Width, UINT Height, UINT Depth, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                    D3DPOOL Pool, IDirect3DVolumeTexture8** ppVolumeTexture)
{
    if (!Clear(ppVolumeTexture))
        return D3DERR_INVALIDCALL;
    return VolumeTexture::Create(this, Width, Height, Depth, Levels, Usage, Format, Pool, ppVolumeTexture);
}

HRESULT Device::CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                  IDirect3DCubeTexture8** ppCubeTexture)
{
    if (!Clear(ppCubeTexture))
        return D3DERR_INVALIDCALL;
    return CubeTexture::Create(this, EdgeLength, Levels, Usage, Format, Pool, ppCubeTexture);
}

HRESULT Device::CreateVertexBuffer(UINT Length, DWORD, DWORD, D3DPOOL Pool, IDirect3DVertexBuffer8** ppVertexBuffer)
{
    if (!Clear(ppVertexBuffer) || Pool > D3DPOOL_SYSTEMMEM)
        return D3DERR_INVALIDCALL;
    return VertexBuffer::Create(this, Length, ppVertexBuffer);
}

HRESULT Device::CreateIndexBuffer(UINT Length, DWORD, D3DFORMAT Format, D3DPOOL Pool,
                                  IDirect3DIndexBuffer8** ppIndexBuffer)
{
    if (!Clear(ppIndexBuffer) || Pool > D3DPOOL_SYSTEMMEM)
        return D3DERR_INVALIDCALL;
    if (Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32)
        return D3DERR_INVALIDCALL;
    return IndexBuffer::Create(this, Length, ppIndexBuffer);
}

HRESULT Device::CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                   BOOL Lockable, IDirect3DSurface8** ppSurface)
{
    if (!Clear(ppSurface) || MultiSample != D3DMULTISAMPLE_NONE)
        return D3DERR_INVALIDCALL;
    const FormatLayout* layout = FindFormatLayout(Format);
    if (layout == nullptr)
        return D3DERR_INVALIDCALL;
    SurfaceShape shape{layout, Width, Height, D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET};
    return Surface::CreateStandAlone(this, SurfaceRole::RenderTarget, shape, Lockable != FALSE, ppSurface);
}

HRESULT Device::CreateImageSurface(UINT Width, UINT Height, D3DFORMAT Format, IDirect3DSurface8** ppSurface)
{
    HRESULT injected = EnterInjectableCall(d3d8::Call::CreateImageSurface);
    if (!Clear(ppSurface))
        return D3DERR_INVALIDCALL;
    if (FAILED(injected))
        return injected;
    const FormatLayout* layout = FindFormatLayout(Format);
    if (layout == nullptr)
        return D3DERR_INVALIDCALL;
    SurfaceShape shape{layout, Width, Height, D3DPOOL_SYSTEMMEM, 0};
    return Surface::CreateStandAlone(this, SurfaceRole::ImageSurface, shape, true, ppSurface);
}

HRESULT Device::CopyRects(IDirect3DSurface8* pSourceSurface, const RECT* pSourceRectsArray, UINT cRects,
                          IDirect3DSurface8* pDestinationSurface, const POINT* pDestPointsArray)
{
    HRESULT injected = EnterInjectableCall(d3d8::Call::CopyRects);
    if (FAILED(injected))
        return injected;
    return CopySurfaceRects(pSourceSurface, pSourceRectsArray, cRects, pDestinationSurface, pDestPointsArray);
}

HRESULT Device::SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture)
{
    LogCall([&] { return "SetTexture(" + std::to_string(Stage) + ", " + DescribePointer(pTexture) + ")"; });
    return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value)
{
    LogCall([&] { return "SetRenderState(" + Numbers({State, Value}) + ")"; });
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value)
{
    LogCall([&] { return "SetTextureStageState(" + Numbers({Stage, Type, Value}) + ")"; });
    return D3D_OK;
}

HRESULT Device::SetPixelShader(DWORD Handle)
{
    LogCall([&] { return "SetPixelShader(" + std::to_string(Handle) + ")"; });
    return D3D_OK;
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount)
{
    LogCall([&] { return "DrawPrimitive(" + Numbers({PrimitiveType, StartVertex, PrimitiveCount}) + ")"; });
    return IsPrimitiveType(PrimitiveType) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT minIndex, UINT NumVertices, UINT startIndex,
                                     UINT primCount)
{
    LogCall([&] {
        return "DrawIndexedPrimitive(" + Numbers({PrimitiveType, minIndex, NumVertices, startIndex, primCount}) + ")";
    });
    return IsPrimitiveType(PrimitiveType) ? D3D_OK : D3DERR_INVALIDCALL;
}

} // namespace softd3d8
