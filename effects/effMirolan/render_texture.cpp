// The re-render: the particles' birth and step, and one frame of the
// picture from them.
#include "effects/effMirolan/zelvMirolanEffect.h"

#include "effects/effMirolan/mipchain.h"
#include "effects/effMirolan/particles.h"
#include "effects/effMirolan/raster.h"

#include <cmath>

void zelvMirolanEffect::RandomizeParticle(PARTICLE* pParticle) { BirthParticle(*pParticle, Settings()); }

void zelvMirolanEffect::RandomizeParticles()
{
    for (int i = 0; i < m_nNumParticles; ++i)
        RandomizeParticle(&m_pParticles[i]);
}

void zelvMirolanEffect::RenderTexture()
{
    // Only a created effect has a picture to render.
    if (m_pPixels == nullptr)
        return;
    float step = kwoTimer_GetDeltaTime(0);
    // A step that is not a number would make positions unusable as pixel
    // indices; such a frame moves nothing but still fades.
    if (!std::isfinite(step))
        step = 0.0f;
    if (m_pParticles != nullptr)
        AdvanceParticles(m_pParticles, m_nNumParticles, step, Settings());
    FadePixels(m_pPixels, size_t(m_nWidth) * size_t(m_nHeight));
    if (m_pParticles != nullptr)
        PlotParticles(m_pPixels, unsigned(m_nWidth), unsigned(m_nHeight), m_pParticles, m_nNumParticles);
    UploadPixels(m_hTexture, m_pPixels, unsigned(m_nWidth), unsigned(m_nHeight));
    if (m_bMipmaps != 0)
        RegenerateMipChain(kwo3DAPI_GetTextureInterface(m_hTexture));
}
