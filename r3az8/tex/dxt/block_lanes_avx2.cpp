// The multi-block encoder for AVX2: eight lanes per instruction. Every
// product is rounded before its sum, exactly as in the baseline build, even
// where the compiler may use fused multiply-add.
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/dxt/block_lanes.h"

#define BLOCK_LANES_NAMESPACE block_lanes_avx2
#define BLOCK_LANES_WIDTH 8
#include "r3az8/tex/dxt/block_lanes_kernel.h"
#include "r3az8/tex/dxt/quality_kernel.h"
