// Converting an image while it is decoded against converting it after: the
// bands that wait for their rows must give every byte, and a damaged file
// must be reported as damaged, not as a conversion that lost its rows.
#include "tool_test_support.h"

#include "tools/r3aztex/image_io/image_decoder.h"
#include "tools/r3aztex/processing/convert_while_decoding.h"
#include "tools/r3aztex/tool_error.h"

namespace r3aztex {
namespace {

using namespace testing;

TEST(ConvertWhileDecoding, GivesTheBytesOfConvertingAfterDecoding)
{
    // Tall enough for many bands and many reports of decoded rows.
    const std::vector<BYTE> png = EncodePng(TestPicture(96, 1030), AlphaOutput::Keep);
    WorkPool pool(3);
    for (const char* format : {"dxt1", "dxt5", "a8r8g8b8"}) {
        ConvertSettings settings;
        settings.format = FindFormatByName(format);
        settings.mips = 0;
        const TextureImage after = ConvertTexture(OpenPng(png, "p.png")->Pixels(), settings, pool);
        const TextureImage during = ConvertWhileDecoding(*OpenPng(png, "p.png"), settings, pool);
        EXPECT_EQ(during.levels, after.levels) << format;
        EXPECT_TRUE(during.surfaces == after.surfaces) << format;
    }
}

TEST(ConvertWhileDecoding, ReportsADamagedFileAsDamaged)
{
    std::vector<BYTE> png = EncodePng(TestPicture(64, 512), AlphaOutput::Keep);
    png.resize(png.size() / 2);
    ConvertSettings settings;
    settings.format = FindFormatByName("dxt1");
    settings.mips = 0;
    for (unsigned threads : {1u, 2u}) {
        WorkPool pool(threads);
        try {
            ConvertWhileDecoding(*OpenPng(png, "half.png"), settings, pool);
            ADD_FAILURE() << "half a file converted on " << threads << " threads";
        } catch (const ToolError& error) {
            EXPECT_EQ(error.Code(), ExitCode::Malformed) << error.what();
        }
    }
}

} // namespace
} // namespace r3aztex
