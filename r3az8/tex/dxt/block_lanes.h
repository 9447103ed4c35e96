// The multi-block encoders in their instruction-set flavours: the fixed
// encoder (EncodeBlocks' contract and bytes) and the quality encoder's
// Normal and High levels (EncodeQualityBlocks' bytes, given the channel
// weights and their square roots). The choosers pick one flavour at first
// use; tests run each against the one-lane build.
#pragma once

#include "r3az8/tex/dxt/dxt_block.h"
#include "r3az8/tex/dxt/quality.h"

#define R3AZ_DECLARE_BLOCK_LANES(space)                                                                              \
    namespace space {                                                                                                \
    HRESULT EncodeBlocks(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, UINT count);                    \
    HRESULT EncodeQualityBlocks(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, const BYTE* pCovered,    \
                                UINT count, BlockQuality quality, const float* channelWeights,                       \
                                const float* channelScales);                                                         \
    }

R3AZ_DECLARE_BLOCK_LANES(block_one)            // one lane: the reference every other width must match
R3AZ_DECLARE_BLOCK_LANES(block_lanes_portable) // four lanes, baseline instruction set
R3AZ_DECLARE_BLOCK_LANES(block_lanes_avx2)     // eight lanes, only where the processor has AVX2

#undef R3AZ_DECLARE_BLOCK_LANES

// The quality encoder's Normal and High levels in the flavour the processor
// runs (chosen at the first call), the options' weights applied: what the
// block format table names as the quality encoder of the DXT family, BC4
// and BC5. Fast runs as Normal here.
HRESULT EncodeQualityLanes(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, const BYTE* pCovered,
                           UINT count, const QualityOptions& options);
