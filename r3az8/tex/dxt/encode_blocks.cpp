// EncodeBlocks: the multi-block encoder for the instruction set the
// processor has, chosen at the first call.
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/dxt/block_lanes.h"

#include "r3az8/tex/cpu.h"

namespace {

using RowEncoder = HRESULT (*)(D3DFORMAT, BYTE*, const FloatColor*, UINT);

RowEncoder ChooseRowEncoder()
{
    return KernelsMayUse(InstructionSet::Avx2) ? block_lanes_avx2::EncodeBlocks : block_lanes_portable::EncodeBlocks;
}

} // namespace

HRESULT EncodeBlocks(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, UINT count)
{
    static const RowEncoder encoder = ChooseRowEncoder();
    return encoder(format, pBlocks, pColors, count);
}
