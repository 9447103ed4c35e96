// The space the BC6H encoder measures errors in: a value's place among the
// half floats, that is the bit pattern of its half read as an integer
// (negated for negative halves), continued linearly between neighbouring
// halves. Above 2^-14 a step of 1024 is one doubling, so the squared error
// of these places is close to a squared error of log2 (times 1024 squared),
// the measure that suits HDR content; below 2^-14, among the denormals,
// the places are linear in the value. A decoded half sits exactly on an
// integer place.
//
// The decoder's last step (bc6h_modes.h ToHalfBits) is linear in the place
// too, so a line between two endpoints in this space is the line a block
// interpolates along.
#pragma once

#include <bit>
#include <cstdint>

namespace bptc::bc6h {

// The place of the largest finite half (65504, bits 0x7BFF).
inline constexpr float kLargestPlace = 31743.0f;

// The place of `value` as the encoder sees it: NaN as 0, negative values
// as 0 when the block is unsigned, and anything beyond +-65504 (infinities
// too) as +-65504.
inline float HalfPlace(float value, bool isSigned)
{
    // Worked on the float's bits with masks, without a branch or a select:
    // blocks of HDR pixels give a branch nothing to learn, and a loop of
    // these runs four at a time.
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    const std::uint32_t negative = 0u - (bits >> 31);
    std::uint32_t magnitude = bits & 0x7FFFFFFFu;
    magnitude &= ~(0u - static_cast<std::uint32_t>(magnitude > 0x7F800000u)); // NaN as 0
    magnitude &= ~(negative & (isSigned ? 0u : ~0u));                         // below 0 unsigned as 0
    magnitude = magnitude < 0x477FE000u ? magnitude : 0x477FE000u;            // at most 65504
    // Above 2^-14 (bits 0x38800000) the float's exponent and top mantissa
    // bits are the half's once the exponent bias moves from 127 to 15, and
    // the 13 bits below are the way to the next half: the place is the
    // float's bits, less the bias, over 2^13. Denormal halves step by 2^-24.
    const float normal = static_cast<float>(static_cast<std::int32_t>(magnitude) - (112 << 23)) * (1.0f / 8192.0f);
    const float denormal = std::bit_cast<float>(magnitude) * 16777216.0f;
    const std::uint32_t small = 0u - static_cast<std::uint32_t>(magnitude < 0x38800000u);
    const std::uint32_t place =
        (std::bit_cast<std::uint32_t>(denormal) & small) | (std::bit_cast<std::uint32_t>(normal) & ~small);
    return std::bit_cast<float>(place | (bits & 0x80000000u & (isSigned ? ~0u : 0u)));
}

// The place of a decoded half's bits.
inline int PlaceOfHalf(std::uint16_t bits)
{
    return (bits & 0x8000u) ? -static_cast<int>(bits & 0x7FFFu) : static_cast<int>(bits);
}

} // namespace bptc::bc6h
