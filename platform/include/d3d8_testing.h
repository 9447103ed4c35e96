// Controls of the software Direct3D 8 device for tests and fault sweeps.
#pragma once

#include "d3d8.h"

#include <string>
#include <vector>

namespace d3d8 {

// --- object accounting ----------------------------------------------------------
// Objects (devices, textures, surfaces, volumes, buffers) not yet destroyed.
WIN32_EXPORT unsigned LiveObjects();
// Surfaces, volumes and texture levels currently locked.
WIN32_EXPORT unsigned LockedObjects();

// --- storage layout ---------------------------------------------------------------
// Extra bytes added to every row pitch of resources created from now on
// (default 0), so that code which assumes pitch == width * bytes is caught.
WIN32_EXPORT void SetPitchPadding(UINT bytes);

// --- fault injection -------------------------------------------------------------
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
// The n-th (1-based, counted from this call) call of that kind fails with hr.
// n = 0 disarms that kind.
WIN32_EXPORT void FailCall(Call kind, unsigned n, HRESULT hr);
WIN32_EXPORT void ResetFaults();
// Calls of that kind made since the last ResetFaults (or process start).
WIN32_EXPORT unsigned CallCount(Call kind);

// --- recorded device calls ---------------------------------------------------------
// One line per state or draw call, e.g. "DrawPrimitive(4, 0, 2)".
WIN32_EXPORT std::vector<std::string> CallLog();
WIN32_EXPORT void ClearCallLog();

// --- runtime mute ----------------------------------------------------------------
// The last value given to DebugSetMute, and how often it was called.
WIN32_EXPORT DWORD RuntimeMute();
WIN32_EXPORT unsigned RuntimeMuteCalls();

} // namespace d3d8
