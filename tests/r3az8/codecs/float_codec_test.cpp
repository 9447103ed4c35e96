// The floating-point formats: the narrow float conversions at the values
// their definitions single out, and every format of the float table through
// its codec, stored numbers coming back as they were.
#include "tests/r3az8/codecs/codec_support.h"
#include "r3az8/tex/codecs/float_formats.h"
#include "r3az8/tex/numbers/small_floats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

TEST(SmallFloats, HalfPrecisionAtItsEdges)
{
    // Every half that is a number comes back through float exactly.
    for (std::uint32_t bits = 0; bits < 0x10000; ++bits) {
        if ((bits & 0x7C00) != 0x7C00 || (bits & 0x3FF) == 0) {
            ASSERT_EQ(FloatToHalf(HalfToFloat(static_cast<std::uint16_t>(bits))), bits) << bits;
        }
    }
    EXPECT_EQ(HalfToFloat(0x3C00), 1.0f);
    EXPECT_EQ(HalfToFloat(0x0001), std::ldexp(1.0f, -24));
    EXPECT_EQ(HalfToFloat(0xC000), -2.0f);
    EXPECT_TRUE(std::isnan(HalfToFloat(0x7E00)));
    // Ties go to the even neighbour, in the normal and the subnormal range.
    EXPECT_EQ(FloatToHalf(1.0f + std::ldexp(1.0f, -11)), 0x3C00);
    EXPECT_EQ(FloatToHalf(1.0f + 3 * std::ldexp(1.0f, -11)), 0x3C02);
    EXPECT_EQ(FloatToHalf(std::ldexp(1.0f, -25)), 0x0000);
    EXPECT_EQ(FloatToHalf(std::ldexp(3.0f, -25)), 0x0002);
    // Finite values saturate at 65504; infinities and NaN stay.
    EXPECT_EQ(FloatToHalf(70000.0f), 0x7BFF);
    EXPECT_EQ(FloatToHalf(-1e30f), 0xFBFF);
    EXPECT_EQ(FloatToHalf(INFINITY), 0x7C00);
    EXPECT_EQ(FloatToHalf(NAN) & 0x7E00, 0x7E00);
}

TEST(SmallFloats, UnsignedElevenTenAndSharedExponent)
{
    EXPECT_EQ(FloatToUnsignedSmallFloat(1.0f, 6), 15u << 6);
    EXPECT_EQ(FloatToUnsignedSmallFloat(1.0f, 5), 15u << 5);
    EXPECT_EQ(FloatToUnsignedSmallFloat(-3.0f, 6), 0u);
    EXPECT_EQ(FloatToUnsignedSmallFloat(1e9f, 6), 0x7BFu); // 65024, the largest
    EXPECT_EQ(UnsignedSmallFloatToFloat(0x7BF, 6), 65024.0f);
    EXPECT_EQ(UnsignedSmallFloatToFloat(1, 5), std::ldexp(1.0f, -19));

    // (1, 0.5, 0): exponent 16 scales the 9-bit mantissas by 2^-8.
    const std::uint32_t word = ColorToSharedExponent({1.0f, 0.5f, 0.0f, 1.0f});
    EXPECT_EQ(word, 16u << 27 | 128u << 9 | 256u);
    const FloatColor back = SharedExponentToColor(word);
    EXPECT_EQ(back.r, 1.0f);
    EXPECT_EQ(back.g, 0.5f);
    EXPECT_EQ(back.b, 0.0f);
    // The largest value, and the carry when rounding reaches 512.
    EXPECT_EQ(SharedExponentToColor(ColorToSharedExponent({1e9f, 0, 0, 1})).r, 65408.0f);
    EXPECT_EQ(ColorToSharedExponent({511.9f, 0, 0, 1}) >> 27, 25u);
}

// Random stored numbers (finite ones) read and written again give the same
// values, and the channels a format lacks read as (0, 0, 0) and alpha 1.
TEST(FloatCodec, EveryFormatGivesItsNumbersBack)
{
    std::mt19937 random(7);
    for (const floats::Layout& layout : floats::kLayouts) {
        SCOPED_TRACE(layout.format);
        constexpr UINT width = 37;
        MemoryImage source(layout.format, layout.bytes, width), target(layout.format, layout.bytes, width);
        for (BYTE& byte : source.bytes)
            byte = static_cast<BYTE>(random() >> 24 & 0x3B); // exponents stay short of all ones
        CodecPointer reader = MakeCodec(source.Describe());
        CodecPointer writer = MakeCodec(target.Describe());
        ASSERT_TRUE(reader && writer);
        FloatColor row[width], again[width];
        reader->ReadRow(0, 0, row);
        writer->WriteRow(0, 0, row);
        MakeCodec(target.Describe())->ReadRow(0, 0, again);
        for (UINT x = 0; x < width; ++x) {
            EXPECT_EQ(std::memcmp(&row[x], &again[x], sizeof(FloatColor)), 0) << x;
            if (layout.packing == floats::Packing::Channels && layout.fieldCount == 1) {
                EXPECT_TRUE(row[x].g == 0.0f && row[x].b == 0.0f && row[x].a == 1.0f);
            }
        }
    }
}

} // namespace
