// AVX2 twin of BoxKernelArgbPlain: eight output pixels per iteration.
// Compiled with -mavx2; runs only after the binder has seen AVX2.
//
// A byte shuffle puts the same channel of neighbouring pixels side by side,
// pmaddubsw adds each such pair into a 16-bit lane, and the two rows'
// sums are added there: the exact quad sum, so + 2 >> 2 is the plain
// kernel's rounding bit for bit. Leftover pixels take the scalar step.
#include "r3az8/tex/blit/box_kernel_rows.h"

#include <immintrin.h>

namespace {

inline __m256i Load32(const BYTE* address)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(address));
}

// Four quads from eight pixels of each row, as sixteen 16-bit lanes.
inline __m256i AverageFourQuads(__m256i upper, __m256i lower)
{
    // Within each pixel pair: b0 b1 g0 g1 r0 r1 a0 a1.
    const __m256i pairChannels = _mm256_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15, //
                                                  0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
    const __m256i ones = _mm256_set1_epi8(1);
    __m256i upperSums = _mm256_maddubs_epi16(_mm256_shuffle_epi8(upper, pairChannels), ones);
    __m256i lowerSums = _mm256_maddubs_epi16(_mm256_shuffle_epi8(lower, pairChannels), ones);
    __m256i sum = _mm256_add_epi16(_mm256_add_epi16(upperSums, lowerSums), _mm256_set1_epi16(2));
    return _mm256_srli_epi16(sum, 2);
}

} // namespace

HRESULT BoxKernelAvx2(BYTE* dest, const BYTE* src, UINT width, UINT height, UINT srcPitch, UINT destPitch)
{
    HalveRows<8>(dest, src, width, height, srcPitch, destPitch, [](BYTE* out, const BYTE* upper, const BYTE* lower) {
        __m256i left = AverageFourQuads(Load32(upper), Load32(lower));
        __m256i right = AverageFourQuads(Load32(upper + 32), Load32(lower + 32));
        // packus works per 128-bit half: (0 1, 4 5 | 2 3, 6 7); put the
        // 64-bit pixel pairs back in order.
        __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(left, right), _MM_SHUFFLE(3, 1, 2, 0));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), packed);
    });
    return S_OK;
}
