// Broken and hostile DDS files, each made here from a valid one by changing
// one thing, and the category each must be refused with. Run under the
// address sanitizer, these also show that no refusal reads past the file.
#include "tests/support/dds_test_support.h"

#include "r3az8/tex/files/dds_reader.h"
#include "r3az8/tex/files/dds_writer.h"
#include "r3az8/tex/texture/texture_error.h"

#include <gtest/gtest.h>

#include <functional>

namespace r3az8tex {
namespace {

using namespace testing;

// The exit category of reading the file, Success when it is accepted.
ErrorKind Verdict(const std::vector<BYTE>& file, std::string* message = nullptr)
{
    // An exact-size copy, so the sanitizer catches any read past the end.
    const std::unique_ptr<BYTE[]> exact(new BYTE[file.size() + (file.empty() ? 1 : 0)]);
    std::copy(file.begin(), file.end(), exact.get());
    try {
        dds::Read({exact.get(), file.size()}, "case.dds");
    } catch (const TextureError& error) {
        if (message)
            *message = error.what();
        return error.Code();
    }
    return kNoError;
}

// Cut anywhere inside the first level, a file is malformed; cut further
// on, it is read with the levels that are complete. A cube map (whose
// faces each carry their levels) is read with fewer levels only when it
// holds exactly those of every face.
TEST(DdsMalformed, EveryTruncation)
{
    for (const std::vector<BYTE>& file :
         {ValidFile(D3DFMT_DXT1, TextureKind::Flat, 8, 8, 1, 4), ValidFile(D3DFMT_A8R8G8B8, TextureKind::Cube, 2, 2, 1, 2),
          ValidFile(D3DFMT_P8, TextureKind::Volume, 2, 2, 2, 2)}) {
        const dds::Description whole = dds::Describe(file, "whole.dds");
        auto end = [&](uint32_t levels) {
            uint64_t bytes = 0;
            ChainBytes(*FindFormat(whole.format), whole.kind, whole.width, whole.height, whole.depth, levels, bytes);
            return whole.dataOffset + bytes;
        };
        for (size_t length = 0; length < file.size(); ++length) {
            const std::vector<BYTE> cut(file.begin(), file.begin() + length);
            uint32_t complete = 0;
            while (complete < whole.levels && end(complete + 1) <= length)
                ++complete;
            if (whole.kind == TextureKind::Cube && complete > 0 && end(complete) != length)
                complete = 0;
            std::string message;
            if (complete == 0) {
                ASSERT_EQ(Verdict(cut, &message), ErrorKind::Malformed) << "cut at " << length;
                EXPECT_EQ(message.rfind("case.dds: ", 0), 0u) << message;
            } else {
                ASSERT_EQ(Verdict(cut), kNoError) << "cut at " << length;
                EXPECT_EQ(dds::Read(cut, "cut.dds").levels, complete) << "cut at " << length;
            }
        }
    }
}

struct Case {
    const char* what;
    std::function<void(std::vector<BYTE>&)> change;
    ErrorKind expected;
};

void RunCases(const std::vector<BYTE>& base, const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        std::vector<BYTE> file = base;
        c.change(file);
        std::string message;
        EXPECT_EQ(Verdict(file, &message), c.expected) << c.what << ": " << message;
        if (c.expected != kNoError) {
            EXPECT_GT(message.size(), std::string("case.dds: ").size()) << c.what;
        }
    }
}

auto Set(size_t offset, DWORD value)
{
    return [=](std::vector<BYTE>& file) { SetHeaderWord(file, offset, value); };
}

// Several header words at once, as {offset, value} pairs.
auto SetWords(std::initializer_list<std::pair<size_t, DWORD>> words)
{
    return [changes = std::vector(words)](std::vector<BYTE>& file) {
        for (const auto& [offset, value] : changes)
            SetHeaderWord(file, offset, value);
    };
}

auto SetMasks(DWORD flags, DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a)
{
    return [=](std::vector<BYTE>& file) {
        SetHeaderWord(file, offset::kPixelFormatFlags, flags);
        SetHeaderWord(file, offset::kFourcc, 0);
        SetHeaderWord(file, offset::kBitCount, bits);
        SetHeaderWord(file, offset::kRedMask, r);
        SetHeaderWord(file, offset::kGreenMask, g);
        SetHeaderWord(file, offset::kBlueMask, b);
        SetHeaderWord(file, offset::kAlphaMask, a);
    };
}

TEST(DdsMalformed, HeaderFieldsTable)
{
    // 8x8 DXT1 with its full chain of 4 levels: 32 + 8 + 8 + 8 data bytes.
    const std::vector<BYTE> dxt = ValidFile(D3DFMT_DXT1, TextureKind::Flat, 8, 8, 1, 4);
    RunCases(dxt, {
        {"unchanged", [](auto&) {}, kNoError},
        {"magic", Set(0, MAKEFOURCC('D', 'D', 'S', 'X')), ErrorKind::Malformed},
        {"header size 0, a writer's habit", Set(offset::kSize, 0), kNoError},
        {"header size 123", Set(offset::kSize, 123), ErrorKind::Malformed},
        {"header size 125", Set(offset::kSize, 125), ErrorKind::Malformed},
        {"pixel format size 33", Set(offset::kPixelFormatSize, 33), ErrorKind::Malformed},
        {"width 0", Set(offset::kWidth, 0), ErrorKind::Malformed},
        {"height 0", Set(offset::kHeight, 0), ErrorKind::Malformed},
        {"width 16385", Set(offset::kWidth, 16385), ErrorKind::Unsupported},
        {"width 2^32-1", Set(offset::kWidth, 0xFFFFFFFF), ErrorKind::Unsupported},
        {"height 2^31", Set(offset::kHeight, 0x80000000), ErrorKind::Unsupported},
        {"16384 square, one level: data missing",
         SetWords({{offset::kWidth, 16384}, {offset::kHeight, 16384}, {offset::kMipCount, 1}}), ErrorKind::Malformed},
        {"mip count 0 means one level", Set(offset::kMipCount, 0), kNoError},
        {"mip count 3 of 4", Set(offset::kMipCount, 3), kNoError},
        {"DXT data short by a whole first level", [](auto& f) { f.resize(128 + 24); }, ErrorKind::Malformed},
        {"16x16 header over 8x8 data", SetWords({{offset::kWidth, 16}, {offset::kHeight, 16}}), ErrorKind::Malformed},
        {"trailing bytes are ignored", [](auto& f) {
             for (int i = 0; i < 100; ++i)
                 f.push_back(BYTE(i));
         }, kNoError},
        {"DXT without any pixel-format flag but FOURCC", Set(offset::kPixelFormatFlags, DDPF_FOURCC),
         kNoError},
        {"unknown FOURCC", Set(offset::kFourcc, MAKEFOURCC('B', 'C', '7', 'X')), ErrorKind::Unsupported},
        {"ETC1", Set(offset::kFourcc, MAKEFOURCC('E', 'T', 'C', ' ')), ErrorKind::Unsupported},
        {"cube face bits without the cube flag", Set(offset::kCaps2, 0xFC00), ErrorKind::Malformed},
        {"one cube face bit without the cube flag", Set(offset::kCaps2, 0x400), ErrorKind::Malformed},
        {"cube with three faces", Set(offset::kCaps2, 0x200 | 0x1C00), ErrorKind::Unsupported},
        {"cube and volume at once", Set(offset::kCaps2, 0xFE00 | 0x200000), ErrorKind::Malformed},
        {"cube flag over 2D data: too short", Set(offset::kCaps2, 0xFE00), ErrorKind::Malformed},
        {"volume with depth 0", SetWords({{offset::kCaps2, 0x200000}, {offset::kDepth, 0}}), ErrorKind::Malformed},
        {"volume 16385 deep", SetWords({{offset::kCaps2, 0x200000}, {offset::kDepth, 16385}}), ErrorKind::Unsupported},
        {"no pixel-format kind", SetMasks(0, 32, 0xFF0000, 0xFF00, 0xFF, 0), ErrorKind::Malformed},
        {"bit count 0", SetMasks(DDPF_RGB, 0, 0xFF0000, 0xFF00, 0xFF, 0), ErrorKind::Malformed},
        {"bit count 7", SetMasks(DDPF_RGB, 7, 0x60, 0x18, 0x7, 0), ErrorKind::Malformed},
        {"bit count 33", SetMasks(DDPF_RGB, 33, 0xFF0000, 0xFF00, 0xFF, 0), ErrorKind::Malformed},
        {"zero masks", SetMasks(DDPF_RGB, 32, 0, 0, 0, 0), ErrorKind::Malformed},
        {"zero luminance mask", SetMasks(DDPF_LUMINANCE, 8, 0, 0, 0, 0), ErrorKind::Malformed},
        {"mask beyond 16 bits", SetMasks(DDPF_RGB, 16, 0x1F0000, 0x7E0, 0x1F, 0), ErrorKind::Malformed},
        {"overlapping masks", SetMasks(DDPF_RGB, 16, 0xF800, 0xFFE0, 0x1F, 0), ErrorKind::Malformed},
        {"unknown mask layout", SetMasks(DDPF_RGB, 16, 0x1F, 0x7E0, 0xF800, 0), ErrorKind::Unsupported},
        {"luminance mask 0xFF000000 at 16 bits", SetMasks(DDPF_LUMINANCE, 16, 0xFF000000, 0, 0, 0),
         ErrorKind::Malformed},
    });
}

TEST(DdsMalformed, SizeLimitsAndOverflow)
{
    // A header whose byte sizes overflow 32 bits: 16384^3 voxels of 8 bytes.
    const std::vector<BYTE> volume = ValidFile(FMT_A16R16G16B16, TextureKind::Volume, 4, 4, 4, 1);
    RunCases(volume, {
        {"unchanged", [](auto&) {}, kNoError},
        {"16384 cubed", SetWords({{offset::kWidth, 16384}, {offset::kHeight, 16384}, {offset::kDepth, 16384}}),
         ErrorKind::Unsupported},
        {"1 GiB plus", SetWords({{offset::kWidth, 16384}, {offset::kHeight, 8192}, {offset::kDepth, 2}}),
         ErrorKind::Unsupported},
        {"2^32 bytes of one slice", SetWords({{offset::kWidth, 0x10000}, {offset::kHeight, 0x10000}}),
         ErrorKind::Unsupported},
    });
}

TEST(DdsMalformed, LegacyLayoutsFromOtherWriters)
{
    // 32-bit RGB with an alpha mask but no alpha flag reads as X8R8G8B8.
    const std::vector<BYTE> argb = ValidFile(D3DFMT_A8R8G8B8, TextureKind::Flat, 4, 4, 1, 1);
    std::vector<BYTE> noAlphaFlag = argb;
    SetHeaderWord(noAlphaFlag, offset::kPixelFormatFlags, DDPF_RGB);
    EXPECT_EQ(dds::Read(noAlphaFlag, "x.dds").format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(dds::Read(argb, "a.dds").format, D3DFMT_A8R8G8B8);

    // Red in the low byte: read and reordered into our layout.
    std::vector<BYTE> abgr = argb;
    SetMasks(DDPF_RGB | DDPF_ALPHAPIXELS, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000)(abgr);
    const TextureImage fromArgb = dds::Read(argb, "a.dds");
    const TextureImage fromAbgr = dds::Read(abgr, "b.dds");
    ASSERT_EQ(fromAbgr.format, D3DFMT_A8R8G8B8);
    const auto& left = fromArgb.Surface(0, 0);
    const auto& right = fromAbgr.Surface(0, 0);
    for (size_t i = 0; i < left.size(); i += 4) {
        EXPECT_EQ(left[i], right[i + 2]);
        EXPECT_EQ(left[i + 1], right[i + 1]);
        EXPECT_EQ(left[i + 2], right[i]);
        EXPECT_EQ(left[i + 3], right[i + 3]);
    }
}

// A DX10 file: the legacy header with FOURCC "DX10", then the extension.
std::vector<BYTE> Dx10File(DWORD dxgi, DWORD dimension, DWORD misc, DWORD arraySize, const std::vector<BYTE>& legacy)
{
    std::vector<BYTE> file(legacy.begin(), legacy.begin() + 128);
    SetHeaderWord(file, offset::kPixelFormatFlags, DDPF_FOURCC);
    SetHeaderWord(file, offset::kFourcc, MAKEFOURCC('D', 'X', '1', '0'));
    file.resize(148);
    SetHeaderWord(file, 128, dxgi);
    SetHeaderWord(file, 132, dimension);
    SetHeaderWord(file, 136, misc);
    SetHeaderWord(file, 140, arraySize);
    SetHeaderWord(file, 144, 0);
    file.insert(file.end(), legacy.begin() + 128, legacy.end());
    return file;
}

TEST(DdsMalformed, Dx10Headers)
{
    const std::vector<BYTE> dxt = ValidFile(D3DFMT_DXT1, TextureKind::Flat, 8, 8, 1, 4);
    const TextureImage reference = dds::Read(dxt, "ref.dds");
    const TextureImage bc1 = dds::Read(Dx10File(71, 3, 0, 1, dxt), "bc1.dds");
    EXPECT_EQ(bc1.format, D3DFMT_DXT1);
    EXPECT_EQ(bc1.surfaces, reference.surfaces);

    EXPECT_EQ(Verdict(Dx10File(103, 3, 0, 1, dxt)), ErrorKind::Unsupported); // NV12
    EXPECT_EQ(Verdict(Dx10File(71, 4, 0, 2, dxt)), ErrorKind::Malformed);    // an array of volumes
    EXPECT_EQ(Verdict(Dx10File(71, 3, 0, 16385, dxt)), ErrorKind::Unsupported);
    EXPECT_EQ(Verdict(Dx10File(71, 3, 0, 0xFFFFFFFF, dxt)), ErrorKind::Unsupported);
    EXPECT_EQ(Verdict(Dx10File(71, 9, 0, 1, dxt)), ErrorKind::Malformed);   // no such dimension
    EXPECT_EQ(Verdict(Dx10File(71, 3, 4, 1, dxt)), ErrorKind::Malformed);   // cube: faces missing
    // Dimension 0 is read as 2D, never as a volume; a cube array size of 6
    // is read as one cube only when the file holds exactly one.
    std::vector<BYTE> volume = Dx10File(71, 0, 0, 1, dxt);
    SetHeaderWord(volume, offset::kCaps2, 0x200000);
    SetHeaderWord(volume, offset::kDepth, 2);
    EXPECT_EQ(Verdict(volume), ErrorKind::Malformed);
    const std::vector<BYTE> twoCubes = ValidFile(D3DFMT_A8R8G8B8, TextureKind::Cube, 2, 2, 1, 2);
    std::vector<BYTE> twoCubesAsSix = Dx10File(87, 3, 4, 6, twoCubes);
    twoCubesAsSix.insert(twoCubesAsSix.end(), twoCubes.begin() + 128, twoCubes.end());
    EXPECT_EQ(Verdict(twoCubesAsSix), ErrorKind::Malformed);
    std::vector<BYTE> cut = Dx10File(71, 3, 0, 1, dxt);
    cut.resize(140);
    EXPECT_EQ(Verdict(cut), ErrorKind::Malformed);

    const std::vector<BYTE> argb = ValidFile(D3DFMT_A8R8G8B8, TextureKind::Cube, 2, 2, 1, 1);
    const TextureImage cube = dds::Read(Dx10File(87, 3, 4, 1, argb), "cube.dds");
    EXPECT_EQ(cube.kind, TextureKind::Cube);
    EXPECT_EQ(cube.format, D3DFMT_A8R8G8B8);
}

} // namespace
} // namespace r3az8tex
