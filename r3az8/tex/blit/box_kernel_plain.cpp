// The reference 32-bit box kernels: plain integer code, two or three
// channels per addition.
#include "r3az8/tex/blit/box_kernel_rows.h"

namespace {

// Green alone, red and blue together; the X byte falls out as 0.
inline uint32_t AverageQuadXrgb(uint32_t p0, uint32_t p1, uint32_t p2, uint32_t p3)
{
    uint32_t redBlue = (p0 & 0x00FF00FFu) + (p1 & 0x00FF00FFu) + (p2 & 0x00FF00FFu) + (p3 & 0x00FF00FFu) + 0x00020002u;
    uint32_t green = ((p0 & 0x0000FF00u) + (p1 & 0x0000FF00u) + (p2 & 0x0000FF00u) + (p3 & 0x0000FF00u) + 0x200u) &
                     0x0003FC00u;
    return ((redBlue & 0x03FC03FCu) | green) >> 2;
}

} // namespace

HRESULT BoxKernelArgbPlain(BYTE* dest, const BYTE* src, UINT width, UINT height, UINT srcPitch, UINT destPitch)
{
    HalveRows<1>(dest, src, width, height, srcPitch, destPitch, HalveQuad<AverageQuadArgb>);
    return S_OK;
}

HRESULT BoxKernelXrgbPlain(BYTE* dest, const BYTE* src, UINT width, UINT height, UINT srcPitch, UINT destPitch)
{
    HalveRows<1>(dest, src, width, height, srcPitch, destPitch, HalveQuad<AverageQuadXrgb>);
    return S_OK;
}
