// The process-wide 32-bit box kernels and their first-use binding.
#include "r3az8/tex/blit/box_kernels.h"

#include "r3az8/tex/cpu.h"

#include <array>

namespace {

constexpr std::array<BoxKernelSet, 4> kBoxKernelSets = {{
    {"plain", InstructionSet::Plain, BoxKernelArgbPlain, BoxKernelXrgbPlain},
    {"mmx", InstructionSet::Mmx, BoxKernelMmx, BoxKernelMmx},
    {"sse2", InstructionSet::Sse2, BoxKernelSse2, BoxKernelSse2},
    {"avx2", InstructionSet::Avx2, BoxKernelAvx2, BoxKernelAvx2},
}};

const BoxKernelSet& KernelSetFor(InstructionSet instructionSet)
{
    for (const BoxKernelSet& set : kBoxKernelSets)
        if (set.instructionSet == instructionSet)
            return set;
    return kBoxKernelSets[0];
}

void BindBoxKernels()
{
    // DisableMMX (or a processor without MMX) keeps every vector kernel
    // away, the newer ones included: they all stand in for the MMX kernel.
    if (!IsMmxEnabled()) {
        g_pfnBoxKernelA8R8G8B8 = BoxKernelArgbPlain;
        g_pfnBoxKernelX8R8G8B8 = BoxKernelXrgbPlain;
        return;
    }
    // Otherwise the strongest vector kernel serves both formats; where
    // vector kernels are switched off, their portable twin does, so the X
    // byte of D3DFMT_X8R8G8B8 is the rounded mean either way.
    const BoxKernel32 kernel = KernelSetFor(StrongestKernelInstructionSet()).argb;
    g_pfnBoxKernelA8R8G8B8 = kernel;
    g_pfnBoxKernelX8R8G8B8 = kernel;
}

} // namespace

std::atomic<BoxKernel32> g_pfnBoxKernelA8R8G8B8{BindBoxKernelA8R8G8B8};
std::atomic<BoxKernel32> g_pfnBoxKernelX8R8G8B8{BindBoxKernelX8R8G8B8};

HRESULT BindBoxKernelA8R8G8B8(BYTE* dest, const BYTE* src, UINT width, UINT height, UINT srcPitch, UINT destPitch)
{
    BindBoxKernels();
    return g_pfnBoxKernelA8R8G8B8.load()(dest, src, width, height, srcPitch, destPitch);
}

HRESULT BindBoxKernelX8R8G8B8(BYTE* dest, const BYTE* src, UINT width, UINT height, UINT srcPitch, UINT destPitch)
{
    BindBoxKernels();
    return g_pfnBoxKernelX8R8G8B8.load()(dest, src, width, height, srcPitch, destPitch);
}

std::span<const BoxKernelSet> BoxKernelSets() { return kBoxKernelSets; }

void ForceBoxKernelsForTesting(const BoxKernelSet& set)
{
    g_pfnBoxKernelA8R8G8B8 = set.argb;
    g_pfnBoxKernelX8R8G8B8 = set.xrgb;
}

void UnbindBoxKernelsForTesting()
{
    g_pfnBoxKernelA8R8G8B8 = BindBoxKernelA8R8G8B8;
    g_pfnBoxKernelX8R8G8B8 = BindBoxKernelX8R8G8B8;
}
