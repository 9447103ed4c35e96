// Compiled with AVX2 enabled; called only after the processor said it has it.
#include "r3az8/tex/codecs/palette_kernel_body.h"

PaletteKernels Avx2PaletteKernels() { return kKernels; }
