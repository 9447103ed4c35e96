#include "platform/d3d8/fault_injection.h"

#include <array>
#include <mutex>

namespace softd3d8 {

namespace {

constexpr size_t kKinds = static_cast<size_t>(d3d8::Call::Any) + 1;

struct Trap {
    unsigned callsAtArming = 0;
    unsigned failingCall = 0; // 0: disarmed
    HRESULT result = D3D_OK;
};

struct Faults {
    std::mutex mutex;
    std::array<unsigned, kKinds> calls{};
    std::array<Trap, kKinds> traps{};
};

Faults& TheFaults()
{
    static Faults* faults = new Faults;
    return *faults;
}

size_t IndexOf(d3d8::Call kind) { return static_cast<size_t>(kind); }

bool IsValid(d3d8::Call kind) { return IndexOf(kind) < kKinds; }

// Whether this call (already counted) is the one the trap waits for; a trap
// fires once.
bool Springs(Trap& trap, unsigned calls)
{
    if (trap.failingCall == 0 || calls - trap.callsAtArming != trap.failingCall)
        return false;
    trap.failingCall = 0;
    return true;
}

} // namespace

HRESULT EnterInjectableCall(d3d8::Call kind)
{
    Faults& faults = TheFaults();
    std::lock_guard lock(faults.mutex);
    size_t own = IndexOf(kind);
    size_t any = IndexOf(d3d8::Call::Any);
    ++faults.calls[own];
    ++faults.calls[any];
    // Both traps are advanced, so a trap on Any and one on the kind each fire
    // on their own count.
    bool ownFires = Springs(faults.traps[own], faults.calls[own]);
    HRESULT ownResult = faults.traps[own].result;
    bool anyFires = Springs(faults.traps[any], faults.calls[any]);
    if (ownFires)
        return ownResult;
    if (anyFires)
        return faults.traps[any].result;
    return D3D_OK;
}

} // namespace softd3d8

namespace d3d8 {

WIN32_EXPORT void FailCall(Call kind, unsigned n, HRESULT hr)
{
    if (!softd3d8::IsValid(kind))
        return;
    auto& faults = softd3d8::TheFaults();
    std::lock_guard lock(faults.mutex);
    auto& trap = faults.traps[softd3d8::IndexOf(kind)];
    trap.callsAtArming = faults.calls[softd3d8::IndexOf(kind)];
    trap.failingCall = n;
    trap.result = hr;
}

WIN32_EXPORT void ResetFaults()
{
    auto& faults = softd3d8::TheFaults();
    std::lock_guard lock(faults.mutex);
    faults.calls = {};
    faults.traps = {};
}

WIN32_EXPORT unsigned CallCount(Call kind)
{
    if (!softd3d8::IsValid(kind))
        return 0;
    auto& faults = softd3d8::TheFaults();
    std::lock_guard lock(faults.mutex);
    return faults.calls[softd3d8::IndexOf(kind)];
}

} // namespace d3d8
