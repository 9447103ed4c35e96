// BC7 and BC6H blocks built bit by bit from the formats' published
// layouts, and the colours the definitions give for them (worked out by
// hand below; the BC7 ones agree with Pillow's decoder).
#include "r3az8/tex/bptc/bptc_block.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>

namespace {

// Fields appended from bit 0 of byte 0 upwards, as the formats store them.
class BlockBuilder {
public:
    BlockBuilder& Put(std::uint32_t value, unsigned bits)
    {
        // Runs longer than 32 bits carry zeros above the value.
        for (unsigned i = 0; i < bits; ++i, ++used_)
            bytes_[used_ / 8] |= static_cast<BYTE>((i < 32 ? (value >> i) & 1u : 0u) << (used_ % 8));
        return *this;
    }
    // The same endpoint values, `bits` bits each, for each of `channels`
    // channels in turn.
    BlockBuilder& Channels(unsigned channels, unsigned bits, std::initializer_list<std::uint32_t> values)
    {
        for (unsigned channel = 0; channel < channels; ++channel)
            for (std::uint32_t value : values)
                Put(value, bits);
        return *this;
    }
    // Sixteen indices of `bits` bits; the anchor pixels get one bit less.
    BlockBuilder& Indices(unsigned bits, std::initializer_list<unsigned> anchors, unsigned value)
    {
        for (unsigned pixel = 0; pixel < 16; ++pixel) {
            const bool anchor = std::find(anchors.begin(), anchors.end(), pixel) != anchors.end();
            Put(anchor ? value & ((1u << (bits - 1)) - 1) : value, anchor ? bits - 1 : bits);
        }
        return *this;
    }
    const BYTE* Bytes() const
    {
        EXPECT_EQ(used_, 128u) << "a block is 128 bits";
        return bytes_.data();
    }

private:
    std::array<BYTE, 16> bytes_{};
    unsigned used_ = 0;
};

using Rgba = std::array<int, 4>;

// BC7 channels are 8-bit codes / 255.
Rgba Bc7Pixel(const BlockBuilder& block, unsigned pixel)
{
    FloatColor colors[16];
    EXPECT_EQ(DecodeBlockBC7(colors, block.Bytes()), S_OK);
    const FloatColor& c = colors[pixel];
    return {int(std::lround(c.r * 255)), int(std::lround(c.g * 255)), int(std::lround(c.b * 255)),
            int(std::lround(c.a * 255))};
}

// Endpoint channels of every BC7 mode as they expand to 8 bits: a stored
// value v (p-bit appended) of n bits becomes v << (8 - n) | v >> (2n - 8).
// Weights out of 64: 2-bit {0, 21, 43, 64}, 3-bit {0, 9, ..., 64},
// 4-bit {0, 4, ..., 64}; a channel is ((64 - w) e0 + w e1 + 32) >> 6.
TEST(Bc7Decode, ModesZeroToThreeOverTheirPartitions)
{
    // Mode 0, partition 0 (subsets 0 0 1 1 / 0 0 1 1 / 0 2 2 1 / 2 2 2 2,
    // anchors 0, 3, 15): e0 of subset s lights one channel (15 with p-bit
    // 0: 30 of 5 bits, 247), every e1 is white (15, p 1: 255). All indices
    // at their maximum: 3 for the 2-bit anchors (weight 27), else 7 (64).
    BlockBuilder mode0;
    mode0.Put(1, 1).Put(0, 4);
    for (unsigned channel = 0; channel < 3; ++channel)
        for (unsigned subset = 0; subset < 3; ++subset)
            mode0.Put(subset == channel ? 15 : 0, 4).Put(15, 4);
    mode0.Put(0b101010, 6).Indices(3, {0, 3, 15}, 7);
    EXPECT_EQ(Bc7Pixel(mode0, 0), (Rgba{250, 108, 108, 255}));
    EXPECT_EQ(Bc7Pixel(mode0, 3), (Rgba{108, 250, 108, 255}));
    EXPECT_EQ(Bc7Pixel(mode0, 15), (Rgba{108, 108, 250, 255}));
    EXPECT_EQ(Bc7Pixel(mode0, 9), (Rgba{255, 255, 255, 255}));

    // Mode 1: two subsets of 6-bit endpoints with one shared p-bit each;
    // partition 13 puts the lower two rows in subset 1 (anchor 15).
    // Subset 0 runs 0|p1 (2 of 7 bits) to 63|p1 (255), subset 1 stays at
    // 32|p0 (129).
    BlockBuilder mode1;
    mode1.Put(0b10, 2).Put(13, 6);
    mode1.Channels(3, 6, {0, 63, 32, 32});
    mode1.Put(1, 1).Put(0, 1).Indices(3, {0, 15}, 2); // weight 18 (anchors: 2 as well)
    EXPECT_EQ(Bc7Pixel(mode1, 0), (Rgba{73, 73, 73, 255})); // (46 * 2 + 18 * 255 + 32) >> 6
    EXPECT_EQ(Bc7Pixel(mode1, 15), (Rgba{129, 129, 129, 255}));

    // Mode 2: three subsets of 5-bit endpoints, no p-bits, 2-bit indices;
    // partition 63 (subsets 0 1 1 1 / 2 0 1 1 / 2 2 0 1 / 2 2 2 0, anchors
    // 0, 3, 8).
    BlockBuilder mode2;
    mode2.Put(0b100, 3).Put(63, 6);
    for (unsigned channel = 0; channel < 3; ++channel)
        for (unsigned subset = 0; subset < 3; ++subset)
            mode2.Put(0, 5).Put(8 * subset + 7, 5);
    mode2.Indices(2, {0, 3, 8}, 1); // weight 21 everywhere
    // Pixel 1 is in subset 1, whose end 15 expands to 123; pixel 12 in
    // subset 2 (end 23: 189).
    EXPECT_EQ(Bc7Pixel(mode2, 1), (Rgba{40, 40, 40, 255}));
    EXPECT_EQ(Bc7Pixel(mode2, 12), (Rgba{62, 62, 62, 255}));

    // Mode 3: two subsets of 7-bit endpoints with a p-bit each.
    BlockBuilder mode3;
    mode3.Put(0b1000, 4).Put(0, 6);
    mode3.Channels(3, 7, {127, 0, 64, 64});
    mode3.Put(0b1101, 4).Indices(2, {0, 15}, 0);
    EXPECT_EQ(Bc7Pixel(mode3, 0), (Rgba{255, 255, 255, 255}));  // 127|1
    EXPECT_EQ(Bc7Pixel(mode3, 15), (Rgba{129, 129, 129, 255})); // partition 0: pixel 15 in subset 1, 64|1
}

TEST(Bc7Decode, ModesFourToSevenWithAlpha)
{
    // Mode 4, rotation 1 (alpha and red exchange), index selection 1
    // (colour takes the 3-bit set, alpha the 2-bit one).
    BlockBuilder mode4;
    mode4.Put(0b10000, 5).Put(1, 2).Put(1, 1);
    mode4.Put(0, 5).Put(31, 5).Put(0, 5).Put(31, 5).Put(0, 5).Put(31, 5).Put(0, 6).Put(63, 6);
    mode4.Indices(2, {0}, 1).Indices(3, {0}, 5); // 2-bit: weight 21, 3-bit: weight 46
    // Colour 46/64 of 255 = 183, alpha 21/64 of 255 = 84; red and alpha swap.
    EXPECT_EQ(Bc7Pixel(mode4, 1), (Rgba{84, 183, 183, 183}));
    EXPECT_EQ(Bc7Pixel(mode4, 0), (Rgba{84, 36, 36, 36})); // anchor: 3-bit index 5 & 3 = 1, weight 9

    // Mode 5, rotation 3 (alpha and blue), 7-bit colour, 8-bit alpha.
    BlockBuilder mode5;
    mode5.Put(0b100000, 6).Put(3, 2);
    mode5.Put(127, 7).Put(0, 7).Put(0, 7).Put(127, 7).Put(64, 7).Put(64, 7).Put(200, 8).Put(100, 8);
    mode5.Indices(2, {0}, 3).Indices(2, {0}, 3);
    EXPECT_EQ(Bc7Pixel(mode5, 2), (Rgba{0, 255, 100, 129}));
    EXPECT_EQ(Bc7Pixel(mode5, 0), (Rgba{171, 84, 167, 129})); // the anchors' 1-bit index 1: weight 21

    // Mode 6: one subset, 7-bit colour and alpha with a p-bit per
    // endpoint, 4-bit indices: pixel i at index i walks the 4-bit weights.
    BlockBuilder mode6;
    mode6.Put(0b1000000, 7);
    mode6.Channels(4, 7, {0, 127});
    mode6.Put(0, 1).Put(1, 1);
    for (unsigned pixel = 0; pixel < 16; ++pixel)
        mode6.Put(pixel, pixel == 0 ? 3 : 4);
    const int weights[16] = {0, 4, 9, 13, 17, 21, 26, 30, 34, 38, 43, 47, 51, 55, 60, 64};
    for (unsigned pixel = 0; pixel < 16; ++pixel) {
        const int value = (weights[pixel] * 255 + 32) >> 6;
        EXPECT_EQ(Bc7Pixel(mode6, pixel), (Rgba{value, value, value, value})) << pixel;
    }

    // Mode 7: two subsets of 5-bit colour and alpha with p-bits.
    BlockBuilder mode7;
    mode7.Put(0b10000000, 8).Put(0, 6);
    mode7.Channels(4, 5, {31, 31, 0, 0});
    mode7.Put(0b0011, 4).Indices(2, {0, 15}, 0);
    EXPECT_EQ(Bc7Pixel(mode7, 0), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(Bc7Pixel(mode7, 15), (Rgba{0, 0, 0, 0}));
}

TEST(Bc7Decode, BlockWithoutModeBitIsTransparentBlack)
{
    BlockBuilder reserved;
    reserved.Put(0, 32).Put(0xFFFFFFFF, 32).Put(0xFFFFFFFF, 32).Put(0xFFFFFFFF, 32);
    for (unsigned pixel : {0u, 7u, 15u})
        EXPECT_EQ(Bc7Pixel(reserved, pixel), (Rgba{0, 0, 0, 0}));
}

// BC6H values are half floats: an endpoint of n bits is brought to 16 bits
// (unsigned: 0 stays 0, all ones becomes 0xFFFF, else (v << 16 | 0x8000)
// >> n; signed likewise on the magnitude with 15 bits), interpolated, then
// scaled by 31/64 (unsigned) or 31/32 (signed) to the half's bit pattern.
FloatColor Bc6hPixel(const BlockBuilder& block, unsigned pixel, bool isSigned)
{
    FloatColor colors[16];
    EXPECT_EQ(isSigned ? DecodeBlockBC6HSigned(colors, block.Bytes()) : DecodeBlockBC6HUnsigned(colors, block.Bytes()),
              S_OK);
    EXPECT_EQ(colors[pixel].a, 1.0f);
    return colors[pixel];
}

TEST(Bc6hDecode, UnsignedOneRegionModes)
{
    // Mode 11 (code 00011): two explicit 10-bit endpoints, 4-bit indices.
    BlockBuilder explicitEnds;
    explicitEnds.Put(3, 5).Put(0, 30).Put(1023, 10).Put(512, 10).Put(1, 10);
    for (unsigned pixel = 0; pixel < 16; ++pixel)
        explicitEnds.Put(pixel, pixel == 0 ? 3 : 4);
    EXPECT_EQ(Bc6hPixel(explicitEnds, 0, false).r, 0.0f);
    const FloatColor top = Bc6hPixel(explicitEnds, 15, false);
    EXPECT_EQ(top.r, 65504.0f);              // all ones: the largest half
    EXPECT_EQ(top.g, 1.5146484375f);         // 512: 32800 -> half 0x3E0F
    EXPECT_EQ(top.b, std::ldexp(46.0f, -24)); // 1: 96 -> half 46, a subnormal

    // Mode 12 (code 00111, 11 bits, 9-bit differences): w at the top of
    // its range plus a difference of 1 wraps to 0.
    BlockBuilder wrapped;
    wrapped.Put(7, 5).Put(1023, 10).Put(0, 10).Put(0, 10).Put(1, 9).Put(1, 1).Put(0, 9).Put(0, 1).Put(0, 9).Put(0, 1);
    wrapped.Indices(4, {0}, 15);
    EXPECT_EQ(Bc6hPixel(wrapped, 0, false).r, 2.935546875f); // anchor index 7: 34/64 of 0xFFFF, half 0x41DF
    EXPECT_EQ(Bc6hPixel(wrapped, 1, false).r, 0.0f);                                      // x = 2047 + 1 = 0
}

TEST(Bc6hDecode, SignedEndpointsAreSignExtendedAfterTheDifference)
{
    // Mode 11, signed: w = -1 (0x3FF), x = 511, the largest positive.
    BlockBuilder explicitEnds;
    explicitEnds.Put(3, 5).Put(1023, 10).Put(0, 20).Put(511, 10).Put(0, 20).Indices(4, {0}, 0);
    EXPECT_EQ(Bc6hPixel(explicitEnds, 0, true).r, -std::ldexp(93.0f, -24));
    explicitEnds = BlockBuilder();
    explicitEnds.Put(3, 5).Put(1023, 10).Put(0, 20).Put(511, 10).Put(0, 20).Indices(4, {0}, 15);
    EXPECT_EQ(Bc6hPixel(explicitEnds, 1, true).r, 65504.0f);

    // Mode 12, signed: w = -2 and a difference of +1 give x = -1, a
    // small negative, not the wrapped-around 11-bit 2047.
    BlockBuilder small;
    small.Put(7, 5).Put(0x3FE, 10).Put(0, 20).Put(1, 9).Put(1, 1).Put(0, 9).Put(0, 1).Put(0, 9).Put(0, 1);
    small.Indices(4, {0}, 15);
    EXPECT_EQ(Bc6hPixel(small, 1, true).r, -std::ldexp(46.0f, -24));
    EXPECT_EQ(Bc6hPixel(small, 1, true).g, 0.0f);
}

TEST(Bc6hDecode, TwoRegionsFollowThePartitionAndItsAnchors)
{
    // Mode 10 (code 11110): explicit 6-bit endpoints. rw and rz are the
    // first and last fields of its layout: region 0 runs red 63 -> 0,
    // region 1 0 -> 63. Partition 13 puts pixels 8-15 in region 1, anchor
    // 15. Indices at their maximum: 3 (weight 27) at the anchors, else 7.
    BlockBuilder block;
    block.Put(30, 5).Put(63, 6).Put(0, 54).Put(0, 6).Put(63, 6).Put(13, 5).Indices(3, {0, 15}, 7);
    EXPECT_EQ(Bc6hPixel(block, 0, false).r, 7.68359375f); // 37/64 of 0xFFFF -> half 0x47AF
    EXPECT_EQ(Bc6hPixel(block, 1, false).r, 0.0f);
    EXPECT_EQ(Bc6hPixel(block, 8, false).r, 65504.0f);
    EXPECT_EQ(Bc6hPixel(block, 15, false).r, 0.26953125f); // 27/64 of 0xFFFF -> half 0x3450
}

TEST(Bc6hDecode, ReservedModesAreOpaqueBlack)
{
    for (unsigned code : {19u, 23u, 27u, 31u}) {
        BlockBuilder block;
        block.Put(code, 5).Put(0xFFFFFFFF, 32).Put(0xFFFFFFFF, 32).Put(0xFFFFFFFF, 32).Put(0x7FFFFFF, 27);
        const FloatColor pixel = Bc6hPixel(block, 5, false);
        EXPECT_EQ(pixel.r + pixel.g + pixel.b, 0.0f) << code;
    }
}

} // namespace
