// How a packed pixel format is laid out: which bit fields it stores, where,
// how wide, signed or not, and which float channel each field is read into
// and written from. The packed codecs are generated from these records.
#pragma once

#include "r3az8/tex/numbers/unit_steps.h"
#include "r3az8/tex/pixel_codec.h"

#include <cstdint>

namespace packed {

// The FloatColor channel a field belongs to. Luminance is read into R, G
// and B and written from the weighted sum LuminanceOf(R, G, B).
enum class Channel : std::uint8_t { Red, Green, Blue, Alpha, Luminance };

enum class Sign : std::uint8_t { Unsigned, Signed };

struct Field {
    Channel channel;
    std::uint8_t shift; // lowest bit of the field in the little-endian pixel
    std::uint8_t bits;
    Sign sign;
};

// A pixel stores up to four fields; the channels no field fills read as the
// constants in `fill`. Bits covered by no field are X bits: ignored when
// reading, written as 0.
struct Layout {
    D3DFORMAT format;
    std::uint8_t bytes;
    ChannelRange range;
    std::uint8_t fieldCount;
    Field fields[4];
    FloatColor fill;
};

// Factor a stored field is multiplied by when decoding: 1 / (2^n - 1) for
// unsigned fields, 1 / 2^(n-1) for signed ones, as a 32-bit float.
constexpr float DecodeFactor(Sign sign, unsigned bits)
{
    if (sign == Sign::Signed)
        return 1.0f / static_cast<float>(1u << (bits - 1));
    return UnitStep(bits);
}

// Scale S of the quantisation trunc(t + v * S): the reciprocal of the above.
constexpr float EncodeScale(Sign sign, unsigned bits)
{
    if (sign == Sign::Signed)
        return static_cast<float>(1u << (bits - 1));
    return static_cast<float>((1u << bits) - 1);
}

// Smallest and largest code a field holds; values beyond saturate to these.
constexpr float LowestCode(Sign sign, unsigned bits)
{
    return sign == Sign::Signed ? -static_cast<float>(1u << (bits - 1)) : 0.0f;
}
constexpr float HighestCode(Sign sign, unsigned bits)
{
    return sign == Sign::Signed ? static_cast<float>((1u << (bits - 1)) - 1) : static_cast<float>((1u << bits) - 1);
}

// The decoding factors as 32-bit constants, the way the formats' readers have
// always used them.
static_assert(DecodeFactor(Sign::Unsigned, 2) == 0.33333334f);
static_assert(DecodeFactor(Sign::Unsigned, 3) == 0.14285715f);
static_assert(DecodeFactor(Sign::Unsigned, 4) == 0.06666667f);
static_assert(DecodeFactor(Sign::Unsigned, 5) == 0.032258064f);
static_assert(DecodeFactor(Sign::Unsigned, 6) == 0.015873017f);
static_assert(DecodeFactor(Sign::Unsigned, 8) == 0.003921569f);
static_assert(DecodeFactor(Sign::Unsigned, 10) == 0.0009775171f);
static_assert(DecodeFactor(Sign::Unsigned, 16) == 0.000015259022f);
static_assert(DecodeFactor(Sign::Unsigned, 1) == 1.0f);
static_assert(DecodeFactor(Sign::Signed, 5) == 0.0625f);
static_assert(DecodeFactor(Sign::Signed, 11) == 0.0009765625f);
static_assert(DecodeFactor(Sign::Signed, 16) == 0.000030517578125f);

// LuminanceOf(R, G, B) = 0.0721 B + 0.7154 G + 0.2125 R, summed in that order.
inline float LuminanceOf(float red, float green, float blue)
{
    return 0.0721f * blue + 0.7154f * green + 0.2125f * red;
}

// trunc(t + v * S) with the sum rounded to a 32-bit float, saturated to the
// field's codes and returned as the field's low bits. The clamp happens
// before the conversion, so values far out of range never reach an
// undefined float-to-integer conversion; not-a-number goes to the lowest
// code.
template <Sign TheSign, unsigned Bits>
inline std::uint32_t QuantiseField(float value, float threshold)
{
    constexpr float kScale = EncodeScale(TheSign, Bits);
    constexpr float kLowest = LowestCode(TheSign, Bits);
    constexpr float kHighest = HighestCode(TheSign, Bits);
    constexpr std::uint32_t kMask = (std::uint32_t{1} << Bits) - 1;
    const float product = value * kScale;
    float sum = threshold + product;
    sum = sum > kLowest ? sum : kLowest;
    sum = sum < kHighest ? sum : kHighest;
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(sum)) & kMask;
}

// Whether any field of the layout is written from the luminance.
constexpr bool UsesLuminance(const Layout& layout)
{
    for (unsigned index = 0; index < layout.fieldCount; ++index)
        if (layout.fields[index].channel == Channel::Luminance)
            return true;
    return false;
}

// Bit mask of all fields; what is outside it is X bits.
constexpr std::uint64_t FieldMask(const Layout& layout)
{
    std::uint64_t mask = 0;
    for (unsigned index = 0; index < layout.fieldCount; ++index) {
        const Field& field = layout.fields[index];
        mask |= ((std::uint64_t{1} << field.bits) - 1) << field.shift;
    }
    return mask;
}

// Fields lie inside the pixel and do not overlap one another.
constexpr bool FieldsAreSound(const Layout& layout)
{
    if (layout.fieldCount == 0 || layout.fieldCount > 4 || layout.bytes == 0 || layout.bytes > 8)
        return false;
    std::uint64_t seen = 0;
    for (unsigned index = 0; index < layout.fieldCount; ++index) {
        const Field& field = layout.fields[index];
        if (field.bits == 0 || field.bits > 16 || field.shift + field.bits > layout.bytes * 8u)
            return false;
        if (field.sign == Sign::Signed && field.bits < 2)
            return false;
        const std::uint64_t mask = ((std::uint64_t{1} << field.bits) - 1) << field.shift;
        if ((seen & mask) != 0)
            return false;
        seen |= mask;
    }
    return true;
}

} // namespace packed
