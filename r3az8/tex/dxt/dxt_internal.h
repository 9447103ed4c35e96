// Constants and small steps shared by the block encoders and decoders.
// Everything here is single precision and written in the order the bytes
// depend on: changing an operation's order changes output bytes.
#pragma once

#include "r3az8/tex/dxt/dxt_block.h"
#include "r3az8/tex/numbers/unit_steps.h"

namespace dxt {

// Reciprocals of the field maxima as the stored codes are read back, and
// of the ramps' intervals.
constexpr float kReciprocal31 = UnitStep(5);  // 1/31
constexpr float kReciprocal63 = UnitStep(6);  // 1/63
constexpr float kReciprocal15 = UnitStep(4);  // 1/15
constexpr float kReciprocal255 = UnitStep(8); // 1/255
constexpr float kOneThird = UnitStep(2);
constexpr float kTwoThirds = 0.6666667f;
constexpr float kOneSeventh = UnitStep(3);
constexpr float kOneFifth = 0.2f;

// Error diffusion inside a block (Floyd-Steinberg weights, never leaving
// the block): 7/16 right, 3/16 lower left, 5/16 below, 1/16 lower right.
constexpr float kDiffuseRight = 7.0f / 16.0f;
constexpr float kDiffuseLowerLeft = 3.0f / 16.0f;
constexpr float kDiffuseBelow = 5.0f / 16.0f;
constexpr float kDiffuseLowerRight = 1.0f / 16.0f;

// Limits that end the endpoint searches.
constexpr float kSmallestNormal = 1.1754944e-38f;
constexpr float kColorSpanLimit = 1.0f / 4096.0f;
constexpr float kColorGradientLimit = 1.0f / 65536.0f;
constexpr float kAlphaSpanLimit = 1.0f / 256.0f;
constexpr float kAlphaGradientLimit = 1.0f / 64.0f;
constexpr int kRefinementRounds = 8;

// trunc(x + 0.5) held to 0..top. Inside that range it is the plain rounding
// the encoder is built on; outside it, and for NaN (which fails x > 0), it
// gives the nearest end instead of an out-of-range code.
inline float RoundedPosition(float x, float top)
{
    float y = x + 0.5f;
    y = y > 0.0f ? y : 0.0f;
    y = y < top ? y : top;
    return static_cast<float>(static_cast<int>(y));
}

// round(value x scale) as a code of 0..top.
inline int RoundToCode(float value, float scale, float top)
{
    return static_cast<int>(RoundedPosition(value * scale, top));
}

inline void StoreWord(BYTE* p, WORD value)
{
    p[0] = static_cast<BYTE>(value);
    p[1] = static_cast<BYTE>(value >> 8);
}
inline WORD LoadWord(const BYTE* p) { return static_cast<WORD>(p[0] | p[1] << 8); }
inline DWORD LoadDword(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
           static_cast<DWORD>(p[3]) << 24;
}

// The eight alphas a DXT4/DXT5 block's endpoints give, by code. With
// `sixValues` the four-interpolant ramp plus 0 and 1, else seven intervals
// from alpha0 to alpha1; the decoder picks by alpha0 > alpha1.
enum class AlphaRamp { EightValues, SixValues };
void AlphaPalette(BYTE alpha0, BYTE alpha1, AlphaRamp ramp, float* palette);

// Writes the 48 bits of sixteen 3-bit codes (pixels 0-7 in bytes 0-2).
void StoreAlphaCodes(BYTE* p, const BYTE* codes);

} // namespace dxt
