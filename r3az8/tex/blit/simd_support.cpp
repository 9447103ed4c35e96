#include "r3az8/tex/blit/simd_support.h"

#include <initializer_list>

bool ProcessorSupports(InstructionSet set)
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    switch (set) {
    case InstructionSet::Plain:
        return true;
    case InstructionSet::Mmx:
        return __builtin_cpu_supports("mmx");
    case InstructionSet::Sse2:
        return __builtin_cpu_supports("sse2");
    case InstructionSet::Avx2:
        return __builtin_cpu_supports("avx2");
    }
    return false;
#else
    return set == InstructionSet::Plain;
#endif
}

InstructionSet BestVectorInstructionSet()
{
    for (InstructionSet set : {InstructionSet::Avx2, InstructionSet::Sse2, InstructionSet::Mmx})
        if (ProcessorSupports(set))
            return set;
    return InstructionSet::Plain;
}
