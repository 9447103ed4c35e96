// Every packed codec, driven by the layout table: decoding each stored code
// and encoding the colour again gives the same bits. Two exceptions follow
// from the quantisation trunc(0.5 + v * S), and are part of the formats'
// contract: X bits come back as 0, and a negative signed code comes back one
// step closer to zero (truncation goes toward zero; -1.0 stores as -127).
#include "tests/r3az8/codecs/codec_support.h"
#include "r3az8/tex/codecs/packed_formats.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>

namespace {

using packed::Layout;
using packed::Sign;

std::uint64_t FieldMaskOf(const packed::Field& field) { return (std::uint64_t{1} << field.bits) - 1; }

std::uint64_t ExpectedAfterRoundTrip(const Layout& layout, std::uint64_t pixel)
{
    std::uint64_t expected = 0;
    for (unsigned index = 0; index < layout.fieldCount; ++index) {
        const packed::Field& field = layout.fields[index];
        const std::uint64_t mask = FieldMaskOf(field);
        std::uint64_t code = (pixel >> field.shift) & mask;
        const bool negative = field.sign == Sign::Signed && (code >> (field.bits - 1)) != 0;
        if (negative)
            code = (code + 1) & mask;
        expected |= code << field.shift;
    }
    return expected;
}

// Runs a row of pixels through ReadRow and WriteRow of a fresh codec pair
// and compares each stored pixel with the expectation.
void CheckRoundTrip(const Layout& layout, const std::vector<std::uint64_t>& pixels)
{
    const UINT width = static_cast<UINT>(pixels.size());
    MemoryImage source(layout.format, layout.bytes, width);
    MemoryImage target(layout.format, layout.bytes, width);
    for (UINT x = 0; x < width; ++x)
        std::memcpy(source.bytes.data() + std::size_t{x} * layout.bytes, &pixels[x], layout.bytes);

    CodecPointer reader = MakeCodec(source.Describe());
    CodecPointer writer = MakeCodec(target.Describe());
    ASSERT_TRUE(reader && writer);
    std::vector<FloatColor> row(width);
    reader->ReadRow(0, 0, row.data());
    writer->WriteRow(0, 0, row.data());

    const std::uint64_t pixelMask = layout.bytes == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * layout.bytes)) - 1;
    unsigned failures = 0;
    for (UINT x = 0; x < width && failures < 5; ++x) {
        std::uint64_t stored = 0;
        std::memcpy(&stored, target.bytes.data() + std::size_t{x} * layout.bytes, layout.bytes);
        const std::uint64_t expected = ExpectedAfterRoundTrip(layout, pixels[x]) & pixelMask;
        if (stored != expected) {
            ++failures;
            ADD_FAILURE() << std::hex << "format 0x" << layout.format << ": code 0x" << pixels[x] << " decoded to ("
                          << row[x].r << ", " << row[x].g << ", " << row[x].b << ", " << row[x].a
                          << ") and stored back as 0x" << stored << ", expected 0x" << expected;
        }
    }
    // The writer touched nothing past the row.
    EXPECT_EQ(target.bytes[std::size_t{width} * layout.bytes], 0xCD);
}

class PackedRoundTrip : public testing::TestWithParam<std::size_t> {};

TEST_P(PackedRoundTrip, EveryStoredCodeComesBack)
{
    const Layout& layout = packed::kLayouts[GetParam()];
    std::mt19937_64 random(GetParam());
    std::vector<std::uint64_t> pixels;
    if (layout.bytes <= 2) {
        // Small formats: the whole code space, X bits included.
        for (std::uint64_t code = 0; code < (std::uint64_t{1} << (8 * layout.bytes)); ++code)
            pixels.push_back(code);
    } else {
        // Wide formats: every code of each field, the other fields and the X
        // bits holding random values, twice over.
        for (unsigned index = 0; index < layout.fieldCount; ++index) {
            const packed::Field& field = layout.fields[index];
            for (int background = 0; background < 2; ++background) {
                const std::uint64_t others = random() & ~(FieldMaskOf(field) << field.shift);
                for (std::uint64_t code = 0; code <= FieldMaskOf(field); ++code)
                    pixels.push_back(others | (code << field.shift));
            }
        }
        for (int sample = 0; sample < 65536; ++sample)
            pixels.push_back(random());
    }
    CheckRoundTrip(layout, pixels);
}

std::string LayoutName(const testing::TestParamInfo<std::size_t>& info)
{
    const DWORD format = packed::kLayouts[info.param].format;
    std::string name = "Format" + std::to_string(format);
    return name;
}

INSTANTIATE_TEST_SUITE_P(AllPackedFormats, PackedRoundTrip, testing::Range<std::size_t>(0, packed::kLayoutCount),
                         LayoutName);

// Decoding never produces a value outside the channel range of its format:
// 0..1 for unsigned fields, -1..1 for signed ones.
TEST(PackedDecode, ValuesStayInsideTheFormatsRange)
{
    for (const Layout& layout : packed::kLayouts) {
        for (unsigned index = 0; index < layout.fieldCount; ++index) {
            const packed::Field& field = layout.fields[index];
            const float lowest = field.sign == Sign::Signed ? -1.0f : 0.0f;
            for (std::uint64_t code : {std::uint64_t{0}, FieldMaskOf(field), FieldMaskOf(field) >> 1,
                                       (FieldMaskOf(field) >> 1) + 1}) {
                std::uint64_t pixel = code << field.shift;
                MemoryImage image(layout.format, layout.bytes, 1);
                std::memcpy(image.bytes.data(), &pixel, layout.bytes);
                CodecPointer codec = MakeCodec(image.Describe());
                FloatColor color;
                codec->ReadRow(0, 0, &color);
                for (float channel : {color.r, color.g, color.b, color.a}) {
                    EXPECT_GE(channel, lowest) << "format " << layout.format;
                    EXPECT_LE(channel, 1.0f) << "format " << layout.format;
                }
            }
        }
    }
}

} // namespace

namespace {

// Rows are encoded and decoded four pixels at a time where the pixel fits
// 32 bits; the last pixels of a row, and one-pixel rows, go one by one. Both
// ways must give the same bits and floats, including for values out of
// range and not-a-number, and with dither thresholds.
TEST(PackedRows, GroupsOfFourMatchOnePixelAtATime)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<float> wide(-1.5f, 1.5f);
    for (const Layout& layout : packed::kLayouts) {
        constexpr UINT kWidth = 67;
        std::vector<FloatColor> colors(kWidth);
        for (FloatColor& color : colors)
            color = {wide(random), wide(random), wide(random), wide(random)};
        colors[5].g = std::numeric_limits<float>::quiet_NaN();
        colors[9].r = 1e30f;
        for (DWORD dither : {0u, 1u}) {
            MemoryImage row(layout.format, layout.bytes, kWidth, 3, 2);
            row.dither = dither;
            MakeCodec(row.Describe())->WriteRow(2, 1, colors.data());
            // Pixel x of the row meets threshold (1 + x) % 4 of row 2; a
            // one-pixel region meets threshold s % 4 in slice s, so slice
            // (1 + x) % 4 gives it the same threshold.
            MemoryImage single(layout.format, layout.bytes, kWidth, 3, 4);
            single.dither = dither;
            for (UINT x = 0; x < kWidth; ++x) {
                ImageDesc desc = single.Describe();
                desc.Region = {x, 0, x + 1, 3, 0, 4};
                const UINT slice = (1 + x) % 4;
                MakeCodec(desc)->WriteRow(2, slice, &colors[x]);
                ASSERT_EQ(0, std::memcmp(single.bytes.data() + slice * single.slicePitch + 2 * single.rowPitch +
                                             x * layout.bytes,
                                         row.bytes.data() + row.slicePitch + 2 * row.rowPitch + x * layout.bytes,
                                         layout.bytes))
                    << "format " << layout.format << " x " << x << " dither " << dither;
            }

            // Reading the row back: whole row against pixel by pixel.
            CodecPointer reader = MakeCodec(row.Describe());
            std::vector<FloatColor> decoded(kWidth);
            reader->ReadRow(2, 1, decoded.data());
            for (UINT x = 0; x < kWidth; ++x) {
                ImageDesc desc = row.Describe();
                desc.Region = {x, 0, x + 1, 3, 0, 2};
                FloatColor one;
                MakeCodec(desc)->ReadRow(2, 1, &one);
                ASSERT_EQ(0, std::memcmp(&one, &decoded[x], sizeof one)) << "format " << layout.format << " x " << x;
            }
        }
    }
}

} // namespace
