// The multi-block encoder for AVX2: eight lanes per instruction. Built with
// -mavx2 alone, which brings no fused multiply-add, so every product is
// rounded before its sum exactly as in the baseline build.
#include "r3az8/tex/dxt/block_lanes.h"

#if defined(__FMA__)
#error "fused multiply-add would change the encoder's bytes"
#endif

#define BLOCK_LANES_NAMESPACE block_lanes_avx2
#include "r3az8/tex/dxt/block_lanes_kernel.h"
