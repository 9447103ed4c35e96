// The effect object: its parameters and resources, the render state it
// sets, its draw call, and the module's exports.
#include "effects/effMirolan/zelvMirolanEffect.h"

#include "d3d8.h"
#include "kwoUtils/kwoStringParams.h"

#include <cstdint>

namespace {

// The tracker's names for the effect's allocations.
constexpr CallSite kEffectObjectSite{"effects/effMirolan/effMirolan", 74};
constexpr CallSite kParameterListSite{"effects/effMirolan/effMirolan", 103};
constexpr CallSite kPixelBufferSite{"effects/effMirolan/effMirolan", 115};
constexpr CallSite kParticleArraySite{"effects/effMirolan/effMirolan", 117};

constexpr int kDefaultSize = 128;
constexpr int kDefaultParticleCount = 10;
constexpr float kDefaultSpeed = 50.0f;
constexpr float kDefaultLifetime = 3.0f;

IDirect3DDevice8* EngineDevice() { return static_cast<IDirect3DDevice8*>(kwo3DAPI_GetDevice()); }

} // namespace

zelvMirolanEffect::zelvMirolanEffect() { SetDefaults(); }

zelvMirolanEffect::~zelvMirolanEffect() { ReleaseResources(); }

void zelvMirolanEffect::SetDefaults()
{
    m_nWidth = kDefaultSize;
    m_nHeight = kDefaultSize;
    m_nNumParticles = kDefaultParticleCount;
    m_fBaseSpeed = kDefaultSpeed;
    m_fBaseLifetime = kDefaultLifetime;
    m_bMipmaps = 0;
    m_hTexture = nullptr;
    m_fLastTime = 0.0f;
    m_pParticles = nullptr;
    m_pPixels = nullptr;
}

void zelvMirolanEffect::ReleaseResources()
{
    kwo3DAPI_DestroyTexture(&m_hTexture);
    m_hTexture = nullptr;
    if (m_pParticles != nullptr) {
        TrackedFree(m_pParticles);
        m_pParticles = nullptr;
    }
    if (m_pPixels != nullptr) {
        TrackedFree(m_pPixels);
        m_pPixels = nullptr;
    }
}

ParticleSettings zelvMirolanEffect::Settings() const
{
    return ParticleSettings{unsigned(m_nWidth), unsigned(m_nHeight), m_fBaseSpeed, m_fBaseLifetime};
}

HRESULT zelvMirolanEffect::Create(char* pszParams)
{
    if (m_hTexture != nullptr || m_pPixels != nullptr || m_pParticles != nullptr)
        ReleaseResources();
    SetDefaults();

    kwoStringParams* params = new (kParameterListSite) kwoStringParams(pszParams);
    if (params == nullptr)
        return E_FAIL;
    params->GetIntHex("width", m_nWidth);
    params->GetIntHex("height", m_nHeight);
    params->GetInt("numparticles", m_nNumParticles);
    params->GetFloat("speed", m_fBaseSpeed);
    params->GetFloat("lifetime", m_fBaseLifetime);
    params->GetInt("mipmaps", m_bMipmaps);
    delete params;

    // The simulation needs at least one pixel each way, and every size the
    // tracked allocator is asked for must fit its 32-bit request.
    if (m_nWidth < 1 || m_nHeight < 1)
        return E_FAIL;
    uint64_t pixelBytes = uint64_t(m_nHeight) * uint64_t(m_nWidth) * sizeof(DWORD);
    uint64_t particleBytes = m_nNumParticles > 0 ? uint64_t(m_nNumParticles) * sizeof(PARTICLE) : 0;
    if (pixelBytes > UINT32_MAX || particleBytes > UINT32_MAX)
        return E_FAIL;

    if (kwo3DAPI_CreateTextureFromMemory(unsigned(m_nWidth), unsigned(m_nHeight), "a8r8g8b8", 1, &m_hTexture,
                                         m_bMipmaps, nullptr, nullptr, 0) < 0)
        return E_FAIL;

    // Zero-filled: the picture starts transparent black.
    m_pPixels = static_cast<DWORD*>(TrackedAlloc(unsigned(pixelBytes), kPixelBufferSite));
    // A count of 0 or less asks for nothing and gets null: no particles.
    m_pParticles = static_cast<PARTICLE*>(TrackedAlloc(unsigned(particleBytes), kParticleArraySite));
    if (m_pPixels == nullptr || (particleBytes != 0 && m_pParticles == nullptr)) {
        ReleaseResources();
        return E_FAIL;
    }
    RandomizeParticles();
    return S_OK;
}

HRESULT zelvMirolanEffect::PrepareForRender()
{
    // Written so that a NaN time, which equals nothing, re-renders too.
    if (!(m_fGlobalTime == m_fLastTime)) {
        m_fLastTime = m_fGlobalTime;
        RenderTexture();
    }
    kwo3DAPI_SetAlphaBlendEnabled(TRUE);
    kwo3DAPI_SetupBlending(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
    kwo3DAPI_SetupShading(0, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE,
                          D3DTOP_SELECTARG1);
    kwo3DAPI_SetupShading(1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_DIFFUSE,
                          D3DTOP_DISABLE);
    kwo3DAPI_SetTexFiltering(0, D3DTEXF_LINEAR, D3DTEXF_LINEAR, D3DTEXF_LINEAR);
    kwo3DAPI_SetTexture(0, m_hTexture);
    if (IDirect3DDevice8* device = EngineDevice())
        device->SetPixelShader(0); // fixed-function pixel processing
    return S_OK;
}

void zelvMirolanEffect::RestoreAfterRender()
{
    kwo3DAPI_SetTexture(0, nullptr);
    kwo3DAPI_SetTexFiltering(0, D3DTEXF_LINEAR, D3DTEXF_LINEAR, D3DTEXF_POINT);
    kwo3DAPI_SetupShading(0, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE,
                          D3DTOP_MODULATE);
}

void zelvMirolanEffect::LoadSpecific() {}

int zelvMirolanEffect::IsFogFriendly() { return 1; }

HRESULT zelvMirolanEffect::Draw(DWORD dwFirstVertex, DWORD dwNumVertices, DWORD dwStartIndex, DWORD dwNumIndices)
{
    IDirect3DDevice8* device = EngineDevice();
    if (device == nullptr)
        return E_FAIL;
    if (dwNumIndices != 0)
        return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, dwFirstVertex, dwNumVertices, dwStartIndex,
                                            dwNumIndices / 3);
    return device->DrawPrimitive(D3DPT_TRIANGLELIST, dwFirstVertex, dwNumVertices / 3);
}

extern "C" MIROLAN_API zelvBaseEffect* CreateEffect() { return new (kEffectObjectSite) zelvMirolanEffect; }

extern "C" MIROLAN_API HRESULT ValidateDevice() { return S_OK; }
