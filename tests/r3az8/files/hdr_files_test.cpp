// OpenEXR and Radiance input, and EXR output: files written by OpenEXR's own
// API and Radiance files built byte by byte read back to the values put in
// them; damaged headers are refused in the reader's words; what the EXR
// writer writes reads back unchanged.
#include "r3az8/tex/files/exr_writer.h"
#include "r3az8/tex/files/image_decoder.h"
#include "r3az8/tex/files/image_file.h"
#include "r3az8/tex/texture/texture_error.h"

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfIO.h>
#include <ImfOutputFile.h>
#include <ImfTiledOutputFile.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace r3az8tex {
namespace {

// An OpenEXR output stream into memory, the test's own.
class Collect final : public Imf::OStream {
public:
    Collect() : Imf::OStream("test.exr") {}
    void write(const char c[], int n) override
    {
        if (at_ + size_t(n) > bytes.size())
            bytes.resize(at_ + size_t(n));
        std::memcpy(bytes.data() + at_, c, size_t(n));
        at_ += size_t(n);
    }
    uint64_t tellp() override { return at_; }
    void seekp(uint64_t at) override { at_ = size_t(at); }
    std::vector<BYTE> bytes;

private:
    size_t at_ = 0;
};

// The value of channel `c` (0 red .. 3 alpha) at (x, y) that the files hold.
float Value(uint32_t x, uint32_t y, size_t c) { return float(x) * 0.75f + float(y) * 8.5f + float(c) * 0.25f - 1.0f; }

struct ExrCase {
    const char* name;
    std::vector<const char*> channels;
    Imf::PixelType type;
    bool tiled;
    D3DFORMAT expected;
};

std::vector<BYTE> WriteExr(const ExrCase& c, int width, int height)
{
    Imf::Header header(width, height);
    // Each channel gets its own plane, in the channel's type (OpenEXR
    // writes no other).
    const size_t sample = c.type == Imf::HALF ? 2 : 4;
    std::vector<std::vector<char>> planes(c.channels.size(), std::vector<char>(size_t(width) * height * sample));
    Imf::FrameBuffer frame;
    for (size_t i = 0; i < c.channels.size(); ++i) {
        header.channels().insert(c.channels[i], Imf::Channel(c.type));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                char* at = planes[i].data() + (size_t(y) * width + x) * sample;
                const float value = Value(x, y, i);
                const Imath::half half(value);
                const uint32_t whole = uint32_t(std::max(0.0f, value));
                std::memcpy(at, c.type == Imf::HALF ? static_cast<const void*>(&half)
                                : c.type == Imf::UINT ? static_cast<const void*>(&whole)
                                                      : static_cast<const void*>(&value),
                            sample);
            }
        frame.insert(c.channels[i], Imf::Slice(c.type, planes[i].data(), sample, sample * width));
    }
    Collect stream;
    if (c.tiled) {
        header.setTileDescription(Imf::TileDescription(4, 4, Imf::MIPMAP_LEVELS));
        Imf::TiledOutputFile file(stream, header);
        file.setFrameBuffer(frame);
        file.writeTiles(0, file.numXTiles(0) - 1, 0, file.numYTiles(0) - 1, 0);
        // The lower levels hold other values: only level 0 is read.
        for (int level = 1; level < file.numLevels(); ++level)
            file.writeTiles(0, file.numXTiles(level) - 1, 0, file.numYTiles(level) - 1, level);
    } else {
        Imf::OutputFile file(stream, header);
        file.setFrameBuffer(frame);
        file.writePixels(height);
    }
    return stream.bytes;
}

float Sample(const TextureImage& image, uint32_t x, uint32_t y, size_t c)
{
    const BYTE* pixel = image.Surface(0, 0).data() + (size_t(y) * image.width + x) * image.Format().unitBytes;
    if (image.format == FMT_A32B32G32R32F) {
        float value;
        std::memcpy(&value, pixel + 4 * c, 4);
        return value;
    }
    uint16_t bits;
    std::memcpy(&bits, pixel + 2 * c, 2);
    Imath::half half;
    half.setBits(bits);
    return half;
}

TEST(ExrFiles, FilesOpenExrWritesReadBackToTheirValues)
{
    const ExrCase cases[] = {
        {"scanline half rgba", {"R", "G", "B", "A"}, Imf::HALF, false, FMT_A16B16G16R16F},
        {"tiled float rgb with mips", {"R", "G", "B"}, Imf::FLOAT, true, FMT_A32B32G32R32F},
        {"luminance only", {"Y"}, Imf::HALF, false, FMT_A16B16G16R16F},
        {"uint rgb", {"R", "G", "B"}, Imf::UINT, false, FMT_A32B32G32R32F},
    };
    constexpr uint32_t kWidth = 13, kHeight = 6;
    for (const ExrCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<BYTE> file = WriteExr(c, kWidth, kHeight);
        const TextureImage image = DecodeTexture(file, "sky.exr");
        ASSERT_EQ(image.format, c.expected);
        ASSERT_EQ(image.width, kWidth);
        ASSERT_EQ(image.height, kHeight);
        ASSERT_EQ(image.levels, 1u);
        const bool grey = c.channels.size() == 1;
        for (uint32_t y = 0; y < kHeight; ++y)
            for (uint32_t x = 0; x < kWidth; ++x)
                for (size_t ch = 0; ch < 4; ++ch) {
                    float expected = grey && ch < 3 ? Value(x, y, 0) : Value(x, y, ch);
                    if (ch == 3 && c.channels.size() < 4)
                        expected = 1.0f; // opaque where the file has no alpha
                    if (c.type == Imf::HALF)
                        expected = float(Imath::half(expected));
                    if (c.type == Imf::UINT)
                        expected = ch == 3 ? 1.0f : float(uint32_t(std::max(0.0f, expected)));
                    ASSERT_EQ(Sample(image, x, y, ch), expected) << x << "," << y << " channel " << ch;
                }
    }
}

TEST(ExrFiles, WhatTheWriterWritesReadsBack)
{
    TextureImage image = MakeTexture(FMT_A32B32G32R32F, TextureKind::Flat, 5, 3, 1, 1);
    for (uint32_t i = 0; i < 15 * 4; ++i) {
        const float value = std::ldexp(1.0f + float(i) / 64.0f, int(i % 24) - 12) * (i % 7 == 0 ? -1.0f : 1.0f);
        std::memcpy(image.Surface(0, 0).data() + 4 * i, &value, 4);
    }
    struct Case {
        FloatSamples samples;
        AlphaOutput alpha;
        D3DFORMAT read;
    };
    for (const Case c : {Case{FloatSamples::Float, AlphaOutput::Keep, FMT_A32B32G32R32F},
                         Case{FloatSamples::Half, AlphaOutput::Keep, FMT_A16B16G16R16F},
                         Case{FloatSamples::Half, AlphaOutput::Drop, FMT_A16B16G16R16F}}) {
        const TextureImage back = DecodeTexture(EncodeExr(image, c.samples, c.alpha), "back.exr");
        ASSERT_EQ(back.format, c.read);
        for (uint32_t y = 0; y < 3; ++y)
            for (uint32_t x = 0; x < 5; ++x)
                for (size_t ch = 0; ch < 4; ++ch) {
                    float expected = Sample(image, x, y, ch);
                    if (c.samples == FloatSamples::Half)
                        expected = float(Imath::half(expected));
                    if (c.alpha == AlphaOutput::Drop && ch == 3)
                        expected = 1.0f;
                    ASSERT_EQ(Sample(back, x, y, ch), expected);
                }
    }
    EXPECT_THROW(EncodeExr(MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Flat, 2, 2, 1, 1), FloatSamples::Half,
                           AlphaOutput::Keep),
                 TextureError);
}

// A Radiance file: the header lines, then the pixel bytes.
std::vector<BYTE> Radiance(const std::string& header, const std::vector<BYTE>& pixels)
{
    std::vector<BYTE> file(header.begin(), header.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

const std::string kHeader8x2 = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\nEXPOSURE=2.0\n\n-Y 2 +X 8\n";

// RGBE for 1.0 is 128,128,128,129; 2.0 is 128,128,128,130; 0.5 128 at 128.
// Row 0 holds 1, 2, 0.5, 0, then 0.75 (192 at 128) four times; row 1 its
// mirror image.
std::vector<BYTE> FlatRows()
{
    const std::vector<std::vector<BYTE>> row0 = {{128, 128, 128, 129}, {128, 64, 128, 130}, {128, 128, 128, 128},
                                                 {0, 0, 0, 0},         {192, 192, 192, 128}, {192, 192, 192, 128},
                                                 {192, 192, 192, 128}, {192, 192, 192, 128}};
    std::vector<BYTE> bytes;
    for (int row = 0; row < 2; ++row)
        for (int i = 0; i < 8; ++i) {
            const std::vector<BYTE>& pixel = row0[row == 0 ? i : 7 - i];
            bytes.insert(bytes.end(), pixel.begin(), pixel.end());
        }
    return bytes;
}

// The same rows in new-style runs: each channel alone.
std::vector<BYTE> RunRows()
{
    const std::vector<BYTE> flat = FlatRows();
    std::vector<BYTE> bytes;
    for (int row = 0; row < 2; ++row) {
        bytes.insert(bytes.end(), {2, 2, 0, 8});
        for (int c = 0; c < 4; ++c) {
            // The first four as literals, the last four (equal in row 0) as a run in row 0.
            std::vector<BYTE> channel;
            for (int i = 0; i < 8; ++i)
                channel.push_back(flat[size_t(row * 8 + i) * 4 + c]);
            if (row == 0) {
                bytes.push_back(4);
                bytes.insert(bytes.end(), channel.begin(), channel.begin() + 4);
                bytes.insert(bytes.end(), {128 + 4, channel[4]});
            } else {
                bytes.push_back(8);
                bytes.insert(bytes.end(), channel.begin(), channel.end());
            }
        }
    }
    return bytes;
}

// Row 0 with old-style repeats: 0.75 once, then 1,1,1,3 for three more.
std::vector<BYTE> OldRunRows()
{
    const std::vector<BYTE> flat = FlatRows();
    std::vector<BYTE> bytes;
    for (size_t i = 0; i < flat.size(); ++i) {
        if (i == 5 * 4)
            for (const BYTE repeat : {1, 1, 1, 3})
                bytes.push_back(repeat);
        if (i < 5 * 4 || i >= 8 * 4)
            bytes.push_back(flat[i]);
    }
    return bytes;
}

TEST(HdrFiles, RadianceScanlinesReadToTheirFloats)
{
    const float row0[8][3] = {{1, 1, 1}, {2, 1, 2}, {0.5f, 0.5f, 0.5f}, {0, 0, 0},
                              {0.75f, 0.75f, 0.75f}, {0.75f, 0.75f, 0.75f}, {0.75f, 0.75f, 0.75f}, {0.75f, 0.75f, 0.75f}};
    struct Case {
        const char* name;
        std::string header;
        std::vector<BYTE> pixels;
        bool mirrored; // rows stored bottom up: row 0 of the file is the picture's row 1
    };
    const Case cases[] = {
        {"flat", kHeader8x2, FlatRows(), false},
        {"new-style runs", kHeader8x2, RunRows(), false},
        {"old-style repeats", kHeader8x2, OldRunRows(), false},
        {"bottom up", "#?RGBE\n\n+Y 2 +X 8\n", FlatRows(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TextureImage image = DecodeTexture(Radiance(c.header, c.pixels), "sky.hdr");
        ASSERT_EQ(image.format, FMT_A32B32G32R32F);
        ASSERT_EQ(image.width, 8u);
        ASSERT_EQ(image.height, 2u);
        for (uint32_t y = 0; y < 2; ++y)
            for (uint32_t x = 0; x < 8; ++x) {
                const uint32_t fileRow = c.mirrored ? 1 - y : y;
                const float* expected = row0[fileRow == 0 ? x : 7 - x];
                for (size_t ch = 0; ch < 3; ++ch)
                    EXPECT_EQ(Sample(image, x, y, ch), expected[ch]) << x << "," << y;
                EXPECT_EQ(Sample(image, x, y, 3), 1.0f);
            }
    }
}

TEST(HdrFiles, DamagedOrUnusualFilesAreRefusedInTheReadersWords)
{
    ExrCase half{"", {"R", "G", "B"}, Imf::HALF, false, FMT_A16B16G16R16F};
    const std::vector<BYTE> exr = WriteExr(half, 4, 4);
    std::vector<BYTE> deep = exr;
    deep[5] |= 0x08; // the non-image (deep) flag
    const ExrCase noColour{"", {"Z"}, Imf::FLOAT, false, FMT_A32B32G32R32F};
    const std::vector<BYTE> flat = FlatRows();
    struct Case {
        const char* what;
        std::string name;
        std::vector<BYTE> file;
        ErrorKind kind;
        const char* words;
    };
    const Case cases[] = {
        {"exr cut short", "a.exr", std::vector<BYTE>(exr.begin(), exr.begin() + 40), ErrorKind::Malformed,
         "OpenEXR"},
        {"exr cut in its pixels", "a.exr", std::vector<BYTE>(exr.begin(), exr.end() - 10), ErrorKind::Malformed,
         "OpenEXR"},
        {"exr deep", "a.exr", deep, ErrorKind::Unsupported, "deep"},
        {"exr without colour", "a.exr", WriteExr(noColour, 2, 2), ErrorKind::Unsupported, "no R, G, B or Y"},
        {"hdr header without end", "a.hdr", Radiance("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n", {}),
         ErrorKind::Malformed, "header does not end"},
        {"hdr xyze", "a.hdr", Radiance("#?RADIANCE\nFORMAT=32-bit_rle_xyze\n\n-Y 2 +X 8\n", FlatRows()),
         ErrorKind::Unsupported, "32-bit_rle_xyze"},
        {"hdr resolution", "a.hdr", Radiance("#?RADIANCE\n\n2 8\n", FlatRows()), ErrorKind::Malformed,
         "resolution line"},
        {"hdr by columns", "a.hdr", Radiance("#?RADIANCE\n\n+X 8 -Y 2\n", FlatRows()), ErrorKind::Unsupported,
         "column by column"},
        {"hdr beyond the limits", "a.hdr", Radiance("#?RADIANCE\n\n-Y 100000 +X 100000\n", {}),
         ErrorKind::Unsupported, "beyond the limits"},
        {"hdr pixels cut short", "a.hdr", Radiance(kHeader8x2, std::vector<BYTE>(flat.begin(), flat.end() - 1)),
         ErrorKind::Malformed, "end early"},
        {"hdr run past the row", "a.hdr", Radiance(kHeader8x2, {2, 2, 0, 8, 128 + 9, 1}), ErrorKind::Malformed,
         "overflows"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            DecodeTexture(c.file, c.name);
            ADD_FAILURE() << "read";
        } catch (const TextureError& error) {
            EXPECT_EQ(error.Code(), c.kind) << error.what();
            EXPECT_EQ(std::string(error.what()).rfind(c.name + ": ", 0), 0u) << error.what();
            EXPECT_NE(std::string(error.what()).find(c.words), std::string::npos) << error.what();
        }
    }
}

} // namespace
} // namespace r3az8tex
