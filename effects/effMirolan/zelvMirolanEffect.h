// The particle texture effect: coloured particles move, bounce off the
// edges and leave fading trails in a software A8R8G8B8 picture, which is
// copied into an engine texture and drawn alpha-blended over the scene.
//
// Parameters (Create's text, keys in any letter case):
//   width, height   texture size in pixels (decimal or 0x hex), default 128
//   numparticles    default 10; 0 or less means none
//   speed           pixels per unit of the frame time step, default 50.0
//   lifetime        in units of the frame time step, default 3.0
//   mipmaps         non-zero: a mip chain, rebuilt after every re-render
#pragma once

#include "effects/effMirolan/particle.h"
#include "effects/effMirolan/zelvBaseEffect.h"
#include "engine/pwKernel.h"

class MIROLAN_API zelvMirolanEffect : public zelvBaseEffect {
public:
    // Defaults, no texture, no buffers.
    zelvMirolanEffect();
    // An effect owns its texture and buffers; a copy would share them.
    zelvMirolanEffect(const zelvMirolanEffect&) = delete;
    zelvMirolanEffect& operator=(const zelvMirolanEffect&) = delete;
    // Destroys the texture (a null handle included) and frees the buffers.
    ~zelvMirolanEffect() override;

    // Reads the parameters, creates the texture, the pixel buffer and the
    // particles. E_FAIL, with nothing held, when the parameter list, the
    // texture or a buffer cannot be had, or the sizes do not fit 32 bits.
    // A second call first releases what the first obtained and starts again
    // from the defaults.
    HRESULT Create(char* pszParams) override;
    // Re-renders once per distinct engine time, then sets blending, the
    // texture stages and the texture, and fixed-function pixel processing.
    HRESULT PrepareForRender() override;
    // Unbinds the texture and restores stage 0.
    void RestoreAfterRender() override;
    void LoadSpecific() override;
    int IsFogFriendly() override;
    // One triangle-list draw: indexed when dwNumIndices is not 0.
    HRESULT Draw(DWORD dwFirstVertex, DWORD dwNumVertices, DWORD dwStartIndex, DWORD dwNumIndices) override;

private:
    void RandomizeParticle(PARTICLE* pParticle);
    void RandomizeParticles();
    void RenderTexture();

    void SetDefaults();
    void ReleaseResources();
    ParticleSettings Settings() const;

    int m_nWidth;
    int m_nHeight;
    int m_nNumParticles;
    float m_fBaseSpeed;
    float m_fBaseLifetime;
    int m_bMipmaps;
    kwoTextureHandle m_hTexture;
    float m_fLastTime;
    PARTICLE* m_pParticles;
    DWORD* m_pPixels;
};
