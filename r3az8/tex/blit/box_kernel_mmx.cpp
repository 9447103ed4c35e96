// MMX twin of BoxKernelArgbPlain: two output pixels per iteration from two
// 8-byte loads per source row. Compiled with -mmmx; runs only after the
// binder has found MMX enabled.
#include "r3az8/tex/blit/box_kernels.h"

#include <mmintrin.h>

#include <cstring>

namespace {

inline __m64 Load8(const BYTE* address)
{
    __m64 value;
    std::memcpy(&value, address, sizeof value);
    return value;
}

// Sum of the two pixels of one 8-byte load, one 16-bit lane per channel.
inline __m64 AddPixelPair(__m64 pixels)
{
    const __m64 zero = _mm_setzero_si64();
    return _mm_add_pi16(_mm_unpacklo_pi8(pixels, zero), _mm_unpackhi_pi8(pixels, zero));
}

inline __m64 AverageQuad(__m64 upper, __m64 lower)
{
    __m64 sum = _mm_add_pi16(AddPixelPair(upper), AddPixelPair(lower));
    return _mm_srai_pi16(_mm_add_pi16(sum, _mm_set1_pi16(2)), 2);
}

} // namespace

HRESULT BoxKernelMmx(BYTE* dest, const BYTE* src, UINT width, UINT height, UINT srcPitch, UINT destPitch)
{
    if (width % 4 != 0)
        return BoxKernelArgbPlain(dest, src, width, height, srcPitch, destPitch);

    _mm_empty();
    for (UINT pair = 0; pair < height / 2; ++pair) {
        const BYTE* upper = src + size_t(2 * pair) * srcPitch;
        const BYTE* lower = upper + srcPitch;
        BYTE* out = dest + size_t(pair) * destPitch;
        for (UINT x = 0; x < width; x += 4) {
            __m64 left = AverageQuad(Load8(upper + 4 * x), Load8(lower + 4 * x));
            __m64 right = AverageQuad(Load8(upper + 4 * x + 8), Load8(lower + 4 * x + 8));
            // The largest mean is 255, so the saturating pack never clips.
            __m64 packed = _mm_packs_pu16(left, right);
            std::memcpy(out + 2 * x, &packed, sizeof packed);
        }
    }
    _mm_empty();
    return S_OK;
}
