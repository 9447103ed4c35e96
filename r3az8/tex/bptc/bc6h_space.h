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
#include <cmath>
#include <cstdint>

namespace bptc::bc6h {

// The place of the largest finite half (65504, bits 0x7BFF).
inline constexpr float kLargestPlace = 31743.0f;

// The place of `value` as the encoder sees it: NaN as 0, negative values
// as 0 when the block is unsigned, and anything beyond +-65504 (infinities
// too) as +-65504.
inline float HalfPlace(float value, bool isSigned)
{
    // Written as selects without branches, so that a loop of them runs
    // four at a time.
    const float lowest = isSigned ? -65504.0f : 0.0f;
    float v = value == value ? value : 0.0f;
    v = v > lowest ? v : lowest;
    v = v < 65504.0f ? v : 65504.0f;
    const float magnitude = std::fabs(v);
    // Above 2^-14 the float's exponent and top mantissa bits are the half's
    // once the exponent bias moves from 127 to 15, and the 13 bits below are
    // the way to the next half: the place is the float's bits, less the
    // bias, over 2^13. Denormal halves step by 2^-24.
    const std::int32_t bits = std::bit_cast<std::int32_t>(magnitude);
    const float normal = static_cast<float>(bits - (112 << 23)) * (1.0f / 8192.0f);
    const float place = magnitude < 6.103515625e-05f ? magnitude * 16777216.0f : normal;
    return v < 0.0f ? -place : place;
}

// The place of a decoded half's bits.
inline int PlaceOfHalf(std::uint16_t bits)
{
    return (bits & 0x8000u) ? -static_cast<int>(bits & 0x7FFFu) : static_cast<int>(bits);
}

} // namespace bptc::bc6h
