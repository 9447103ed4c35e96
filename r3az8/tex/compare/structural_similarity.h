// The structural similarity index (SSIM, Wang, Bovik, Sheikh and
// Simoncelli 2004) of two single-channel pictures: how alike their local
// means, contrasts and structures are, from 1 (identical) down.
#pragma once

#include <algorithm>
#include <cstdint>

namespace r3az8tex {

// Stabilising constants for samples on a 0..255 scale: (0.01 * 255)^2
// and (0.03 * 255)^2, the paper's choice.
inline constexpr double kSsimC1 = 6.5025;
inline constexpr double kSsimC2 = 58.5225;

// Mean SSIM over square windows of 8x8 samples placed every 4 samples (a
// window as large as the picture where it is smaller), plus the windows at
// the right and bottom edges. `first(x, y)` and `second(x, y)` give the
// samples on the 0..255 scale.
template <typename Sample>
double StructuralSimilarity(uint32_t width, uint32_t height, const Sample& first, const Sample& second)
{
    constexpr uint32_t kWindow = 8, kStep = 4;
    const uint32_t across = std::min(kWindow, width), down = std::min(kWindow, height);
    auto starts = [](uint32_t size, uint32_t window, auto&& visit) {
        uint32_t start = 0;
        for (; start + window <= size; start += kStep)
            visit(start);
        if (start - kStep + window != size)
            visit(size - window);
    };
    double total = 0.0;
    uint64_t windows = 0;
    starts(height, down, [&](uint32_t top) {
        starts(width, across, [&](uint32_t left) {
            double sumA = 0, sumB = 0, sumAA = 0, sumBB = 0, sumAB = 0;
            for (uint32_t y = top; y < top + down; ++y)
                for (uint32_t x = left; x < left + across; ++x) {
                    const double a = first(x, y), b = second(x, y);
                    sumA += a;
                    sumB += b;
                    sumAA += a * a;
                    sumBB += b * b;
                    sumAB += a * b;
                }
            const double n = double(across) * down;
            const double meanA = sumA / n, meanB = sumB / n;
            const double varianceA = sumAA / n - meanA * meanA, varianceB = sumBB / n - meanB * meanB;
            const double covariance = sumAB / n - meanA * meanB;
            total += (2 * meanA * meanB + kSsimC1) * (2 * covariance + kSsimC2) /
                     ((meanA * meanA + meanB * meanB + kSsimC1) * (varianceA + varianceB + kSsimC2));
            ++windows;
        });
    });
    return total / double(windows);
}

} // namespace r3az8tex
