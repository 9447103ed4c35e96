// Engine kernel functions the effect module imports from pwKernel.
//
// Plain C functions. Results follow the HRESULT convention (negative is
// failure); render-state results are ignored by the module. Handles are
// opaque engine pointers.
#pragma once

#include <cstdint>

#if defined(__GNUC__)
#define PWKERNEL_API extern "C" __attribute__((visibility("default")))
#else
#define PWKERNEL_API extern "C"
#endif

typedef void* kwoTextureHandle;

// Creates a width x height texture in the named format ("a8r8g8b8"). The
// module passes count 1, a mip flag, and null/null/0 for the name, initial
// pixels and creation flags. Non-zero bMipmaps asks for a full mip chain.
PWKERNEL_API long kwo3DAPI_CreateTextureFromMemory(unsigned uWidth, unsigned uHeight, const char* pszFormat,
                                                   int nCount, kwoTextureHandle* phTexture, int bMipmaps,
                                                   const char* pszName, void* pInitialData, long lFlags);
// Destroys the texture and sets *phTexture to null; a null handle is accepted.
PWKERNEL_API long kwo3DAPI_DestroyTexture(kwoTextureHandle* phTexture);
// Locks the full-size level: *ppBits receives the top-left pixel, *plPitch
// the bytes per row.
PWKERNEL_API long kwo3DAPI_LockTexture(kwoTextureHandle hTexture, void** ppBits, long* plPitch, unsigned uFlags);
PWKERNEL_API long kwo3DAPI_UnlockTexture(kwoTextureHandle hTexture, unsigned uFlags);
// The Direct3D 8 texture behind the handle, lent (no reference added).
PWKERNEL_API void* kwo3DAPI_GetTextureInterface(kwoTextureHandle hTexture);
// The current IDirect3DDevice8, lent.
PWKERNEL_API void* kwo3DAPI_GetDevice();
PWKERNEL_API long kwo3DAPI_SetTexture(unsigned uStage, kwoTextureHandle hTexture);
PWKERNEL_API long kwo3DAPI_SetAlphaBlendEnabled(int bEnabled);
PWKERNEL_API long kwo3DAPI_SetupBlending(unsigned uSrcBlend, unsigned uDestBlend);
PWKERNEL_API long kwo3DAPI_SetupShading(unsigned uStage, unsigned uColorArg1, unsigned uColorArg2,
                                        unsigned uColorOp, unsigned uAlphaArg1, unsigned uAlphaArg2,
                                        unsigned uAlphaOp);
PWKERNEL_API long kwo3DAPI_SetTexFiltering(unsigned uStage, unsigned uMagFilter, unsigned uMinFilter,
                                           unsigned uMipFilter);
// Time since the previous frame, finite.
PWKERNEL_API float kwoTimer_GetDeltaTime(int nTimer);
// A pseudo-random value from 0 to 32767.
PWKERNEL_API unsigned kwoRandom_Rand();
