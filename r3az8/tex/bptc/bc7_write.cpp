// Packing a BC7 block: fields from bit 0 of byte 0 upwards, in the order
// the format stores them.
#include "r3az8/tex/bptc/bc7_layout.h"

#include "r3az8/tex/bptc/partitions.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace bptc {
namespace {

// The 128 bits gathered in one 128-bit number (a GCC and Clang type) and
// stored little end first at the end. Runs of narrow fields (a channel's
// ends, an index set) are gathered in a 64-bit word first and put at once.
class BitWriter {
public:
    void Put(std::uint64_t value, unsigned count)
    {
        bits_ |= static_cast<unsigned __int128>(value) << position_;
        position_ += count;
    }

    void Store(BYTE* out) const
    {
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(out, &bits_, 16);
        } else {
            for (unsigned i = 0; i < 16; ++i)
                out[i] = static_cast<BYTE>(bits_ >> (8 * i));
        }
    }

private:
    unsigned __int128 bits_ = 0;
    unsigned position_ = 0;
};

// A run of fields of at most 8 bits each, at most 64 bits in all.
class Run {
public:
    void Put(unsigned value, unsigned count)
    {
        word_ |= static_cast<std::uint64_t>(value & ((1u << count) - 1)) << position_;
        position_ += count;
    }
    void To(BitWriter& bits) const { bits.Put(word_, position_); }

private:
    std::uint64_t word_ = 0;
    unsigned position_ = 0;
};

// 16 indices of `width` bits (at most 4: 63 bits at most), the anchors'
// one bit short.
void PutIndices(BitWriter& bits, const unsigned* indices, unsigned width, const bool* anchors)
{
    Run run;
    for (unsigned pixel = 0; pixel < 16; ++pixel)
        run.Put(indices[pixel], anchors[pixel] ? width - 1 : width);
    run.To(bits);
}

} // namespace

void WriteBc7Block(const Bc7Block& block, BYTE* out)
{
    const unsigned mode = block.mode & 7u;
    const Bc7ModeLayout& m = kBc7Modes[mode];
    BitWriter bits;
    Run head;
    head.Put(1u << mode, mode + 1);
    head.Put(block.partition, m.partitionBits);
    head.Put(block.rotation, m.rotationBits);
    head.Put(block.selector, m.selectorBits);
    head.To(bits);
    // A channel's ends are at most six of 8 bits.
    const unsigned endpoints = 2 * m.subsets;
    for (unsigned channel = 0; channel < 4; ++channel) {
        const unsigned width = channel < 3 ? m.colorBits : m.alphaBits;
        Run ends;
        for (unsigned e = 0; e < endpoints; ++e)
            ends.Put(block.raw[e][channel], width);
        ends.To(bits);
    }
    Run pBits;
    if (m.pBits == 1)
        for (unsigned e = 0; e < endpoints; ++e)
            pBits.Put(block.pBit[e], 1);
    if (m.pBits == 2)
        for (unsigned s = 0; s < m.subsets; ++s)
            pBits.Put(block.pBit[2 * s], 1);
    pBits.To(bits);

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
