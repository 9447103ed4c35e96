// SSE2 twin of BoxKernelArgbPlain: four output pixels per iteration, each
// channel summed exactly in a 16-bit lane (never pavgb, whose double
// rounding differs from (sum + 2) >> 2). Leftover pixels of a row go
// through the same scalar step as the plain kernel.
#include "r3az8/tex/blit/box_kernels.h"

#include <emmintrin.h>

#include <cstring>

namespace {

inline __m128i Load16(const BYTE* address) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(address)); }

inline uint32_t LoadPixel(const BYTE* address)
{
    uint32_t pixel;
    std::memcpy(&pixel, address, sizeof pixel);
    return pixel;
}

// Two quads from four pixels of each row: (q0, q1) as eight 16-bit lanes,
// each the rounded mean of its channel.
inline __m128i AverageTwoQuads(__m128i upper, __m128i lower)
{
    const __m128i zero = _mm_setzero_si128();
    // Vertical sums: pixels 0 and 1 in one register, 2 and 3 in the other.
    __m128i first = _mm_add_epi16(_mm_unpacklo_epi8(upper, zero), _mm_unpacklo_epi8(lower, zero));
    __m128i second = _mm_add_epi16(_mm_unpackhi_epi8(upper, zero), _mm_unpackhi_epi8(lower, zero));
    // Horizontal: (0, 2) + (1, 3).
    __m128i sum = _mm_add_epi16(_mm_unpacklo_epi64(first, second), _mm_unpackhi_epi64(first, second));
    return _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(2)), 2);
}

} // namespace

HRESULT BoxKernelSse2(BYTE* dest, const BYTE* src, UINT width, UINT height, UINT srcPitch, UINT destPitch)
{
    const UINT destWidth = width / 2;
    const UINT vectorWidth = destWidth & ~3u;
    for (UINT pair = 0; pair < height / 2; ++pair) {
        const BYTE* upper = src + size_t(2 * pair) * srcPitch;
        const BYTE* lower = upper + srcPitch;
        BYTE* out = dest + size_t(pair) * destPitch;
        UINT x = 0;
        for (; x < vectorWidth; x += 4) {
            __m128i left = AverageTwoQuads(Load16(upper + 8 * x), Load16(lower + 8 * x));
            __m128i right = AverageTwoQuads(Load16(upper + 8 * x + 16), Load16(lower + 8 * x + 16));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), _mm_packus_epi16(left, right));
        }
        for (; x < destWidth; ++x) {
            uint32_t mean = AverageQuadArgb(LoadPixel(upper + 8 * x), LoadPixel(upper + 8 * x + 4),
                                            LoadPixel(lower + 8 * x), LoadPixel(lower + 8 * x + 4));
            std::memcpy(out + 4 * x, &mean, sizeof mean);
        }
    }
    return S_OK;
}
