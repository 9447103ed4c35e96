// The effect's whole life driven by fuzzed input: a parameter text into
// Create (sometimes twice, sometimes none at all), then a few frames with
// fuzzed engine times, time steps and draw arguments, then disposal; now
// and then with an allocation, a platform call, a working-memory
// allocation, a texture creation or a texture lock failing.
//
// The text lives in a heap block of exactly its length plus the
// terminator. Create must answer S_OK or E_FAIL and leave the effect whole
// or empty accordingly; no frame may leave anything locked; after disposal
// the tracker, the global heap, the engine's textures and the device must
// all be back where they started.
//
// The engine refuses textures and the heap blocks beyond a budget (as a
// real device and heap refuse sizes beyond their limits), so that large
// sizes in the text exercise the failure path instead of the machine's
// memory.
#include "d3d8_testing.h"
#include "effects/effMirolan/particle.h"
#include "effects/effMirolan/zelvBaseEffect.h"
#include "fuzz/fuzz_platform.h"
#include "fuzz/fuzz_support.h"
#include "platform/pwKernel/pwKernel_control.h"
#include "platform/pwMemLeak/pwMemLeak_control.h"
#include "r3az8/tex/working_memory.h"
#include "win32_testing.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

using fuzzing::Fail;

// Larger textures and particle counts take the same code for longer and
// find nothing new. The engine refuses bigger textures and the heap bigger
// blocks, as a smaller machine would, so that such sizes in the text take
// the failure path; the default 128x128 is one of them. The particle array
// is the largest block the effect asks the heap for.
constexpr unsigned long long kPixelBudget = 64 * 64;
constexpr unsigned kParticleBudget = 1024;
static_assert(kParticleBudget * sizeof(PARTICLE) >= kPixelBudget * sizeof(DWORD));

// Once a process: the budgets, and no call or event logs, which nothing
// here reads and which would cost every run a few hundred strings.
bool Configure()
{
    kwoHost_LimitTexturePixels(kPixelBudget);
    win32::LimitGlobalAllocSize(kParticleBudget * sizeof(PARTICLE));
    kwoHost_RecordCalls(false);
    d3d8::RecordCalls(false);
    kwoMemLeakHost_RecordEvents(false);
    return true;
}

float PickTimeStep(FuzzedDataProvider& data)
{
    switch (data.ConsumeIntegralInRange(0, 15)) {
    case 0:
        return 0.0f;
    case 1:
        return -1.0f / 60.0f;
    case 2:
        return std::numeric_limits<float>::quiet_NaN();
    case 3:
        return std::numeric_limits<float>::infinity();
    case 4:
        return 1e30f;
    case 5:
        return data.ConsumeProbability<float>() * 100.0f;
    default:
        return 1.0f / 60.0f;
    }
}

// The next engine time: usually later, sometimes the same (no re-render),
// sometimes 0, negative or NaN.
float PickTime(FuzzedDataProvider& data, float previous)
{
    switch (data.ConsumeIntegralInRange(0, 15)) {
    case 0:
        return previous;
    case 1:
        return 0.0f;
    case 2:
        return -previous - 1.0f;
    case 3:
        return std::numeric_limits<float>::quiet_NaN();
    default:
        return previous + 1.0f / 60.0f;
    }
}

enum class Fault { None, GlobalAlloc, PlatformCall, WorkingMemory, TextureCreate, TextureLock };

struct Plan {
    Fault fault = Fault::None;
    unsigned at = 0;
    HRESULT result = E_FAIL;
};

Plan PickPlan(FuzzedDataProvider& data)
{
    Plan plan;
    // Each fault in one input of twelve, in the order of Fault after None;
    // the rest run without one.
    static_assert(int(Fault::GlobalAlloc) == 1 && int(Fault::TextureLock) == 5);
    const int pick = data.ConsumeIntegralInRange(0, 11);
    if (pick > 4)
        return plan;
    plan.fault = static_cast<Fault>(pick + 1);
    plan.at = data.ConsumeIntegralInRange(1u, 24u);
    plan.result = data.ConsumeBool() ? E_OUTOFMEMORY : D3DERR_INVALIDCALL;
    return plan;
}

void Arm(const Plan& plan)
{
    switch (plan.fault) {
    case Fault::GlobalAlloc:
        win32::FailGlobalAllocAt(plan.at);
        break;
    case Fault::PlatformCall:
        d3d8::FailCall(d3d8::Call::Any, plan.at, plan.result);
        break;
    case Fault::WorkingMemory:
        FailWorkingMemoryAt(plan.at);
        break;
    case Fault::TextureCreate:
        kwoHost_FailNextTextureCreate(plan.result);
        break;
    case Fault::TextureLock:
        kwoHost_FailNextTextureLock(plan.result);
        break;
    case Fault::None:
        break;
    }
}

void Disarm()
{
    win32::FailGlobalAllocAt(0);
    d3d8::ResetFaults();
    FailWorkingMemoryAt(0);
}

struct Frame {
    float time;
    float step;
    DWORD draw[4];
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    static const bool configured = Configure();
    (void)configured;
    fuzzing::QuietDebugOutput();
    FuzzedDataProvider data(bytes, size);
    const unsigned seed = data.ConsumeIntegral<unsigned>();
    const Plan plan = PickPlan(data);
    const bool createTwice = data.ConsumeIntegralInRange(0, 7) == 0;
    const bool noText = data.ConsumeIntegralInRange(0, 31) == 0;
    // Three frames show a re-render, a repeated time and a new one; more only
    // repeat them.
    std::vector<Frame> frames(data.ConsumeIntegralInRange(0u, 3u));
    float time = 0.0f;
    for (Frame& frame : frames) {
        time = PickTime(data, time);
        frame.time = time;
        frame.step = PickTimeStep(data);
        for (DWORD& argument : frame.draw)
            argument = data.ConsumeBool() ? data.ConsumeIntegral<DWORD>() : data.ConsumeIntegralInRange<DWORD>(0, 12);
    }
    const std::string given = data.ConsumeRemainingBytesAsString();
    std::unique_ptr<char[]> text(new char[given.size() + 1]);
    std::memcpy(text.get(), given.c_str(), given.size() + 1);
    char* parameters = noText ? nullptr : text.get();

    const size_t heapBefore = win32::GlobalLiveBlocks();
    kwoMemLeakHost_Reset();
    kwoHost_SeedRandom(seed);

    Arm(plan);
    zelvBaseEffect* effect = CreateEffect();
    if (effect != nullptr) {
        if (effect->GetNumInst() != 1)
            Fail("one effect alive, GetNumInst says %d", effect->GetNumInst());
        HRESULT created = effect->Create(parameters);
        if (createTwice)
            created = effect->Create(parameters);
        if (created != S_OK && created != E_FAIL)
            Fail("Create returned 0x%08X", unsigned(created));
        const size_t textures = kwoHost_LiveTextures();
        if (created == S_OK && textures != 1)
            Fail("Create succeeded with %zu textures alive", textures);
        if (created == E_FAIL && (textures != 0 || kwoMemLeakHost_LiveBlockCount() != 1))
            Fail("Create failed but holds %zu texture(s) and %zu tracked block(s) besides the effect", textures,
                 kwoMemLeakHost_LiveBlockCount() - 1);
        if (created == S_OK)
            for (const Frame& frame : frames) {
                kwoHost_SetFixedTimeStep(frame.step);
                effect->SetGlobalTime(frame.time);
                effect->PrepareForRender();
                effect->Draw(frame.draw[0], frame.draw[1], frame.draw[2], frame.draw[3]);
                effect->RestoreAfterRender();
                if (d3d8::LockedObjects() != 0)
                    Fail("a frame left %u object(s) locked", d3d8::LockedObjects());
            }
        delete effect;
    }
    Disarm();

    if (kwoMemLeakHost_LiveBlockCount() != 0) {
        kwoMemLeakHost_PrintLeakReport(stderr);
        Fail("the tracker holds %zu block(s) after disposal", kwoMemLeakHost_LiveBlockCount());
    }
    if (win32::GlobalLiveBlocks() != heapBefore)
        Fail("%zu global-heap block(s) alive after disposal, %zu before", win32::GlobalLiveBlocks(), heapBefore);
    if (kwoHost_LiveTextures() != 0)
        Fail("%zu engine texture(s) alive after disposal", kwoHost_LiveTextures());
    if (d3d8::LockedObjects() != 0)
        Fail("%u object(s) locked after disposal", d3d8::LockedObjects());
    // Back to a fresh engine: no texture, no device, no pending failure.
    kwoHost_Shutdown();
    if (d3d8::LiveObjects() != 0)
        Fail("%u device object(s) alive after the engine shut down", d3d8::LiveObjects());
    kwoHost_SetFixedTimeStep(kwoHost_DefaultTimeStep);
    d3d8::ClearLockHistory();
    kwoMemLeakHost_Reset();
    return 0;
}
