// Textures behind engine handles: created on the kernel's device from a
// format name, locked at their full-size level, destroyed with the handle.
#include "platform/pwKernel/kernel_state.h"

#include <cstring>

using namespace pwkernel;

namespace {

// The format names the kernel knows, compared without regard to case.
struct FormatName {
    const char* name;
    D3DFORMAT format;
    unsigned bytesPerPixel;
};
constexpr FormatName kFormats[] = {
    {"a8r8g8b8", D3DFMT_A8R8G8B8, 4},
};

const FormatName* FindFormat(const char* name)
{
    if (name == nullptr)
        return nullptr;
    for (const FormatName& format : kFormats)
        if (strcasecmp(format.name, name) == 0)
            return &format;
    return nullptr;
}

std::string Quoted(const char* text)
{
    if (text == nullptr)
        return "null";
    std::string quoted(1, '"');
    quoted.append(text);
    quoted.push_back('"');
    return quoted;
}

// Copies tightly packed rows into level 0 of a new texture.
HRESULT FillLevelZero(IDirect3DTexture8* texture, const void* pixels, unsigned width, unsigned height,
                      unsigned bytesPerPixel)
{
    D3DLOCKED_RECT locked{};
    HRESULT result = texture->LockRect(0, &locked, nullptr, 0);
    if (FAILED(result))
        return result;
    size_t rowBytes = size_t(width) * bytesPerPixel;
    for (unsigned row = 0; row < height; ++row)
        std::memcpy(static_cast<char*>(locked.pBits) + size_t(row) * locked.Pitch,
                    static_cast<const char*>(pixels) + row * rowBytes, rowBytes);
    texture->UnlockRect(0);
    return S_OK;
}

} // namespace

PWKERNEL_API long kwo3DAPI_CreateTextureFromMemory(unsigned uWidth, unsigned uHeight, const char* pszFormat, int nCount,
                                                   kwoTextureHandle* phTexture, int bMipmaps, const char* pszName,
                                                   void* pInitialData, long lFlags)
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    LogCall(state, "kwo3DAPI_CreateTextureFromMemory", [&] {
        return CallArguments{Number(uWidth),
                             Number(uHeight),
                             Quoted(pszFormat),
                             std::to_string(nCount),
                             std::to_string(bMipmaps),
                             Quoted(pszName),
                             pInitialData == nullptr ? "null" : "data",
                             std::to_string(lFlags)};
    });
    if (state.failNextCreate != S_OK) {
        HRESULT result = state.failNextCreate;
        state.failNextCreate = S_OK;
        return result;
    }
    const FormatName* format = FindFormat(pszFormat);
    // One texture per call: the count is the number of textures the engine
    // would create from consecutive images, which this kernel does not load.
    if (phTexture == nullptr || format == nullptr || nCount != 1 || uWidth == 0 || uHeight == 0)
        return E_INVALIDARG;
    if (state.texturePixelLimit != 0 && static_cast<unsigned long long>(uWidth) * uHeight > state.texturePixelLimit)
        return E_OUTOFMEMORY;
    IDirect3DDevice8* device = Device(state);
    if (device == nullptr)
        return E_FAIL;
    // Managed pool: the effect and the mip-chain filter lock every level.
    // Levels 0 asks the device for the whole chain down to 1x1.
    IDirect3DTexture8* texture = nullptr;
    HRESULT result =
        device->CreateTexture(uWidth, uHeight, bMipmaps ? 0 : 1, 0, format->format, D3DPOOL_MANAGED, &texture);
    if (FAILED(result))
        return result;
    if (pInitialData != nullptr) {
        result = FillLevelZero(texture, pInitialData, uWidth, uHeight, format->bytesPerPixel);
        if (FAILED(result)) {
            texture->Release();
            return result;
        }
    }
    KernelTexture* record = new KernelTexture{texture, state.nextTextureId++, false};
    state.textures.insert(record);
    *phTexture = record;
    return S_OK;
}

PWKERNEL_API long kwo3DAPI_DestroyTexture(kwoTextureHandle* phTexture)
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    LogCall(state, "kwo3DAPI_DestroyTexture",
            [&] { return CallArguments{phTexture == nullptr ? "null" : HandleText(state, *phTexture)}; });
    if (phTexture == nullptr)
        return E_INVALIDARG;
    if (*phTexture == nullptr)
        return S_OK;
    KernelTexture* texture = FindTexture(state, *phTexture);
    if (texture == nullptr)
        return E_INVALIDARG;
    // The device holds a reference on bound textures; unbind so that the
    // release below really frees it.
    for (unsigned stage = 0; stage < kTextureStages; ++stage) {
        if (state.bound[stage] == texture) {
            if (state.device != nullptr)
                state.device->SetTexture(stage, nullptr);
            state.bound[stage] = nullptr;
        }
    }
    if (texture->locked)
        texture->texture->UnlockRect(0);
    texture->texture->Release();
    state.textures.erase(texture);
    delete texture;
    *phTexture = nullptr;
    return S_OK;
}

PWKERNEL_API long kwo3DAPI_LockTexture(kwoTextureHandle hTexture, void** ppBits, long* plPitch, unsigned uFlags)
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    LogCall(state, "kwo3DAPI_LockTexture", [&] { return CallArguments{HandleText(state, hTexture), Number(uFlags)}; });
    if (state.failNextLock != S_OK) {
        HRESULT result = state.failNextLock;
        state.failNextLock = S_OK;
        return result;
    }
    KernelTexture* texture = FindTexture(state, hTexture);
    if (texture == nullptr || ppBits == nullptr || plPitch == nullptr || texture->locked)
        return E_INVALIDARG;
    D3DLOCKED_RECT locked{};
    HRESULT result = texture->texture->LockRect(0, &locked, nullptr, uFlags);
    if (FAILED(result))
        return result;
    texture->locked = true;
    *ppBits = locked.pBits;
    *plPitch = locked.Pitch;
    return S_OK;
}

PWKERNEL_API long kwo3DAPI_UnlockTexture(kwoTextureHandle hTexture, unsigned uFlags)
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    LogCall(state, "kwo3DAPI_UnlockTexture", [&] {
        return CallArguments{HandleText(state, hTexture), Number(uFlags)};
    });
    KernelTexture* texture = FindTexture(state, hTexture);
    if (texture == nullptr || !texture->locked)
        return E_INVALIDARG;
    texture->locked = false;
    return texture->texture->UnlockRect(0);
}

PWKERNEL_API void* kwo3DAPI_GetTextureInterface(kwoTextureHandle hTexture)
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    LogCall(state, "kwo3DAPI_GetTextureInterface", [&] { return CallArguments{HandleText(state, hTexture)}; });
    KernelTexture* texture = FindTexture(state, hTexture);
    return texture == nullptr ? nullptr : texture->texture;
}

PWKERNEL_API long kwo3DAPI_SetTexture(unsigned uStage, kwoTextureHandle hTexture)
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    LogCall(state, "kwo3DAPI_SetTexture", [&] { return CallArguments{Number(uStage), HandleText(state, hTexture)}; });
    KernelTexture* texture = FindTexture(state, hTexture);
    if (uStage >= kTextureStages || (hTexture != nullptr && texture == nullptr))
        return E_INVALIDARG;
    IDirect3DDevice8* device = Device(state);
    if (device == nullptr)
        return E_FAIL;
    HRESULT result = device->SetTexture(uStage, texture == nullptr ? nullptr : texture->texture);
    if (SUCCEEDED(result))
        state.bound[uStage] = texture;
    return result;
}

PWKERNEL_CONTROL_API size_t kwoHost_LiveTextures()
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    return state.textures.size();
}

PWKERNEL_CONTROL_API kwoTextureHandle kwoHost_BoundTexture(unsigned stage)
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    return stage < kTextureStages ? state.bound[stage] : nullptr;
}

PWKERNEL_CONTROL_API void kwoHost_FailNextTextureCreate(HRESULT result)
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    state.failNextCreate = FAILED(result) ? result : S_OK;
}

PWKERNEL_CONTROL_API void kwoHost_LimitTexturePixels(unsigned long long pixels)
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    state.texturePixelLimit = pixels;
}

PWKERNEL_CONTROL_API void kwoHost_FailNextTextureLock(HRESULT result)
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    state.failNextLock = FAILED(result) ? result : S_OK;
}
