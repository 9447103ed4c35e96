// The multi-block encoder in its instruction-set flavours, all with
// EncodeBlocks' contract and bytes. EncodeBlocks picks one at first use;
// tests run each against the one-block encoders.
#pragma once

#include "r3az8/tex/dxt/dxt_block.h"

namespace block_lanes_portable {
HRESULT EncodeBlocks(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, UINT count);
}

namespace block_lanes_avx2 {
// Only where the processor has AVX2.
HRESULT EncodeBlocks(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, UINT count);
}
