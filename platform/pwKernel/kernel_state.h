// The engine kernel's process-wide state, shared by its source files.
#pragma once

#include "platform/pwKernel/pwKernel_control.h"

#include "d3d8.h"

#include <array>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace pwkernel {

// What a texture handle points at.
struct KernelTexture {
    IDirect3DTexture8* texture; // owned reference
    unsigned id;                // for the call log: "texture#<id>"
    bool locked;                // level 0 locked through kwo3DAPI_LockTexture
};

inline constexpr unsigned kTextureStages = 8;

struct KernelState {
    std::mutex mutex;
    IDirect3DDevice8* device = nullptr; // created at first need, one per process
    std::set<KernelTexture*> textures;
    unsigned nextTextureId = 1;
    std::array<kwoTextureHandle, kTextureStages> bound{};
    std::vector<std::string> log;
    bool recordCalls = true;
    unsigned long long texturePixelLimit = 0; // 0: no limit
    HRESULT failNextCreate = S_OK;
    HRESULT failNextLock = S_OK;
};

// Callers hold State().mutex while they use what these return.
KernelState& State();
// The device, created on first use; null when the device cannot be made.
IDirect3DDevice8* Device(KernelState& state);
// The live texture behind a handle, or null for null and unknown handles.
KernelTexture* FindTexture(KernelState& state, kwoTextureHandle handle);
std::string HandleText(KernelState& state, kwoTextureHandle handle);

using CallArguments = std::vector<std::string>;

// Appends "name(a, b, ...)" to the call log.
void AppendCall(KernelState& state, const char* name, const CallArguments& arguments);

// Logs a call whose arguments `describe` returns as CallArguments. They are
// only put into words while calls are recorded: a host that never reads the
// log pays nothing for it.
template <typename Describe>
void LogCall(KernelState& state, const char* name, Describe&& describe)
{
    if (state.recordCalls)
        AppendCall(state, name, describe());
}

std::string Number(unsigned long long value);

} // namespace pwkernel
