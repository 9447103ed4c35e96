// The reference 32-bit box kernels: plain integer code, two or three
// channels per addition.
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

// Green alone, red and blue together; the X byte falls out as 0.
inline uint32_t AverageQuadXrgb(uint32_t p0, uint32_t p1, uint32_t p2, uint32_t p3)
{
    uint32_t redBlue = (p0 & 0x00FF00FFu) + (p1 & 0x00FF00FFu) + (p2 & 0x00FF00FFu) + (p3 & 0x00FF00FFu) + 0x00020002u;
    uint32_t green = ((p0 & 0x0000FF00u) + (p1 & 0x0000FF00u) + (p2 & 0x0000FF00u) + (p3 & 0x0000FF00u) + 0x200u) &
                     0x0003FC00u;
    return ((redBlue & 0x03FC03FCu) | green) >> 2;
}

template <uint32_t (*AverageQuad)(uint32_t, uint32_t, uint32_t, uint32_t)>
void HalveRows(BYTE* dest, const BYTE* src, UINT width, UINT height, UINT srcPitch, UINT destPitch)
{
    const UINT destWidth = width / 2;
    for (UINT pair = 0; pair < height / 2; ++pair) {
        const BYTE* upper = src + size_t(2 * pair) * srcPitch;
        const BYTE* lower = upper + srcPitch;
        BYTE* out = dest + size_t(pair) * destPitch;
        for (UINT x = 0; x < destWidth; ++x) {
            StorePixel(out + 4 * x, AverageQuad(LoadPixel(upper + 8 * x), LoadPixel(upper + 8 * x + 4),
                                                LoadPixel(lower + 8 * x), LoadPixel(lower + 8 * x + 4)));
        }
    }
}

} // namespace

HRESULT BoxKernelArgbPlain(BYTE* dest, const BYTE* src, UINT width, UINT height, UINT srcPitch, UINT destPitch)
{
    HalveRows<AverageQuadArgb>(dest, src, width, height, srcPitch, destPitch);
    return S_OK;
}

HRESULT BoxKernelXrgbPlain(BYTE* dest, const BYTE* src, UINT width, UINT height, UINT srcPitch, UINT destPitch)
{
    HalveRows<AverageQuadXrgb>(dest, src, width, height, srcPitch, destPitch);
    return S_OK;
}
