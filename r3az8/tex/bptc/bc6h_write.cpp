// Packing a BC6H block: the mode number, then the endpoint bits in the
// order the mode's layout scatters them, then the partition and indices.
#include "r3az8/tex/bptc/bc6h_block.h"

#include "r3az8/tex/bptc/bc6h_modes.h"
#include "r3az8/tex/bptc/partitions.h"

#include <cstdint>

namespace bptc::bc6h {
namespace {

// Bits gathered in two words and stored once: a block is written far more
// often than any other step of the encoder runs.
class BitWriter {
public:
    void Put(std::uint64_t value, unsigned count)
    {
        value &= (std::uint64_t{1} << count) - 1;
        if (position_ < 64) {
            low_ |= value << position_;
            if (position_ + count > 64)
                high_ |= value >> (64 - position_);
        } else {
            high_ |= value << (position_ - 64);
        }
        position_ += count;
    }

    void Store(BYTE* out) const
    {
        for (unsigned i = 0; i < 8; ++i) {
            out[i] = static_cast<BYTE>(low_ >> (8 * i));
            out[8 + i] = static_cast<BYTE>(high_ >> (8 * i));
        }
    }

private:
    std::uint64_t low_ = 0;
    std::uint64_t high_ = 0;
    unsigned position_ = 0;
};

} // namespace

void WriteBc6hBlock(const Bc6hBlock& block, BYTE* out)
{
    const Bc6hMode& mode = kModes[block.mode];
    // The fields as the layout names them: w in full, the other endpoints
    // in full or, in transformed modes, as differences from w cut to their
    // width (the decoder adds them back modulo the precision).
    int field[13] = {};
    const unsigned endpoints = 2 * mode.regions;
    const int mask = (1 << mode.precision) - 1;
    for (unsigned e = 0; e < endpoints; ++e)
        for (unsigned c = 0; c < 3; ++c) {
            const int value = block.endpoint[e][c];
            field[1 + 3 * e + c] = e > 0 && mode.transformed ? (value - block.endpoint[0][c]) & ((1 << mode.delta[c]) - 1)
                                                             : value & mask;
        }

    BitWriter bits;
    bits.Put(mode.code, mode.code < 2 ? 2 : 5);
    for (const Run& run : mode.layout) {
        if (run.field == End)
            break;
        const unsigned value = static_cast<unsigned>(field[run.field]);
        if (run.last >= run.first) {
            bits.Put(value >> run.first, run.last - run.first + 1u);
            continue;
        }
        for (int bit = run.first; bit >= run.last; --bit) // stored highest bit first
            bits.Put(value >> bit, 1);
    }
    const unsigned indexBits = mode.regions == 2 ? 3 : 4;
    const unsigned secondAnchor = mode.regions == 2 ? AnchorOf(2, block.partition, 1) : 0;
    if (mode.regions == 2)
        bits.Put(block.partition, 5);
    // The indices, at most 63 bits, gathered in one word first.
    std::uint64_t indices = 0;
    unsigned width = 0;
    for (unsigned pixel = 0; pixel < 16; ++pixel) {
        const bool anchor = pixel == 0 || (mode.regions == 2 && pixel == secondAnchor);
        indices |= std::uint64_t{block.index[pixel]} << width;
        width += anchor ? indexBits - 1 : indexBits;
    }
    bits.Put(indices, width);
    bits.Store(out);
}

} // namespace bptc::bc6h
