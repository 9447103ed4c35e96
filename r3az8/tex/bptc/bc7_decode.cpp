// BC7: eight modes, told apart by the position of the block's lowest set
// bit. Each mode fixes the number of subsets, the partition and rotation
// fields, the endpoint precision and p-bits, and the index widths.
#include "r3az8/tex/bptc/bptc_block.h"

#include "r3az8/tex/bptc/block_bits.h"
#include "r3az8/tex/bptc/partitions.h"
#include "r3az8/tex/numbers/unit_steps.h"

#include <algorithm>
#include <utility>

using namespace bptc;

namespace {

struct Bc7Mode {
    unsigned subsets;
    unsigned partitionBits;
    unsigned rotationBits;
    unsigned selectorBits;  // the index-selection bit of mode 4
    unsigned colorBits;     // per endpoint channel, before the p-bit
    unsigned alphaBits;     // 0: opaque
    unsigned endpointPBits; // one p-bit per endpoint
    unsigned sharedPBits;   // one p-bit per subset, shared by its two endpoints
    unsigned indexBits;
    unsigned secondIndexBits; // modes 4 and 5: a second index set
};

constexpr Bc7Mode kModes[8] = {
    {3, 4, 0, 0, 4, 0, 1, 0, 3, 0}, {2, 6, 0, 0, 6, 0, 0, 1, 3, 0}, {3, 6, 0, 0, 5, 0, 0, 0, 2, 0},
    {2, 6, 0, 0, 7, 0, 1, 0, 2, 0}, {1, 0, 2, 1, 5, 6, 0, 0, 2, 3}, {1, 0, 2, 0, 7, 8, 0, 0, 2, 2},
    {1, 0, 0, 0, 7, 7, 1, 0, 4, 0}, {2, 6, 0, 0, 5, 5, 1, 0, 2, 0},
};

// Every mode fills exactly 128 bits.
constexpr unsigned BitsOf(unsigned mode)
{
    const Bc7Mode& m = kModes[mode];
    const unsigned endpoints = 2 * m.subsets;
    return mode + 1 + m.partitionBits + m.rotationBits + m.selectorBits + endpoints * (3 * m.colorBits + m.alphaBits) +
           endpoints * m.endpointPBits + m.subsets * m.sharedPBits + 16 * m.indexBits - m.subsets +
           (m.secondIndexBits ? 16 * m.secondIndexBits - 1 : 0);
}
static_assert(BitsOf(0) == 128 && BitsOf(1) == 128 && BitsOf(2) == 128 && BitsOf(3) == 128);
static_assert(BitsOf(4) == 128 && BitsOf(5) == 128 && BitsOf(6) == 128 && BitsOf(7) == 128);

// A stored endpoint channel (with its p-bit appended) widened to 8 bits by
// repeating its top bits below it.
int Expand(unsigned value, unsigned bits)
{
    value <<= 8 - bits;
    return static_cast<int>(value | value >> bits);
}

// Channels read as those of the 8-bit packed formats do.
constexpr float kByteToUnit = UnitStep(8);

// Reads 16 indices of `width` bits, those of the anchor pixels one bit short.
void ReadIndices(BlockBits& bits, unsigned width, const bool* anchors, unsigned* indices)
{
    for (unsigned pixel = 0; pixel < 16; ++pixel)
        indices[pixel] = bits.Take(anchors[pixel] ? width - 1 : width);
}

} // namespace

HRESULT DecodeBlockBC7(FloatColor* pColors, const BYTE* pBlock)
{
    unsigned mode = 0;
    while (mode < 8 && ((pBlock[0] >> mode) & 1u) == 0)
        ++mode;
    if (mode == 8) {
        // No mode bit: the block is reserved and decodes to transparent black.
        for (unsigned i = 0; i < 16; ++i)
            pColors[i] = {0.0f, 0.0f, 0.0f, 0.0f};
        return S_OK;
    }
    const Bc7Mode& m = kModes[mode];
    BlockBits bits(pBlock);
    bits.Take(mode + 1);
    const unsigned partition = bits.Take(m.partitionBits);
    const unsigned rotation = bits.Take(m.rotationBits);
    const unsigned selector = bits.Take(m.selectorBits);

    // Endpoints: all reds (subset by subset, two each), then greens, blues
    // and alphas.
    const unsigned endpoints = 2 * m.subsets;
    unsigned raw[6][4] = {};
    for (unsigned channel = 0; channel < 4; ++channel) {
        const unsigned width = channel < 3 ? m.colorBits : m.alphaBits;
        for (unsigned e = 0; e < endpoints; ++e)
            raw[e][channel] = bits.Take(width);
    }
    unsigned pBits[6] = {};
    for (unsigned e = 0; e < endpoints; ++e) {
        if (m.endpointPBits)
            pBits[e] = bits.Take(1);
    }
    if (m.sharedPBits) {
        for (unsigned s = 0; s < m.subsets; ++s)
            pBits[2 * s] = pBits[2 * s + 1] = bits.Take(1);
    }
    const unsigned pBitCount = m.endpointPBits | m.sharedPBits;
    int endpoint[6][4];
    for (unsigned e = 0; e < endpoints; ++e)
        for (unsigned channel = 0; channel < 4; ++channel) {
            const unsigned width = channel < 3 ? m.colorBits : m.alphaBits;
            if (width == 0) {
                endpoint[e][channel] = 255;
                continue;
            }
            endpoint[e][channel] = Expand(raw[e][channel] << pBitCount | pBits[e], width + pBitCount);
        }

    bool anchors[16] = {};
    unsigned subsetOf[16];
    for (unsigned pixel = 0; pixel < 16; ++pixel)
        subsetOf[pixel] = SubsetOf(m.subsets, partition, pixel);
    for (unsigned s = 0; s < m.subsets; ++s)
        anchors[AnchorOf(m.subsets, partition, s)] = true;

    unsigned colorIndex[16];
    unsigned alphaIndex[16];
    ReadIndices(bits, m.indexBits, anchors, colorIndex);
    unsigned colorWidth = m.indexBits;
    unsigned alphaWidth = m.indexBits;
    if (m.secondIndexBits) {
        // Only pixel 0 is an anchor of the second set.
        const bool firstOnly[16] = {true};
        ReadIndices(bits, m.secondIndexBits, firstOnly, alphaIndex);
        alphaWidth = m.secondIndexBits;
        if (selector) {
            std::swap(colorIndex, alphaIndex);
            std::swap(colorWidth, alphaWidth);
        }
    } else {
        std::copy(colorIndex, colorIndex + 16, alphaIndex);
    }

    for (unsigned pixel = 0; pixel < 16; ++pixel) {
        const int* e0 = endpoint[2 * subsetOf[pixel]];
        const int* e1 = endpoint[2 * subsetOf[pixel] + 1];
        const unsigned cw = WeightOf(colorWidth, colorIndex[pixel]);
        const unsigned aw = WeightOf(alphaWidth, alphaIndex[pixel]);
        int channel[4] = {Interpolate(e0[0], e1[0], cw), Interpolate(e0[1], e1[1], cw), Interpolate(e0[2], e1[2], cw),
                          Interpolate(e0[3], e1[3], aw)};
        // Rotation 1, 2, 3 exchanges alpha with red, green, blue.
        if (rotation != 0)
            std::swap(channel[3], channel[rotation - 1]);
        pColors[pixel] = {static_cast<float>(channel[0]) * kByteToUnit, static_cast<float>(channel[1]) * kByteToUnit,
                          static_cast<float>(channel[2]) * kByteToUnit, static_cast<float>(channel[3]) * kByteToUnit};
    }
    return S_OK;
}
