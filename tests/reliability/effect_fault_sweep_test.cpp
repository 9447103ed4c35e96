// Fault sweeps over the effect's whole life: factory, Create, frames with
// and without a mip chain, disposal. For each scenario a clean run counts
// what the life asks of the platform; then the k-th global-heap allocation,
// the k-th device call and the k-th working-memory allocation of the
// texture library fail in turn for every k up to that count, and the
// engine kernel's texture creation and each frame's texture lock fail once
// each. Every run must end with the failure reported (Create answering
// E_FAIL with nothing held) or the documented fallback taken (a skipped
// parameter line, a frame without upload, a stale mip chain), nothing
// locked after any frame, and, after disposal, no tracked block, heap
// block, engine texture or device object left.
//
// Each sweep prints one line the reliability script adds up:
//   reliability: sweep=NAME faults_injected=N leaks=L unbalanced_locks=U
#include "tests/reliability/effect_life.h"

#include "d3d8_testing.h"
#include "platform/pwKernel/pwKernel_control.h"
#include "platform/pwMemLeak/pwMemLeak_control.h"
#include "r3az8/tex/working_memory.h"
#include "win32_testing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

namespace reliability {
namespace {

// A failure code the platform never makes up itself.
const HRESULT kInjected = HRESULT(0x8876F00Du);

struct Scenario {
    const char* name;
    LifeScript script;
};

std::ostream& operator<<(std::ostream& out, const Scenario& scenario) { return out << scenario.name; }

const Scenario kScenarios[] = {
    {"Plain", {"width=48\nheight=20\nnumparticles=40\n", 3}},
    {"Mipmaps", {"width = 32\r\nheight = 16\r\nnumparticles = 25\r\nmipmaps = 1\r\n", 3}},
    {"MipmapsOddSizes", {"width=0x1b\nheight=7 ; odd\nnumparticles=5\nmipmaps=1\nspeed=300", 2}},
    {"NoParticles", {"numparticles=0\nwidth=8\nheight=8\nmipmaps=1", 2}},
    {"DefaultSizeMipmaps", {"mipmaps=1", 3}},
    {"WideMipmaps", {"width=256\nheight=4\nnumparticles=64\nmipmaps=1", 2}},
};

// Tallies of one sweep.
struct Tally {
    unsigned faults = 0;
    unsigned leaks = 0;
    unsigned unbalancedLocks = 0;
};

class EffectFaultSweep : public ::testing::TestWithParam<Scenario> {
protected:
    void SetUp() override { FreshEngine(); }
    void TearDown() override { FreshEngine(); }

    // One life with `arm` called just before the factory (and `beforeFrame`
    // before each frame); checks what it left behind and what it reported.
    LifeOutcome Run(const std::string& fault, const std::function<void()>& arm, const BeforeFrame& beforeFrame = nullptr)
    {
        const size_t heapBefore = win32::GlobalLiveBlocks();
        kwoMemLeakHost_Reset();
        arm();
        LifeOutcome outcome = RunLife(GetParam().script, FrameHashes::Skip, beforeFrame);
        win32::FailGlobalAllocAt(0);
        d3d8::ResetFaults();
        FailWorkingMemoryAt(0);
        const Leftovers left = TakeLeftovers(heapBefore);

        if (!left.Clean())
            ++tally_.leaks;
        if (outcome.framesLeftLocked != 0 || left.lockedObjects != 0)
            ++tally_.unbalancedLocks;
        EXPECT_TRUE(left.Clean()) << fault << ": tracked " << left.trackedBlocks << ", heap " << left.heapBlocks
                                  << ", textures " << left.textures << ", locked " << left.lockedObjects
                                  << ", device objects " << left.deviceObjects;
        EXPECT_EQ(outcome.framesLeftLocked, 0u) << fault;
        if (outcome.effectMade) {
            EXPECT_TRUE(outcome.created == S_OK || outcome.created == E_FAIL) << fault;
            EXPECT_TRUE(outcome.heldWhenCreated)
                << fault << ": Create answered " << std::hex << outcome.created
                << " but holds what the other answer would";
        }
        return outcome;
    }

    void Report(const char* kind)
    {
        std::printf("reliability: sweep=%s/%s faults_injected=%u leaks=%u unbalanced_locks=%u\n", GetParam().name,
                    kind, tally_.faults, tally_.leaks, tally_.unbalancedLocks);
    }

    Tally tally_;
};

TEST_P(EffectFaultSweep, CleanLifeRendersEveryFrame)
{
    LifeOutcome outcome = Run("no fault", [] {});
    EXPECT_TRUE(outcome.effectMade);
    EXPECT_EQ(outcome.created, S_OK);
    EXPECT_EQ(outcome.framesRendered, GetParam().script.frames);
}

TEST_P(EffectFaultSweep, EveryGlobalAllocationFailingInTurn)
{
    // FailGlobalAllocAt restarts the count.
    win32::FailGlobalAllocAt(0);
    RunLife(GetParam().script);
    const unsigned allocations = win32::GlobalAllocCalls();
    TakeLeftovers(0);
    ASSERT_GT(allocations, 2u);

    for (unsigned k = 1; k <= allocations; ++k) {
        LifeOutcome outcome = Run("allocation " + std::to_string(k), [k] { win32::FailGlobalAllocAt(k); });
        ++tally_.faults;
        if (k == 1) {
            EXPECT_FALSE(outcome.effectMade) << "the effect's own block failed, yet CreateEffect gave an object";
        }
    }
    Report("global-heap");
}

// The sites whose failure leaves Create no way to succeed: the parameter
// list object, the pixel buffer and the particle array. A failed line copy
// of the parameter list may be skipped instead (its key then keeps its
// default), which is the documented fallback.
TEST_P(EffectFaultSweep, FailedBuffersAreReportedByCreate)
{
    for (int line : {103, 115, 117}) {
        for (unsigned k = 2; k < 64; ++k) {
            kwoMemLeakHost_Reset();
            const size_t heapBefore = win32::GlobalLiveBlocks();
            win32::FailGlobalAllocAt(k);
            LifeOutcome outcome = RunLife(GetParam().script);
            win32::FailGlobalAllocAt(0);
            bool failedThere = false;
            for (const MemLeakEvent& event : kwoMemLeakHost_Events())
                failedThere = failedThere || (event.kind == MemLeakEventKind::AllocFailed &&
                                              event.file == "effects/effMirolan/effMirolan" && event.line == line);
            TakeLeftovers(heapBefore);
            if (failedThere) {
                EXPECT_EQ(outcome.created, E_FAIL) << "allocation at line " << line << " failed unreported";
                break;
            }
        }
    }
}

TEST_P(EffectFaultSweep, EveryDeviceCallFailingInTurn)
{
    d3d8::ResetFaults();
    RunLife(GetParam().script);
    const unsigned calls = d3d8::CallCount(d3d8::Call::Any);
    TakeLeftovers(0);
    ASSERT_GT(calls, 0u);

    for (unsigned k = 1; k <= calls; ++k) {
        const HRESULT result = k % 2 == 0 ? E_OUTOFMEMORY : kInjected;
        Run("device call " + std::to_string(k), [k, result] { d3d8::FailCall(d3d8::Call::Any, k, result); });
        ++tally_.faults;
    }
    // The texture itself refused by the device: Create must report it.
    LifeOutcome outcome =
        Run("device texture creation", [] { d3d8::FailCall(d3d8::Call::CreateTexture, 1, E_OUTOFMEMORY); });
    ++tally_.faults;
    EXPECT_EQ(outcome.created, E_FAIL);
    Report("device");
}

TEST_P(EffectFaultSweep, EveryWorkingMemoryAllocationFailingInTurn)
{
    FailWorkingMemoryAt(0);
    RunLife(GetParam().script);
    const unsigned allocations = WorkingMemoryAllocations();
    TakeLeftovers(0);

    for (unsigned k = 1; k <= allocations; ++k) {
        LifeOutcome outcome = Run("working memory " + std::to_string(k), [k] { FailWorkingMemoryAt(k); });
        ++tally_.faults;
        // The mip chain's result is not looked at: every frame still renders.
        EXPECT_EQ(outcome.framesRendered, GetParam().script.frames) << "working memory " << k;
    }
    Report("working-memory");
}

TEST_P(EffectFaultSweep, EngineTextureCreationAndEachLockFailing)
{
    LifeOutcome outcome = Run("engine texture creation", [] { kwoHost_FailNextTextureCreate(kInjected); });
    ++tally_.faults;
    EXPECT_EQ(outcome.created, E_FAIL);

    for (unsigned failing = 0; failing < GetParam().script.frames; ++failing) {
        outcome = Run("texture lock in frame " + std::to_string(failing), [] {},
                      [failing](unsigned frame) {
                          if (frame == failing)
                              kwoHost_FailNextTextureLock(kInjected);
                      });
        ++tally_.faults;
        EXPECT_EQ(outcome.framesRendered, GetParam().script.frames);
    }
    Report("engine");
}

INSTANTIATE_TEST_SUITE_P(Life, EffectFaultSweep, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Scenario>& instance) { return std::string(instance.param.name); });

} // namespace
} // namespace reliability
