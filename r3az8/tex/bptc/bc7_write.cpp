// Packing a BC7 block: fields from bit 0 of byte 0 upwards, in the order
// the format stores them.
#include "r3az8/tex/bptc/bc7_layout.h"

#include "r3az8/tex/bptc/partitions.h"

#include <cstring>

namespace bptc {
namespace {

class BitWriter {
public:
    explicit BitWriter(BYTE* out) : out_(out) { std::memset(out_, 0, 16); }

    void Put(unsigned value, unsigned count)
    {
        for (unsigned i = 0; i < count; ++i, ++position_)
            out_[position_ / 8] = static_cast<BYTE>(out_[position_ / 8] | ((value >> i) & 1u) << (position_ % 8));
    }

private:
    BYTE* out_;
    unsigned position_ = 0;
};

// 16 indices of `width` bits, the anchors' one bit short.
void PutIndices(BitWriter& bits, const unsigned* indices, unsigned width, const bool* anchors)
{
    for (unsigned pixel = 0; pixel < 16; ++pixel)
        bits.Put(indices[pixel], anchors[pixel] ? width - 1 : width);
}

} // namespace

void WriteBc7Block(const Bc7Block& block, BYTE* out)
{
    const Bc7ModeLayout& m = kBc7Modes[block.mode];
    BitWriter bits(out);
    bits.Put(1u << block.mode, block.mode + 1);
    bits.Put(block.partition, m.partitionBits);
    bits.Put(block.rotation, m.rotationBits);
    bits.Put(block.selector, m.selectorBits);
    const unsigned endpoints = 2 * m.subsets;
    for (unsigned channel = 0; channel < 4; ++channel) {
        const unsigned width = channel < 3 ? m.colorBits : m.alphaBits;
        for (unsigned e = 0; e < endpoints; ++e)
            bits.Put(block.raw[e][channel], width);
    }
    if (m.pBits == 1)
        for (unsigned e = 0; e < endpoints; ++e)
            bits.Put(block.pBit[e], 1);
    if (m.pBits == 2)
        for (unsigned s = 0; s < m.subsets; ++s)
            bits.Put(block.pBit[2 * s], 1);

    bool anchors[16] = {};
    for (unsigned s = 0; s < m.subsets; ++s)
        anchors[AnchorOf(m.subsets, block.partition, s)] = true;
    if (m.secondIndexBits == 0) {
        PutIndices(bits, block.colorIndex, m.indexBits, anchors);
        return;
    }
    // The selector bit puts the alpha indices in the first, narrower set.
    const bool firstOnly[16] = {true};
    PutIndices(bits, block.selector ? block.alphaIndex : block.colorIndex, m.indexBits, anchors);
    PutIndices(bits, block.selector ? block.colorIndex : block.alphaIndex, m.secondIndexBits, firstOnly);
}

} // namespace bptc
