// Chains made band by band from level 0 against the same chains made whole
// by the library's FilterTexture: bands of one block row on several threads
// must give every byte, whatever the mip filter, the edges, the sizes, the
// per-pixel steps and the final encoding.
#include "tests/support/chain_recipe_support.h"
#include "tests/support/dds_test_support.h"
#include "tests/support/texture_files_support.h"

#include "r3az8/tex/convert/banded_chain.h"
#include "r3az8/tex/convert/chain_from_top.h"
#include "r3az8/tex/convert/whole_chain.h"

#include <cstring>

namespace r3az8tex {
namespace {

using namespace testing;

// The smallest bands there are: four rows.
constexpr size_t kOneBlockRow = 1;

ChainRecipe Recipe(uint32_t width, uint32_t height, D3DFORMAT output, DWORD mipFilter)
{
    return PlainChainRecipe(width, height, output, mipFilter);
}

// What the pipeline does without bands: the whole chain, and for an
// encoding that changes pixels, its final values in the working format
// through the encoder.
TextureImage Whole(const TextureImage& source, const ChainRecipe& recipe, WorkPool& pool)
{
    if (!recipe.encoding.ChangesPixels())
        return MakeChainWhole(source, recipe, pool);
    ChainRecipe stored = recipe;
    stored.output = stored.working;
    stored.encoding = {};
    stored.finalStep = LoadOptions{};
    stored.finalStep.filter = IMAGE_FILTER_POINT;
    return ConvertInBands(MakeChainWhole(source, stored, pool), recipe.output, recipe.levels, recipe.finalStep,
                          recipe.encoding, pool);
}

TEST(ChainFromTop, GivesTheBytesOfTheWholeChain)
{
    const TextureImage odd = TestPicture(37, 23);
    const TextureImage tall = TestPicture(5, 70);
    const TextureImage square = TestPicture(32, 32);
    TextureImage cube = MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Cube, 12, 12, 1, 1);
    FillWithPattern(cube, 5);
    TextureImage floats = MakeTexture(FMT_A32B32G32R32F, TextureKind::Flat, 19, 27, 1, 1);
    for (std::vector<BYTE>& surface : floats.surfaces)
        for (size_t i = 0; i < surface.size(); i += 4) {
            const float value = float(i % 997) / 300.0f - 0.5f; // beyond 0..1 both ways
            std::memcpy(surface.data() + i, &value, 4);
        }
    TextureImage kept = MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Flat, 37, 23, 1, 3);
    FillWithPattern(kept, 8);

    const DWORD triangle = IMAGE_FILTER_TRIANGLE;
    const DWORD mirror = IMAGE_FILTER_MIRROR_U | IMAGE_FILTER_MIRROR_V;
    struct Case {
        const char* name;
        const TextureImage& source;
        ChainRecipe recipe;
    };
    std::vector<Case> cases = {
        {"the library's default (triangle, dither), linear light", odd,
         Recipe(37, 23, D3DFMT_A8R8G8B8, IMAGE_FILTER_DEFAULT)},
        {"triangle, mirrored, quality encoder", odd, Recipe(37, 23, D3DFMT_DXT5, triangle | mirror)},
        {"linear, dithered into 16 bits", odd, Recipe(37, 23, D3DFMT_R5G6B5, IMAGE_FILTER_LINEAR)},
        {"point from the level above, normal map", odd, Recipe(37, 23, D3DFMT_A8R8G8B8, IMAGE_FILTER_POINT)},
        {"box from the level above, tall, linear light", tall, Recipe(5, 70, D3DFMT_DXT1, IMAGE_FILTER_BOX)},
        {"triangle, power of two", square, Recipe(32, 32, D3DFMT_A8R8G8B8, triangle)},
        {"cube faces mirror, normal map, linear", cube, Recipe(12, 12, D3DFMT_A8R8G8B8, IMAGE_FILTER_LINEAR)},
        {"cube faces, default, linear light", cube, Recipe(12, 12, D3DFMT_DXT1, IMAGE_FILTER_DEFAULT)},
        {"resized up, keyed, linear light", odd, Recipe(50, 41, D3DFMT_A8R8G8B8, IMAGE_FILTER_DEFAULT)},
        {"resized down with the point filter", odd, Recipe(21, 9, D3DFMT_A8R8G8B8, triangle)},
        {"floats", floats, Recipe(19, 27, FMT_A16B16G16R16F, triangle)},
        {"the source's own levels kept, normal map", kept, Recipe(37, 23, D3DFMT_A8R8G8B8, triangle)},
    };
    cases[0].recipe.linearLight = true;
    cases[1].recipe.encoding.quality = QualityOptions{};
    cases[2].recipe.finalStep.filter |= IMAGE_FILTER_DITHER;
    cases[3].recipe.normalMap = true;
    cases[4].recipe.linearLight = true;
    cases[6].recipe.normalMap = true;
    cases[7].recipe.linearLight = true;
    cases[8].recipe.resized = true;
    cases[8].recipe.linearLight = true;
    cases[8].recipe.resample.colorKey = 0xFF000000;
    cases[9].recipe.resized = true;
    cases[9].recipe.resample.filter = IMAGE_FILTER_POINT;
    cases[10].recipe.working = FMT_A32B32G32R32F;
    cases[11].recipe.regenerate = false;
    cases[11].recipe.levels = 3;
    cases[11].recipe.normalMap = true;

    WorkPool one(1), three(3);
    for (const Case& test : cases) {
        const TextureImage whole = Whole(test.source, test.recipe, one);
        const TextureImage banded = MakeChainFromTop(test.source, test.recipe, three, nullptr, kOneBlockRow);
        EXPECT_EQ(banded.levels, whole.levels) << test.name;
        EXPECT_TRUE(banded.surfaces == whole.surfaces) << test.name;
    }
}

// The resized top level alone, as the single-level and the box chains take
// it: band by band, the bytes of the device's whole load.
TEST(ChainFromTop, ResampledTopLevelsGiveTheBytesOfTheWholeLoad)
{
    const TextureImage odd = TestPicture(37, 23);
    TextureImage blocks = MakeTexture(D3DFMT_DXT1, TextureKind::Flat, 20, 18, 1, 1);
    FillWithPattern(blocks, 3);
    struct Case {
        const TextureImage& source;
        uint32_t width, height;
        DWORD filter;
    };
    const Case cases[] = {
        {odd, 64, 48, IMAGE_FILTER_TRIANGLE | IMAGE_FILTER_DITHER},
        {odd, 16, 11, IMAGE_FILTER_LINEAR | IMAGE_FILTER_MIRROR},
        {odd, 40, 40, IMAGE_FILTER_BOX},
        {odd, 18, 11, IMAGE_FILTER_BOX},
        {odd, 90, 7, IMAGE_FILTER_NONE},
        {blocks, 33, 45, IMAGE_FILTER_POINT},
    };
    WorkPool three(3);
    for (const Case& test : cases) {
        LoadOptions options;
        options.filter = test.filter;
        EXPECT_TRUE(
            ResampleInBands(test.source, FMT_A16R16G16B16, test.width, test.height, options, three, kOneBlockRow)
                .surfaces == ResampleTop(test.source, FMT_A16R16G16B16, test.width, test.height, 1, options).surfaces)
            << test.width << "x" << test.height << ", filter " << std::hex << test.filter;
    }
}

} // namespace
} // namespace r3az8tex
