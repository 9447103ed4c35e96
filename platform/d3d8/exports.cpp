// The library's plain C entry points and the runtime mute.
#include "d3d8.h"
#include "d3d8_testing.h"
#include "platform/d3d8/device.h"
#include "platform/d3d8/surface.h"

#include <atomic>
#include <new>

namespace {

std::atomic<DWORD> runtimeMute{0};
std::atomic<unsigned> runtimeMuteCalls{0};

} // namespace

extern "C" {

WIN32_EXPORT HRESULT SoftD3D8CreateDevice(IDirect3DDevice8** ppDevice)
{
    if (ppDevice == nullptr)
        return D3DERR_INVALIDCALL;
    *ppDevice = new (std::nothrow) softd3d8::Device;
    return *ppDevice != nullptr ? D3D_OK : E_OUTOFMEMORY;
}

// Image surfaces are lockable system memory; render targets are lockable
// when made so; texture levels are never stand-alone and answer FALSE, as
// does anything that is not one of our surfaces.
WIN32_EXPORT BOOL SoftD3D8QuerySurfaceLockable(IDirect3DSurface8* pSurface, DWORD* pUsage)
{
    softd3d8::Surface* surface = softd3d8::Surface::FromInterface(pSurface);
    if (surface == nullptr || surface->Role() == softd3d8::SurfaceRole::TextureLevel)
        return FALSE;
    if (pUsage != nullptr)
        *pUsage = surface->Usage();
    return surface->StandAloneLockable() ? TRUE : FALSE;
}

// The runtime prints no messages of its own; the switch is kept so that
// tests can see that callers mute and unmute in pairs.
WIN32_EXPORT void DebugSetMute(DWORD mute)
{
    runtimeMute = mute;
    ++runtimeMuteCalls;
}

} // extern "C"

namespace d3d8 {

WIN32_EXPORT DWORD RuntimeMute() { return runtimeMute.load(); }
WIN32_EXPORT unsigned RuntimeMuteCalls() { return runtimeMuteCalls.load(); }

} // namespace d3d8
