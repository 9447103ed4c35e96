// Premultiplied alpha of DXT2 and DXT4.
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/dxt/dxt_internal.h"

void Premultiply(FloatColor* pOut, const FloatColor* pIn)
{
    for (UINT i = 0; i < kBlockPixels; ++i) {
        FloatColor c = pIn[i];
        pOut[i] = {c.r * c.a, c.g * c.a, c.b * c.a, c.a};
    }
}

void Unpremultiply(FloatColor* pOut, const FloatColor* pIn)
{
    for (UINT i = 0; i < kBlockPixels; ++i) {
        FloatColor c = pIn[i];
        if (c.a == 0.0f) {
            c.r = c.g = c.b = 0.0f;
        } else if (c.a > 0.0f && c.a < 1.0f) {
            // A stored colour at or above its alpha cannot come from a
            // colour in 0..1: it saturates.
            float inverse = 1.0f / c.a;
            c.r = c.r < c.a ? c.r * inverse : 1.0f;
            c.g = c.g < c.a ? c.g * inverse : 1.0f;
            c.b = c.b < c.a ? c.b * inverse : 1.0f;
        }
        pOut[i] = c;
    }
}
