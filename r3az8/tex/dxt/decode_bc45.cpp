// BC4 and BC5 decoders: each channel is a DXT5 alpha half, read as
// unsigned bytes or, in the signed forms, as -127..127 mapped to 0..1.
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/dxt/dxt_internal.h"
#include "r3az8/tex/dxt/quality.h"

using namespace dxt;

namespace {

// Sixteen values of one 8-byte channel block into channel `c` (0 red,
// 1 green) of the pixels.
void DecodeChannel(FloatColor* pColors, const BYTE* pBlock, int c, bool isSigned)
{
    float palette[8];
    if (isSigned) {
        // Two's complement ends, -128 read as -127; the ramp's mode follows
        // the signed order.
        int ends[2];
        for (int k = 0; k < 2; ++k) {
            const int v = static_cast<signed char>(pBlock[k]);
            ends[k] = v < -127 ? -127 : v;
        }
        const float a0 = static_cast<float>(ends[0]) / 127.0f;
        const float a1 = static_cast<float>(ends[1]) / 127.0f;
        palette[0] = a0;
        palette[1] = a1;
        if (ends[0] > ends[1]) {
            for (int k = 1; k <= 6; ++k)
                palette[k + 1] = (static_cast<float>(7 - k) * a0 + static_cast<float>(k) * a1) * OneSeventh;
        } else {
            for (int k = 1; k <= 4; ++k)
                palette[k + 1] = (static_cast<float>(5 - k) * a0 + static_cast<float>(k) * a1) * OneFifth;
            palette[6] = -1.0f;
            palette[7] = 1.0f;
        }
        for (float& value : palette)
            value = (value + 1.0f) * 0.5f;
    } else {
        AlphaPalette(pBlock[0], pBlock[1], pBlock[0] > pBlock[1] ? AlphaRamp::EightValues : AlphaRamp::SixValues,
                     palette);
    }
    for (int half = 0; half < 2; ++half) {
        const DWORD bits = pBlock[2 + 3 * half] | pBlock[3 + 3 * half] << 8 | pBlock[4 + 3 * half] << 16;
        for (int i = 0; i < 8; ++i)
            (&pColors[8 * half + i].r)[c] = palette[(bits >> (3 * i)) & 7];
    }
}

HRESULT Decode(FloatColor* pColors, const BYTE* pBlock, int channels, bool isSigned)
{
    for (UINT i = 0; i < BlockPixels; ++i)
        pColors[i] = {0.0f, 0.0f, 0.0f, 1.0f};
    for (int c = 0; c < channels; ++c)
        DecodeChannel(pColors, pBlock + 8 * c, c, isSigned);
    return S_OK;
}

} // namespace

HRESULT DecodeBlockBC4(FloatColor* pColors, const BYTE* pBlock) { return Decode(pColors, pBlock, 1, false); }
HRESULT DecodeBlockBC5(FloatColor* pColors, const BYTE* pBlock) { return Decode(pColors, pBlock, 2, false); }
HRESULT DecodeBlockBC4Signed(FloatColor* pColors, const BYTE* pBlock) { return Decode(pColors, pBlock, 1, true); }
HRESULT DecodeBlockBC5Signed(FloatColor* pColors, const BYTE* pBlock) { return Decode(pColors, pBlock, 2, true); }
