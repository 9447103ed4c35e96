// One level's comparison as a JSON object: the figures `diff --json`
// prints, which the pages carry too, so that both say the same.
#pragma once

#include "r3az8/tex/compare/image_difference.h"

#include <string>

namespace r3aztex {

// {"face": ..., "level": ..., sizes, each channel's rmse, psnr and ssim,
// and the normals' angles when measured}.
std::string LevelDifferenceJson(const r3az8tex::LevelDifference& difference);

} // namespace r3aztex
