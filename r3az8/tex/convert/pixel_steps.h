// The conversion's own per-pixel steps around the library's filtering, on
// A16R16G16B16 pixels: the sRGB curve for gamma-correct mips and the
// renormalisation of normal maps, run on the pool's threads in pieces.
#pragma once

#include "r3az8/tex/convert/colour_space.h"
#include "r3az8/tex/convert/work_pool.h"

#include <span>

namespace r3az8tex {

enum class PixelStep { ToLinear, ToSrgb, Renormalise };

// Applies the step to every pixel of the run.
void ApplyStep(PixelStep step, MissingZ missingZ, std::span<BYTE> pixels);

// The same over runs of whole pixels, split into pieces that the pool may
// run at the same time.
void ApplyStepInPieces(PixelStep step, MissingZ missingZ, std::span<const std::span<BYTE>> runs, WorkPool& pool);

} // namespace r3az8tex
