// Writes the seed corpora of the fuzz targets into a folder (normally
// fuzz/corpus): one sub-folder per target, a few dozen small files each,
// the same bytes on every run. Run it again after changing how a target
// reads its input, and commit what it wrote.
//
//   fuzz_seed_corpus fuzz/corpus
//
// The DDS reader gets real files from the writer (every format, the three
// kinds, partial and full chains, the DX10 header, texture arrays), a few
// damaged copies and the writers' habits it puts up with; the effect gets
// parameter texts followed by the control bytes its target takes from the
// end of the input; the other targets get byte strings of several lengths,
// which their FuzzedDataProvider turns into arguments.
#include "tools/r3aztex/dds/dds_pixel_format.h"
#include "tools/r3aztex/dds/dds_writer.h"
#include "tools/r3aztex/formats/format_table.h"
#include "tools/r3aztex/texture/texture_image.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

// xorshift32: the same bytes everywhere.
class Bytes {
public:
    explicit Bytes(uint32_t seed) : state_(seed | 1u) {}
    uint8_t Next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return uint8_t(state_ >> 24);
    }
    std::vector<uint8_t> Take(size_t count)
    {
        std::vector<uint8_t> bytes(count);
        for (uint8_t& b : bytes)
            b = Next();
        return bytes;
    }

private:
    uint32_t state_;
};

void Write(const fs::path& file, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out)
        std::fprintf(stderr, "cannot write %s\n", file.c_str());
}

fs::path Folder(const fs::path& root, const char* target)
{
    fs::path folder = root / target;
    fs::create_directories(folder);
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind("seed_", 0) == 0)
            fs::remove(entry.path());
    return folder;
}

void ByteStrings(const fs::path& root, const char* target, uint32_t seed)
{
    const fs::path folder = Folder(root, target);
    Bytes bytes(seed);
    const size_t lengths[] = {16, 48, 96, 160, 256, 384, 512, 768, 1024, 1536, 2048, 4096};
    int n = 0;
    for (size_t length : lengths)
        for (int copy = 0; copy < 2; ++copy)
            Write(folder / ("seed_" + std::to_string(n++)), bytes.Take(length));
}

void Store32(std::vector<uint8_t>& file, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        file[offset + i] = uint8_t(value >> (8 * i));
}

// DX10 files (every format with a DXGI form, sRGB, a texture array and a
// cube array) and the writers' habits the reader puts up with.
void DdsExtras(const fs::path& folder, Bytes& bytes)
{
    using namespace r3aztex;
    auto filled = [&](D3DFORMAT format, TextureKind kind, uint32_t size, uint32_t levels) {
        TextureImage texture = MakeTexture(format, kind, size, size, 1, levels);
        for (std::vector<uint8_t>& surface : texture.surfaces)
            for (uint8_t& b : surface)
                b = bytes.Next();
        return texture;
    };
    for (const FormatInfo& format : AllFormats()) {
        TextureImage texture = filled(format.format, TextureKind::Flat, 5, 2);
        texture.colourSpace = ColourSpace::Srgb;
        if (dds::DxgiFormOf(format.format, texture.colourSpace))
            Write(folder / ("seed_dx10_" + std::string(format.name) + ".dds"),
                  dds::Write(texture, dds::HeaderStyle::Dx10));
    }
    for (TextureKind kind : {TextureKind::Flat, TextureKind::Cube}) {
        std::vector<uint8_t> array;
        for (int layer = 0; layer < 3; ++layer) {
            const std::vector<uint8_t> one = dds::Write(filled(D3DFMT_DXT1, kind, 4, 2), dds::HeaderStyle::Dx10);
            array.insert(array.end(), one.begin() + (layer == 0 ? 0 : 148), one.end());
        }
        Store32(array, 140, 3);
        Write(folder / (kind == TextureKind::Cube ? "seed_dx10_cube_array.dds" : "seed_dx10_array.dds"), array);
    }
    const std::vector<uint8_t> dxt = dds::Write(filled(D3DFMT_DXT1, TextureKind::Flat, 8, 4));
    const std::vector<uint8_t> l8 = dds::Write(filled(D3DFMT_L8, TextureKind::Flat, 4, 1));
    const std::vector<uint8_t> rgb = dds::Write(filled(D3DFMT_R8G8B8, TextureKind::Flat, 4, 1));
    struct Habit {
        const char* name;
        const std::vector<uint8_t>& base;
        std::vector<std::pair<size_t, uint32_t>> changes; // header word at offset, new value
    };
    const Habit habits[] = {
        {"header_size_24", dxt, {{4, 24}}},
        {"pixel_format_size_0", dxt, {{76, 0}}},
        {"mips_beyond_chain", dxt, {{28, 9}}},
        {"luminance_as_red", l8, {{80, 0x40}, {96, 0}, {100, 0}}},
        {"rgb24_red_first", rgb, {{92, 0xFF}, {100, 0xFF0000}}},
    };
    for (const Habit& habit : habits) {
        std::vector<uint8_t> changed = habit.base;
        for (auto [offset, value] : habit.changes)
            Store32(changed, offset, value);
        Write(folder / ("seed_habit_" + std::string(habit.name) + ".dds"), changed);
    }
    std::vector<uint8_t> shortened = dxt;
    shortened.resize(shortened.size() - 8);
    Write(folder / "seed_habit_mips_beyond_file.dds", shortened);
}

void DdsFiles(const fs::path& root)
{
    using namespace r3aztex;
    const fs::path folder = Folder(root, "fuzz_dds_reader");
    Bytes bytes(0xDD5u);
    struct Shape {
        TextureKind kind;
        uint32_t width, height, depth, levels;
    };
    const Shape shapes[] = {
        {TextureKind::Flat, 5, 3, 1, 1},   {TextureKind::Flat, 8, 8, 1, 0},     {TextureKind::Cube, 4, 4, 1, 2},
        {TextureKind::Volume, 4, 2, 3, 0}, {TextureKind::Flat, 1, 1, 1, 1},
    };
    int n = 0;
    size_t shape = 0;
    for (const FormatInfo& format : AllFormats()) {
        const Shape& s = shapes[shape++ % std::size(shapes)];
        uint32_t levels = s.levels == 0 ? FullChainLength(s.width, s.height, s.depth) : s.levels;
        TextureImage texture = MakeTexture(format.format, s.kind, s.width, s.height, s.depth, levels);
        for (std::vector<uint8_t>& surface : texture.surfaces)
            for (uint8_t& b : surface)
                b = bytes.Next();
        std::vector<uint8_t> file = dds::Write(texture);
        Write(folder / ("seed_" + std::to_string(n++) + "_" + format.name + ".dds"), file);
        // Every fifth one damaged: cut short, or a header field changed.
        if (n % 5 == 0) {
            std::vector<uint8_t> damaged = file;
            damaged.resize(damaged.size() / 2);
            Write(folder / ("seed_" + std::to_string(n++) + "_short.dds"), damaged);
            damaged = file;
            damaged[28] = uint8_t(bytes.Next() % 20); // mip count
            Write(folder / ("seed_" + std::to_string(n++) + "_mips.dds"), damaged);
        }
    }
    DdsExtras(folder, bytes);
}

void EffectTexts(const fs::path& root)
{
    const fs::path folder = Folder(root, "fuzz_effect_params");
    const char* texts[] = {
        "",
        "width=64\nheight=32\n",
        "width = 0x40\nheight = 0x20 ; comment\nnumparticles=100\nmipmaps=1\n",
        "WIDTH=17\r\nHEIGHT=9\r\nmipmaps=1\r\nspeed=500\r\nlifetime=0.25\r\n",
        "width 8\nheight 8\nnumparticles -5\n",
        "width==3\nheight=\"5\"\nnumparticles=\"12\"def\nmipmaps 1",
        "numparticles=0\nmipmaps=1\nwidth=1\nheight=1",
        "speed=1e38\nlifetime=-3\nwidth=12\nheight=40\nnumparticles=50",
        "width=0X10\nheight=0x7fffffff\n",
        "width=65536\nheight=65536\nnumparticles=2147483647\n",
        "width=\nheight=;\n=\n\"\n;;;\n   \t\n",
        "width=100000000000000000000\nheight=-0\nspeed=nan\nlifetime=inf\nmipmaps=-1",
    };
    Bytes bytes(0xEFFu);
    int n = 0;
    for (const char* text : texts)
        for (int controls : {8, 40}) {
            std::vector<uint8_t> seed(text, text + std::char_traits<char>::length(text));
            std::vector<uint8_t> tail = bytes.Take(size_t(controls));
            seed.insert(seed.end(), tail.begin(), tail.end());
            Write(folder / ("seed_" + std::to_string(n++)), seed);
        }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
        return 1;
    }
    const fs::path root = argv[1];
    DdsFiles(root);
    EffectTexts(root);
    ByteStrings(root, "fuzz_load_memory", 0x10ADu);
    ByteStrings(root, "fuzz_blit", 0xB117u);
    ByteStrings(root, "fuzz_dxt_block", 0xD7Bu);
    ByteStrings(root, "fuzz_filter_texture", 0xF17u);
    return 0;
}
