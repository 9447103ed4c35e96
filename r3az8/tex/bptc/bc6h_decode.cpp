// BC6H: half-float RGB in fourteen modes. Two-region modes store four
// endpoints and 3-bit indices, one-region modes two endpoints and 4-bit
// indices; most modes store the first endpoint in full and the others as
// signed differences from it ("transformed"). Each mode scatters the
// endpoint bits over the block in its own order, told by its row of
// bc6h_modes.h, which the encoder writes by.
#include "r3az8/tex/bptc/bptc_block.h"

#include "r3az8/tex/bptc/bc6h_modes.h"
#include "r3az8/tex/bptc/block_bits.h"
#include "r3az8/tex/bptc/partitions.h"
#include "r3az8/tex/numbers/small_floats.h"

#include <algorithm>

using namespace bptc;
using namespace bptc::bc6h;

namespace {

const Bc6hMode* FindMode(BlockBits& bits)
{
    unsigned code = bits.Take(2);
    if (code >= 2)
        code |= bits.Take(3) << 2;
    for (const Bc6hMode& mode : kModes)
        if (mode.code == code)
            return &mode;
    return nullptr; // the four reserved codes
}

void DecodeBlockBC6H(FloatColor* pColors, const BYTE* pBlock, bool isSigned)
{
    BlockBits bits(pBlock);
    const Bc6hMode* mode = FindMode(bits);
    if (mode == nullptr) {
        for (unsigned i = 0; i < 16; ++i)
            pColors[i] = {0.0f, 0.0f, 0.0f, 1.0f};
        return;
    }
    int field[13] = {};
    for (const Run& run : mode->layout) {
        if (run.field == End)
            break;
        const int step = run.last >= run.first ? 1 : -1;
        for (int bit = run.first;; bit += step) {
            field[run.field] |= static_cast<int>(bits.Take(1)) << bit;
            if (bit == run.last)
                break;
        }
    }
    const unsigned partition = mode->regions == 2 ? bits.Take(5) : 0;

    // Endpoints w, x, y, z as signed numbers of the mode's precision.
    const unsigned endpoints = 2 * mode->regions;
    const int mask = (1 << mode->precision) - 1;
    int endpoint[4][3];
    for (unsigned channel = 0; channel < 3; ++channel) {
        int w = field[1 + channel];
        if (isSigned)
            w = SignExtend(w, mode->precision);
        endpoint[0][channel] = w;
        for (unsigned e = 1; e < endpoints; ++e) {
            int value = field[1 + 3 * e + channel];
            if (mode->transformed) {
                value = (w + SignExtend(value, mode->delta[channel])) & mask;
                if (isSigned)
                    value = SignExtend(value, mode->precision);
            } else if (isSigned) {
                value = SignExtend(value, mode->precision);
            }
            endpoint[e][channel] = value;
        }
        for (unsigned e = 0; e < endpoints; ++e)
            endpoint[e][channel] = Unquantise(endpoint[e][channel], mode->precision, isSigned);
    }

    const unsigned indexBits = mode->regions == 2 ? 3 : 4;
    const unsigned secondAnchor = mode->regions == 2 ? AnchorOf(2, partition, 1) : 0;
    for (unsigned pixel = 0; pixel < 16; ++pixel) {
        const bool anchor = pixel == 0 || (mode->regions == 2 && pixel == secondAnchor);
        const unsigned index = bits.Take(anchor ? indexBits - 1 : indexBits);
        const unsigned region = SubsetOf(mode->regions, partition, pixel);
        const unsigned weight = WeightOf(indexBits, index);
        float channels[3];
        for (unsigned channel = 0; channel < 3; ++channel) {
            const int value = Interpolate(endpoint[2 * region][channel], endpoint[2 * region + 1][channel], weight);
            channels[channel] = HalfToFloat(ToHalfBits(value, isSigned));
        }
        pColors[pixel] = {channels[0], channels[1], channels[2], 1.0f};
    }
}

} // namespace

HRESULT DecodeBlockBC6HUnsigned(FloatColor* pColors, const BYTE* pBlock)
{
    DecodeBlockBC6H(pColors, pBlock, false);
    return S_OK;
}

HRESULT DecodeBlockBC6HSigned(FloatColor* pColors, const BYTE* pBlock)
{
    DecodeBlockBC6H(pColors, pBlock, true);
    return S_OK;
}
