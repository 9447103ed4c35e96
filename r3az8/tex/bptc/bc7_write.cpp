// Packing a BC7 block: fields from bit 0 of byte 0 upwards, in the order
// the format stores them.
#include "r3az8/tex/bptc/bc7_layout.h"

#include "r3az8/tex/bptc/partitions.h"

#include <cstdint>

namespace bptc {
namespace {

// The 128 bits gathered in two words, stored little end first at the end.
class BitWriter {
public:
    void Put(unsigned value, unsigned count)
    {
        const std::uint64_t bits = static_cast<std::uint64_t>(value) & ((std::uint64_t{1} << count) - 1);
        if (position_ < 64) {
            words_[0] |= bits << position_;
            if (position_ + count > 64)
                words_[1] |= bits >> (64 - position_);
        } else {
            words_[1] |= bits << (position_ - 64);
        }
        position_ += count;
    }

    void Store(BYTE* out) const
    {
        for (unsigned i = 0; i < 16; ++i)
            out[i] = static_cast<BYTE>(words_[i / 8] >> (8 * (i % 8)));
    }

private:
    std::uint64_t words_[2] = {};
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
    const unsigned mode = block.mode & 7u;
    const Bc7ModeLayout& m = kBc7Modes[mode];
    BitWriter bits;
    bits.Put(1u << mode, mode + 1);
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
    } else {
        // The selector bit puts the alpha indices in the first, narrower set.
        const bool firstOnly[16] = {true};
        PutIndices(bits, block.selector ? block.alphaIndex : block.colorIndex, m.indexBits, anchors);
        PutIndices(bits, block.selector ? block.colorIndex : block.alphaIndex, m.secondIndexBits, firstOnly);
    }
    bits.Store(out);
}

} // namespace bptc
