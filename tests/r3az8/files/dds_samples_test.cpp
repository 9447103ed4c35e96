// A sweep over a folder of DDS files from other projects' test suites
// (R3AZ_DDS_SAMPLES_DIR): every file is read, except the formats the library
// leaves out, and level 0 agrees within 3/255 with Pillow, or with
// ImageMagick for the files Pillow does not read. Skipped, with a message,
// where the folder is not there.
#include "tests/support/texture_files_support.h"

#include "r3az8/tex/files/warnings.h"
#include "r3az8/tex/texture/texture_error.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace r3az8tex {
namespace {

using namespace testing;
namespace fs = std::filesystem;

const fs::path kSamples = R3AZ_DDS_SAMPLES_DIR;

// Files refused on purpose, and why.
const std::map<std::string, std::string> kRefused = {
    {"tac_ETC1_RGB_Legacy.dds", "ETC1 is a mobile format the library does not read"},
};
// Files the other readers get wrong: they take the classic masks of these
// DX10 files and read from the wrong offset in the wrong pixel size.
const std::map<std::string, std::string> kMisreadByOthers = {
    {"pfim_b5g5r5a1.dds", "ImageMagick reads the classic masks, not the DX10 layout"},
    {"pfim_b8g8r8x8.dds", "Pillow reads the classic masks, not the DX10 layout"},
};

std::vector<fs::path> SampleFiles()
{
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(kSamples)) {
        std::string ending = entry.path().extension().string();
        std::transform(ending.begin(), ending.end(), ending.begin(), ::tolower);
        if (ending == ".dds")
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

#define REQUIRE_SAMPLES()                                                                                         \
    if (!fs::is_directory(kSamples))                                                                              \
    GTEST_SKIP() << "no DDS sample folder at " << kSamples << "; configure with -DR3AZ_DDS_SAMPLES_DIR=<folder>"

TEST(DdsSamples, EveryFileIsReadButTheFormatsLeftOut)
{
    REQUIRE_SAMPLES();
    WarningDestination quiet{WarningSink()};
    for (const fs::path& path : SampleFiles()) {
        const std::string name = path.filename().string();
        // The block formats of another branch of work: refused until the
        // format table has them.
        const bool awaited = name.find("BC4") != std::string::npos || name.find("bc4") != std::string::npos;
        try {
            const TextureImage picture = OurDecoding(path.string());
            EXPECT_FALSE(kRefused.count(name)) << name << " is read after all; update the list";
        } catch (const TextureError& error) {
            const bool expected = kRefused.count(name) || (awaited && FindFormatByName("bc4") == nullptr);
            EXPECT_TRUE(expected) << error.what();
            EXPECT_EQ(error.Code(), ErrorKind::Unsupported) << error.what();
        }
    }
}

TEST(DdsSamples, PixelsAgreeWithPillowOrImageMagick)
{
    REQUIRE_SAMPLES();
    TempFolder folder;
    // Pillow (Debian python3-pil) writes what it reads as RGBA PNG files.
    const std::string python = FindProgram("python3"), convert = FindProgram("convert");
    const RunResult pillow = RunProgram(python, {"-c", R"(
import os, sys
from PIL import Image
for name in sorted(os.listdir(sys.argv[1])):
    try:
        image = Image.open(os.path.join(sys.argv[1], name))
        image.load()
        image.convert('RGBA').save(os.path.join(sys.argv[2], name + '.pillow.png'))
    except Exception:
        pass
)", kSamples.string(), folder.Path().string()}, folder);
    if (pillow.exitCode != 0)
        GTEST_SKIP() << "Pillow is not there (Debian package python3-pil): " << pillow.err;
    WarningDestination quiet{WarningSink()};
    int compared = 0;
    for (const fs::path& path : SampleFiles()) {
        const std::string name = path.filename().string();
        if (kRefused.count(name) || kMisreadByOthers.count(name))
            continue;
        std::string reference = folder / (name + ".pillow.png");
        if (!fs::exists(reference)) {
            reference = folder / (name + ".magick.png");
            if (convert.empty() ||
                RunProgram(convert, {path.string() + "[0]", "-depth", "8", reference}, folder).exitCode != 0)
                continue; // neither reads it
        }
        TextureImage ours;
        try {
            ours = OurDecoding(path.string());
        } catch (const TextureError&) {
            continue; // refusals are the other test's business
        }
        EXPECT_LE(LargestDifference(ours, AsEightBit(ReadTextureFile(reference))), 3) << name << " against " << reference;
        ++compared;
    }
    EXPECT_GT(compared, 0);
}

} // namespace
} // namespace r3az8tex
