// Controls of the software Direct3D 8 device for tests and fault sweeps.
#pragma once

#include "d3d8.h"

#include <string>
#include <vector>

namespace d3d8 {

// --- object accounting ----------------------------------------------------------
// Objects (devices, textures, surfaces, volumes, buffers) not yet destroyed.
// A texture's levels are made and destroyed with it and share its reference
// count (holding a level holds the texture); every resource holds one
// reference on its device. So after the caller has released everything it
// obtained (every Create*, GetSurfaceLevel, GetContainer, GetDevice ...)
// the count is back where it was.
WIN32_EXPORT unsigned LiveObjects();
// Surfaces, volumes and texture levels currently locked.
WIN32_EXPORT unsigned LockedObjects();

// --- storage layout ---------------------------------------------------------------
// Extra bytes added to every row pitch of resources created from now on
// (default 0), so that code which assumes pitch == width * bytes is caught.
WIN32_EXPORT void SetPitchPadding(UINT bytes);

// --- lock history -----------------------------------------------------------------
// Every LockRect and LockBox that reached a surface or volume (a call failed
// by FailCall does not), most recent last; the oldest are dropped beyond 4096.
struct LockRecord {
    const void* object; // the IDirect3DSurface8* or IDirect3DVolume8* asked to lock
    DWORD flags;        // D3DLOCK_* as given
    bool whole;         // no rectangle or box was given
    D3DBOX area;        // the rectangle (Front 0, Back 1) or box asked for; everything when whole
    HRESULT result;
};
WIN32_EXPORT std::vector<LockRecord> LockHistory();
WIN32_EXPORT void ClearLockHistory();

// --- fault injection -------------------------------------------------------------
// LockRect counts the surface's, the texture's and the cube texture's
// LockRect; LockBox the volume's and the volume texture's. CreateTexture
// counts plain textures only.
enum class Call {
    LockRect,
    LockBox,
    CreateImageSurface,
    CopyRects,
    GetSurfaceLevel,
    GetCubeMapSurface,
    GetVolumeLevel,
    CreateTexture,
    Any, // any of the calls above
};
// The n-th (1-based, counted from this call) call of that kind fails with hr,
// once, without any other effect (out-pointers are cleared). n = 0 disarms
// that kind; a success code arms nothing. Failed calls are counted too.
WIN32_EXPORT void FailCall(Call kind, unsigned n, HRESULT hr);
WIN32_EXPORT void ResetFaults();
// Calls of that kind made since the last ResetFaults (or process start).
WIN32_EXPORT unsigned CallCount(Call kind);

// --- recorded device calls ---------------------------------------------------------
// One line per state or draw call made on any device, numbers in decimal:
//   "SetRenderState(27, 1)", "SetTextureStageState(0, 1, 4)",
//   "SetTexture(0, 0x55d0c2a0)" (the pointer as DescribeObject writes it),
//   "SetPixelShader(0)", "DrawPrimitive(4, 0, 2)",
//   "DrawIndexedPrimitive(4, 0, 4, 0, 2)".
WIN32_EXPORT std::vector<std::string> CallLog();
WIN32_EXPORT void ClearCallLog();
// Whether calls are recorded from now on (they are at start). A host that
// never reads the log turns it off, so that long runs do not grow it.
WIN32_EXPORT void RecordCalls(bool record);
// "null", or "0x" and the address in lower-case hexadecimal.
WIN32_EXPORT std::string DescribeObject(const void* object);

// --- runtime mute ----------------------------------------------------------------
// The last value given to DebugSetMute, and how often it was called.
WIN32_EXPORT DWORD RuntimeMute();
WIN32_EXPORT unsigned RuntimeMuteCalls();

} // namespace d3d8
