#include "r3az8/tex/image_desc.h"

#include <gtest/gtest.h>

namespace {

TEST(FilterWord, TypeOneToFiveWithoutHighBitsIsValid)
{
    for (DWORD type = IMAGE_FILTER_NONE; type <= IMAGE_FILTER_BOX; ++type) {
        EXPECT_TRUE(IsValidFilter(type));
        EXPECT_TRUE(IsValidFilter(type | IMAGE_FILTER_MIRROR | IMAGE_FILTER_DITHER));
    }
    EXPECT_TRUE(IsValidFilter(0x000F0005u));
}

TEST(FilterWord, OtherWordsAreInvalid)
{
    for (DWORD filter : {0x00000000u, 0x00000006u, 0x0000FFFFu, 0x00100005u, 0x80000001u, 0xFFFFFFFFu,
                         IMAGE_FILTER_DEFAULT, 0x00000105u})
        EXPECT_FALSE(IsValidFilter(filter)) << std::hex << filter;
}

TEST(FilterWord, FiltersReadTheTypeFromTheLowByte)
{
    EXPECT_EQ(FilterType(0x000F0005u), IMAGE_FILTER_BOX);
    EXPECT_EQ(FilterType(0x00000105u), 5u);
    EXPECT_EQ(IMAGE_FILTER_LOAD_DEFAULT, 0x00080004u);
}

} // namespace
