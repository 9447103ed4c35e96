// r3aztex's readers of PNG, TGA and JPEG files on arbitrary bytes, opened as
// the tool opens them and with its limits.
//
// The file, in a heap block of exactly its size, is named "fuzzed.tga": a
// PNG or JPEG signature picks that reader, anything else goes to the TGA
// reader. PNG chunks get their checksums recomputed first; otherwise nearly
// every change the fuzzer makes would end at the first chunk.
//
// A refusal must be a ToolError with exit code 3 or 4 whose message starts
// with the file's name; a header that is accepted must be within the
// limits; decoded pixels must be a one-level 2D texture of the header's
// size and format, which survives a PNG round trip unchanged. Headers of
// more than kPixelBudget pixels are opened but not decoded: larger images
// take the same code for longer and find nothing new.
#include "fuzz/fuzz_files.h"
#include "tools/r3aztex/image_io/image_decoder.h"
#include "tools/r3aztex/image_io/image_file.h"

#include <cstring>
#include <memory>
#include <span>
#include <string>

namespace {

using fuzzing::Fail;
using r3aztex::TextureImage;
using r3aztex::ToolError;

const std::string kName = "fuzzed.tga";
constexpr uint64_t kPixelBudget = 128 * 128;

uint32_t BigEndian(const BYTE* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// CRC-32 as PNG uses it (reflected, polynomial 0xEDB88320).
uint32_t Crc32(const BYTE* data, size_t size)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

FUZZ_UNSTEERED
void FixPngChecksums(BYTE* file, size_t size)
{
    static const BYTE signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < 8 || std::memcmp(file, signature, 8) != 0)
        return;
    // Chunks: length, type, data, then the CRC of type and data.
    for (size_t at = 8; size - at >= 12;) {
        const uint32_t length = BigEndian(file + at);
        if (length > size - at - 12)
            return;
        const uint32_t crc = Crc32(file + at + 4, 4 + size_t(length));
        BYTE* stored = file + at + 8 + length;
        for (int i = 0; i < 4; ++i)
            stored[i] = BYTE(crc >> (24 - 8 * i));
        at += 12 + size_t(length);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    std::unique_ptr<BYTE[]> file(new BYTE[size]);
    std::memcpy(file.get(), bytes, size);
    FixPngChecksums(file.get(), size);
    const std::span<const BYTE> view(file.get(), size);

    std::unique_ptr<r3aztex::ImageDecoder> decoder;
    TextureImage image;
    try {
        decoder = r3aztex::OpenImage(view, kName);
        const r3aztex::ImageHeader& header = decoder->Header();
        if (header.width == 0 || header.height == 0 || header.width > r3aztex::kMaxSide ||
            header.height > r3aztex::kMaxSide)
            Fail("a header of %ux%u pixels was accepted", header.width, header.height);
        if (uint64_t(header.width) * header.height > kPixelBudget)
            return 0;
        image = decoder->Pixels();
    } catch (const ToolError& error) {
        fuzzing::CheckFileRefusal(error, kName);
        return 0;
    }

    const r3aztex::ImageHeader& header = decoder->Header();
    if (image.format != header.format || image.kind != r3aztex::TextureKind::Flat || image.width != header.width ||
        image.height != header.height || image.depth != 1 || image.levels != 1 || image.surfaces.size() != 1 ||
        image.Surface(0, 0).size() != image.Level(0).bytes)
        Fail("the pixels (%ux%u, format 0x%08X) differ from the header (%ux%u, format 0x%08X)", image.width,
             image.height, unsigned(image.format), header.width, header.height, unsigned(header.format));

    // What was read survives writing it as PNG and reading that back.
    const std::vector<BYTE> png = r3aztex::EncodePng(image, r3aztex::AlphaOutput::Keep);
    try {
        if (r3aztex::OpenPng(png, kName)->Pixels().surfaces != image.surfaces)
            Fail("the pixels read differ after a PNG round trip");
    } catch (const ToolError& error) {
        Fail("the PNG reader refuses what the PNG writer made of a read image: %s", error.what());
    }
    return 0;
}
