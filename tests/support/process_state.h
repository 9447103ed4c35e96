// Every piece of process-wide state the platform stand-ins and the library
// keep, set back to how a fresh test process has it, so that no test sees
// what an earlier one left: settings, dialogs, debug output, heap failures,
// device faults and logs, the library's debug channel, MMX answer, bound
// box kernels and working-memory failures, the engine kernel and the
// allocation tracker.
#pragma once

// Settings: AsLoaded reads again the file the process started with (the
// R3AZ_SETTINGS file of the all-portable run, say), so that a run with
// kernels switched off stays so; Empty leaves no value at all, for tests of
// the settings themselves.
enum class StartingSettings { AsLoaded, Empty };

void ResetProcessState(StartingSettings settings = StartingSettings::AsLoaded);
