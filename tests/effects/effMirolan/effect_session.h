// Effects made through the module's factory, with an engine session around
// them and helpers to see what they drew.
#pragma once

#include "effects/effMirolan/zelvMirolanEffect.h"

#include "tests/support/engine_session.h"

#include <memory>
#include <string>

struct DisposeEffect {
    void operator()(zelvBaseEffect* effect) const { delete effect; }
};
using EffectPointer = std::unique_ptr<zelvBaseEffect, DisposeEffect>;

class EffectSession : public EngineSession {
protected:
    void TearDown() override
    {
        m_effects.clear();
        EngineSession::TearDown();
    }

    // A new effect, disposed of at the end of the test unless released
    // earlier with Dispose.
    zelvBaseEffect* NewEffect()
    {
        zelvBaseEffect* effect = CreateEffect();
        if (effect != nullptr)
            m_effects.emplace_back(effect);
        return effect;
    }

    void Dispose(zelvBaseEffect* effect)
    {
        for (auto it = m_effects.begin(); it != m_effects.end(); ++it) {
            if (it->get() == effect) {
                m_effects.erase(it);
                return;
            }
        }
    }

    static HRESULT CreateWith(zelvBaseEffect& effect, const std::string& text)
    {
        std::vector<char> writable(text.begin(), text.end());
        writable.push_back('\0');
        return effect.Create(writable.data());
    }

    // One engine frame at `time` up to the draw; the texture is then bound.
    static void Render(zelvBaseEffect& effect, float time)
    {
        effect.SetGlobalTime(time);
        effect.PrepareForRender();
    }

    // The picture of the texture the effect bound for drawing.
    static std::vector<uint32_t> BoundPicture()
    {
        auto* texture = static_cast<IDirect3DTexture8*>(kwo3DAPI_GetTextureInterface(kwoHost_BoundTexture(0)));
        EXPECT_NE(texture, nullptr);
        return texture == nullptr ? std::vector<uint32_t>() : ReadLevel(texture, 0);
    }

    // Eight random values giving a particle at (x, y) of a 128-wide picture
    // (x and y as 0..32767 fractions of width - 1), direction 0, half the
    // base speed, colour from the three channel values, half the base life.
    static std::vector<unsigned> BirthAt(unsigned x, unsigned y, unsigned red, unsigned green, unsigned blue,
                                         unsigned direction = 0, unsigned speed = 0, unsigned life = 0)
    {
        return {x, y, direction, speed, red, green, blue, life};
    }

private:
    std::vector<EffectPointer> m_effects;
};
