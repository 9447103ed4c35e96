#include "r3az8/tex/numbers/small_floats.h"

#include <bit>
#include <algorithm>
#include <cmath>

namespace {

constexpr unsigned kExponentBits = 5;
constexpr int kExponentBias = 15;

// A magnitude (float bits without the sign) as a 5-bit-exponent float of
// `mantissaBits` bits, rounded to nearest even, saturated below infinity.
std::uint32_t NarrowMagnitude(std::uint32_t magnitude, unsigned mantissaBits)
{
    const std::uint32_t infinity = ((1u << kExponentBits) - 1) << mantissaBits;
    if (magnitude > 0x7F800000u)
        return infinity | (1u << (mantissaBits - 1)); // a quiet NaN
    if (magnitude == 0x7F800000u)
        return infinity;
    const int exponent = static_cast<int>(magnitude >> 23) - 127;
    std::uint32_t mantissa = magnitude & 0x7FFFFFu;
    unsigned shift = 23 - mantissaBits;
    std::uint32_t result;
    if (exponent < 1 - kExponentBias) {
        // Below the smallest normal: a subnormal with the implicit one made
        // explicit, shifted further by the missing exponent steps.
        if (magnitude < 0x00800000u)
            return 0; // float subnormals are far below the narrow range
        const unsigned extra = static_cast<unsigned>(1 - kExponentBias - exponent);
        if (shift + extra > 24)
            return 0;
        mantissa |= 0x800000u;
        shift += extra;
        result = mantissa >> shift;
    } else {
        result = static_cast<std::uint32_t>(exponent + kExponentBias) << mantissaBits | mantissa >> shift;
    }
    const std::uint32_t remainder = mantissa & ((1u << shift) - 1);
    const std::uint32_t halfway = 1u << (shift - 1);
    if (remainder > halfway || (remainder == halfway && (result & 1u)))
        ++result; // a carry into the exponent is the right rounding too
    return result >= infinity ? infinity - 1 : result;
}

float WidenMagnitude(std::uint32_t bits, unsigned mantissaBits)
{
    const std::uint32_t exponent = bits >> mantissaBits;
    const std::uint32_t mantissa = bits & ((1u << mantissaBits) - 1);
    const float scale = static_cast<float>(1u << mantissaBits);
    if (exponent == 0)
        return std::ldexp(static_cast<float>(mantissa) / scale, 1 - kExponentBias);
    if (exponent == (1u << kExponentBits) - 1)
        return mantissa == 0 ? INFINITY : NAN;
    return std::ldexp(1.0f + static_cast<float>(mantissa) / scale, static_cast<int>(exponent) - kExponentBias);
}

} // namespace

float HalfToFloat(std::uint16_t half)
{
    const float magnitude = WidenMagnitude(half & 0x7FFFu, 10);
    return (half & 0x8000u) ? -magnitude : magnitude;
}

std::uint16_t FloatToHalf(float value)
{
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    return static_cast<std::uint16_t>((bits >> 16 & 0x8000u) | NarrowMagnitude(bits & 0x7FFFFFFFu, 10));
}

float UnsignedSmallFloatToFloat(std::uint32_t bits, unsigned mantissaBits)
{
    return WidenMagnitude(bits & ((1u << (kExponentBits + mantissaBits)) - 1), mantissaBits);
}

std::uint32_t FloatToUnsignedSmallFloat(float value, unsigned mantissaBits)
{
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    if ((bits & 0x80000000u) && (bits & 0x7FFFFFFFu) <= 0x7F800000u)
        return 0; // negative numbers, -0 and -infinity
    return NarrowMagnitude(bits & 0x7FFFFFFFu, mantissaBits);
}

FloatColor SharedExponentToColor(std::uint32_t word)
{
    const int exponent = static_cast<int>(word >> 27) - kExponentBias - 9;
    return {std::ldexp(static_cast<float>(word & 511u), exponent),
            std::ldexp(static_cast<float>(word >> 9 & 511u), exponent),
            std::ldexp(static_cast<float>(word >> 18 & 511u), exponent), 1.0f};
}

std::uint32_t ColorToSharedExponent(const FloatColor& color)
{
    // The largest value: mantissa 511 with the largest exponent.
    constexpr float kLargest = 511.0f / 512.0f * 65536.0f;
    auto clamp = [](float x) { return x > 0.0f ? (x < kLargest ? x : kLargest) : 0.0f; }; // NaN to 0
    const float r = clamp(color.r), g = clamp(color.g), b = clamp(color.b);
    const float largest = std::fmax(r, std::fmax(g, b));
    // The smallest exponent whose scale holds the largest channel.
    int exponent = largest > 0.0f ? std::max(-kExponentBias - 1, std::ilogb(largest)) + 1 + kExponentBias : 0;
    float scale = std::ldexp(1.0f, exponent - kExponentBias - 9);
    if (static_cast<std::uint32_t>(std::floor(largest / scale + 0.5f)) == 512) {
        ++exponent;
        scale *= 2.0f;
    }
    auto mantissa = [&](float x) { return static_cast<std::uint32_t>(std::floor(x / scale + 0.5f)); };
    return static_cast<std::uint32_t>(exponent) << 27 | mantissa(b) << 18 | mantissa(g) << 9 | mantissa(r);
}
