// Exact bytes of the encoder for a few blocks: a ramp, a scramble, a block
// with transparent pixels and a half-and-opaque alpha block. The bytes were
// checked against an independent port of the encoder that rounds to single
// precision after every operation. Any change in the order or precision of
// the encoder's arithmetic (fused multiply-add, a reordered sum) shows here.
#include "r3az8/tex/dxt/block_lanes.h"
#include "r3az8/tex/dxt/dxt_block.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

using PixelBlock = std::array<FloatColor, 16>;

// Inputs built in double and rounded once, so every build sees the same floats.
PixelBlock GoldenPixels(int n)
{
    PixelBlock block;
    for (int i = 0; i < 16; ++i) {
        const double x = i & 3, y = i >> 2;
        auto v = [](double value) { return static_cast<float>(value); };
        switch (n) {
        case 0:
            block[i] = {v(x / 3), v(y / 3), v((x + y) / 6), 1.0f};
            break;
        case 1:
            block[i] = {v((i * 7 % 16) / 15.0), v((i * 11 % 16) / 15.0), v((i * 13 % 16) / 15.0),
                        v((i * 5 % 16) / 15.0)};
            break;
        case 2:
            block[i] = {v(0.2 + 0.05 * x), v(0.6 - 0.03 * y), v(0.9 - 0.1 * (static_cast<int>(x * y) % 3)),
                        i % 5 == 0 ? 0.0f : v(0.3 + 0.04 * i)};
            break;
        default:
            block[i] = {0.5f, 0.5f, 0.5f, (i & 1) ? 1.0f : v(128 / 255.0)};
            break;
        }
    }
    return block;
}

std::string Hex(const BYTE* bytes, size_t count)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

struct Golden {
    const char* dxt1;
    const char* dxt3;
    const char* dxt5;
};

const Golden Expected[] = {
    {"f787087855ffaa00", "fffffffffffffffff787087855ffaa00", "ffff000000000000f787087855ffaa00"},
    {"0f79f0862fcbf2bc", "50fa943ed8721cb6cd80727f2c4fd3b6", "14eb1e2f460c56accd80727f2c4fd3b6"},
    {"1b44db4cffafbac0", "50660798a9b0cc0ddb4c1b4400aaff55", "59d906246fa4dbc4db4c1b4400aaff55"},
    {"1084ef7bbbeebbee", "f8f7f7f8f8f7f7f81084ef7bbbeebbee", "8080388ee3388ee31084ef7bbbeebbee"},
};

TEST(EncoderGoldenBytes, OneBlockEncoders)
{
    for (int n = 0; n < 4; ++n) {
        PixelBlock pixels = GoldenPixels(n);
        BYTE block[16];
        EncodeBlockDXT1(block, pixels.data());
        EXPECT_EQ(Hex(block, 8), Expected[n].dxt1) << n;
        EncodeBlockDXT3(block, pixels.data());
        EXPECT_EQ(Hex(block, 16), Expected[n].dxt3) << n;
        EncodeBlockDXT5(block, pixels.data());
        EXPECT_EQ(Hex(block, 16), Expected[n].dxt5) << n;
    }
}

TEST(EncoderGoldenBytes, RowEncoder)
{
    std::array<FloatColor, 64> pixels;
    for (int n = 0; n < 4; ++n) {
        PixelBlock block = GoldenPixels(n);
        std::copy(block.begin(), block.end(), pixels.begin() + 16 * n);
    }
    BYTE blocks[64];
    EncodeBlocks(D3DFMT_DXT1, blocks, pixels.data(), 4);
    for (int n = 0; n < 4; ++n)
        EXPECT_EQ(Hex(blocks + 8 * n, 8), Expected[n].dxt1) << n;
    EncodeBlocks(D3DFMT_DXT3, blocks, pixels.data(), 4);
    for (int n = 0; n < 4; ++n)
        EXPECT_EQ(Hex(blocks + 16 * n, 16), Expected[n].dxt3) << n;
    EncodeBlocks(D3DFMT_DXT5, blocks, pixels.data(), 4);
    for (int n = 0; n < 4; ++n)
        EXPECT_EQ(Hex(blocks + 16 * n, 16), Expected[n].dxt5) << n;
}

} // namespace
