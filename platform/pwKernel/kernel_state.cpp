// Device ownership, the call log and the end of a session.
#include "platform/pwKernel/kernel_state.h"

#include <cinttypes>
#include <cstdio>

namespace pwkernel {

KernelState& State()
{
    // Never destroyed: textures may be released by other libraries' static
    // destructors after this one would have run.
    static KernelState* state = new KernelState;
    return *state;
}

IDirect3DDevice8* Device(KernelState& state)
{
    if (state.device == nullptr && FAILED(SoftD3D8CreateDevice(&state.device)))
        state.device = nullptr;
    return state.device;
}

KernelTexture* FindTexture(KernelState& state, kwoTextureHandle handle)
{
    auto found = state.textures.find(static_cast<KernelTexture*>(handle));
    return found == state.textures.end() ? nullptr : *found;
}

std::string HandleText(KernelState& state, kwoTextureHandle handle)
{
    if (handle == nullptr)
        return "null";
    if (KernelTexture* texture = FindTexture(state, handle))
        return "texture#" + Number(texture->id);
    char text[32];
    std::snprintf(text, sizeof text, "0x%" PRIxPTR, reinterpret_cast<uintptr_t>(handle));
    return text;
}

void AppendCall(KernelState& state, const char* name, const CallArguments& arguments)
{
    std::string line = name;
    line += '(';
    const char* separator = "";
    for (const std::string& argument : arguments) {
        line += separator;
        line += argument;
        separator = ", ";
    }
    line += ')';
    state.log.push_back(std::move(line));
}

std::string Number(unsigned long long value) { return std::to_string(value); }

} // namespace pwkernel

using namespace pwkernel;

PWKERNEL_API void* kwo3DAPI_GetDevice()
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    LogCall(state, "kwo3DAPI_GetDevice", [] { return CallArguments{}; });
    return Device(state);
}

PWKERNEL_CONTROL_API std::vector<std::string> kwoHost_CallLog()
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    return state.log;
}

PWKERNEL_CONTROL_API void kwoHost_ClearCallLog()
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    state.log.clear();
}

PWKERNEL_CONTROL_API void kwoHost_RecordCalls(bool record)
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    state.recordCalls = record;
}

PWKERNEL_CONTROL_API std::string kwoHost_HandleText(kwoTextureHandle handle)
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    return HandleText(state, handle);
}

PWKERNEL_CONTROL_API size_t kwoHost_Shutdown()
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    size_t forgotten = state.textures.size();
    if (state.device != nullptr)
        for (unsigned stage = 0; stage < kTextureStages; ++stage)
            if (state.bound[stage] != nullptr)
                state.device->SetTexture(stage, nullptr);
    state.bound.fill(nullptr);
    for (KernelTexture* texture : state.textures) {
        if (texture->locked)
            texture->texture->UnlockRect(0);
        texture->texture->Release();
        delete texture;
    }
    state.textures.clear();
    if (state.device != nullptr) {
        state.device->Release();
        state.device = nullptr;
    }
    state.failNextCreate = S_OK;
    state.failNextLock = S_OK;
    return forgotten;
}
