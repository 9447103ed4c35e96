// Render-state and texture-stage calls: logged, then forwarded to the
// device as the Direct3D 8 states they stand for.
#include "platform/pwKernel/kernel_state.h"

using namespace pwkernel;

namespace {

struct StageState {
    D3DTEXTURESTAGESTATETYPE type;
    DWORD value;
};

// Sets the states in order and answers the first failure, or S_OK.
HRESULT SetStageStates(KernelState& state, unsigned stage, std::initializer_list<StageState> states)
{
    if (stage >= kTextureStages)
        return E_INVALIDARG;
    IDirect3DDevice8* device = Device(state);
    if (device == nullptr)
        return E_FAIL;
    HRESULT result = S_OK;
    for (const StageState& entry : states) {
        HRESULT one = device->SetTextureStageState(stage, entry.type, entry.value);
        if (FAILED(one) && SUCCEEDED(result))
            result = one;
    }
    return result;
}

HRESULT SetRenderStates(KernelState& state, std::initializer_list<std::pair<D3DRENDERSTATETYPE, DWORD>> states)
{
    IDirect3DDevice8* device = Device(state);
    if (device == nullptr)
        return E_FAIL;
    HRESULT result = S_OK;
    for (const auto& [type, value] : states) {
        HRESULT one = device->SetRenderState(type, value);
        if (FAILED(one) && SUCCEEDED(result))
            result = one;
    }
    return result;
}

} // namespace

PWKERNEL_API long kwo3DAPI_SetAlphaBlendEnabled(int bEnabled)
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    LogCall(state, "kwo3DAPI_SetAlphaBlendEnabled", [&] { return CallArguments{std::to_string(bEnabled)}; });
    return SetRenderStates(state, {{D3DRS_ALPHABLENDENABLE, bEnabled ? TRUE : FALSE}});
}

PWKERNEL_API long kwo3DAPI_SetupBlending(unsigned uSrcBlend, unsigned uDestBlend)
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    LogCall(state, "kwo3DAPI_SetupBlending", [&] { return CallArguments{Number(uSrcBlend), Number(uDestBlend)}; });
    return SetRenderStates(state, {{D3DRS_SRCBLEND, uSrcBlend}, {D3DRS_DESTBLEND, uDestBlend}});
}

PWKERNEL_API long kwo3DAPI_SetupShading(unsigned uStage, unsigned uColorArg1, unsigned uColorArg2, unsigned uColorOp,
                                        unsigned uAlphaArg1, unsigned uAlphaArg2, unsigned uAlphaOp)
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    LogCall(state, "kwo3DAPI_SetupShading", [&] {
        return CallArguments{Number(uStage),     Number(uColorArg1), Number(uColorArg2), Number(uColorOp),
                             Number(uAlphaArg1), Number(uAlphaArg2), Number(uAlphaOp)};
    });
    return SetStageStates(state, uStage,
                          {{D3DTSS_COLORARG1, uColorArg1},
                           {D3DTSS_COLORARG2, uColorArg2},
                           {D3DTSS_COLOROP, uColorOp},
                           {D3DTSS_ALPHAARG1, uAlphaArg1},
                           {D3DTSS_ALPHAARG2, uAlphaArg2},
                           {D3DTSS_ALPHAOP, uAlphaOp}});
}

PWKERNEL_API long kwo3DAPI_SetTexFiltering(unsigned uStage, unsigned uMagFilter, unsigned uMinFilter,
                                           unsigned uMipFilter)
{
    KernelState& state = State();
    std::lock_guard lock(state.mutex);
    LogCall(state, "kwo3DAPI_SetTexFiltering", [&] {
        return CallArguments{Number(uStage), Number(uMagFilter), Number(uMinFilter), Number(uMipFilter)};
    });
    return SetStageStates(
        state, uStage,
        {{D3DTSS_MAGFILTER, uMagFilter}, {D3DTSS_MINFILTER, uMinFilter}, {D3DTSS_MIPFILTER, uMipFilter}});
}
