#include "r3az8/tex/codecs/palette_kernel_body.h"

PaletteKernels PortablePaletteKernels() { return kKernels; }
