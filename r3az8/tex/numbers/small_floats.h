// Floating-point numbers narrower than a float, as textures store them:
// IEEE half precision (1 sign, 5 exponent, 10 mantissa bits), the unsigned
// 11- and 10-bit floats of R11G11B10 (5 exponent bits, 6 or 5 mantissa
// bits, no sign) and the shared-exponent R9G9B9E5 triple.
//
// Decoding is exact. Encoding rounds to nearest, ties to even; finite
// values beyond the largest finite one saturate to it, infinities and NaN
// stay what they are; the unsigned forms store negative values (and -0)
// as 0.
#pragma once

#include "r3az8/tex/pixel_codec.h"

#include <cstdint>

float HalfToFloat(std::uint16_t half);
std::uint16_t FloatToHalf(float value);

// A 5-bit-exponent float with `mantissaBits` mantissa bits and no sign
// (6 for the 11-bit form, 5 for the 10-bit one).
float UnsignedSmallFloatToFloat(std::uint32_t bits, unsigned mantissaBits);
std::uint32_t FloatToUnsignedSmallFloat(float value, unsigned mantissaBits);

// R9G9B9E5: three 9-bit mantissas (red in the low bits) sharing the
// exponent in bits 27-31. Negative channels and NaN store as 0; values
// above the largest (65408) saturate.
FloatColor SharedExponentToColor(std::uint32_t word);
std::uint32_t ColorToSharedExponent(const FloatColor& color);
