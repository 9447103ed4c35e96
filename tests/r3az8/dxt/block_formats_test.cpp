// The block format table against the code it names: every row's encoders
// write blocks its decoder reads back, the entry points accept exactly the
// formats whose rows name them, and Fast means what the row says.
#include "r3az8/tex/codecs/block_formats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// A block of one colour with alpha 0.6 (premultiplied rows read it back
// unpremultiplied), away from every code of 5:6:5 and 4 bits.
std::vector<FloatColor> FlatBlock()
{
    return std::vector<FloatColor>(kBlockPixels, FloatColor{0.53f, 0.27f, 0.81f, 0.6f});
}

// Each stored channel decodes near the flat block's value: within two
// steps of the coarsest field (5 bits for colour, 4 for explicit alpha).
void ExpectReadBack(const BlockFormat& row, const BYTE* block, const char* encoder)
{
    FloatColor decoded[kBlockPixels];
    ASSERT_EQ(row.decode(decoded, block), S_OK);
    FloatColor wanted = FlatBlock()[0];
    if (row.layout == BlockLayout::ColorOnly)
        wanted.a = 1.0f; // one-bit alpha: 0.6 is opaque
    for (int c = 0; c < row.channels; ++c)
        EXPECT_NEAR((&decoded[5].r)[c], (&wanted.r)[c], 2.0f / 15.0f)
            << std::hex << row.format << std::dec << " " << encoder << ", channel " << c;
}

TEST(BlockFormats, EveryRowsEncodersWriteWhatItsDecoderReads)
{
    const std::vector<FloatColor> pixels = FlatBlock();
    for (const BlockFormat& row : kBlockFormats) {
        SCOPED_TRACE(::testing::Message() << "format 0x" << std::hex << row.format);
        const UINT bytes = BlockBytesOf(row.format);
        ASSERT_GT(bytes, 0u);
        BYTE block[16] = {};

        // The fixed encoder: the lane kernel writes the formats whose rows
        // name it, and only those; BC7's row names an encoder of its own.
        EXPECT_EQ(EncodeBlocks(row.format, block, pixels.data(), 1) == S_OK, row.fixedEncoder == EncodeBlocks);
        if (row.fixedEncoder != nullptr) {
            ASSERT_EQ(row.fixedEncoder(row.format, block, pixels.data(), 1), S_OK);
            ExpectReadBack(row, block, "fixed encoder");
        }

        // The quality encoder at every level.
        EXPECT_EQ(IsQualityBlockFormat(row.format), row.qualityEncoder != nullptr);
        EXPECT_EQ(QualityBlockBytes(row.format), row.qualityEncoder != nullptr ? bytes : 0u);
        for (BlockQuality level : {BlockQuality::Fast, BlockQuality::Normal, BlockQuality::High}) {
            QualityOptions options;
            options.quality = level;
            const HRESULT hr = EncodeQualityBlocks(row.format, block, pixels.data(), nullptr, 1, options);
            EXPECT_EQ(hr == S_OK, row.qualityEncoder != nullptr);
            if (hr == S_OK)
                ExpectReadBack(row, block, "quality encoder");
        }

        // Fast falls back on the fixed encoder exactly where the row says.
        const bool fastIsFixed = row.qualityEncoder != nullptr && row.fast == FastLevel::FixedEncoder;
        EXPECT_EQ(RunsQualityEncoder(row.format, BlockQuality::Fast), row.qualityEncoder != nullptr && !fastIsFixed);
        if (fastIsFixed) {
            ASSERT_NE(row.fixedEncoder, nullptr);
            BYTE fixed[16] = {}, fast[16] = {};
            QualityOptions options;
            options.quality = BlockQuality::Fast;
            row.fixedEncoder(row.format, fixed, pixels.data(), 1);
            EncodeQualityBlocks(row.format, fast, pixels.data(), nullptr, 1, options);
            EXPECT_EQ(std::vector<BYTE>(fixed, fixed + bytes), std::vector<BYTE>(fast, fast + bytes));
        }

        // The lane kernels know the layout of every format they write.
        if (row.fixedEncoder == EncodeBlocks || row.qualityEncoder == EncodeQualityLanes) {
            EXPECT_NE(row.layout, BlockLayout::Other);
        }
    }
}

} // namespace
