// The tool's own per-pixel work: the sRGB curve and normal renormalisation
// on A16R16G16B16 pixels (blue, green, red, alpha samples).
#include "r3az8/tex/convert/colour_space.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace r3az8tex {
namespace {

struct Samples {
    uint16_t blue, green, red, alpha;
};

std::vector<BYTE> Pixels(const std::vector<Samples>& samples)
{
    std::vector<BYTE> bytes(samples.size() * 8);
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    return bytes;
}

Samples At(const std::vector<BYTE>& bytes, size_t i)
{
    Samples s;
    std::memcpy(&s, bytes.data() + 8 * i, 8);
    return s;
}

TEST(SrgbCurve, KnownValues)
{
    // sRGB 0.5 is 0.2140 in linear light; 0.7354 sRGB is linear 0.5.
    std::vector<BYTE> bytes = Pixels({{0, 32768, 65535, 12345}, {0x8000, 0, 0, 0}});
    SrgbToLinear(bytes);
    EXPECT_EQ(At(bytes, 0).blue, 0);
    EXPECT_NEAR(At(bytes, 0).green, 0.21404 * 65535, 2);
    EXPECT_EQ(At(bytes, 0).red, 65535);
    EXPECT_EQ(At(bytes, 0).alpha, 12345) << "alpha is not light";
    LinearToSrgb(bytes);
    EXPECT_NEAR(At(bytes, 0).green, 32768, 3);

    std::vector<BYTE> half = Pixels({{32768, 32768, 32768, 32768}});
    LinearToSrgb(half);
    EXPECT_NEAR(At(half, 0).red / 65535.0 * 255.0, 187.5, 0.1);
    EXPECT_EQ(At(half, 0).alpha, 32768);
}

// Every 8-bit code, widened to 16 bits, survives the trip to linear light
// and back once rounded to 8 bits again.
TEST(SrgbCurve, EightBitCodesSurviveTheRoundTrip)
{
    std::vector<Samples> samples;
    for (uint16_t code = 0; code < 256; ++code)
        samples.push_back({uint16_t(code * 257), uint16_t(code * 257), uint16_t(code * 257), uint16_t(code * 257)});
    std::vector<BYTE> bytes = Pixels(samples);
    SrgbToLinear(bytes);
    LinearToSrgb(bytes);
    for (uint16_t code = 0; code < 256; ++code) {
        const Samples s = At(bytes, code);
        EXPECT_EQ(static_cast<int>(std::lround(s.red / 257.0)), code);
        EXPECT_EQ(s.alpha, code * 257);
    }
}

TEST(SrgbCurve, IsMonotonic)
{
    std::vector<Samples> samples;
    for (uint32_t code = 0; code < 65536; code += 7)
        samples.push_back({0, uint16_t(code), 0, 0});
    std::vector<BYTE> toLinear = Pixels(samples), toSrgb = Pixels(samples);
    SrgbToLinear(toLinear);
    LinearToSrgb(toSrgb);
    for (size_t i = 1; i < samples.size(); ++i) {
        EXPECT_LE(At(toLinear, i - 1).green, At(toLinear, i).green);
        EXPECT_LE(At(toSrgb, i - 1).green, At(toSrgb, i).green);
    }
}

double Component(uint16_t stored) { return stored / 65535.0 * 2.0 - 1.0; }

TEST(Renormalise, VectorsComeOutOfUnitLength)
{
    std::vector<BYTE> bytes = Pixels({
        {65535, 49151, 49151, 7},   // (0.5, 0.5, 1): long, leaning
        {32768, 32768, 32768, 9},   // about zero
        {16384, 40000, 20000, 11},  // pointing inwards
    });
    RenormaliseNormals(bytes, MissingZ::Keep);
    for (size_t i = 0; i < 3; ++i) {
        const Samples s = At(bytes, i);
        const double x = Component(s.red), y = Component(s.green), z = Component(s.blue);
        EXPECT_NEAR(std::sqrt(x * x + y * y + z * z), 1.0, 1e-4) << i;
    }
    EXPECT_EQ(At(bytes, 0).alpha, 7);
    // A vector too short to have a direction points straight out.
    EXPECT_NEAR(Component(At(bytes, 1).blue), 1.0, 1e-4);
}

TEST(Renormalise, RebuildsZForTwoChannelData)
{
    // x = 0.6, y = 0 stored; z stored as anything: rebuilt as 0.8.
    const uint16_t x = uint16_t((0.6 * 0.5 + 0.5) * 65535 + 0.5);
    std::vector<BYTE> bytes = Pixels({{0, 32768, x, 65535}});
    RenormaliseNormals(bytes, MissingZ::Rebuild);
    EXPECT_NEAR(Component(At(bytes, 0).blue), 0.8, 1e-3);
    EXPECT_NEAR(Component(At(bytes, 0).red), 0.6, 1e-3);
}

} // namespace
} // namespace r3az8tex
