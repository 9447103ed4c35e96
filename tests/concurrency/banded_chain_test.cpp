// Conversions band by band against the same conversions on whole levels:
// bands of one block row on several threads must give every byte the
// library gives for whole images.
#include "tests/support/chain_recipe_support.h"
#include "tests/support/dds_test_support.h"
#include "tests/support/texture_files_support.h"

#include "r3az8/tex/convert/banded_chain.h"
#include "r3az8/tex/convert/block_compression.h"
#include "r3az8/tex/convert/chain_from_top.h"
#include "r3az8/tex/convert/whole_chain.h"
#include "r3az8/tex/texture/texture_error.h"

#include <cstring>
#include <thread>

namespace r3az8tex {
namespace {

using namespace testing;

// The smallest bands there are: four rows.
constexpr size_t kOneBlockRow = 1;

ChainRecipe Recipe(const TextureImage& source, D3DFORMAT output)
{
    return PlainChainRecipe(source.width, source.height, output);
}

TextureImage Cube(uint32_t size)
{
    TextureImage cube = MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Cube, size, size, 1, 1);
    FillWithPattern(cube, 5);
    return cube;
}

TEST(BandedChain, GivesTheBytesOfWholeLevels)
{
    const TextureImage picture = TestPicture(64, 32);
    const TextureImage odd = TestPicture(37, 23);
    const TextureImage cube = Cube(16);
    struct Case {
        const char* name;
        const TextureImage& source;
        ChainRecipe recipe;
    };
    std::vector<Case> cases = {
        {"linear light", picture, Recipe(picture, D3DFMT_DXT1)},
        {"normal map cube", cube, Recipe(cube, D3DFMT_A8R8G8B8)},
        {"odd sizes, named box, dither", odd, Recipe(odd, D3DFMT_DXT5)},
        {"resized", odd, Recipe(picture, D3DFMT_R5G6B5)},
    };
    cases[0].recipe.linearLight = true;
    cases[1].recipe.normalMap = true;
    cases[2].recipe.mipFilter = IMAGE_FILTER_BOX | IMAGE_FILTER_MIRROR_U;
    cases[2].recipe.finalStep.filter |= IMAGE_FILTER_DITHER;
    cases[3].recipe.resized = true;
    cases[3].recipe.linearLight = true;
    cases[3].recipe.resample.colorKey = 0xFF000000;
    // The quality encoder after the chain: the whole chain's final values
    // through it, band by band or whole.
    cases.push_back({"quality", odd, Recipe(odd, D3DFMT_BC5)});
    cases[4].recipe.encoding.quality = QualityOptions{};
    cases[4].recipe.mipFilter = IMAGE_FILTER_BOX;

    WorkPool one(1), three(3);
    for (const Case& test : cases) {
        ASSERT_TRUE(ChainHalvesWithBox(test.recipe, test.source.kind)) << test.name;
        ChainRecipe stored = test.recipe;
        stored.output = stored.working;
        const TextureImage whole =
            test.recipe.encoding.ChangesPixels()
                ? EncodeSlices(MakeChainWhole(test.source, stored, one), test.recipe.output, test.recipe.levels,
                               test.recipe.finalStep, test.recipe.encoding, one)
                : MakeChainWhole(test.source, test.recipe, one);
        const TextureImage banded = MakeChainInBands(test.source, test.recipe, three, nullptr, kOneBlockRow);
        EXPECT_EQ(banded.levels, whole.levels) << test.name;
        EXPECT_TRUE(banded.surfaces == whole.surfaces) << test.name;
    }
}

TEST(BandedChain, PlainConversionsGiveTheBytesOfWholeLevels)
{
    TextureImage blocks = MakeTexture(D3DFMT_DXT1, TextureKind::Flat, 37, 23, 1, 3);
    FillWithPattern(blocks, 9);
    TextureImage cube = Cube(8);
    LoadOptions dither;
    dither.filter = IMAGE_FILTER_POINT | IMAGE_FILTER_DITHER;
    const BlockEncoding high{QualityOptions{BlockQuality::High, ColorWeighting::Perceptual}, std::nullopt};
    WorkPool three(3);
    for (const TextureImage* source : {&blocks, &cube}) {
        EXPECT_TRUE(ConvertInBands(*source, D3DFMT_R5G6B5, source->levels, dither, {}, three, nullptr, kOneBlockRow).surfaces ==
                    ConvertLevels(*source, D3DFMT_R5G6B5, source->levels, dither).surfaces);
        EXPECT_TRUE(ConvertInBands(*source, D3DFMT_DXT5, source->levels, dither, high, three, nullptr, kOneBlockRow).surfaces ==
                    EncodeSlices(*source, D3DFMT_DXT5, source->levels, dither, high, three).surfaces);
    }
}

// A reader fills the source from the top on its own thread while the bands
// are made: each band waits for its rows, and the result is the one of the
// whole source. A reader that stops leaves the waiting bands an error.
TEST(BandedChain, BandsWaitForTheRowsAReaderHasFilled)
{
    const TextureImage picture = TestPicture(64, 64);
    ChainRecipe recipe = Recipe(picture, D3DFMT_DXT1);
    recipe.linearLight = true;
    WorkPool three(3);
    const TextureImage expected = MakeChainInBands(picture, recipe, three);
    for (bool stops : {false, true}) {
        TextureImage source = MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Flat, 64, 64, 1, 1);
        RowArrival arrival(64);
        std::thread reader([&] {
            const size_t rowBytes = 64 * 4;
            for (uint32_t row = 0; row < 64; ++row) {
                if (stops && row == 40) {
                    arrival.Abandon();
                    return;
                }
                std::memcpy(source.Surface(0, 0).data() + row * rowBytes, picture.Surface(0, 0).data() + row * rowBytes,
                            rowBytes);
                arrival.Publish(row + 1);
            }
        });
        TextureImage banded;
        bool refused = false;
        try {
            banded = MakeChainInBands(source, recipe, three, &arrival, kOneBlockRow);
        } catch (const TextureError&) {
            refused = true;
        }
        reader.join();
        EXPECT_EQ(refused, stops);
        EXPECT_EQ(banded.surfaces == expected.surfaces, !stops);
    }
}

// Chains filtered from level 0 make the bands of all their levels at
// once, and point chains each level from the one above while its bands
// are written: on several threads the bytes of one.
TEST(BandedChain, ChainsFromLevelZeroOnSeveralThreads)
{
    const TextureImage odd = TestPicture(37, 23);
    WorkPool one(1), three(3);
    for (DWORD filter : {DWORD(IMAGE_FILTER_DEFAULT), DWORD(IMAGE_FILTER_POINT)}) {
        ChainRecipe recipe = Recipe(odd, D3DFMT_DXT5);
        recipe.mipFilter = filter;
        recipe.linearLight = true;
        recipe.encoding.quality = QualityOptions{};
        EXPECT_TRUE(MakeChainFromTop(odd, recipe, three, nullptr, kOneBlockRow).surfaces ==
                    MakeChainFromTop(odd, recipe, one, nullptr, kOneBlockRow).surfaces)
            << filter;
    }
}

TEST(BandedChain, BoxHalvingChainsOfFlatAndCubeTexturesOnly)
{
    const TextureImage picture = TestPicture(64, 32);
    const TextureImage odd = TestPicture(37, 23);
    EXPECT_TRUE(ChainHalvesWithBox(Recipe(picture, D3DFMT_DXT1), TextureKind::Cube));
    EXPECT_FALSE(ChainHalvesWithBox(Recipe(odd, D3DFMT_DXT1), TextureKind::Flat)) << "the library's triangle";
    EXPECT_FALSE(ChainHalvesWithBox(Recipe(picture, D3DFMT_DXT1), TextureKind::Volume));
    ChainRecipe point = Recipe(picture, D3DFMT_DXT1);
    point.mipFilter = IMAGE_FILTER_POINT;
    EXPECT_FALSE(ChainHalvesWithBox(point, TextureKind::Flat));
    ChainRecipe kept = Recipe(picture, D3DFMT_DXT1);
    kept.regenerate = false;
    EXPECT_FALSE(ChainHalvesWithBox(kept, TextureKind::Flat));
}

} // namespace
} // namespace r3az8tex
