// The triangle weight tables: their layout, exact values at scales 1, 1/2 and 2,
// weights that sum to 1 for every destination pixel across size ratios and
// edge modes, and the capacity bound that stops a filling instead of
// writing past the block.
#include "r3az8/tex/blit/triangle_weights.h"

#include "win32_testing.h"

#include <gtest/gtest.h>

#include <bit>
#include <map>
#include <string>
#include <vector>

namespace {

using Pairs = std::vector<std::pair<uint32_t, float>>;

// Reads the table word by word, checking the sizes it states.
std::vector<Pairs> ParseTable(const uint32_t* table, UINT sourceSize)
{
    std::vector<Pairs> entries;
    size_t word = 1;
    for (UINT j = 0; j < sourceSize; ++j) {
        const uint32_t entryBytes = table[word];
        EXPECT_EQ((entryBytes - 4) % 8, 0u) << "entry " << j;
        Pairs pairs;
        for (size_t w = word + 1; w < word + entryBytes / 4; w += 2)
            pairs.emplace_back(table[w], std::bit_cast<float>(table[w + 1]));
        entries.push_back(pairs);
        word += entryBytes / 4;
    }
    EXPECT_EQ(table[0], 4 * word) << "total size";
    return entries;
}

std::vector<Pairs> Weights(UINT sourceSize, UINT destSize, EdgeMode edge)
{
    WorkingArray<uint32_t> table = MakeTriangleWeights(sourceSize, destSize, edge);
    EXPECT_TRUE(table);
    return table ? ParseTable(table.get(), sourceSize) : std::vector<Pairs>{};
}

TEST(TriangleWeights, AtScaleOneEachPixelKeepsThreeQuartersAndGivesAnEighthToEachNeighbour)
{
    for (EdgeMode edge : {EdgeMode::Wrap, EdgeMode::Mirror}) {
        std::vector<Pairs> entries = Weights(8, 8, edge);
        for (UINT j = 1; j < 7; ++j)
            EXPECT_EQ(entries[j], (Pairs{{j - 1, 0.125f}, {j, 0.75f}, {j + 1, 0.125f}})) << "pixel " << j;
    }
}

TEST(TriangleWeights, AtScaleOneMirroredEdgesFoldTheOverhangBack)
{
    std::vector<Pairs> entries = Weights(8, 8, EdgeMode::Mirror);
    EXPECT_EQ(entries[0], (Pairs{{0, 0.875f}, {1, 0.125f}}));
    EXPECT_EQ(entries[7], (Pairs{{6, 0.125f}, {7, 0.875f}}));
}

TEST(TriangleWeights, AtScaleOneWrappedEdgesReachTheOppositeSide)
{
    std::vector<Pairs> entries = Weights(8, 8, EdgeMode::Wrap);
    EXPECT_EQ(entries[0], (Pairs{{7, 0.125f}, {0, 0.75f}, {1, 0.125f}}));
    EXPECT_EQ(entries[7], (Pairs{{6, 0.125f}, {7, 0.75f}, {0, 0.125f}}));
}

// Halving (scale 0.5): each source pixel gives 7/16 to the destination pixel
// it lies in and 1/16 to the neighbour on its far side. Mirrored, the edge
// pixels keep the overhang: 1/2 each.
TEST(TriangleWeights, AtScaleOneHalfExactValues)
{
    EXPECT_EQ(Weights(4, 2, EdgeMode::Wrap), (std::vector<Pairs>{{{1, 0.0625f}, {0, 0.4375f}},
                                                                  {{0, 0.4375f}, {1, 0.0625f}},
                                                                  {{0, 0.0625f}, {1, 0.4375f}},
                                                                  {{1, 0.4375f}, {0, 0.0625f}}}));
    EXPECT_EQ(Weights(4, 2, EdgeMode::Mirror), (std::vector<Pairs>{{{0, 0.5f}},
                                                                    {{0, 0.4375f}, {1, 0.0625f}},
                                                                    {{0, 0.0625f}, {1, 0.4375f}},
                                                                    {{1, 0.5f}}}));
}

// Doubling (scale 2): the tent spans four destination pixels, 1/4, 3/4, 3/4
// and 1/4 from left to right; mirrored, the part beyond the edge folds back
// as a full 1.
TEST(TriangleWeights, AtScaleTwoExactValues)
{
    EXPECT_EQ(Weights(2, 4, EdgeMode::Wrap), (std::vector<Pairs>{{{3, 0.25f}, {0, 0.75f}, {1, 0.75f}, {2, 0.25f}},
                                                                  {{1, 0.25f}, {2, 0.75f}, {3, 0.75f}, {0, 0.25f}}}));
    EXPECT_EQ(Weights(2, 4, EdgeMode::Mirror),
              (std::vector<Pairs>{{{0, 1.0f}, {1, 0.75f}, {2, 0.25f}}, {{1, 0.25f}, {2, 0.75f}, {3, 1.0f}}}));
}

TEST(TriangleWeights, EmptySizesGiveNoTable)
{
    EXPECT_FALSE(MakeTriangleWeights(0, 4, EdgeMode::Wrap));
    EXPECT_FALSE(MakeTriangleWeights(4, 0, EdgeMode::Mirror));
}

// Ratios from 1:1000 to 1000:1, primes among them, both edge modes: every
// destination pixel receives weights summing to 1 (up to float rounding and
// the slivers below 0.00001 that are left out), every pair points inside,
// and no filling comes near its capacity bound.
TEST(TriangleWeights, EveryDestinationPixelReceivesWeightsSummingToOne)
{
    const UINT sizes[] = {1, 2, 3, 7, 13, 31, 64, 97, 1000};
    win32::BeginDebugCapture();
    for (UINT source : sizes)
        for (UINT dest : sizes)
            for (EdgeMode edge : {EdgeMode::Wrap, EdgeMode::Mirror}) {
                std::vector<double> sums(dest, 0.0);
                for (const Pairs& entry : Weights(source, dest, edge))
                    for (auto [destination, weight] : entry) {
                        ASSERT_LT(destination, dest);
                        ASSERT_GT(weight, 0.00001f);
                        sums[destination] += weight;
                    }
                for (UINT p = 0; p < dest; ++p)
                    ASSERT_NEAR(sums[p], 1.0, 2e-4) << source << " to " << dest << " pixel " << p
                                                    << (edge == EdgeMode::Wrap ? " wrap" : " mirror");
            }
    EXPECT_EQ(win32::EndDebugCapture(), "");
}

TEST(TriangleWeights, OneToManyWrapsTheWholeTentAroundTheDestination)
{
    // One source pixel blown up to 4096 covers every destination pixel.
    std::vector<Pairs> entries = Weights(1, 4096, EdgeMode::Wrap);
    std::map<uint32_t, double> sums;
    for (auto [destination, weight] : entries[0])
        sums[destination] += weight;
    ASSERT_EQ(sums.size(), 4096u);
    for (auto [destination, sum] : sums)
        ASSERT_NEAR(sum, 1.0, 1e-4) << destination;
}

TEST(TriangleWeights, TheFlatListHoldsTheTablesPairsInOrder)
{
    WorkingArray<uint32_t> table = MakeTriangleWeights(13, 5, EdgeMode::Wrap);
    ASSERT_TRUE(table);
    std::vector<Pairs> parsed = ParseTable(table.get(), 13);
    TriangleWeightList list;
    ASSERT_TRUE(ReadTriangleWeights(table.get(), 13, list));
    for (UINT j = 0; j < 13; ++j) {
        Pairs flat;
        for (const TriangleWeightPair* pair = list.begin(j); pair != list.end(j); ++pair)
            flat.emplace_back(pair->destination, pair->weight);
        EXPECT_EQ(flat, parsed[j]) << j;
    }
}

// A capacity smaller than the filling needs: the assertion reports it, the
// filling stops at the bound (the address sanitizer would see a write past
// the block) and no table comes back. One byte less than the table's own
// size already fails; its size exactly succeeds.
TEST(TriangleWeights, AFillingThatWouldPassItsCapacityStopsAndFails)
{
    WorkingArray<uint32_t> whole = MakeTriangleWeights(8, 8, EdgeMode::Wrap);
    ASSERT_TRUE(whole);
    const size_t size = whole[0];

    win32::BeginDebugCapture();
    EXPECT_TRUE(MakeTriangleWeightsWithCapacityForTesting(8, 8, EdgeMode::Wrap, size));
    EXPECT_EQ(win32::EndDebugCapture(), "");

    for (size_t capacity : {size - 1, size / 2, size_t(4), size_t(0)}) {
        win32::BeginDebugCapture();
        EXPECT_FALSE(MakeTriangleWeightsWithCapacityForTesting(8, 8, EdgeMode::Wrap, capacity)) << capacity;
        const std::string output = win32::EndDebugCapture();
        EXPECT_NE(output.find("Assertion failure!"), std::string::npos) << output;
        EXPECT_NE(output.find("uSize <= uSizeMax"), std::string::npos) << output;
    }
}

} // namespace
