// Processor feature detection and the Direct3D registry settings. The one
// place in the library that executes CPUID and reads the settings that
// switch kernels off.
#include "r3az8/tex/cpu.h"

#include <initializer_list>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <mmintrin.h>
#define R3AZ_HAS_X86 1
#else
#define R3AZ_HAS_X86 0
#endif

std::atomic<int> g_mmxState{-1};

namespace {

constexpr char kDirect3DKey[] = "SOFTWARE\\Dazuvidar\\Direct3D";

// CPUID 1, EDX
constexpr unsigned kMmxBit = 1u << 23;
constexpr unsigned kSse2Bit = 1u << 26;
// CPUID 1, ECX
constexpr unsigned kOsSavesRegistersBit = 1u << 27; // OSXSAVE: XGETBV may run
constexpr unsigned kAvxBit = 1u << 28;
// CPUID 7.0, EBX
constexpr unsigned kAvx2Bit = 1u << 5;
// XCR0: the operating system saves the SSE and the upper AVX registers.
constexpr unsigned kSseAndAvxStateBits = 0x6u;

std::atomic<int (*)()> processorQuery{CpuHasMmx};

struct ProcessorFeatures {
    bool mmx = false;
    bool sse2 = false;
    bool avx2 = false;
};

ProcessorFeatures AskProcessor()
{
    ProcessorFeatures features;
#if R3AZ_HAS_X86
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0)
        return features;
    features.mmx = (edx & kMmxBit) != 0;
    features.sse2 = (edx & kSse2Bit) != 0;
    // AVX2 code needs the processor's AVX and AVX2 and an operating system
    // that saves the wide registers across task switches.
    if ((ecx & kOsSavesRegistersBit) == 0 || (ecx & kAvxBit) == 0)
        return features;
    unsigned xcr0 = 0, xcr0High = 0;
    __asm__("xgetbv" : "=a"(xcr0), "=d"(xcr0High) : "c"(0));
    if ((xcr0 & kSseAndAvxStateBits) != kSseAndAvxStateBits)
        return features;
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) != 0)
        features.avx2 = (ebx & kAvx2Bit) != 0;
#endif
    return features;
}

const ProcessorFeatures& Processor()
{
    static const ProcessorFeatures features = AskProcessor();
    return features;
}

// Clears the MMX state so that floating-point code after the first MMX
// probe sees an empty x87 register stack.
void EndMmxUse()
{
#if R3AZ_HAS_X86
    _mm_empty();
#endif
}

bool DwordSettingIsSet(const char* valueName)
{
    DWORD value = 0;
    return ReadDirect3DRegistryValue(REG_DWORD, valueName, &value, sizeof value) == 1 && value != 0;
}

} // namespace

int CpuHasMmx()
{
#if R3AZ_HAS_X86
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0)
        return 0;
    return (edx & kMmxBit) != 0 ? 1 : 0;
#else
    return 0;
#endif
}

int IsMmxEnabled()
{
    // The setting is read on every call, so switching it on takes effect at
    // once; once seen, it holds for the rest of the process.
    if (DwordSettingIsSet("DisableMMX")) {
        g_mmxState = 0;
        return 0;
    }
    int state = g_mmxState.load();
    if (state < 0) {
        // The answer is stored in one step: a thread asking while another
        // still examines the processor must not take "not yet known" for
        // "off". The first answer stored stands (a "DisableMMX" seen
        // meanwhile included).
        int determined = 0;
        if (processorQuery.load()() == 1) {
            EndMmxUse();
            determined = 1;
        }
        if (g_mmxState.compare_exchange_strong(state, determined))
            state = determined;
    }
    return state;
}

int ReadDirect3DRegistryValue(DWORD expectedType, const char* valueName, void* buffer, DWORD bufferSize,
                              DWORD* bytesRead)
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
    if (bytesRead != nullptr)
        *bytesRead = size;
    return type == expectedType ? 1 : 0;
}

void ResetMmxStateForTesting(int (*query)())
{
    g_mmxState = -1;
    processorQuery = query != nullptr ? query : CpuHasMmx;
}

bool ProcessorSupports(InstructionSet set)
{
    switch (set) {
    case InstructionSet::Plain:
        return true;
    case InstructionSet::Mmx:
        return Processor().mmx;
    case InstructionSet::Sse2:
        return Processor().sse2;
    case InstructionSet::Avx2:
        return Processor().avx2;
    }
    return false;
}

bool VectorKernelsDisabledInSettings() { return DwordSettingIsSet("DisableVectorKernels"); }

bool KernelsMayUse(InstructionSet set)
{
    static const bool portableOnly = VectorKernelsDisabledInSettings();
    return set == InstructionSet::Plain || (!portableOnly && ProcessorSupports(set));
}

InstructionSet StrongestKernelInstructionSet()
{
    for (InstructionSet set : {InstructionSet::Avx2, InstructionSet::Sse2, InstructionSet::Mmx})
        if (KernelsMayUse(set))
            return set;
    return InstructionSet::Plain;
}
