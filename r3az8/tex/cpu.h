// Processor features and the Direct3D settings that may switch them off.
#pragma once

#include "win32.h"

// 1 when the processor reports MMX (CPUID 1, EDX bit 23), else 0.
int CpuHasMmx();
// 1 when MMX code may run: the processor has it and "DisableMMX" is not set.
int IsMmxEnabled();
// 1 when the value exists under HKEY_LOCAL_MACHINE\Software\Dazuvidar\Direct3D
// with the expected registry type; the buffer may be written either way.
int ReadDirect3DRegistryValue(DWORD expectedType, const char* valueName, void* buffer, DWORD bufferSize);

// Process-wide: -1 not yet determined, 0 MMX off, 1 MMX on.
extern int g_mmxState;

// Returns g_mmxState to "not yet determined" and makes IsMmxEnabled ask
// `query` instead of the processor (null: the processor again), so tests
// can stand in for a processor without MMX. Not used by the library itself.
void ResetMmxStateForTesting(int (*query)() = nullptr);
