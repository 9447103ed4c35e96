// SSE2 twin of BoxKernelArgbPlain: four output pixels per iteration, each
// channel summed exactly in a 16-bit lane (never pavgb, whose double
// rounding differs from (sum + 2) >> 2). Leftover pixels of a row go
// through the same scalar step as the plain kernel.
#include "r3az8/tex/blit/box_kernel_rows.h"

#include <emmintrin.h>

namespace {

inline __m128i Load16(const BYTE* address) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(address)); }

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
    HalveRows<4>(dest, src, width, height, srcPitch, destPitch, [](BYTE* out, const BYTE* upper, const BYTE* lower) {
        __m128i left = AverageTwoQuads(Load16(upper), Load16(lower));
        __m128i right = AverageTwoQuads(Load16(upper + 16), Load16(lower + 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(left, right));
    });
    return S_OK;
}
