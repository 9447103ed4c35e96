// The effect's life: factory, instance count, Create with its parameters,
// resources and their release, and every way Create can fail.
#include "tests/effects/effMirolan/effect_session.h"

#include "kwoUtils/kwoStringParams.h"

#include <type_traits>

namespace {

class EffectLifecycle : public EffectSession {
protected:
    // The texture Create asked for: its size and whether it has a mip chain.
    static void ExpectTextureCreated(UINT width, UINT height, int mipmaps)
    {
        EXPECT_EQ(KernelCalls("kwo3DAPI_CreateTextureFromMemory"),
                  (std::vector<std::string>{"kwo3DAPI_CreateTextureFromMemory(" + std::to_string(width) + ", " +
                                            std::to_string(height) + ", \"a8r8g8b8\", 1, " + std::to_string(mipmaps) +
                                            ", null, null, 0)"}));
    }
};

static_assert(!std::is_copy_constructible_v<zelvMirolanEffect>);
static_assert(!std::is_copy_assignable_v<zelvMirolanEffect>);

const std::string kEffectFile = "effects/effMirolan/effMirolan";

// A minimal effect: everything but Draw is the base's.
class DrawOnlyEffect : public zelvBaseEffect {
public:
    HRESULT Draw(DWORD, DWORD, DWORD, DWORD) override { return S_OK; }
};

std::string Site(const std::string& kind, int line, size_t bytes)
{
    return kind + " " + kEffectFile + ":" + std::to_string(line) + " (" + std::to_string(bytes) + " bytes)";
}

TEST_F(EffectLifecycle, InstancesAreCountedThroughAnyEffect)
{
    zelvBaseEffect* first = NewEffect();
    ASSERT_NE(first, nullptr);
    int base = first->GetNumInst() - 1;
    zelvBaseEffect* second = NewEffect();
    EXPECT_EQ(first->GetNumInst(), base + 2);
    EXPECT_EQ(second->GetNumInst(), base + 2);
    Dispose(second);
    EXPECT_EQ(first->GetNumInst(), base + 1);
    {
        DrawOnlyEffect local;
        EXPECT_EQ(first->GetNumInst(), base + 2);
        // The base's copy is a live object too, and is uncounted when it goes.
        DrawOnlyEffect copy(local);
        EXPECT_EQ(first->GetNumInst(), base + 3);
        copy = local;
        EXPECT_EQ(first->GetNumInst(), base + 3);
    }
    EXPECT_EQ(first->GetNumInst(), base + 1);
}

TEST_F(EffectLifecycle, FactoryFailureConstructsNothing)
{
    zelvBaseEffect* probe = NewEffect();
    int before = probe->GetNumInst();
    kwoMemLeakHost_Reset();
    win32::FailGlobalAllocAt(1);
    EXPECT_EQ(CreateEffect(), nullptr);
    win32::FailGlobalAllocAt(0);
    EXPECT_EQ(probe->GetNumInst(), before);
    EXPECT_EQ(kwoMemLeakHost_EventLines(),
              (std::vector<std::string>{Site("AllocFailed", 74, sizeof(zelvMirolanEffect))}));
}

TEST_F(EffectLifecycle, EffectAndBaseShareTheirAddress)
{
    zelvMirolanEffect* effect = static_cast<zelvMirolanEffect*>(NewEffect());
    EXPECT_EQ(static_cast<void*>(static_cast<zelvBaseEffect*>(effect)), static_cast<void*>(effect));
}

TEST_F(EffectLifecycle, BaseBehaviours)
{
    DrawOnlyEffect effect;
    char text[] = "width=4";
    EXPECT_EQ(effect.Create(text), E_FAIL);
    EXPECT_EQ(effect.PrepareForRender(), S_OK);
    EXPECT_EQ(effect.IsFogFriendly(), 0);
    effect.RestoreAfterRender();
    effect.LoadSpecific();
    effect.SetLightmap(&effect);
    EXPECT_EQ(ValidateDevice(), S_OK);
    EXPECT_TRUE(kwoHost_CallLog().empty());
    EXPECT_TRUE(kwoMemLeakHost_Events().empty());
}

TEST_F(EffectLifecycle, MirolanAnswers)
{
    zelvBaseEffect* effect = NewEffect();
    EXPECT_EQ(effect->IsFogFriendly(), 1);
    effect->LoadSpecific();
    EXPECT_EQ(ValidateDevice(), S_OK);
}

TEST_F(EffectLifecycle, TheTrackerSeesExactlyTheEffectsBlocks)
{
    const std::string text = "width=64\nheight=32";
    zelvBaseEffect* effect = NewEffect();
    ASSERT_EQ(CreateWith(*effect, text), S_OK);
    Dispose(effect);

    std::string lineArray = std::to_string(2 * sizeof(char*));
    EXPECT_EQ(kwoMemLeakHost_EventLines(),
              (std::vector<std::string>{
                  Site("Alloc", 74, sizeof(zelvMirolanEffect)),
                  Site("Alloc", 103, sizeof(kwoStringParams)),
                  "Comment " + text,
                  "Alloc kwoUtils/kwoStringParams:93 (" + lineArray + " bytes)",
                  "Alloc kwoUtils/kwoStringParams:98 (9 bytes)",
                  "Alloc kwoUtils/kwoStringParams:98 (1000 bytes)",
                  "Free kwoUtils/kwoStringParams:98 (9 bytes)",
                  "Free kwoUtils/kwoStringParams:98 (1000 bytes)",
                  "Free kwoUtils/kwoStringParams:93 (" + lineArray + " bytes)",
                  Site("Free", 103, sizeof(kwoStringParams)),
                  Site("Alloc", 115, 64 * 32 * 4),
                  Site("Alloc", 117, 10 * sizeof(PARTICLE)),
                  Site("Free", 117, 10 * sizeof(PARTICLE)),
                  Site("Free", 115, 64 * 32 * 4),
                  Site("Free", 74, sizeof(zelvMirolanEffect)),
              }));
}

TEST_F(EffectLifecycle, NullTextGivesTheDefaults)
{
    zelvBaseEffect* effect = NewEffect();
    // Ten particles at (0, 0) heading along +x, grey, at half the base speed
    // and life: the defaults show in where they are after one step.
    std::vector<unsigned> randoms;
    for (int i = 0; i < 10; ++i)
        for (unsigned value : BirthAt(0, 0, 32767, 32767, 32767))
            randoms.push_back(value);
    kwoHost_ScriptRandom(randoms);
    ASSERT_EQ(effect->Create(nullptr), S_OK);
    EXPECT_EQ(kwoHost_ScriptedRandomLeft(), 0u);
    ExpectTextureCreated(128, 128, 0);

    // Life 1.5: a step of 1.5 leaves it at exactly 0, which is still alive.
    kwoHost_ScriptRandom({7});
    kwoHost_SetFixedTimeStep(1.5f);
    Render(*effect, 1.0f);
    EXPECT_EQ(kwoHost_ScriptedRandomLeft(), 1u);
    std::vector<uint32_t> picture = BoundPicture();
    ASSERT_EQ(picture.size(), 128u * 128u);
    // Speed 25 for 1.5: x = 37.5.
    EXPECT_EQ(picture[37], 0xFF939393u);
    EXPECT_EQ(std::count(picture.begin(), picture.end(), 0xFF000000u), 128 * 128 - 1);
    effect->RestoreAfterRender();
    kwoHost_ClearRandomScript();
}

TEST_F(EffectLifecycle, EmptyTextGivesTheDefaultsToo)
{
    zelvBaseEffect* effect = NewEffect();
    ASSERT_EQ(CreateWith(*effect, ""), S_OK);
    ExpectTextureCreated(128, 128, 0);
    std::vector<MemLeakBlock> live = kwoMemLeakHost_LiveBlocks();
    ASSERT_EQ(live.size(), 3u);
    EXPECT_EQ(live[1].size, 128u * 128u * 4u);
    EXPECT_EQ(live[2].size, 10u * sizeof(PARTICLE));
}

TEST_F(EffectLifecycle, ParametersAreReadByKeyInAnyCase)
{
    zelvBaseEffect* effect = NewEffect();
    ASSERT_EQ(CreateWith(*effect, "WIDTH=0x40\nHeight = 16 ; rows\nmipmaps=1\nnumparticles=3"), S_OK);
    ExpectTextureCreated(64, 16, 1);
    EXPECT_EQ(kwoMemLeakHost_LiveBlocks().back().size, 3u * sizeof(PARTICLE));
}

TEST_F(EffectLifecycle, NoParticlesIsASuccessWithoutAnArray)
{
    for (const char* count : {"0", "-5"}) {
        kwoMemLeakHost_Reset();
        zelvBaseEffect* effect = NewEffect();
        ASSERT_EQ(CreateWith(*effect, std::string("numparticles=") + count), S_OK) << count;
        // A zero-size request is not even heard of.
        for (const std::string& line : kwoMemLeakHost_EventLines())
            EXPECT_EQ(line.find(":117"), std::string::npos) << line;
        Render(*effect, 3.0f);
        std::vector<uint32_t> picture = BoundPicture();
        EXPECT_EQ(std::count(picture.begin(), picture.end(), 0xFF000000u), 128 * 128);
        effect->RestoreAfterRender();
        Dispose(effect);
    }
}

TEST_F(EffectLifecycle, SizesThatCannotBeMetAreRefusedBeforeAnythingIsMade)
{
    for (const char* text : {"width=0", "height=-1", "width=0x80000000", "width=65536\nheight=16384",
                             "width=32768\nheight=32768", "numparticles=178956971"}) {
        kwoHost_ClearCallLog();
        zelvBaseEffect* effect = NewEffect();
        EXPECT_EQ(CreateWith(*effect, text), E_FAIL) << text;
        EXPECT_TRUE(KernelCalls("kwo3DAPI_CreateTextureFromMemory").empty()) << text;
        Dispose(effect);
    }
}

TEST_F(EffectLifecycle, LargestAcceptedParticleCountIsAskedOfTheHeap)
{
    // 178956970 records of 24 bytes still fit a 32-bit request, so it is made;
    // here the heap refuses it (allocation 5: list, line array, line, pixels,
    // particles).
    zelvBaseEffect* effect = NewEffect();
    win32::FailGlobalAllocAt(5);
    EXPECT_EQ(CreateWith(*effect, "numparticles=178956970"), E_FAIL);
    win32::FailGlobalAllocAt(0);
    std::vector<std::string> lines = kwoMemLeakHost_EventLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), Site("AllocFailed", 117, 178956970ull * 24)), lines.end());
    EXPECT_EQ(kwoMemLeakHost_LiveBlockCount(), 1u); // only the effect
    EXPECT_EQ(kwoHost_LiveTextures(), 0u);
}

TEST_F(EffectLifecycle, TextureFailureFailsBeforeAnyBuffer)
{
    for (int way = 0; way < 2; ++way) {
        kwoMemLeakHost_Reset();
        zelvBaseEffect* effect = NewEffect();
        if (way == 0)
            kwoHost_FailNextTextureCreate();
        else
            d3d8::FailCall(d3d8::Call::CreateTexture, 1, D3DERR_OUTOFVIDEOMEMORY);
        kwoHost_ScriptRandom({1, 2, 3});
        EXPECT_EQ(CreateWith(*effect, "width=8"), E_FAIL);
        EXPECT_EQ(kwoHost_ScriptedRandomLeft(), 3u); // no particle born
        kwoHost_ClearRandomScript();
        EXPECT_EQ(kwoHost_LiveTextures(), 0u);
        for (const std::string& line : kwoMemLeakHost_EventLines()) {
            EXPECT_EQ(line.find(":115"), std::string::npos);
            EXPECT_EQ(line.find(":117"), std::string::npos);
        }
        kwoHost_ClearCallLog();
        Dispose(effect);
        // Disposal still asks to destroy the (null) texture, and frees only
        // the effect itself.
        EXPECT_EQ(kwoHost_CallLog(), (std::vector<std::string>{"kwo3DAPI_DestroyTexture(null)"}));
        d3d8::ResetFaults();
    }
}

TEST_F(EffectLifecycle, EveryAllocationFailureIsLeakFree)
{
    // The heap calls of Create with a two-line text: 1 the list, 2 its line
    // array, 3 and 4 the lines, 5 the pixels, 6 the particles. A line that
    // cannot be copied is left out and its default used.
    const HRESULT expected[] = {E_FAIL, S_OK, S_OK, S_OK, E_FAIL, E_FAIL};
    for (unsigned failing = 1; failing <= 6; ++failing) {
        zelvBaseEffect* effect = NewEffect();
        win32::FailGlobalAllocAt(failing);
        HRESULT result = CreateWith(*effect, "width=16\nheight=8");
        win32::FailGlobalAllocAt(0);
        EXPECT_EQ(result, expected[failing - 1]) << "failing allocation " << failing;
        if (FAILED(result)) {
            EXPECT_EQ(kwoHost_LiveTextures(), 0u) << failing;
            EXPECT_EQ(kwoMemLeakHost_LiveBlockCount(), 1u) << failing; // the effect alone
            // A failed effect may still be prepared: it draws nothing of its own.
            Render(*effect, 100.0f + float(failing));
        }
        Dispose(effect);
        EXPECT_EQ(kwoMemLeakHost_LiveBlockCount(), 0u) << failing;
        EXPECT_EQ(kwoHost_LiveTextures(), 0u) << failing;
    }
}

TEST_F(EffectLifecycle, SecondCreateReleasesTheFirst)
{
    zelvBaseEffect* effect = NewEffect();
    ASSERT_EQ(CreateWith(*effect, "width=32\nheight=32\nnumparticles=4"), S_OK);
    Render(*effect, 1.0f);
    effect->RestoreAfterRender();
    ASSERT_EQ(CreateWith(*effect, "width=16"), S_OK);
    EXPECT_EQ(kwoHost_LiveTextures(), 1u);
    // Effect, pixels and particles: nothing of the first Create is left,
    // and keys the second text leaves out are back at their defaults.
    std::vector<MemLeakBlock> live = kwoMemLeakHost_LiveBlocks();
    ASSERT_EQ(live.size(), 3u);
    EXPECT_EQ(live[1].size, 16u * 128u * 4u);
    EXPECT_EQ(live[2].size, 10u * sizeof(PARTICLE));
    Render(*effect, 2.0f);
    EXPECT_EQ(BoundPicture().size(), 16u * 128u);
    effect->RestoreAfterRender();
}

TEST_F(EffectLifecycle, NeverCreatedEffectIsSafeToUse)
{
    zelvBaseEffect* effect = NewEffect();
    Render(*effect, 5.0f);
    EXPECT_TRUE(KernelCalls("kwo3DAPI_LockTexture").empty());
    EXPECT_EQ(effect->Draw(0, 3, 0, 0), S_OK);
    effect->RestoreAfterRender();
}

} // namespace
