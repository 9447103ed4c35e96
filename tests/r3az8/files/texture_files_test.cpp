// The public file calls: what is written reads back the same, and a write
// that fails leaves the target as it was and no other file behind.
#include "tests/support/texture_files_support.h"

#include "r3az8/tex/texture_files.h"

namespace r3az8tex {
namespace {

using namespace testing;

std::vector<std::string> FilesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(TextureFiles, WhatIsWrittenReadsBackTheSame)
{
    TempFolder folder;
    TextureImage cube = MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Cube, 8, 8, 1, 4);
    for (size_t i = 0; i < cube.surfaces.size(); ++i)
        std::fill(cube.surfaces[i].begin(), cube.surfaces[i].end(), BYTE(i * 7 + 1));
    WriteTextureFile(folder / "cube.dds", cube);
    const TextureImage back = ReadTextureFile(folder / "cube.dds");
    EXPECT_EQ(back.kind, TextureKind::Cube);
    EXPECT_EQ(back.surfaces, cube.surfaces);

    const std::vector<TextureImage> layers = {TestPicture(5, 3), TestPicture(5, 3)};
    WriteTextureLayers(folder / "array.dds", layers, WriteOptions{DdsHeader::Dx10, {}, {}});
    const std::vector<TextureImage> array = ReadTextureLayers(folder / "array.dds");
    ASSERT_EQ(array.size(), 2u);
    EXPECT_EQ(array[1].surfaces, layers[1].surfaces);

    // 16-bit samples, and the same picture written with 8.
    const TextureImage wide = ConvertLevels(TestPicture(6, 6), FMT_A16R16G16B16, 1, LoadOptions{});
    WriteTextureFile(folder / "wide.png", wide);
    EXPECT_EQ(ReadTextureFile(folder / "wide.png").surfaces, wide.surfaces);
    WriteTextureFile(folder / "narrow.png", wide, WriteOptions{{}, SampleDepth::Eight, {}});
    EXPECT_EQ(ReadTextureFile(folder / "narrow.png").surfaces, TestPicture(6, 6).surfaces);

    // A name as long as a file system allows still writes: the temporary
    // name does not grow with it.
    const std::string longest = std::string(251, 'n') + ".dds";
    WriteTextureFile(folder / longest, cube);
    EXPECT_EQ(ReadTextureFile(folder / longest).surfaces, cube.surfaces);
    EXPECT_EQ(FilesIn(folder.Path()),
              (std::vector<std::string>{"array.dds", "cube.dds", "narrow.png", longest, "wide.png"}));
}

TEST(TextureFiles, AFailedWriteLeavesTheTargetAsItWas)
{
    TempFolder folder;
    const TextureImage picture = TestPicture(4, 4);
    const TextureImage cube = MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Cube, 4, 4, 1, 1);
    const TextureImage bc7 = MakeTexture(FMT_BC7, TextureKind::Flat, 4, 4, 1, 1);
    TextureImage shortLevel = MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Flat, 8, 8, 1, 4);
    shortLevel.Surface(0, 2).pop_back();
    TextureImage noLevels = TestPicture(4, 4);
    noLevels.levels = 0;
    struct Case {
        const char* file;
        const TextureImage* texture;
        ErrorKind kind;
        const char* says;
    } cases[] = {
        {"old.png", &cube, ErrorKind::Unsupported, "a PNG file holds one picture, not a cube map"},
        {"old.png", &bc7, ErrorKind::Unsupported, "not bc7: convert the texture first"},
        {"old.tga", &picture, ErrorKind::Unsupported, "tga files are read, not written"},
        {"old.dds", &shortLevel, ErrorKind::Request, "level 2 of face 0 holds 15 bytes, not the 16 of its size"},
        {"old.png", &noLevels, ErrorKind::Request, "a 2d texture of 4x4 with 0 levels is beyond the limits"},
        {"old.bmp", &picture, ErrorKind::Request, "end it in .dds, .png, .ktx2 or .exr"},
        {"missing/new.dds", &picture, ErrorKind::FileAccess, "cannot write: No such file or directory"},
        // Fails only at the rename, once the bytes are out: the temporary file goes.
        {"folder.dds", &picture, ErrorKind::FileAccess, "cannot write: Is a directory"},
    };
    std::filesystem::create_directory(folder / "folder.dds");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = folder / c.file;
        const bool existing = std::string(c.file).starts_with("old");
        if (existing)
            WriteBytes(path, std::vector<BYTE>{'o', 'l', 'd'});
        const std::vector<std::string> before = FilesIn(folder.Path());
        try {
            WriteTextureFile(path, *c.texture);
            ADD_FAILURE() << "written";
        } catch (const TextureError& error) {
            EXPECT_EQ(error.Code(), c.kind);
            EXPECT_TRUE(std::string(error.what()).starts_with(path + ": ")) << error.what();
            EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos) << error.what();
        }
        EXPECT_EQ(FilesIn(folder.Path()), before);
        if (existing) {
            EXPECT_EQ(Slurp(path), "old");
        }
    }
}

} // namespace
} // namespace r3az8tex
