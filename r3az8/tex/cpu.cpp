// Processor feature detection and the Direct3D registry settings. The one
// place in the library that knows about CPUID and the instruction-set
// switches.
#include "r3az8/tex/cpu.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <mmintrin.h>
#define R3AZ_HAS_X86 1
#else
#define R3AZ_HAS_X86 0
#endif

int g_mmxState = -1;

namespace {

constexpr char kDirect3DKey[] = "Software\\Dazuvidar\\Direct3D";
constexpr unsigned kMmxFeatureBit = 0x00800000u; // CPUID 1, EDX bit 23

int (*processorQuery)() = CpuHasMmx;

// Clears the MMX state so that floating-point code after the first MMX
// probe sees an empty x87 register stack.
void EndMmxUse()
{
#if R3AZ_HAS_X86
    _mm_empty();
#endif
}

bool MmxDisabledInRegistry()
{
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kDirect3DKey, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    const LONG status = RegQueryValueExA(key, "DisableMMX", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_DWORD && value != 0;
}

} // namespace

int CpuHasMmx()
{
#if R3AZ_HAS_X86
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0)
        return 0;
    return (edx & kMmxFeatureBit) != 0 ? 1 : 0;
#else
    return 0;
#endif
}

int IsMmxEnabled()
{
    // The setting is read on every call, so switching it on takes effect at
    // once; once seen, it holds for the rest of the process.
    if (MmxDisabledInRegistry()) {
        g_mmxState = 0;
        return 0;
    }
    if (g_mmxState < 0) {
        g_mmxState = 0;
        if (processorQuery() == 1) {
            EndMmxUse();
            g_mmxState = 1;
        }
    }
    return g_mmxState;
}

int ReadDirect3DRegistryValue(DWORD expectedType, const char* valueName, void* buffer, DWORD bufferSize)
{
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kDirect3DKey, &key) != ERROR_SUCCESS)
        return 0;
    DWORD type = 0;
    DWORD size = bufferSize;
    const LONG status = RegQueryValueExA(key, valueName, nullptr, &type, static_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return 0;
    return type == expectedType ? 1 : 0;
}

void ResetMmxStateForTesting(int (*query)())
{
    g_mmxState = -1;
    processorQuery = query != nullptr ? query : CpuHasMmx;
}
