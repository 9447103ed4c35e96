// Converting an image while it is decoded against converting it after: the
// bands that wait for their rows must give every byte, and a damaged file
// must be reported as damaged, not as a conversion that lost its rows.
#include "tests/support/texture_files_support.h"

#include "r3az8/tex/convert/convert_while_decoding.h"
#include "r3az8/tex/files/image_decoder.h"
#include "r3az8/tex/texture/texture_error.h"

namespace r3az8tex {
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
        } catch (const TextureError& error) {
            EXPECT_EQ(error.Code(), ErrorKind::Malformed) << error.what();
        }
    }
}

} // namespace
} // namespace r3az8tex
