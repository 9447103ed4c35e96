// The multi-block encoder for the baseline instruction set (SSE2 on
// x86-64): four blocks per instruction.
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/dxt/block_lanes.h"

#define BLOCK_LANES_NAMESPACE block_lanes_portable
#define BLOCK_LANES_WIDTH 4
#include "r3az8/tex/dxt/block_lanes_kernel.h"
#include "r3az8/tex/dxt/quality_kernel.h"
