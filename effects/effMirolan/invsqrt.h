// Fast normalisation: an inverse square root to about ten bits from a table
// of 1024 mantissas, built once when the module is loaded.
#pragma once

#include <cstdint>

inline constexpr unsigned kInvSqrtTableSize = 1024;

// Entry i holds the mantissa bits 13..22 (mask 0x007FE000) of 1/sqrt(x) for
// the float x whose bit pattern is 0x3F000000 + i * 0x4000 (0.5 <= x < 2).
extern uint32_t InvSqrtTable[kInvSqrtTableSize];

// Fills the table; later calls do nothing.
void BuildInvSqrtTable();

// 1/sqrt(s) within about 0.1 % for a positive normal float s. 0 gives a
// large finite value, so a zero vector normalises to zero.
float FastInvSqrt(float s);

// Scales the vector (x, y, z) to unit length, in place.
void FastNormalize(float* v);
