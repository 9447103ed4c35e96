// BC4 and BC5 decoders: each channel is a DXT5 alpha half. (Signed files
// are turned into unsigned blocks by the tool's reader.)
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/dxt/dxt_internal.h"
#include "r3az8/tex/dxt/quality.h"

using namespace dxt;

namespace {

// Sixteen values of one 8-byte channel block into channel `c` (0 red,
// 1 green) of the pixels.
void DecodeChannel(FloatColor* pColors, const BYTE* pBlock, int c)
{
    float palette[8];
    AlphaPalette(pBlock[0], pBlock[1], pBlock[0] > pBlock[1] ? AlphaRamp::EightValues : AlphaRamp::SixValues, palette);
    for (int half = 0; half < 2; ++half) {
        const DWORD bits = pBlock[2 + 3 * half] | pBlock[3 + 3 * half] << 8 | pBlock[4 + 3 * half] << 16;
        for (int i = 0; i < 8; ++i)
            (&pColors[8 * half + i].r)[c] = palette[(bits >> (3 * i)) & 7];
    }
}

HRESULT Decode(FloatColor* pColors, const BYTE* pBlock, int channels)
{
    for (UINT i = 0; i < kBlockPixels; ++i)
        pColors[i] = {0.0f, 0.0f, 0.0f, 1.0f};
    for (int c = 0; c < channels; ++c)
        DecodeChannel(pColors, pBlock + 8 * c, c);
    return S_OK;
}

} // namespace

HRESULT DecodeBlockBC4(FloatColor* pColors, const BYTE* pBlock) { return Decode(pColors, pBlock, 1); }
HRESULT DecodeBlockBC5(FloatColor* pColors, const BYTE* pBlock) { return Decode(pColors, pBlock, 2); }
