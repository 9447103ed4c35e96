// The step between neighbouring codes of an unsigned n-bit field read as
// 0..1: 1 / (2^n - 1), rounded once to single precision. Every reader of
// such fields (the packed formats, the DXT halves, BC7's endpoints)
// multiplies by this one constant, so they all read a code alike.
#pragma once

constexpr float UnitStep(unsigned bits) { return static_cast<float>(1.0 / static_cast<double>((1u << bits) - 1)); }

// The values the stored files have always been read with.
static_assert(UnitStep(2) == 0.33333334f && UnitStep(3) == 0.14285715f && UnitStep(4) == 0.06666667f);
static_assert(UnitStep(5) == 0.032258064f && UnitStep(6) == 0.015873017f && UnitStep(8) == 0.003921569f);
