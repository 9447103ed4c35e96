// The one place that asks the processor which vector instruction sets it
// has. Kernels for an instruction set live in files compiled for it alone
// and run only after this has said yes.
#pragma once

enum class InstructionSet { Plain, Mmx, Sse2, Avx2 };

// True when the processor can run code built for the set (Plain: always).
bool ProcessorSupports(InstructionSet set);

// The strongest vector set the processor has, Mmx at the least when it has
// any; Plain when it has none.
InstructionSet BestVectorInstructionSet();
