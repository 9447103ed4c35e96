#include "tests/support/process_state.h"

#include "d3d8_testing.h"
#include "platform/pwKernel/pwKernel_control.h"
#include "platform/pwMemLeak/pwMemLeak_control.h"
#include "r3az8/tex/blit/box_kernels.h"
#include "r3az8/tex/cpu.h"
#include "r3az8/tex/debug.h"
#include "r3az8/tex/working_memory.h"
#include "win32_testing.h"

#include <cstdlib>

void ResetProcessState(StartingSettings settings)
{
    // The platform's Win32 side.
    win32::EndDebugCapture();
    win32::SetDebugSink(nullptr, nullptr);
    win32::ClearSettings();
    const char* loaded = std::getenv("R3AZ_SETTINGS");
    if (settings == StartingSettings::AsLoaded && loaded != nullptr && loaded[0] != '\0')
        win32::LoadSettingsFile(loaded);
    win32::SetMessageBoxAnswer(IDNO);
    win32::SetDebuggerPresent(false);
    win32::FailGlobalAllocAt(0);
    win32::LimitGlobalAllocSize(0);

    // The software device.
    d3d8::ResetFaults();
    d3d8::SetPitchPadding(0);
    d3d8::ClearCallLog();
    d3d8::RecordCalls(true);
    d3d8::ClearLockHistory();

    // The library: every answer it caches is asked again.
    FailWorkingMemoryAt(0);
    ResetDebugStateForTesting();
    ResetMmxStateForTesting();
    UnbindBoxKernelsForTesting();

    // The engine kernel and the allocation tracker.
    kwoHost_Shutdown();
    kwoHost_ClearCallLog();
    kwoHost_RecordCalls(true);
    kwoHost_LimitTexturePixels(0);
    kwoHost_ClearRandomScript();
    kwoHost_SeedRandom(kwoHost_DefaultRandomSeed);
    kwoHost_SetFixedTimeStep(kwoHost_DefaultTimeStep);
    kwoMemLeakHost_Reset();
    kwoMemLeakHost_RecordEvents(true);
}
