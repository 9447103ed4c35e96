// The effect plug-in, loaded with the dynamic loader.
#pragma once

#include "effects/effMirolan/zelvBaseEffect.h"

#include <string>

class EffectModule {
public:
    EffectModule() = default;
    ~EffectModule();
    EffectModule(const EffectModule&) = delete;
    EffectModule& operator=(const EffectModule&) = delete;

    // Loads the module and finds CreateEffect; on failure `error` says why.
    bool Load(const std::string& path, std::string& error);
    zelvBaseEffect* CreateEffect() const { return m_createEffect(); }

private:
    void* m_handle = nullptr;
    CreateEffectFunction m_createEffect = nullptr;
};

// libMirolan.so in the folder of the running executable, or in ../lib
// beside it (an installed copy).
std::string DefaultModulePath();
