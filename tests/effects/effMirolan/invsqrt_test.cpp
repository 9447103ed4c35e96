// The fast inverse square root table and its lookups.
#include "effects/effMirolan/invsqrt.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <vector>

namespace {

TEST(InvSqrtTable, IsBuiltWhenTheModuleLoads)
{
    // No test has called BuildInvSqrtTable yet in this process: static
    // initialisation did.
    EXPECT_EQ(InvSqrtTable[512], 0x007FE000u);
}

TEST(InvSqrtTable, GoldenEntries)
{
    EXPECT_EQ(InvSqrtTable[0], 0x00350000u);
    EXPECT_EQ(InvSqrtTable[511], 0x00000000u);
    EXPECT_EQ(InvSqrtTable[512], 0x007FE000u);
    EXPECT_EQ(InvSqrtTable[513], 0x007FC000u);
    EXPECT_EQ(InvSqrtTable[1023], 0x00350000u);
}

TEST(InvSqrtTable, EntriesHoldOnlyTheTenMantissaBits)
{
    for (unsigned i = 0; i < kInvSqrtTableSize; ++i)
        EXPECT_EQ(InvSqrtTable[i] & ~0x007FE000u, 0u) << i;
}

TEST(InvSqrtTable, RebuildingChangesNothing)
{
    std::vector<uint32_t> before(InvSqrtTable, InvSqrtTable + kInvSqrtTableSize);
    BuildInvSqrtTable();
    EXPECT_EQ(std::vector<uint32_t>(InvSqrtTable, InvSqrtTable + kInvSqrtTableSize), before);
}

TEST(FastInvSqrt, GoldenValues)
{
    EXPECT_EQ(FastInvSqrt(1.0f), 0.99951171875f);
    EXPECT_EQ(FastInvSqrt(2.0f), 0.70703125f);
    EXPECT_EQ(FastInvSqrt(3.0f), 0.5771484375f);
    EXPECT_EQ(FastInvSqrt(4.0f), 0.499755859375f);
    EXPECT_EQ(FastInvSqrt(0.25f), 1.9990234375f);
    EXPECT_EQ(FastInvSqrt(100.0f), 0.0999755859375f);
}

TEST(FastInvSqrt, ZeroGivesALargeFiniteValue)
{
    EXPECT_EQ(std::bit_cast<uint32_t>(FastInvSqrt(0.0f)), 0x5F350000u);
    EXPECT_TRUE(std::isfinite(FastInvSqrt(0.0f)));
}

TEST(FastInvSqrt, StaysWithinATenthOfAPercentOverTheNormalRange)
{
    // Every table cell over exponents from tiny to huge, at both ends and
    // the middle of the cell.
    double lowest = 0.0;
    double highest = 0.0;
    for (uint32_t exponent = 1; exponent < 254; ++exponent) {
        for (uint32_t cell = 0; cell < 512; ++cell) {
            for (uint32_t offset : {0u, 0x2000u, 0x3FFFu}) {
                float s = std::bit_cast<float>(exponent << 23 | cell << 14 | offset);
                double exact = 1.0 / std::sqrt(double(s));
                double relative = (double(FastInvSqrt(s)) - exact) / exact;
                lowest = std::min(lowest, relative);
                highest = std::max(highest, relative);
            }
        }
    }
    EXPECT_GT(lowest, -0.00094);
    EXPECT_LT(highest, 0.00099);
    EXPECT_LT(lowest, -0.0009); // the error really reaches both bounds
    EXPECT_GT(highest, 0.0009);
}

TEST(FastNormalize, GoldenVectors)
{
    float ones[3] = {1.0f, 1.0f, 1.0f};
    FastNormalize(ones);
    for (float component : ones)
        EXPECT_EQ(component, 0.5771484375f);

    float axis[3] = {1.0f, 0.0f, 0.0f};
    FastNormalize(axis);
    EXPECT_EQ(axis[0], 0.99951171875f);
    EXPECT_EQ(axis[1], 0.0f);
    EXPECT_EQ(axis[2], 0.0f);

    float zero[3] = {0.0f, 0.0f, 0.0f};
    FastNormalize(zero);
    for (float component : zero)
        EXPECT_EQ(component, 0.0f);
}

} // namespace
