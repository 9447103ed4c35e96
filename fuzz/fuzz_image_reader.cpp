// The texture library's readers of DDS, PNG, TGA, JPEG, OpenEXR and Radiance
// files on arbitrary bytes, reached as the tool reaches them: by the file's
// signature and its name.
//
// The input's last byte names the file (fuzzing::kImageEndings: "fuzzed.png",
// "fuzzed.jpeg", "fuzzed.bmp", "fuzzed" ...), the bytes before it are the
// file, in a heap block of exactly its size. It is dispatched as `convert`
// does: DetectFileType, then OpenImage and the pixels for a container of
// single pictures (PNG, TGA, JPEG, EXR, HDR), DecodeTextureLayers for
// anything else.
// PNG chunks get their checksums recomputed first; otherwise nearly every
// change the fuzzer makes would end at the first chunk.
//
// A refusal must be a TextureError with exit code 3 or 4 whose message starts
// with the file's name; a file of no known type must be refused; a header
// that is accepted must be within the limits; decoded pixels must be a
// one-level 2D texture of the header's size and format, which survives a
// PNG round trip unchanged (float pictures: an EXR round trip). Headers of more than kPixelBudget pixels are
// opened but not decoded: larger images take the same code for longer and
// find nothing new. (A DDS file holds its pixels, so its size bounds them.)
#include "fuzz/fuzz_files.h"
#include "fuzz/image_file_names.h"
#include "r3az8/tex/files/exr_writer.h"
#include "r3az8/tex/files/image_decoder.h"
#include "r3az8/tex/files/image_file.h"
#include "r3az8/tex/files/warnings.h"

#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

using fuzzing::Fail;
using r3az8tex::TextureImage;
using r3az8tex::TextureError;

constexpr uint64_t kPixelBudget = 128 * 128;

// DDS files read leniently warn; the lines would only flood the log.
const r3az8tex::WarningDestination kDropWarnings{r3az8tex::WarningSink{}};

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

// The pixels of one texture read from the file match what its header said.
void CheckDecoded(const TextureImage& image, const r3az8tex::ImageHeader& header)
{
    if (image.format != header.format || image.kind != r3az8tex::TextureKind::Flat || image.width != header.width ||
        image.height != header.height || image.depth != 1 || image.levels != 1 || image.surfaces.size() != 1 ||
        image.Surface(0, 0).size() != image.Level(0).bytes)
        Fail("the pixels (%ux%u, format 0x%08X) differ from the header (%ux%u, format 0x%08X)", image.width,
             image.height, unsigned(image.format), header.width, header.height, unsigned(header.format));
}

// What was read survives writing it as PNG and reading that back.
void CheckPngRoundTrip(const TextureImage& image, const std::string& name)
{
    const std::vector<BYTE> png = r3az8tex::EncodePng(image, r3az8tex::AlphaOutput::Keep);
    try {
        if (r3az8tex::OpenPng(png, name)->Pixels().surfaces != image.surfaces)
            Fail("the pixels read differ after a PNG round trip");
    } catch (const TextureError& error) {
        Fail("the PNG reader refuses what the PNG writer made of a read image: %s", error.what());
    }
}

// Float pictures survive writing them as EXR, in their own sample width,
// and reading that back, bit for bit.
void CheckExrRoundTrip(const TextureImage& image, const std::string& name)
{
    const r3az8tex::FloatSamples samples =
        image.format == FMT_A32B32G32R32F ? r3az8tex::FloatSamples::Float : r3az8tex::FloatSamples::Half;
    const std::vector<BYTE> exr = r3az8tex::EncodeExr(image, samples, r3az8tex::AlphaOutput::Keep);
    try {
        if (r3az8tex::OpenExr(exr, name)->Pixels().surfaces != image.surfaces)
            Fail("the pixels read differ after an EXR round trip");
    } catch (const TextureError& error) {
        Fail("the EXR reader refuses what the EXR writer made of a read image: %s", error.what());
    }
}

// Pictures: the header, checked, then the pixels within the budget.
void ReadImage(std::span<const BYTE> file, const std::string& name)
{
    std::unique_ptr<r3az8tex::ImageDecoder> decoder = r3az8tex::OpenImage(file, name);
    const r3az8tex::ImageHeader& header = decoder->Header();
    if (header.width == 0 || header.height == 0 || header.width > r3az8tex::kMaxSide ||
        header.height > r3az8tex::kMaxSide)
        Fail("a header of %ux%u pixels was accepted", header.width, header.height);
    if (uint64_t(header.width) * header.height > kPixelBudget)
        return;
    const TextureImage image = decoder->Pixels();
    CheckDecoded(image, header);
    if (image.format == FMT_A32B32G32R32F || image.format == FMT_A16B16G16R16F)
        CheckExrRoundTrip(image, name);
    else
        CheckPngRoundTrip(image, name);
}

} // namespace

// Headers beyond this many pixels are refused at once, as on a smaller
// machine: larger claims only make the checks before the pixels (a PNG's
// data inflated once, a JPEG decoded at an eighth) run longer, the same
// code. 8 Mi pixels (32 MiB of canvas) still take those checks, which start
// at 16 MiB.
constexpr uint64_t kClaimedPixelLimit = 8u << 20;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    static const bool limited = (r3az8tex::LimitImagePixels(kClaimedPixelLimit), true);
    (void)limited;
    const size_t fileSize = size > 0 ? size - 1 : 0;
    const std::string_view ending =
        size > 0 ? fuzzing::kImageEndings[bytes[size - 1] % std::size(fuzzing::kImageEndings)] : "";
    const std::string name = "fuzzed" + std::string(ending);
    std::unique_ptr<BYTE[]> file(new BYTE[fileSize]);
    if (fileSize > 0)
        std::memcpy(file.get(), bytes, fileSize);
    FixPngChecksums(file.get(), fileSize);
    const std::span<const BYTE> view(file.get(), fileSize);

    const r3az8tex::FileType type = r3az8tex::DetectFileType(view, name);
    try {
        if (type != r3az8tex::FileType::Unknown && r3az8tex::ContainerOf(type).open != nullptr) {
            ReadImage(view, name);
            return 0;
        }
        const std::vector<TextureImage> layers = r3az8tex::DecodeTextureLayers(view, name);
        if (type == r3az8tex::FileType::Unknown)
            Fail("a file of no known type was read as %zu textures", layers.size());
        for (const TextureImage& layer : layers)
            for (uint32_t level = 0; level < layer.levels; ++level)
                for (uint32_t face = 0; face < layer.Faces(); ++face)
                    if (layer.Surface(face, level).size() != layer.Level(level).bytes)
                        Fail("a DDS surface holds %zu bytes, not the %llu of its level",
                             layer.Surface(face, level).size(),
                             static_cast<unsigned long long>(layer.Level(level).bytes));
    } catch (const TextureError& error) {
        fuzzing::CheckFileRefusal(error, name);
    }
    return 0;
}
