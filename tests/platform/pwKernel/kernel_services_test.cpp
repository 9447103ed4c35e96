// The engine kernel's render state, call log, timer and random numbers.
#include "tests/support/engine_session.h"

#include <cmath>
#include <limits>
#include <thread>

namespace {

using KernelServices = EngineSession;

TEST_F(KernelServices, RenderStateIsLoggedAndForwardedToTheDevice)
{
    kwo3DAPI_SetAlphaBlendEnabled(1);
    kwo3DAPI_SetupBlending(5, 6);
    kwo3DAPI_SetupShading(1, 2, 0, 4, 2, 0, 1);
    kwo3DAPI_SetTexFiltering(0, 2, 2, 1);
    EXPECT_EQ(kwoHost_CallLog(), (std::vector<std::string>{
                                     "kwo3DAPI_SetAlphaBlendEnabled(1)",
                                     "kwo3DAPI_SetupBlending(5, 6)",
                                     "kwo3DAPI_SetupShading(1, 2, 0, 4, 2, 0, 1)",
                                     "kwo3DAPI_SetTexFiltering(0, 2, 2, 1)",
                                 }));
    EXPECT_EQ(d3d8::CallLog(), (std::vector<std::string>{
                                   "SetRenderState(27, 1)",
                                   "SetRenderState(19, 5)",
                                   "SetRenderState(20, 6)",
                                   "SetTextureStageState(1, 2, 2)",
                                   "SetTextureStageState(1, 3, 0)",
                                   "SetTextureStageState(1, 1, 4)",
                                   "SetTextureStageState(1, 5, 2)",
                                   "SetTextureStageState(1, 6, 0)",
                                   "SetTextureStageState(1, 4, 1)",
                                   "SetTextureStageState(0, 16, 2)",
                                   "SetTextureStageState(0, 17, 2)",
                                   "SetTextureStageState(0, 18, 1)",
                               }));
    kwoHost_ClearCallLog();
    EXPECT_TRUE(kwoHost_CallLog().empty());
}

TEST_F(KernelServices, CallsGoUnrecordedWhileRecordingIsOff)
{
    kwoHost_RecordCalls(false);
    d3d8::RecordCalls(false);
    EXPECT_EQ(kwo3DAPI_SetupBlending(5, 6), S_OK);
    EXPECT_EQ(kwo3DAPI_SetupShading(9, 2, 0, 4, 2, 0, 1), E_INVALIDARG);
    EXPECT_TRUE(kwoHost_CallLog().empty());
    EXPECT_TRUE(d3d8::CallLog().empty());
    kwoHost_RecordCalls(true);
    d3d8::RecordCalls(true);
    kwo3DAPI_SetupBlending(2, 1);
    EXPECT_EQ(kwoHost_CallLog(), (std::vector<std::string>{"kwo3DAPI_SetupBlending(2, 1)"}));
    EXPECT_EQ(d3d8::CallLog(), (std::vector<std::string>{"SetRenderState(19, 2)", "SetRenderState(20, 1)"}));
}

TEST_F(KernelServices, TexturesAppearInTheLogByNumber)
{
    kwoTextureHandle handle = nullptr;
    ASSERT_EQ(kwo3DAPI_CreateTextureFromMemory(32, 16, "a8r8g8b8", 1, &handle, 1, nullptr, nullptr, 0), S_OK);
    std::string name = kwoHost_HandleText(handle);
    EXPECT_EQ(name.rfind("texture#", 0), 0u);
    kwo3DAPI_SetTexture(0, handle);
    kwo3DAPI_SetTexture(0, nullptr);
    kwo3DAPI_DestroyTexture(&handle);
    EXPECT_EQ(kwoHost_CallLog(), (std::vector<std::string>{
                                     "kwo3DAPI_CreateTextureFromMemory(32, 16, \"a8r8g8b8\", 1, 1, null, null, 0)",
                                     "kwo3DAPI_SetTexture(0, " + name + ")",
                                     "kwo3DAPI_SetTexture(0, null)",
                                     "kwo3DAPI_DestroyTexture(" + name + ")",
                                 }));
    EXPECT_EQ(kwoHost_HandleText(nullptr), "null");
}

TEST_F(KernelServices, OutOfRangeStagesAreRefused)
{
    EXPECT_LT(kwo3DAPI_SetTexture(8, nullptr), 0);
    EXPECT_LT(kwo3DAPI_SetupShading(8, 2, 0, 2, 2, 0, 2), 0);
    EXPECT_LT(kwo3DAPI_SetTexFiltering(9, 2, 2, 2), 0);
    EXPECT_EQ(kwoHost_BoundTexture(8), nullptr);
}

TEST_F(KernelServices, FixedStepIsReturnedAsSet)
{
    EXPECT_EQ(kwoTimer_GetDeltaTime(0), kwoHost_DefaultTimeStep);
    kwoHost_SetFixedTimeStep(0.25f);
    EXPECT_EQ(kwoTimer_GetDeltaTime(0), 0.25f);
    EXPECT_EQ(kwoTimer_GetDeltaTime(1), 0.25f);
    // Tests hand out unusable steps on purpose.
    kwoHost_SetFixedTimeStep(std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(std::isnan(kwoTimer_GetDeltaTime(0)));
}

TEST_F(KernelServices, RealTimeMeasuresBetweenCalls)
{
    kwoHost_UseRealTime();
    EXPECT_EQ(kwoTimer_GetDeltaTime(0), 0.0f);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    float elapsed = kwoTimer_GetDeltaTime(0);
    EXPECT_GE(elapsed, 0.015f);
    EXPECT_LT(elapsed, 10.0f);
    // Each timer number keeps its own last call.
    EXPECT_EQ(kwoTimer_GetDeltaTime(7), 0.0f);
}

std::vector<unsigned> Draw(size_t count)
{
    std::vector<unsigned> values;
    for (size_t i = 0; i < count; ++i)
        values.push_back(kwoRandom_Rand());
    return values;
}

TEST_F(KernelServices, RandomValuesAreReproducibleAndInRange)
{
    std::vector<unsigned> first = Draw(5000);
    kwoHost_SeedRandom(kwoHost_DefaultRandomSeed);
    EXPECT_EQ(Draw(5000), first);
    unsigned largest = 0;
    unsigned smallest = 32767;
    for (unsigned value : first) {
        largest = std::max(largest, value);
        smallest = std::min(smallest, value);
    }
    EXPECT_LE(largest, 32767u);
    // Spread over the range, not stuck in a corner of it.
    EXPECT_GT(largest, 32000u);
    EXPECT_LT(smallest, 700u);
    kwoHost_SeedRandom(2);
    EXPECT_NE(Draw(5000), first);
}

TEST_F(KernelServices, ScriptedValuesComeFirstAndLeaveTheGeneratorAlone)
{
    std::vector<unsigned> generated = Draw(4);
    kwoHost_SeedRandom(kwoHost_DefaultRandomSeed);
    ASSERT_TRUE(kwoHost_ScriptRandom({0, 32767, 5}));
    EXPECT_EQ(kwoHost_ScriptedRandomLeft(), 3u);
    EXPECT_EQ(Draw(3), (std::vector<unsigned>{0, 32767, 5}));
    EXPECT_EQ(Draw(4), generated);
    EXPECT_FALSE(kwoHost_ScriptRandom({1, 32768}));
    EXPECT_EQ(kwoHost_ScriptedRandomLeft(), 0u);
    kwoHost_ScriptRandom({9, 9});
    kwoHost_ClearRandomScript();
    EXPECT_EQ(kwoHost_ScriptedRandomLeft(), 0u);
}

} // namespace
