// How close decoded HDR pixels are to the originals, pooled over images:
// the RMSE of log2 of each channel (values floored at 2^-14) and the PSNR
// after the tone map x -> (x / (1 + x))^(1 / 2.2) (peak 1; values below 0
// count as 0).
#pragma once

#include "r3az8/tex/pixel_formats.h"

#include <cstddef>

class HdrScores {
public:
    void Add(const FloatColor* wanted, const FloatColor* decoded, std::size_t count);
    double Log2Rmse() const;
    double ToneMappedPsnr() const;

private:
    double logSquares_ = 0.0;
    double toneSquares_ = 0.0;
    std::size_t samples_ = 0;
};
