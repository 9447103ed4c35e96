// The multi-block encoder in each instruction-set flavour gives exactly the
// one-block encoders' bytes, for every format, any block count and inputs
// outside 0..1.
#include "r3az8/tex/cpu.h"
#include "r3az8/tex/dxt/block_lanes.h"
#include "tests/r3az8/dxt/block_samples.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using RowEncoder = HRESULT (*)(D3DFORMAT, BYTE*, const FloatColor*, UINT);

struct FormatCase {
    D3DFORMAT format;
    UINT blockBytes;
    HRESULT (*encode)(BYTE*, const FloatColor*);
};

const FormatCase Formats[] = {
    {D3DFMT_DXT1, 8, EncodeBlockDXT1},  {D3DFMT_DXT2, 16, EncodeBlockDXT2}, {D3DFMT_DXT3, 16, EncodeBlockDXT3},
    {D3DFMT_DXT4, 16, EncodeBlockDXT4}, {D3DFMT_DXT5, 16, EncodeBlockDXT5},
};

struct Flavour {
    const char* name;
    RowEncoder encode;
    InstructionSet needs;
};

const Flavour Flavours[] = {
    {"portable", block_lanes_portable::EncodeBlocks, InstructionSet::Plain},
    {"avx2", block_lanes_avx2::EncodeBlocks, InstructionSet::Avx2},
    {"chosen", EncodeBlocks, InstructionSet::Plain},
};

void PrintTo(const Flavour& flavour, std::ostream* out) { *out << flavour.name; }

void ExpectSameAsOneBlockEncoder(RowEncoder encode, const FormatCase& format, const std::vector<FloatColor>& pixels)
{
    const UINT count = static_cast<UINT>(pixels.size() / 16);
    // Exactly sized, so the sanitizer sees any write past the last block.
    std::vector<BYTE> lanes(count * format.blockBytes);
    ASSERT_EQ(encode(format.format, lanes.data(), pixels.data(), count), S_OK);
    for (UINT k = 0; k < count; ++k) {
        BYTE expected[16];
        format.encode(expected, pixels.data() + 16 * k);
        ASSERT_EQ(std::memcmp(lanes.data() + k * format.blockBytes, expected, format.blockBytes), 0)
            << "format " << std::hex << format.format << std::dec << ", block " << k << " of " << count;
    }
}

class BlockLanes : public testing::TestWithParam<Flavour> {
protected:
    void SetUp() override
    {
        if (!ProcessorSupports(GetParam().needs))
            GTEST_SKIP() << "processor lacks the instruction set";
    }

    // Round n of every format encodes blockCount(n) blocks drawn from one
    // generator seeded with seed.
    void ExpectSameForEveryFormat(unsigned seed, int rounds, UINT (*blockCount)(int), bool unusual)
    {
        std::mt19937 random(seed);
        for (const FormatCase& format : Formats)
            for (int n = 0; n < rounds; ++n)
                ExpectSameAsOneBlockEncoder(GetParam().encode, format, RandomBlocks(random, blockCount(n), unusual));
    }
};

TEST_P(BlockLanes, MatchesTheOneBlockEncoderOnRandomBlocks)
{
    ExpectSameForEveryFormat(20261207, 40, [](int) { return 64u; }, false);
}

TEST_P(BlockLanes, MatchesTheOneBlockEncoderOnUnusualValues)
{
    ExpectSameForEveryFormat(42, 20, [](int) { return 32u; }, true);
}

TEST_P(BlockLanes, EveryCountUpToThreeGroupsIsEncoded)
{
    ExpectSameForEveryFormat(99, 25, [](int n) { return UINT(n); }, false);
}

TEST_P(BlockLanes, RefusesOtherFormats)
{
    BYTE block[16] = {};
    FloatColor pixels[16] = {};
    EXPECT_EQ(GetParam().encode(D3DFMT_A8R8G8B8, block, pixels, 1), E_FAIL);
}

INSTANTIATE_TEST_SUITE_P(Flavours, BlockLanes, testing::ValuesIn(Flavours),
                         [](const testing::TestParamInfo<Flavour>& instance) { return std::string(instance.param.name); });

} // namespace
