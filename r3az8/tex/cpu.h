// Processor features and the Direct3D settings that switch kernels off: the
// one place in the library that asks the processor what it runs. Kernel
// choosers ask here and nowhere else; kernels for an instruction set live
// in files compiled for it alone and run only after this has said yes.
#pragma once

#include "win32.h"

#include <atomic>

// 1 when the processor reports MMX (CPUID 1, EDX bit 23), else 0.
int CpuHasMmx();
// 1 when MMX code may run: the processor has it and "DisableMMX" is not set.
int IsMmxEnabled();
// 1 when the value exists under HKEY_LOCAL_MACHINE\SOFTWARE\Dazuvidar\Direct3D
// with the expected registry type; the buffer may be written either way.
// The library's one reader of that key. `bytesRead`, when given, receives
// the size the query reported (for callers that accept one size only).
int ReadDirect3DRegistryValue(DWORD expectedType, const char* valueName, void* buffer, DWORD bufferSize,
                              DWORD* bytesRead = nullptr);

// Process-wide: -1 not yet determined, 0 MMX off, 1 MMX on. One atomic
// word, so that threads asking at once all see a settled answer.
extern std::atomic<int> g_mmxState;

// Returns g_mmxState to "not yet determined" and makes IsMmxEnabled ask
// `query` instead of the processor (null: the processor again), so tests
// can stand in for a processor without MMX. Not used by the library itself.
void ResetMmxStateForTesting(int (*query)() = nullptr);

enum class InstructionSet { Plain, Mmx, Sse2, Avx2 };

// True when the processor, and the operating system for the wide
// registers, run code built for the set (Plain: always). The processor is
// asked once per process.
bool ProcessorSupports(InstructionSet set);

// Whether a kernel chooser may pick a kernel built for the set: the
// processor runs it and the "DisableVectorKernels" setting is not on (with
// it on, only Plain). The setting is read once, at the first call, and
// holds for the rest of the process.
bool KernelsMayUse(InstructionSet set);

// The strongest set KernelsMayUse allows: Avx2, Sse2, Mmx, else Plain.
InstructionSet StrongestKernelInstructionSet();

// Whether "DisableVectorKernels" is a non-zero REG_DWORD under the Direct3D
// key right now (KernelsMayUse keeps its first answer).
bool VectorKernelsDisabledInSettings();
