// Writes the seed corpora of the fuzz targets into a folder (normally
// fuzz/corpus): one sub-folder per target, a few dozen small files each,
// the same bytes on every run. Run it again after changing how a target
// reads its input, and commit what it wrote.
//
//   fuzz_seed_corpus fuzz/corpus
//
// The DDS reader gets real files from the writer (every format, the three
// kinds, partial and full chains, the DX10 header, texture arrays), a few
// damaged copies and the writers' habits it puts up with; the image reader
// gets small PNG files of every colour type and depth (libpng), JPEG files
// of every coding process libjpeg-turbo writes, TGA files of every image
// type, written here, a few DDS files and files too short for the reader
// their name picks, each followed by the byte that names it; the effect gets
// parameter texts followed by the control bytes its target takes from the
// end of the input; the other targets get byte strings of several lengths,
// which their FuzzedDataProvider turns into arguments.
#include "fuzz/image_file_names.h"
#include "r3az8/tex/files/dds_pixel_format.h"
#include "r3az8/tex/files/dds_writer.h"
#include "r3az8/tex/files/exr_writer.h"
#include "r3az8/tex/texture/format_table.h"
#include "r3az8/tex/texture/texture_image.h"
#include "r3az8/tex/texture_files.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include <jpeglib.h>

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
    using namespace r3az8tex;
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
    using namespace r3az8tex;
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
        if (dds::FindRow(format.format) == nullptr)
            continue; // ASTC, which DDS does not hold
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

// --- image files ------------------------------------------------------------------------

void AppendToVector(png_structp png, png_bytep data, png_size_t count)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + count);
}

void FlushNothing(png_structp) {}

struct PngKind {
    int colourType;
    int bitDepth;
    bool interlaced;
    bool transparency; // a tRNS chunk
};

// A width x height PNG of the kind, its samples from `bytes`. libpng's
// errors longjmp back here; nothing in this frame has a destructor.
bool EncodePng(const PngKind& kind, uint32_t width, uint32_t height, const std::vector<png_bytep>& rows,
               std::vector<uint8_t>* out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, AppendToVector, FlushNothing);
    png_set_IHDR(png, info, width, height, kind.bitDepth, kind.colourType,
                 kind.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color palette[16];
    png_byte alphas[16];
    for (int i = 0; i < 16; ++i) {
        palette[i] = {png_byte(i * 16), png_byte(255 - i * 16), png_byte(i * 37)};
        alphas[i] = png_byte(i * 17);
    }
    if (kind.colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, palette, 1 << std::min(kind.bitDepth, 4));
    if (kind.transparency) {
        png_color_16 key{};
        key.gray = key.red = 1;
        png_set_tRNS(png, info, alphas, kind.colourType == PNG_COLOR_TYPE_PALETTE ? 1 << std::min(kind.bitDepth, 4) : 0,
                     &key);
    }
    png_write_info(png, info);
    png_write_image(png, const_cast<png_bytepp>(rows.data()));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

std::vector<uint8_t> PngFile(const PngKind& kind, uint32_t width, uint32_t height, Bytes& bytes)
{
    const int channels = kind.colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 4
                         : kind.colourType == PNG_COLOR_TYPE_RGB      ? 3
                         : kind.colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                        : 1;
    const size_t rowBytes = (size_t(width) * channels * kind.bitDepth + 7) / 8;
    std::vector<uint8_t> samples = bytes.Take(rowBytes * height);
    if (kind.colourType == PNG_COLOR_TYPE_PALETTE && kind.bitDepth == 8) // indices within the 16 entries
        for (uint8_t& b : samples)
            b &= 0x0F;
    std::vector<png_bytep> rows(height);
    for (uint32_t y = 0; y < height; ++y)
        rows[y] = samples.data() + y * rowBytes;
    std::vector<uint8_t> file;
    if (!EncodePng(kind, width, height, rows, &file))
        std::fprintf(stderr, "cannot write a PNG seed\n");
    return file;
}

// One JPEG coding process: colour space, subsampling, progressive or
// arithmetic coding, restart markers.
struct JpegKind {
    J_COLOR_SPACE space;
    int components;
    bool subsampled;
    bool progressive;
    bool arithmetic;
    int restartRows;
};

std::vector<uint8_t> JpegFile(const JpegKind& kind, uint32_t width, uint32_t height, Bytes& bytes)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = kind.components;
    info.in_color_space = kind.space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 75, TRUE);
    if (!kind.subsampled)
        for (int c = 0; c < info.num_components; ++c)
            info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    if (kind.progressive)
        jpeg_simple_progression(&info);
    info.arith_code = kind.arithmetic ? TRUE : FALSE;
    info.restart_in_rows = kind.restartRows;
    jpeg_start_compress(&info, TRUE);
    // Smooth gradients with a little noise: realistic coefficients.
    std::vector<uint8_t> row(size_t(width) * kind.components);
    while (info.next_scanline < height) {
        for (uint32_t x = 0; x < width; ++x)
            for (int c = 0; c < kind.components; ++c)
                row[x * kind.components + c] = uint8_t(x * 7 + info.next_scanline * 5 + c * 60 + (bytes.Next() & 15));
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> file(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return file;
}

struct TgaKind {
    uint8_t imageType; // 1 colour-mapped, 2 true colour, 3 grey; +8 run-length
    uint8_t pixelBits;
    bool topLeft;
};

std::vector<uint8_t> TgaFile(const TgaKind& kind, uint16_t width, uint16_t height, Bytes& bytes)
{
    const bool mapped = (kind.imageType & 7) == 1;
    std::vector<uint8_t> file(18, 0);
    file[1] = mapped ? 1 : 0;
    file[2] = kind.imageType;
    if (mapped) {
        file[5] = 16; // entries
        file[7] = 24; // bits an entry
    }
    file[12] = uint8_t(width);
    file[13] = uint8_t(width >> 8);
    file[14] = uint8_t(height);
    file[15] = uint8_t(height >> 8);
    file[16] = kind.pixelBits;
    file[17] = uint8_t((kind.pixelBits == 32 ? 8 : 0) | (kind.topLeft ? 0x20 : 0));
    if (mapped) {
        const std::vector<uint8_t> map = bytes.Take(16 * 3);
        file.insert(file.end(), map.begin(), map.end());
    }
    const size_t pixelBytes = kind.pixelBits / 8;
    auto pixel = [&] {
        std::vector<uint8_t> p = bytes.Take(pixelBytes);
        if (mapped)
            p[0] &= 15;
        return p;
    };
    const size_t count = size_t(width) * height;
    if (kind.imageType < 8) {
        for (size_t i = 0; i < count; ++i) {
            const std::vector<uint8_t> p = pixel();
            file.insert(file.end(), p.begin(), p.end());
        }
        return file;
    }
    // Run-length: runs and raw packets of up to 5 pixels.
    for (size_t done = 0; done < count;) {
        const size_t n = std::min<size_t>(count - done, 1 + bytes.Next() % 5);
        const bool run = bytes.Next() & 1;
        file.push_back(uint8_t((run ? 0x80 : 0) | (n - 1)));
        for (size_t i = 0; i < (run ? 1 : n); ++i) {
            const std::vector<uint8_t> p = pixel();
            file.insert(file.end(), p.begin(), p.end());
        }
        done += n;
    }
    return file;
}

// KTX2 files, found by their identifier: a BC7 chain, a Zstandard-
// compressed cube map and an array of l8 with its KTXswizzle key.
template <class Write>
void KtxFiles(Write& write, Bytes& bytes)
{
    using r3az8tex::TextureKind;
    const struct {
        D3DFORMAT format;
        TextureKind kind;
        size_t layers;
        int zstdLevel;
    } kinds[] = {{FMT_BC7, TextureKind::Flat, 1, 0},
                 {D3DFMT_A8R8G8B8, TextureKind::Cube, 1, 3},
                 {D3DFMT_L8, TextureKind::Flat, 2, 0}};
    for (const auto& kind : kinds) {
        std::vector<r3az8tex::TextureImage> layers;
        for (size_t layer = 0; layer < kind.layers; ++layer) {
            layers.push_back(r3az8tex::MakeTexture(kind.format, kind.kind, 8, 8, 1, 2));
            for (std::vector<uint8_t>& surface : layers.back().surfaces)
                for (uint8_t& b : surface)
                    b = bytes.Next();
        }
        r3az8tex::WriteOptions options;
        options.zstdLevel = kind.zstdLevel;
        write(std::string(r3az8tex::FormatName(kind.format)) + ".ktx2",
              r3az8tex::EncodeTextureLayers("ktx2", layers, options), ".ktx2");
    }
}

void ImageFiles(const fs::path& root)
{
    const fs::path folder = Folder(root, "fuzz_image_reader");
    Bytes bytes(0x1A6u);
    int n = 0;
    // The target takes the file name's ending from the last byte: each
    // seed is named as a user would name it (in either letter case).
    auto write = [&](const std::string& what, std::vector<uint8_t> file, std::string_view ending) {
        file.push_back(fuzzing::EndingByte(ending));
        Write(folder / ("seed_" + std::to_string(n++) + "_" + what), file);
    };
    const PngKind pngKinds[] = {
        {PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false}, {PNG_COLOR_TYPE_RGB_ALPHA, 16, true, false},
        {PNG_COLOR_TYPE_RGB, 8, true, true},         {PNG_COLOR_TYPE_RGB, 16, false, false},
        {PNG_COLOR_TYPE_PALETTE, 1, false, false},   {PNG_COLOR_TYPE_PALETTE, 4, false, true},
        {PNG_COLOR_TYPE_PALETTE, 8, true, true},     {PNG_COLOR_TYPE_GRAY, 1, false, false},
        {PNG_COLOR_TYPE_GRAY, 2, true, true},        {PNG_COLOR_TYPE_GRAY, 8, false, true},
        {PNG_COLOR_TYPE_GRAY, 16, false, false},     {PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false},
        {PNG_COLOR_TYPE_GRAY_ALPHA, 16, true, false},
    };
    uint32_t side = 1;
    for (const PngKind& kind : pngKinds) {
        side = side % 13 + 3;
        write("type" + std::to_string(kind.colourType) + "_" + std::to_string(kind.bitDepth) + ".png",
              PngFile(kind, side, side / 2 + 1, bytes), n % 2 == 0 ? ".png" : ".PNG");
    }
    const JpegKind jpegKinds[] = {
        {JCS_RGB, 3, true, false, false, 0},       {JCS_RGB, 3, false, true, false, 0},
        {JCS_GRAYSCALE, 1, false, false, false, 1}, {JCS_RGB, 3, true, false, true, 0},
        {JCS_CMYK, 4, false, false, false, 0},      {JCS_GRAYSCALE, 1, false, true, true, 0},
    };
    for (const JpegKind& kind : jpegKinds)
        write("jpeg.jpg", JpegFile(kind, 8 + 5 * uint32_t(n % 4), 9 + 4 * uint32_t(n % 3), bytes),
              n % 2 == 0 ? ".jpg" : ".jpeg");
    const TgaKind tgaKinds[] = {{2, 24, false}, {2, 32, true}, {10, 32, false}, {10, 24, true},
                                {3, 8, false},  {11, 8, true}, {1, 8, false},   {9, 8, true},
                                {2, 16, false}, {10, 16, true}};
    for (const TgaKind& kind : tgaKinds)
        write("type" + std::to_string(kind.imageType) + "_" + std::to_string(kind.pixelBits) + ".tga",
              TgaFile(kind, uint16_t(3 + n % 5), uint16_t(2 + n % 4), bytes), ".tga");
    // A name that picks a reader for a file too short for its signature, a
    // TGA named as nothing the tool reads, and small DDS files, which take
    // the DDS reader's way through the same dispatch.
    const std::vector<uint8_t> pngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    write("empty.png", {}, ".png");
    write("signature_cut.png", std::vector<uint8_t>(pngSignature.begin(), pngSignature.end() - 1), ".png");
    write("type2_24_named.bmp", TgaFile(tgaKinds[0], 4, 3, bytes), ".bmp");
    for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_DXT1}) {
        r3az8tex::TextureImage texture = r3az8tex::MakeTexture(format, r3az8tex::TextureKind::Flat, 6, 5, 1, 2);
        for (std::vector<uint8_t>& surface : texture.surfaces)
            for (uint8_t& b : surface)
                b = bytes.Next();
        write(std::string(r3az8tex::FormatName(format)) + ".dds", r3az8tex::dds::Write(texture), ".dds");
    }
    // Float pictures: EXR files of half and float samples, with and without
    // alpha, and Radiance files of flat and run-length scanlines. They come
    // last, so that the seeds above keep their bytes.
    for (const auto& [format, samples, alpha] :
         {std::tuple{FMT_A16B16G16R16F, r3az8tex::FloatSamples::Half, r3az8tex::AlphaOutput::Keep},
          std::tuple{FMT_A32B32G32R32F, r3az8tex::FloatSamples::Float, r3az8tex::AlphaOutput::Drop},
          std::tuple{FMT_A32B32G32R32F, r3az8tex::FloatSamples::Half, r3az8tex::AlphaOutput::Drop}}) {
        r3az8tex::TextureImage picture = r3az8tex::MakeTexture(format, r3az8tex::TextureKind::Flat, 5, 3, 1, 1);
        // The top byte of each sample 0x3F: finite values near 1.
        const size_t sample = format == FMT_A32B32G32R32F ? 4 : 2;
        for (size_t i = 0; i < picture.Surface(0, 0).size(); ++i)
            picture.Surface(0, 0)[i] = i % sample == sample - 1 ? 0x3F : bytes.Next();
        write(std::string(r3az8tex::FormatName(format)) + ".exr", r3az8tex::EncodeExr(picture, samples, alpha), ".exr");
    }
    const std::string radiance = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 2 +X 8\n";
    std::vector<uint8_t> flat(radiance.begin(), radiance.end());
    for (int i = 0; i < 16; ++i)
        for (uint8_t b : {uint8_t(bytes.Next()), uint8_t(bytes.Next()), uint8_t(bytes.Next()), uint8_t(120 + i)})
            flat.push_back(b);
    write("flat.hdr", flat, ".hdr");
    std::vector<uint8_t> runs(radiance.begin(), radiance.end());
    for (int row = 0; row < 2; ++row) {
        for (uint8_t b : {2, 2, 0, 8})
            runs.push_back(b);
        for (int channel = 0; channel < 4; ++channel)
            for (uint8_t b : {uint8_t(128 + 5), uint8_t(bytes.Next()), uint8_t(3), uint8_t(bytes.Next()),
                              uint8_t(bytes.Next()), uint8_t(130)})
                runs.push_back(b);
    }
    write("runs.hdr", runs, ".hdr");
    KtxFiles(write, bytes);
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
    ImageFiles(root);
    EffectTexts(root);
    ByteStrings(root, "fuzz_load_memory", 0x10ADu);
    ByteStrings(root, "fuzz_blit", 0xB117u);
    ByteStrings(root, "fuzz_dxt_block", 0xD7Bu);
    ByteStrings(root, "fuzz_filter_texture", 0xF17u);
    return 0;
}
