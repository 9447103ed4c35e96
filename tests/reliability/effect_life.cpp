#include "tests/reliability/effect_life.h"

#include "d3d8.h"
#include "d3d8_testing.h"
#include "platform/pwKernel/pwKernel_control.h"
#include "platform/pwMemLeak/pwMemLeak_control.h"
#include "r3az8/tex/working_memory.h"
#include "tests/support/process_state.h"
#include "win32_testing.h"

#include <gtest/gtest.h>

namespace reliability {

namespace {

void Discard(const char*, void*) {}

// Every level of the texture bound on stage 0, row by row (without the
// pitch's padding), folded into one hash.
uint64_t HashBoundTexture()
{
    auto* texture = static_cast<IDirect3DTexture8*>(kwo3DAPI_GetTextureInterface(kwoHost_BoundTexture(0)));
    EXPECT_NE(texture, nullptr) << "no texture bound for drawing";
    if (texture == nullptr)
        return 0;
    uint64_t hash = kHashStart;
    for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
        D3DSURFACE_DESC desc{};
        texture->GetLevelDesc(level, &desc);
        D3DLOCKED_RECT locked{};
        HRESULT result = texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY);
        EXPECT_EQ(result, S_OK) << "level " << level << " cannot be read back";
        if (FAILED(result))
            continue;
        for (UINT row = 0; row < desc.Height; ++row)
            hash = HashBytes(hash, static_cast<const BYTE*>(locked.pBits) + size_t(row) * locked.Pitch,
                             size_t(desc.Width) * 4);
        texture->UnlockRect(level);
    }
    return hash;
}

} // namespace

uint64_t HashBytes(uint64_t hash, const void* bytes, size_t size)
{
    const BYTE* at = static_cast<const BYTE*>(bytes);
    for (size_t i = 0; i < size; ++i) {
        hash ^= at[i];
        hash *= 0x100000001b3ull;
    }
    return hash;
}

void FreshEngine()
{
    ResetProcessState();
    win32::SetDebugSink(Discard, nullptr);
}

LifeOutcome RunLife(const LifeScript& script, FrameHashes hashFrames, const BeforeFrame& beforeFrame)
{
    kwoHost_SeedRandom(script.seed);
    kwoHost_SetFixedTimeStep(script.timeStep);
    LifeOutcome outcome;
    zelvBaseEffect* effect = CreateEffect();
    if (effect == nullptr)
        return outcome;
    outcome.effectMade = true;

    std::vector<char> text(script.parameters.begin(), script.parameters.end());
    text.push_back('\0');
    outcome.created = effect->Create(text.data());
    const size_t textures = kwoHost_LiveTextures();
    outcome.heldWhenCreated = outcome.created == S_OK
                                  ? textures == 1
                                  : textures == 0 && kwoMemLeakHost_LiveBlockCount() == 1;

    if (outcome.created == S_OK)
        for (unsigned frame = 0; frame < script.frames; ++frame) {
            if (beforeFrame)
                beforeFrame(frame);
            effect->SetGlobalTime(float(frame + 1) * script.timeStep);
            effect->PrepareForRender();
            if (hashFrames == FrameHashes::Take)
                outcome.frameHashes.push_back(HashBoundTexture());
            effect->Draw(0, 6, 0, 0);
            effect->Draw(0, 4, 0, 6);
            effect->RestoreAfterRender();
            ++outcome.framesRendered;
            if (d3d8::LockedObjects() != 0)
                ++outcome.framesLeftLocked;
        }
    delete effect;
    return outcome;
}

Leftovers TakeLeftovers(size_t heapBlocksBefore)
{
    Leftovers left;
    left.trackedBlocks = kwoMemLeakHost_LiveBlockCount();
    size_t heap = win32::GlobalLiveBlocks();
    left.heapBlocks = heap > heapBlocksBefore ? heap - heapBlocksBefore : 0;
    left.textures = kwoHost_LiveTextures();
    left.lockedObjects = d3d8::LockedObjects();
    kwoHost_Shutdown();
    left.deviceObjects = d3d8::LiveObjects();
    kwoMemLeakHost_Reset();
    kwoHost_ClearCallLog();
    d3d8::ClearCallLog();
    d3d8::ClearLockHistory();
    return left;
}

} // namespace reliability
