// The plug-in as an engine sees it: loaded by name, its exports found by
// their plain and their class-member names.
#include "effects/effMirolan/zelvBaseEffect.h"

#include "platform/pwKernel/pwKernel_control.h"
#include "platform/pwMemLeak/pwMemLeak_control.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

class LoadedModule : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module = dlopen(MIROLAN_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_module, nullptr) << dlerror();
        kwoMemLeakHost_Reset();
    }
    void TearDown() override
    {
        if (m_module != nullptr)
            dlclose(m_module);
        kwoHost_Shutdown();
    }
    void* Symbol(const char* name) { return dlsym(m_module, name); }

    void* m_module = nullptr;
};

TEST_F(LoadedModule, ExportsItsFunctionsByPlainNames)
{
    EXPECT_NE(Symbol("CreateEffect"), nullptr);
    auto validate = reinterpret_cast<ValidateDeviceFunction>(Symbol("ValidateDevice"));
    ASSERT_NE(validate, nullptr);
    EXPECT_EQ(validate(), S_OK);
}

TEST_F(LoadedModule, ExportsBothClassesWhole)
{
    const char* members[] = {
        "_ZN14zelvBaseEffect11m_nNumInstsE",            // class-wide data
        "_ZN14zelvBaseEffect11m_hLightmapE",
        "_ZN14zelvBaseEffect13m_fGlobalTimeE",
        "_ZTV14zelvBaseEffect",                          // tables of virtual operations
        "_ZTV17zelvMirolanEffect",
        "_ZN14zelvBaseEffectC2Ev",                       // base constructors and assignment
        "_ZN14zelvBaseEffectC2ERKS_",
        "_ZN14zelvBaseEffectaSERKS_",
        "_ZN14zelvBaseEffect10GetNumInstEv",
        "_ZN14zelvBaseEffect13SetGlobalTimeEf",
        "_ZN17zelvMirolanEffectC1Ev",
        "_ZN17zelvMirolanEffectD0Ev",                    // deleting destructor
        "_ZN17zelvMirolanEffect6CreateEPc",
        "_ZN17zelvMirolanEffect4DrawEjjjj",
        "_ZN17zelvMirolanEffect17RandomizeParticleEP8PARTICLE", // private operations too
        "_ZN17zelvMirolanEffect18RandomizeParticlesEv",
        "_ZN17zelvMirolanEffect13RenderTextureEv",
    };
    for (const char* name : members)
        EXPECT_NE(Symbol(name), nullptr) << name;
    // Helpers of the effect stay inside.
    EXPECT_EQ(Symbol("_Z12FastInvSqrtf"), nullptr);
}

TEST_F(LoadedModule, EffectsComeFromTheFactoryAndGoThroughTheDestructor)
{
    auto create = reinterpret_cast<CreateEffectFunction>(Symbol("CreateEffect"));
    ASSERT_NE(create, nullptr);
    zelvBaseEffect* effect = create();
    ASSERT_NE(effect, nullptr);
    int count = effect->GetNumInst();
    EXPECT_GE(count, 1);
    char text[] = "width=8\nheight=8";
    EXPECT_EQ(effect->Create(text), S_OK);
    EXPECT_GT(kwoMemLeakHost_LiveBlockCount(), 0u);
    delete effect;
    EXPECT_EQ(kwoMemLeakHost_LiveBlockCount(), 0u);
    EXPECT_EQ(kwoHost_LiveTextures(), 0u);
}

} // namespace
