#include "effects/effMirolan/invsqrt.h"

#include <bit>
#include <cmath>

uint32_t InvSqrtTable[kInvSqrtTableSize];

namespace {

bool g_invSqrtTableBuilt = false;

constexpr uint32_t kMantissaBits = 0x007FE000u;
constexpr uint32_t kExponentBits = 0x7F800000u;

// Built by static initialisation, so the table is ready before the engine
// can create an effect.
struct InvSqrtTableBuilder {
    InvSqrtTableBuilder() { BuildInvSqrtTable(); }
} g_invSqrtTableBuilder;

} // namespace

void BuildInvSqrtTable()
{
    if (g_invSqrtTableBuilt)
        return;
    g_invSqrtTableBuilt = true;
    for (uint32_t i = 0; i < kInvSqrtTableSize; ++i) {
        float x = std::bit_cast<float>(0x3F000000u + i * 0x4000u);
        float y = float(1.0 / std::sqrt(double(x)));
        // The lookup supplies the exponent separately, and for x = 1 it picks
        // the exponent of 0.5..1: a mantissa of 0 there would mean 0.5, so
        // the largest mantissa (0.99951171875) stands in for 1.0.
        InvSqrtTable[i] = y == 1.0f ? kMantissaBits : std::bit_cast<uint32_t>(y) & kMantissaBits;
    }
}

float FastInvSqrt(float s)
{
    uint32_t bits = std::bit_cast<uint32_t>(s);
    // The lowest exponent bit and the nine highest mantissa bits select the
    // mantissa; the exponent is halved and negated around the bias.
    uint32_t index = (bits >> 14) & 0x3FFu;
    uint32_t exponent = ((0xBE000000u - (bits & kExponentBits)) >> 1) & kExponentBits;
    return std::bit_cast<float>(exponent | InvSqrtTable[index]);
}

void FastNormalize(float* v)
{
    float squares = v[2] * v[2] + v[1] * v[1] + v[0] * v[0];
    float scale = FastInvSqrt(squares);
    v[0] *= scale;
    v[1] *= scale;
    v[2] *= scale;
}
