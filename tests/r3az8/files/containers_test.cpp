// The container rows: each is found by its name, its endings and its
// signature; what a writable row writes reads back the same; a read-only
// row refuses to write in words that say so.
#include "tests/support/texture_files_support.h"

#include "r3az8/tex/files/containers.h"
#include "r3az8/tex/texture/texture_error.h"

namespace r3az8tex {
namespace {

using namespace testing;

// A top-down, uncompressed 32-bit TGA of the picture.
std::vector<BYTE> TgaOf(const TextureImage& picture)
{
    std::vector<BYTE> file(18, 0);
    file[2] = 2; // true colour
    file[12] = BYTE(picture.width);
    file[13] = BYTE(picture.width >> 8);
    file[14] = BYTE(picture.height);
    file[15] = BYTE(picture.height >> 8);
    file[16] = 32;
    file[17] = 0x28; // 8 bits of alpha, first row at the top
    file.insert(file.end(), picture.Surface(0, 0).begin(), picture.Surface(0, 0).end());
    return file;
}

struct RowCase {
    const char* name;
    std::vector<const char*> endings;
    std::vector<BYTE> head; // a file's first bytes; empty: the container has no signature
    bool writable;
    D3DFORMAT pixels = D3DFMT_A8R8G8B8; // what the writer takes and the reader gives back
};

TEST(Containers, EachRowIsFoundByNameEndingAndSignatureAndWritesWhatReadsBack)
{
    const TextureImage picture = TestPicture(9, 7);
    const RowCase cases[] = {
        {"dds", {".dds", ".DDS"}, {'D', 'D', 'S', ' ', 124}, true},
        {"png", {".png", ".Png"}, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, true},
        {"tga", {".tga", ".TGA"}, {}, false},
        {"jpeg", {".jpg", ".jpeg", ".JPG"}, {0xFF, 0xD8, 0xFF, 0xE0}, false},
        {"ktx2", {".ktx2", ".KTX2"}, {0xAB, 'K', 'T', 'X', ' ', '2', '0', 0xBB, '\r', '\n', 0x1A, '\n'}, true},
        {"exr", {".exr", ".EXR"}, {0x76, 0x2F, 0x31, 0x01}, true, FMT_A16B16G16R16F},
        {"hdr", {".hdr", ".pic", ".HDR"}, {'#', '?', 'R', 'G', 'B', 'E'}, false},
    };
    ASSERT_EQ(AllContainers().size(), std::size(cases)) << "a row without a case here";
    for (const RowCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Container* row = FindContainer(c.name);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->Writable(), c.writable);
        for (const char* ending : c.endings) {
            EXPECT_EQ(FindContainer(ending), row) << ending;
            EXPECT_EQ(ContainerOfPath(std::string("some.dir/picture") + ending), row) << ending;
            EXPECT_EQ(&ContainerOf(DetectFileType({}, std::string("x") + ending)), row) << ending;
        }
        // The signature wins over a misleading name; without one the name decides.
        if (!c.head.empty())
            EXPECT_EQ(&ContainerOf(DetectFileType(c.head, "mislabelled.tga")), row);
        else
            EXPECT_EQ(DetectFileType(std::vector<BYTE>(32, 0), "no_ending"), FileType::Unknown);

        if (!c.writable) {
            try {
                EncodeTextureFile(c.name, picture);
                ADD_FAILURE() << "wrote a file of a read-only container";
            } catch (const TextureError& error) {
                EXPECT_EQ(error.Code(), ErrorKind::Unsupported);
                EXPECT_EQ(std::string(error.what()),
                          std::string(c.name) + " files are read, not written; write DDS, PNG, KTX2 or EXR");
            }
            continue;
        }
        // Half floats of the same bytes for a container of floats.
        TextureImage written = picture;
        if (c.pixels == FMT_A16B16G16R16F) {
            written = MakeTexture(c.pixels, TextureKind::Flat, picture.width, picture.height, 1, 1);
            for (size_t i = 0; i < written.Surface(0, 0).size(); ++i)
                written.Surface(0, 0)[i] = BYTE(i % 2 ? 0x3C : i * 7);
        }
        const std::vector<BYTE> file = EncodeTextureFile(c.endings[0], written);
        EXPECT_TRUE(row->sniff(file));
        EXPECT_FALSE(row->refusedOnHead({file.data(), std::min(file.size(), kHeadBytes)}));
        const TextureImage back = DecodeTextureFile(file.data(), file.size(), "in memory");
        EXPECT_EQ(back.format, written.format);
        EXPECT_EQ(back.surfaces, written.surfaces);
    }
    // The read-only TGA row reads the file a writer elsewhere made.
    const std::vector<BYTE> tga = TgaOf(picture);
    EXPECT_EQ(DecodeTextureFile(tga.data(), tga.size(), "made.tga").surfaces, picture.surfaces);
    EXPECT_EQ(FindContainer("webp"), nullptr);
    EXPECT_EQ(ContainerNamesText(), "DDS, PNG, TGA, JPEG, KTX2, EXR or HDR");
}

} // namespace
} // namespace r3az8tex
