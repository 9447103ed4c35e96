// PNG input through libpng, with the longjmp discipline of png_structures.h.
#include "r3az8/tex/files/image_decoder.h"

#include "r3az8/tex/files/png_image_data.h"
#include "r3az8/tex/files/png_structures.h"
#include "r3az8/tex/texture/texture_error.h"

#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <cstring>

namespace r3az8tex {
namespace {

// Deflate turns one byte into at most 1032 (a 258-byte match in two bits),
// so image data needing more than that many times the file's size cannot be
// in the file.
constexpr uint64_t kMostInflatedPerByte = 1032;

// A canvas this many times larger than the file (and of some size) is only
// allocated once the image data has been inflated, uncounted, and found to
// hold every row: a damaged file then fails before it costs much memory.
// Ordinary pictures compress less and are not inflated twice.
constexpr uint64_t kLookFirstRatio = 8;
constexpr uint64_t kLookFirstAbove = uint64_t(16) << 20;

uint32_t BigEndian(const BYTE* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

constexpr BYTE kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// A file picked by its name alone may be anything, down to empty; the chunk
// walk below starts past the signature, so the signature is checked first.
void CheckSignature(std::span<const BYTE> bytes, const std::string& name)
{
    if (bytes.size() < sizeof kSignature || std::memcmp(bytes.data(), kSignature, sizeof kSignature) != 0)
        throw FileError(ErrorKind::Malformed, name, "not a PNG file (it does not start with the PNG signature)");
}

// libpng sets aside a chunk's declared length before it reads the chunk, so
// a file of a few dozen bytes declaring a 2 GiB text chunk would cost 2 GiB.
// Every chunk up to IEND must fit in the file; one that claims more is
// refused before libpng sees it.
void CheckChunksFitTheFile(std::span<const BYTE> bytes, const std::string& name)
{
    constexpr size_t kFramingBytes = 12; // length, type, checksum
    for (size_t at = sizeof kSignature; at <= bytes.size() && bytes.size() - at >= 8;) {
        const uint64_t length = BigEndian(bytes.data() + at);
        const BYTE* type = bytes.data() + at + 4;
        if (kFramingBytes + length > bytes.size() - at) {
            const bool named = std::all_of(type, type + 4, [](BYTE c) { return std::isalpha(c) != 0; });
            throw FileError(ErrorKind::Malformed, name,
                            "PNG is damaged: " +
                                (named ? "its " + std::string(type, type + 4) + " chunk" : std::string("a chunk")) +
                                " claims " + std::to_string(length) + " bytes, more than the file holds");
        }
        if (std::memcmp(type, "IEND", 4) == 0)
            return;
        at += kFramingBytes + size_t(length);
    }
}

struct MemoryReader {
    const BYTE* data;
    size_t size;
    size_t position;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count)
{
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (count > reader->size - reader->position)
        png_error(png, "file ends too early");
    std::memcpy(out, reader->data + reader->position, count);
    reader->position += count;
}

// The header as stored, before any transformation.
struct PngHeader {
    png_uint_32 width;
    png_uint_32 height;
    int bitDepth;
    int colourType;
    int interlace;
    int channels;
};

PngStage ReadHeader(png_structp png, png_infop info, PngHeader* header)
{
    if (setjmp(png_jmpbuf(png)))
        return PngStage::Failed;
    png_read_info(png, info);
    png_get_IHDR(png, info, &header->width, &header->height, &header->bitDepth, &header->colourType, &header->interlace,
                 nullptr, nullptr);
    header->channels = png_get_channels(png, info);
    return PngStage::Ok;
}

// Sets up the transformations that turn every PNG colour type into B, G, R,
// A samples of 8 or 16 bits, 16-bit ones in little-endian order: the byte
// layouts of A8R8G8B8 and A16R16G16B16.
PngStage SetUpTransformations(png_structp png, png_infop info, const PngHeader* header)
{
    if (setjmp(png_jmpbuf(png)))
        return PngStage::Failed;
    const int colourType = header->colourType;
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && header->bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (!(colourType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_add_alpha(png, 0xFFFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
    if (header->bitDepth == 16)
        png_set_swap(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return PngStage::Ok;
}

// The next `count` rows of an image without interlacing, which come out
// final one by one; an interlaced image whole, its passes all at once.
PngStage ReadRows(png_structp png, png_bytepp rows, png_uint_32 count, bool interlaced)
{
    if (setjmp(png_jmpbuf(png)))
        return PngStage::Failed;
    if (interlaced)
        png_read_image(png, rows);
    else
        png_read_rows(png, rows, nullptr, count);
    return PngStage::Ok;
}

PngStage ReadEnd(png_structp png, png_infop info)
{
    if (setjmp(png_jmpbuf(png)))
        return PngStage::Failed;
    png_read_end(png, info);
    return PngStage::Ok;
}

// Rows decoded between two reports to a waiting conversion.
constexpr png_uint_32 kRowsPerReport = 32;

using ReadStructures = PngStructures<PngDirection::Read>;

class PngDecoder final : public ImageDecoder {
public:
    PngDecoder(std::span<const BYTE> bytes, const std::string& name)
        : name_(name), reader_{bytes.data(), bytes.size(), 0}, structures_(&error_)
    {
        CheckSignature(bytes, name_);
        CheckChunksFitTheFile(bytes, name_);
        png_structp png = structures_.png;
        if (structures_.info == nullptr)
            throw FileError(ErrorKind::Internal, name_, "cannot set up the PNG decoder");
        png_set_read_fn(png, &reader_, ReadFromMemory);
        // libpng's own limit (a million pixels per side) would refuse large
        // images as damaged; ours decides instead.
        png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);

        PngHeader header{};
        if (ReadHeader(png, structures_.info, &header) == PngStage::Failed)
            Damaged();
        const uint32_t bytesPerPixel = header.bitDepth == 16 ? 8 : 4;
        CheckImageLimits(name_, header.width, header.height, bytesPerPixel);
        const uint64_t packedBits = uint64_t(header.width) * header.height * header.channels * header.bitDepth;
        if (packedBits / 8 > kMostInflatedPerByte * bytes.size())
            throw FileError(ErrorKind::Malformed, name_,
                            "PNG file is too short for " + SizeText(header.width, header.height, 1) + " pixels");
        const uint64_t canvasBytes = uint64_t(header.width) * header.height * bytesPerPixel;
        if (canvasBytes > kLookFirstAbove && canvasBytes / kLookFirstRatio > bytes.size()) {
            const PngRowShape shape{header.width, header.height, uint32_t(header.channels * header.bitDepth),
                                    header.interlace != PNG_INTERLACE_NONE};
            const std::string shortfall = ImageDataShortfall(bytes, FilteredImageBytes(shape));
            if (!shortfall.empty())
                throw FileError(ErrorKind::Malformed, name_, "PNG is damaged: " + shortfall);
        }
        if (SetUpTransformations(png, structures_.info, &header) == PngStage::Failed)
            Damaged();
        header_ = {header.width, header.height, header.bitDepth == 16 ? FMT_A16R16G16B16 : D3DFMT_A8R8G8B8};
    }

    void Fill(TextureImage& canvas, const RowsDecoded& rowsDecoded) override
    {
        const LevelLayout layout = canvas.Level(0);
        if (png_get_rowbytes(structures_.png, structures_.info) != layout.rowPitch)
            throw FileError(ErrorKind::Internal, name_, "PNG rows do not have the expected size");
        std::vector<png_bytep> rows(header_.height);
        BYTE* pixels = canvas.Surface(0, 0).data();
        for (png_uint_32 y = 0; y < header_.height; ++y)
            rows[y] = pixels + size_t(y) * layout.rowPitch;
        const bool interlaced = png_get_interlace_type(structures_.png, structures_.info) != PNG_INTERLACE_NONE;
        const png_uint_32 batch = rowsDecoded && !interlaced ? kRowsPerReport : header_.height;
        for (png_uint_32 first = 0; first < header_.height; first += batch) {
            const png_uint_32 count = std::min(batch, header_.height - first);
            if (ReadRows(structures_.png, rows.data() + first, count, interlaced) == PngStage::Failed)
                Damaged();
            if (rowsDecoded)
                rowsDecoded(first + count);
        }
        if (ReadEnd(structures_.png, structures_.info) == PngStage::Failed)
            Damaged();
    }

private:
    [[noreturn]] void Damaged() const
    {
        throw FileError(ErrorKind::Malformed, name_, std::string("PNG is damaged: ") + error_.text);
    }

    std::string name_;
    PngErrorText error_{};
    MemoryReader reader_;
    ReadStructures structures_;
};

} // namespace

std::unique_ptr<ImageDecoder> OpenPng(std::span<const BYTE> bytes, const std::string& name)
{
    return std::make_unique<PngDecoder>(bytes, name);
}

} // namespace r3az8tex
