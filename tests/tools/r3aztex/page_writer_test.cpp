// The pure parts of the page writer (tools/r3aztex/page): text encodings,
// picture sizes, the report's order and the page's one unsafe spot, the
// data inside its <script> element.
#include "tools/r3aztex/page/page_document.h"
#include "tools/r3aztex/page/page_sections.h"
#include "tools/r3aztex/page/page_text.h"
#include "tools/r3aztex/page/picture_size.h"
#include "tools/r3aztex/page/texture_pictures.h"
#include "r3az8/tex/pixel_formats.h"

#include <gtest/gtest.h>

#include <cmath>

namespace r3aztex {
namespace {

std::span<const uint8_t> Bytes(const std::string& text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// The test vectors of RFC 4648, section 10: every padding case.
TEST(PageText, Base64OfTheStandardsVectors)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"\xff\xfe\x80", "//6A"},
    };
    for (const auto& [plain, encoded] : cases)
        EXPECT_EQ(Base64(Bytes(plain)), encoded) << plain;
    EXPECT_EQ(DataUri("image/png", Bytes("foo")), "data:image/png;base64,Zm9v");
}

TEST(PageText, NoDataClosesTheScriptItSitsIn)
{
    const std::pair<const char*, const char*> cases[] = {
        {"{\"a\": \"</script>\"}", "{\"a\": \"<\\/script>\"}"},
        {"</</", "<\\/<\\/"},
        {"<a> < /", "<a> < /"},
        {"x<", "x<"},
    };
    for (const auto& [json, safe] : cases)
        EXPECT_EQ(ScriptSafe(json), safe) << json;
    // The whole page: a section holding the closing tag leaves the
    // template's own <script> elements the only ones closed.
    const std::string page = PageHtml("a </script> <b>", {"{\"kind\": \"x\", \"id\": \"</script><p>\"}"});
    size_t closings = 0;
    for (size_t at = page.find("</script>"); at != std::string::npos; at = page.find("</script>", at + 1))
        ++closings;
    EXPECT_EQ(closings, 2u);
    EXPECT_NE(page.find("<title>a &lt;/script&gt; &lt;b&gt;</title>"), std::string::npos);
}

struct SizeCase {
    uint32_t width, height;
    uint64_t limit;
    PictureSize shown;
};

TEST(PictureSizes, FullSizeUpToTheLimitThenHalved)
{
    const SizeCase cases[] = {
        {2048, 2048, kFullPicturePixels, {2048, 2048}},  // at the limit
        {4096, 1024, kFullPicturePixels, {4096, 1024}},  // as many pixels, another shape
        {4096, 4096, kFullPicturePixels, {2048, 2048}},
        {16384, 16384, kFullPicturePixels, {2048, 2048}},
        {4097, 4097, kFullPicturePixels, {1025, 1025}},  // halves round up, and stay within
        {16384, 1, kFullPicturePixels, {16384, 1}},
        {3000, 3000, kFullPicturePixels, {1500, 1500}},
        {2048, 2048, kFullFloatPicturePixels, {1024, 1024}},
        {1, 1, 0, {1, 1}},                                // nothing smaller exists
    };
    for (const SizeCase& c : cases)
        EXPECT_EQ(ShownSize(c.width, c.height, c.limit), c.shown) << c.width << "x" << c.height;
}

TEST(PictureSizes, ThumbnailsKeepTheProportionAndNeverGrow)
{
    const SizeCase cases[] = {
        {64, 32, 128, {64, 32}},      {128, 128, 128, {128, 128}}, {512, 512, 128, {128, 128}},
        {1280, 384, 128, {128, 38}},  {384, 1280, 128, {38, 128}}, {16384, 1, 128, {128, 1}},
        {1, 16384, 128, {1, 128}},    {129, 128, 128, {128, 127}},
    };
    for (const SizeCase& c : cases)
        EXPECT_EQ(ThumbnailSize(c.width, c.height, uint32_t(c.limit)), c.shown) << c.width << "x" << c.height;
}

TEST(ReportOrder, WorstPsnrFirstThenRowsWithoutOne)
{
    struct Case {
        std::vector<std::optional<double>> psnrs; // by input position
        std::vector<size_t> order;                // positions, as sorted
    };
    const Case cases[] = {
        {{30.0, std::nullopt, INFINITY, 20.0, 30.0}, {3, 0, 4, 2, 1}},
        {{std::nullopt, std::nullopt}, {0, 1}},
        {{45.5, 45.4}, {1, 0}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        std::vector<ReportRow> rows;
        // Given in reverse, so that keeping the input order is the sort's work.
        for (size_t i = c.psnrs.size(); i-- > 0;) {
            ReportRow row;
            row.position = i;
            row.psnr = c.psnrs[i];
            rows.push_back(row);
        }
        SortWorstFirst(rows);
        std::vector<size_t> order;
        for (const ReportRow& row : rows)
            order.push_back(row.position);
        EXPECT_EQ(order, c.order);
    }
}

TEST(PageFigures, WrittenAsDiffWritesThem)
{
    // Two 8x8 pictures one step apart in red: every figure of the red
    // channel is finite, those of the others are those of identical ones.
    TextureImage a = MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Flat, 8, 8, 1, 1);
    TextureImage b = a;
    for (size_t i = 0; i < a.Surface(0, 0).size(); i += 4) {
        a.Surface(0, 0)[i + 3] = b.Surface(0, 0)[i + 3] = 255;
        b.Surface(0, 0)[i + 2] = 1;
    }
    const std::string json = FiguresJson(CompareTextures(a, b, CompareOptions{}));
    EXPECT_NE(json.find("{\"alpha_weighted\": false, \"levels\": [\n{\"face\": 0, \"level\": 0, \"width\": 8, "
                        "\"height\": 8, \"depth\": 1, \"r\": {\"rmse\": 1, \"psnr\": 48.130804"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"g\": {\"rmse\": 0, \"psnr\": null, \"ssim\": 1}"), std::string::npos) << json;
}

// The pictures' JSON states the size of the data it carries: a float
// picture above its limit is halved, says so, and holds exactly the
// halved picture's half floats; alpha comes apart only where some pixel is
// not opaque.
TEST(PagePictures, DataMatchesTheStatedSize)
{
    struct Case {
        D3DFORMAT format;
        uint32_t width, height;
        bool transparentPixel;
        std::string expected[3];
    };
    const Case cases[] = {
        {FMT_A16B16G16R16F, 1025, 1024, false,
         {"\"reduced\": true", "\"shownWidth\": 513, \"shownHeight\": 512", "\"colour\": null"}},
        {FMT_A16B16G16R16F, 1024, 1024, false, {"\"reduced\": false", "\"shownWidth\": 1024", "\"half\": \""}},
        {D3DFMT_A8R8G8B8, 8, 4, true, {"\"reduced\": false", "\"alpha\": \"data:image/png;base64,", "\"half\": null"}},
        {D3DFMT_A8R8G8B8, 8, 4, false, {"\"alpha\": null", "\"colour\": \"data:image/png;base64,", "\"level\": 0"}},
    };
    for (const Case& c : cases) {
        TextureImage texture = MakeTexture(c.format, TextureKind::Flat, c.width, c.height, 1, 1);
        if (c.format == D3DFMT_A8R8G8B8)
            for (size_t i = 3; i < texture.Surface(0, 0).size(); i += 4)
                texture.Surface(0, 0)[i] = i == 3 && c.transparentPixel ? 0 : 255;
        const std::string json = TexturePicturesJson({&texture, 1}, LevelChoice::Every);
        for (const std::string& expected : c.expected)
            EXPECT_NE(json.find(expected), std::string::npos) << c.width << "x" << c.height << ": " << expected;
        if (c.format == FMT_A16B16G16R16F) {
            const size_t start = json.find("\"half\": \"") + 9;
            const PictureSize shown = ShownSize(c.width, c.height, kFullFloatPicturePixels);
            EXPECT_EQ(json.find('"', start) - start, (size_t(shown.width) * shown.height * 8 + 2) / 3 * 4);
        }
    }
}

} // namespace
} // namespace r3aztex
