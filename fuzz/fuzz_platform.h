// The software platform as the device-based fuzz targets use it: one shared
// device, a quiet debug channel, the check that nothing stays locked or
// alive after a call, and failure injection chosen by the fuzzer.
#pragma once

#include "d3d8.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace fuzzing {

// Silences the debug channel (it would slow every input down) once per
// process.
void QuietDebugOutput();

// The software device the device-based targets share, made on first use.
IDirect3DDevice8* Device();

// Checks that nothing is locked and no device object is alive beyond
// `liveObjects`, the count before the caller made its own objects.
void CheckNothingHeld(unsigned liveObjects, const char* afterWhat);

// Failure injection chosen by the fuzzer: none most of the time, else the
// n-th platform call or the n-th allocation of the library's working memory.
struct FaultPlan {
    enum class Kind { None, PlatformCall, WorkingMemory } kind = Kind::None;
    unsigned at = 0;
    HRESULT result = S_OK;

    static FaultPlan Pick(FuzzedDataProvider& data);
    void Arm() const;
    static void Disarm();
};

} // namespace fuzzing
