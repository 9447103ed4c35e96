// Reading the fields of a 128-bit block, least significant bit first: bit 0
// is the low bit of byte 0, bit 127 the high bit of byte 15.
#pragma once

#include "d3d8.h"

#include <cstdint>

namespace bptc {

class BlockBits {
public:
    explicit BlockBits(const BYTE* block)
    {
        for (int i = 7; i >= 0; --i) {
            low_ = low_ << 8 | block[i];
            high_ = high_ << 8 | block[i + 8];
        }
    }

    // The next `count` bits (at most 32) as a number, the first bit read
    // its lowest.
    std::uint32_t Take(unsigned count)
    {
        std::uint32_t value = 0;
        for (unsigned i = 0; i < count; ++i)
            value |= TakeBit() << i;
        return value;
    }

    // The next `count` bits with the first read as the highest: a few BC6H
    // fields are stored in this reversed order.
    std::uint32_t TakeReversed(unsigned count)
    {
        std::uint32_t value = 0;
        for (unsigned i = 0; i < count; ++i)
            value = value << 1 | TakeBit();
        return value;
    }

    unsigned Position() const { return position_; }

private:
    std::uint32_t TakeBit()
    {
        // Past the end the block reads as zeros; no layout asks for more
        // than 128 bits, but a reader must not depend on that.
        if (position_ >= 128)
            return 0;
        const std::uint64_t word = position_ < 64 ? low_ : high_;
        const std::uint32_t bit = static_cast<std::uint32_t>(word >> (position_ % 64)) & 1u;
        ++position_;
        return bit;
    }

    std::uint64_t low_ = 0;
    std::uint64_t high_ = 0;
    unsigned position_ = 0;
};

} // namespace bptc
