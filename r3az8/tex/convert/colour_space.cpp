#include "r3az8/tex/convert/colour_space.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

namespace r3az8tex {
namespace {

constexpr double kMax16 = 65535.0;

uint16_t Quantise16(double value)
{
    if (!(value > 0.0))
        return 0;
    if (value >= 1.0)
        return 65535;
    return static_cast<uint16_t>(value * kMax16 + 0.5);
}

using Curve = std::array<uint16_t, 65536>;

// Every 16-bit code through the curve, once; double precision keeps the
// tables identical on every run.
std::unique_ptr<Curve> BuildCurve(double (*curve)(double))
{
    auto table = std::make_unique<Curve>();
    for (size_t code = 0; code < table->size(); ++code)
        (*table)[code] = Quantise16(curve(double(code) / kMax16));
    return table;
}

// The sRGB transfer function (IEC 61966-2-1).
double DecodeSrgb(double encoded)
{
    return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}
double EncodeSrgb(double linear)
{
    return linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
}

const Curve& ToLinearTable()
{
    static const std::unique_ptr<Curve> table = BuildCurve(DecodeSrgb);
    return *table;
}
const Curve& ToSrgbTable()
{
    static const std::unique_ptr<Curve> table = BuildCurve(EncodeSrgb);
    return *table;
}

// Blue, green and red are the first three samples of each pixel.
void MapColourSamples(std::span<BYTE> pixels, const Curve& table)
{
    for (size_t offset = 0; offset + 8 <= pixels.size(); offset += 8)
        for (size_t channel = 0; channel < 3; ++channel) {
            uint16_t sample;
            std::memcpy(&sample, pixels.data() + offset + 2 * channel, 2);
            sample = table[sample];
            std::memcpy(pixels.data() + offset + 2 * channel, &sample, 2);
        }
}

} // namespace

void SrgbToLinear(std::span<BYTE> pixels) { MapColourSamples(pixels, ToLinearTable()); }
void LinearToSrgb(std::span<BYTE> pixels) { MapColourSamples(pixels, ToSrgbTable()); }

bool AnyTransparent(const TextureImage& texture)
{
    for (const std::vector<BYTE>& surface : texture.surfaces)
        for (size_t offset = 6; offset + 2 <= surface.size(); offset += 8)
            if (surface[offset] != 0xFF || surface[offset + 1] != 0xFF)
                return true;
    return false;
}

StoredVector ReadVector(const BYTE* pixel, MissingZ missingZ)
{
    uint16_t samples[3]; // blue (z), green (y), red (x)
    std::memcpy(samples, pixel, sizeof samples);
    const double x = samples[2] / kMax16 * 2.0 - 1.0;
    const double y = samples[1] / kMax16 * 2.0 - 1.0;
    const double z = missingZ == MissingZ::Rebuild ? std::sqrt(std::max(0.0, 1.0 - x * x - y * y))
                                                   : samples[0] / kMax16 * 2.0 - 1.0;
    return {x, y, z};
}

void RenormaliseNormals(std::span<BYTE> pixels, MissingZ missingZ)
{
    for (size_t offset = 0; offset + 8 <= pixels.size(); offset += 8) {
        auto [x, y, z] = ReadVector(pixels.data() + offset, missingZ);
        uint16_t samples[3];
        const double length = std::sqrt(x * x + y * y + z * z);
        // Shorter than a zero vector stored in 8 bits can come out (128 per
        // channel reads as 0.004): no direction to keep.
        if (length < 0.01) {
            x = 0.0;
            y = 0.0;
            z = 1.0;
        } else {
            x /= length;
            y /= length;
            z /= length;
        }
        samples[2] = Quantise16(x * 0.5 + 0.5);
        samples[1] = Quantise16(y * 0.5 + 0.5);
        samples[0] = Quantise16(z * 0.5 + 0.5);
        std::memcpy(pixels.data() + offset, samples, sizeof samples);
    }
}

} // namespace r3az8tex
