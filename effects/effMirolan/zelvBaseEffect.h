// The effect interface every effect module of the engine implements, and the
// module's two exported functions.
//
// The engine creates effects only through CreateEffect and disposes of them
// only through the virtual destructor: their memory comes from the module's
// tracked allocator, so no one else may free it.
#pragma once

#include "kwoUtils/TrackedAlloc.h"
#include "win32.h"

#include <cstddef>

#if defined(__GNUC__)
#define MIROLAN_API __attribute__((visibility("default")))
#else
#define MIROLAN_API
#endif

class MIROLAN_API zelvBaseEffect {
public:
    // Counts the new object in m_nNumInsts.
    zelvBaseEffect();
    // A copy is a new live object and is counted like one, since the
    // destructor uncounts every object.
    zelvBaseEffect(const zelvBaseEffect& other);
    // The base has no per-object state: nothing to assign.
    zelvBaseEffect& operator=(const zelvBaseEffect& other);
    virtual ~zelvBaseEffect();

    // Class-wide: the number of live effects of the module.
    virtual int GetNumInst();
    // Class-wide: stored for every effect of the module; nothing reads it.
    virtual void SetLightmap(void* hLightmap);
    // Class-wide: the engine time of the current frame.
    virtual void SetGlobalTime(float fTime);
    // Configures the effect from its parameter text; E_FAIL unless overridden.
    virtual HRESULT Create(char* pszParams);
    virtual HRESULT PrepareForRender();
    virtual void RestoreAfterRender();
    virtual void LoadSpecific();
    virtual int IsFogFriendly();
    // Draws the engine's geometry (already bound by the engine) with the
    // effect's state; the device's result is passed on.
    virtual HRESULT Draw(DWORD dwFirstVertex, DWORD dwNumVertices, DWORD dwStartIndex, DWORD dwNumIndices) = 0;

    // Effects live in tracked blocks: `new (site) Effect` yields null when the
    // block cannot be had, and delete returns the block to the tracker-aware
    // heap.
    static void* operator new(size_t size, const CallSite& site) noexcept;
    static void operator delete(void* block) noexcept;
    static void operator delete(void* block, const CallSite& site) noexcept;

protected:
    static void* m_hLightmap;
    static float m_fGlobalTime;

private:
    static int m_nNumInsts;
};

// The module's exports, by their plain names.
extern "C" {
// A new effect with its defaults, not yet created; null when memory runs out.
MIROLAN_API zelvBaseEffect* CreateEffect();
// The module accepts every device.
MIROLAN_API HRESULT ValidateDevice();
}

// How a host finds the exports after loading the module.
typedef zelvBaseEffect* (*CreateEffectFunction)();
typedef HRESULT (*ValidateDeviceFunction)();
