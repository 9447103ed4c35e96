// The software device: makes resources, copies between surfaces, and
// records state and draw calls (see d3d8_testing.h) instead of drawing.
//
// SetTexture remembers nothing and takes no reference: nothing is ever
// drawn, so a bound texture is only logged. Resources hold a reference on
// the device, so the device is destroyed only after the last of them.
#pragma once

#include "d3d8.h"
#include "platform/d3d8/object_registry.h"
#include "platform/d3d8/reference_count.h"

namespace softd3d8 {

class Device final : public IDirect3DDevice8 {
public:
    Device();
    ~Device();

    HRESULT QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG AddRef() override { return references_.Add(); }
    ULONG Release() override;

    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                          IDirect3DTexture8** ppTexture) override;
    HRESULT CreateVolumeTexture(UINT Width, UINT Height, UINT Depth, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                D3DPOOL Pool, IDirect3DVolumeTexture8** ppVolumeTexture) override;
    HRESULT CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DCubeTexture8** ppCubeTexture) override;
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer8** ppVertexBuffer) override;
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DIndexBuffer8** ppIndexBuffer) override;
    HRESULT CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                               BOOL Lockable, IDirect3DSurface8** ppSurface) override;
    HRESULT CreateImageSurface(UINT Width, UINT Height, D3DFORMAT Format, IDirect3DSurface8** ppSurface) override;
    HRESULT CopyRects(IDirect3DSurface8* pSourceSurface, const RECT* pSourceRectsArray, UINT cRects,
                      IDirect3DSurface8* pDestinationSurface, const POINT* pDestPointsArray) override;
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
    HRESULT SetPixelShader(DWORD Handle) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT minIndex, UINT NumVertices, UINT startIndex,
                                 UINT primCount) override;

private:
    Registration registration_;
    ReferenceCount references_;
};

// Copies rectangles between two surfaces of the same format without locking
// either; the body of Device::CopyRects.
HRESULT CopySurfaceRects(IDirect3DSurface8* source, const RECT* sourceRects, UINT rectCount,
                         IDirect3DSurface8* destination, const POINT* destinationPoints);

} // namespace softd3d8
