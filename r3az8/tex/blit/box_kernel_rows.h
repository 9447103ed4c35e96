// The row loop every 32-bit box kernel shares with the plain kernels: pairs
// of source rows, `Step` output pixels at a time by the kernel's own step,
// then the row's last few pixels by the plain kernel's scalar step.
//
// Kernels compiled for different instruction sets include this file, so
// everything in it has internal linkage: with the usual inline linkage the
// linker keeps one copy of each function for the whole library, and that
// copy could be the one compiled for AVX2 even where the plain kernel calls
// it on a processor without AVX2.
#pragma once

#include "r3az8/tex/blit/box_kernels.h"

#include <cstring>

namespace {

inline uint32_t LoadPixel(const BYTE* address)
{
    uint32_t pixel;
    std::memcpy(&pixel, address, sizeof pixel); // rows need not be 4-byte aligned
    return pixel;
}

inline void StorePixel(BYTE* address, uint32_t pixel) { std::memcpy(address, &pixel, sizeof pixel); }

// The rounded mean of one quad, all four bytes: the plain ARGB kernel and
// every twin's leftover pixels.
inline uint32_t AverageQuadArgb(uint32_t p0, uint32_t p1, uint32_t p2, uint32_t p3)
{
    // Blue and red sit 16 bits apart, so four of them plus 2 fit beside
    // each other without carrying into the next byte pair.
    uint32_t redBlue = (p0 & 0x00FF00FFu) + (p1 & 0x00FF00FFu) + (p2 & 0x00FF00FFu) + (p3 & 0x00FF00FFu);
    redBlue = ((redBlue + 0x00020002u) >> 2) & 0x00FF00FFu;
    // Alpha and green pre-shifted down by 2 so their sums stay inside 32 bits.
    uint32_t alphaGreen = ((p0 >> 2) & 0x3FC03FC0u) + ((p1 >> 2) & 0x3FC03FC0u) + ((p2 >> 2) & 0x3FC03FC0u) +
                          ((p3 >> 2) & 0x3FC03FC0u);
    alphaGreen = (alphaGreen + 0x00800080u) & 0xFF00FF00u;
    return redBlue | alphaGreen;
}

typedef uint32_t (*QuadMean)(uint32_t, uint32_t, uint32_t, uint32_t);

// One output pixel from the quad at `upper` and `lower`.
template <QuadMean Mean>
inline void HalveQuad(BYTE* out, const BYTE* upper, const BYTE* lower)
{
    StorePixel(out, Mean(LoadPixel(upper), LoadPixel(upper + 4), LoadPixel(lower), LoadPixel(lower + 4)));
}

// `step(out, upper, lower)` writes `Step` output pixels from 2 x `Step`
// pixels of each of the two rows.
template <UINT Step, class StepFunction>
inline void HalveRows(BYTE* dest, const BYTE* src, UINT width, UINT height, UINT srcPitch, UINT destPitch,
                      StepFunction step)
{
    const UINT destWidth = width / 2;
    const UINT stepWidth = destWidth - destWidth % Step;
    for (UINT pair = 0; pair < height / 2; ++pair) {
        const BYTE* upper = src + size_t(2 * pair) * srcPitch;
        const BYTE* lower = upper + srcPitch;
        BYTE* out = dest + size_t(pair) * destPitch;
        UINT x = 0;
        for (; x < stepWidth; x += Step)
            step(out + 4 * x, upper + 8 * x, lower + 8 * x);
        for (; x < destWidth; ++x)
            HalveQuad<AverageQuadArgb>(out + 4 * x, upper + 8 * x, lower + 8 * x);
    }
}

} // namespace
