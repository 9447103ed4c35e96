#include "fuzz/fuzz_platform.h"

#include "d3d8_testing.h"
#include "fuzz/fuzz_support.h"
#include "r3az8/tex/working_memory.h"
#include "win32_testing.h"

namespace fuzzing {

namespace {

void Discard(const char*, void*) {}

} // namespace

void QuietDebugOutput()
{
    static const bool done = [] {
        win32::SetDebugSink(Discard, nullptr);
        return true;
    }();
    (void)done;
}

IDirect3DDevice8* Device()
{
    static IDirect3DDevice8* device = [] {
        IDirect3DDevice8* made = nullptr;
        if (FAILED(SoftD3D8CreateDevice(&made)) || made == nullptr)
            Fail("the software device could not be made");
        return made;
    }();
    return device;
}

void CheckNothingHeld(unsigned liveObjects, const char* afterWhat)
{
    if (d3d8::LockedObjects() != 0)
        Fail("%u object(s) still locked after %s", d3d8::LockedObjects(), afterWhat);
    if (d3d8::LiveObjects() != liveObjects)
        Fail("%u device object(s) alive after %s, %u expected", d3d8::LiveObjects(), afterWhat, liveObjects);
}

FaultPlan FaultPlan::Pick(FuzzedDataProvider& data)
{
    FaultPlan plan;
    switch (data.ConsumeIntegralInRange(0, 7)) {
    case 0:
        plan.kind = Kind::PlatformCall;
        plan.at = data.ConsumeIntegralInRange(1u, 12u);
        plan.result = data.ConsumeBool() ? E_OUTOFMEMORY : D3DERR_INVALIDCALL;
        break;
    case 1:
        plan.kind = Kind::WorkingMemory;
        plan.at = data.ConsumeIntegralInRange(1u, 12u);
        break;
    default:
        break;
    }
    return plan;
}

void FaultPlan::Arm() const
{
    Disarm();
    if (kind == Kind::PlatformCall)
        d3d8::FailCall(d3d8::Call::Any, at, result);
    else if (kind == Kind::WorkingMemory)
        FailWorkingMemoryAt(at);
}

void FaultPlan::Disarm()
{
    d3d8::ResetFaults();
    FailWorkingMemoryAt(0);
}

} // namespace fuzzing
