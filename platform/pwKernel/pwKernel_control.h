// Controls of the engine kernel for hosts and tests.
//
// The engine drives its kernel from its own frame loop; here the host (or a
// test) does: it chooses how time advances, seeds or scripts the random
// numbers, reads the log of kernel calls, makes texture calls fail on
// purpose, and releases the device when it is done.
#pragma once

#include "engine/pwKernel.h"
#include "win32.h"

#include <cstddef>
#include <string>
#include <vector>

#if defined(__GNUC__)
#define PWKERNEL_CONTROL_API __attribute__((visibility("default")))
#else
#define PWKERNEL_CONTROL_API
#endif

// --- timer ---------------------------------------------------------------------
// The step kwoTimer_GetDeltaTime returns until told otherwise.
inline constexpr float kwoHost_DefaultTimeStep = 1.0f / 60.0f;
// Every kwoTimer_GetDeltaTime call returns `step`, whatever it is: tests pass
// 0, negative or non-finite steps on purpose to see how callers cope.
PWKERNEL_CONTROL_API void kwoHost_SetFixedTimeStep(float step);
// kwoTimer_GetDeltaTime returns the seconds elapsed since the previous call
// for the same timer number (0 at the first call).
PWKERNEL_CONTROL_API void kwoHost_UseRealTime();

// --- random numbers ------------------------------------------------------------
// The seed the generator starts from, so that runs are reproducible.
inline constexpr unsigned kwoHost_DefaultRandomSeed = 1;
PWKERNEL_CONTROL_API void kwoHost_SeedRandom(unsigned seed);
// Queues values that kwoRandom_Rand returns, in order, before it goes back to
// the generator (which the queued values do not advance). Values must lie in
// 0..32767; a list holding any other value is refused whole (false).
PWKERNEL_CONTROL_API bool kwoHost_ScriptRandom(const std::vector<unsigned>& values);
PWKERNEL_CONTROL_API void kwoHost_ClearRandomScript();
// Queued values not yet returned.
PWKERNEL_CONTROL_API size_t kwoHost_ScriptedRandomLeft();

// --- call log --------------------------------------------------------------------
// One line per kwo3DAPI_ call since the last clear, with its arguments, e.g.
// "kwo3DAPI_SetupShading(0, 2, 0, 2, 2, 0, 2)" or
// "kwo3DAPI_SetTexture(0, texture#1)". Handles appear as kwoHost_HandleText
// writes them.
PWKERNEL_CONTROL_API std::vector<std::string> kwoHost_CallLog();
PWKERNEL_CONTROL_API void kwoHost_ClearCallLog();
// Whether calls are logged from now on (they are at start). A host that
// never reads the log turns it off: it grows by a line a call, and a long
// run makes millions of calls.
PWKERNEL_CONTROL_API void kwoHost_RecordCalls(bool record);
// "null" for a null handle, "texture#N" for the N-th texture created by this
// process while it is alive, its address in hex for anything else.
PWKERNEL_CONTROL_API std::string kwoHost_HandleText(kwoTextureHandle handle);

// --- textures ------------------------------------------------------------------------
// Textures created and not yet destroyed.
PWKERNEL_CONTROL_API size_t kwoHost_LiveTextures();
// The texture last bound to the stage with kwo3DAPI_SetTexture, or null.
PWKERNEL_CONTROL_API kwoTextureHandle kwoHost_BoundTexture(unsigned stage);
// The next kwo3DAPI_CreateTextureFromMemory (or kwo3DAPI_LockTexture) fails
// with `result` without touching the device.
PWKERNEL_CONTROL_API void kwoHost_FailNextTextureCreate(HRESULT result = E_OUTOFMEMORY);
PWKERNEL_CONTROL_API void kwoHost_FailNextTextureLock(HRESULT result = E_FAIL);
// kwo3DAPI_CreateTextureFromMemory refuses textures of more than `pixels`
// pixels at full size with E_OUTOFMEMORY, as a device with less memory
// would; 0 (the start) lifts the limit. The limit outlives kwoHost_Shutdown.
PWKERNEL_CONTROL_API void kwoHost_LimitTexturePixels(unsigned long long pixels);

// --- end of the session ------------------------------------------------------------
// Destroys the textures still alive, releases the device and forgets pending
// failures. Returns how many textures were still alive: each is a texture
// its owner forgot to destroy. The next call that needs the device creates
// a new one.
PWKERNEL_CONTROL_API size_t kwoHost_Shutdown();
