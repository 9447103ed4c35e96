// JPEG input through libjpeg-turbo (Debian's libjpeg62-turbo), the decoder
// the ecosystem fuzzes continuously. libjpeg reports errors by calling a
// handler that must not return, so ours longjmps: the calls that may fail
// live in functions whose frames hold nothing with a destructor.
//
// libjpeg carries on over damaged or missing data with a warning, filling
// in grey; here those warnings end the decoding, so a cut or damaged file
// is refused instead of read as a partly grey picture.
#include "r3az8/tex/files/image_decoder.h"

#include "r3az8/tex/texture/texture_error.h"

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

namespace r3az8tex {
namespace {

// Encoders write about ten scans; thousands would only make a small file
// cost as much time as a huge one.
constexpr int kMostScans = 100;

struct JpegError {
    jpeg_error_mgr manager; // first: libjpeg's pointer to it is a pointer to this
    std::jmp_buf jump;
    int code;
    char text[JMSG_LENGTH_MAX];
};

[[noreturn]] void Fail(j_common_ptr info, int code)
{
    auto* error = reinterpret_cast<JpegError*>(info->err);
    error->code = code;
    (*info->err->format_message)(info, error->text);
    std::longjmp(error->jump, 1);
}

[[noreturn]] void FailOnError(j_common_ptr info) { Fail(info, info->err->msg_code); }

bool IsDamage(int code)
{
    switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
        return true;
    default:
        return false;
    }
}

// Level -1 is a warning; the others are trace messages.
void StopOnDamage(j_common_ptr info, int level)
{
    if (level < 0 && IsDamage(info->err->msg_code))
        Fail(info, info->err->msg_code);
}

constexpr int kTooManyScans = -1; // our own code, beside libjpeg's

void LimitScans(j_common_ptr info)
{
    if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMostScans) {
        auto* error = reinterpret_cast<JpegError*>(info->err);
        error->code = kTooManyScans;
        std::snprintf(error->text, sizeof error->text, "JPEG has more than %d scans", kMostScans);
        std::longjmp(error->jump, 1);
    }
}

ErrorKind CodeOf(int code)
{
    switch (code) {
    case kTooManyScans:
    case JERR_BAD_PRECISION:
    case JERR_SOF_UNSUPPORTED:
    case JERR_CONVERSION_NOTIMPL:
    case JERR_NOT_COMPILED:
    case JERR_ARITH_NOTIMPL:
    case JERR_NO_BACKING_STORE: // more working memory than allowed
    case JERR_OUT_OF_MEMORY:
    case JERR_IMAGE_TOO_BIG:
        return ErrorKind::Unsupported;
    default:
        return ErrorKind::Malformed;
    }
}

enum class Stage { Ok, Failed };

Stage ReadHeader(jpeg_decompress_struct* info, JpegError* error, const BYTE* bytes, size_t size)
{
    if (setjmp(error->jump))
        return Stage::Failed;
    jpeg_create_decompress(info);
    jpeg_mem_src(info, bytes, static_cast<unsigned long>(size));
    jpeg_read_header(info, TRUE);
    return Stage::Ok;
}

// A file of several scans (progressive, or one scan per component) is read
// whole here, before the rows are asked for, so its damage shows before the
// canvas is allocated.
Stage StartDecompression(jpeg_decompress_struct* info, JpegError* error)
{
    if (setjmp(error->jump))
        return Stage::Failed;
    jpeg_start_decompress(info);
    return Stage::Ok;
}

// Decodes a file of one scan at an eighth of its size, row by row into
// `row` (room for a grey or CMYK row of an eighth of the width): every
// coded block is read and checked, and no pixel of the full image is
// stored. `info` is set up with the same error handling as the real decoder.
Stage DecodeAtAnEighth(jpeg_decompress_struct* info, JpegError* error, const BYTE* bytes, size_t size, BYTE* row)
{
    if (setjmp(error->jump))
        return Stage::Failed;
    jpeg_create_decompress(info);
    jpeg_mem_src(info, bytes, static_cast<unsigned long>(size));
    jpeg_read_header(info, TRUE);
    info->scale_num = 1;
    info->scale_denom = 8;
    // Grey needs only the first component's blocks transformed; the others
    // are still decoded, which is the point.
    const bool inks = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    info->out_color_space = inks ? JCS_CMYK : JCS_GRAYSCALE;
    jpeg_start_decompress(info);
    while (info->output_scanline < info->output_height) {
        JSAMPROW rows[1] = {row};
        jpeg_read_scanlines(info, rows, 1);
    }
    jpeg_finish_decompress(info);
    return Stage::Ok;
}

// Decodes the rows above `end` (or the image's last) not decoded yet, into
// rows of 4 bytes a pixel: B, G, R, A, or C, M, Y, K. The call that reaches
// the last row finishes the decompression.
Stage ReadRows(jpeg_decompress_struct* info, JpegError* error, BYTE* pixels, size_t rowPitch, JDIMENSION end)
{
    if (setjmp(error->jump))
        return Stage::Failed;
    while (info->output_scanline < std::min(end, info->output_height)) {
        JSAMPROW row = pixels + size_t(info->output_scanline) * rowPitch;
        jpeg_read_scanlines(info, &row, 1);
    }
    if (info->output_scanline == info->output_height)
        jpeg_finish_decompress(info);
    return Stage::Ok;
}

// Rows decoded between two reports to a waiting conversion.
constexpr JDIMENSION kRowsPerReport = 32;

// x * y / 255, rounded.
BYTE Product(unsigned x, unsigned y)
{
    const unsigned p = x * y + 128;
    return BYTE((p + (p >> 8)) >> 8);
}

// Owns libjpeg's decompression structure; destroying it is safe whatever was
// set up, as it starts zeroed.
struct Decompression {
    Decompression() = default;
    ~Decompression() { jpeg_destroy_decompress(&info); }
    Decompression(const Decompression&) = delete;
    Decompression& operator=(const Decompression&) = delete;

    jpeg_decompress_struct info{};
};

void HandleErrors(jpeg_decompress_struct& info, JpegError& error)
{
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = FailOnError;
    error.manager.emit_message = StopOnDamage;
}

// Whether the bytes from `from` on hold an end-of-image marker. Inside coded
// data a 0xFF byte is always followed by 0x00 or a restart marker, so a pair
// 0xFF 0xD9 there is the marker. Searched from the end, where it nearly
// always is.
bool HoldsEndOfImage(std::span<const BYTE> bytes, size_t from)
{
    for (size_t at = bytes.size(); at >= from + 2; --at)
        if (bytes[at - 2] == 0xFF && bytes[at - 1] == 0xD9)
            return true;
    return false;
}

// An image file of one scan whose full-size pixels would take this many
// times the file's size (and some size) is decoded once at an eighth of its
// size before the canvas is allocated, so that damage fails it cheaply.
// Photographs compress less than that and are decoded once.
constexpr uint64_t kLookFirstRatio = 32;
constexpr uint64_t kLookFirstAbove = uint64_t(16) << 20;

class JpegDecoder final : public ImageDecoder {
public:
    JpegDecoder(std::span<const BYTE> bytes, const std::string& name) : name_(name)
    {
        HandleErrors(info_, error_);
        progress_.progress_monitor = LimitScans;
        if (ReadHeader(&info_, &error_, bytes.data(), bytes.size()) == Stage::Failed) {
            if (error_.code == JERR_IMAGE_TOO_BIG)
                CheckImageLimits(name_, info_.image_width, info_.image_height, 4);
            Refuse();
        }
        CheckImageLimits(name_, info_.image_width, info_.image_height, 4);
        info_.progress = &progress_;
        // The decoder's own buffers (a progressive file holds every
        // coefficient) within the same limit as the pixels.
        info_.mem->max_memory_to_use = long(kMaxTextureBytes);
        switch (info_.jpeg_color_space) {
        case JCS_GRAYSCALE:
        case JCS_RGB:
        case JCS_YCbCr:
            info_.out_color_space = JCS_EXT_BGRA; // the byte order of A8R8G8B8, alpha 255
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            info_.out_color_space = JCS_CMYK;
            break;
        default:
            throw FileError(ErrorKind::Unsupported, name_, "JPEG colour space is neither grey, RGB nor CMYK");
        }
        CheckLongEnough(bytes.size());
        // libjpeg reads on to the end-of-image marker after the last row,
        // and a file that ends first is refused there (JWRN_JPEG_EOF): a
        // file cut short is found here instead, before its canvas exists.
        const auto start = reinterpret_cast<uintptr_t>(bytes.data());
        const auto coded = reinterpret_cast<uintptr_t>(info_.src->next_input_byte);
        if (coded < start || coded - start > bytes.size() || !HoldsEndOfImage(bytes, coded - start))
            throw FileError(ErrorKind::Malformed, name_, "JPEG cannot be read: the file ends before its image does");
        if (!jpeg_has_multiple_scans(&info_))
            DecodeSmallFirst(bytes);
        if (StartDecompression(&info_, &error_) == Stage::Failed)
            Refuse();
        header_ = {info_.image_width, info_.image_height, D3DFMT_A8R8G8B8};
    }

    void Fill(TextureImage& canvas, const RowsDecoded& rowsDecoded) override
    {
        BYTE* pixels = canvas.Surface(0, 0).data();
        const size_t rowPitch = canvas.Level(0).rowPitch;
        // Inks become colours only once every row is in.
        const bool cmyk = info_.out_color_space == JCS_CMYK;
        JDIMENSION end = 0;
        do {
            end += kRowsPerReport;
            if (ReadRows(&info_, &error_, pixels, rowPitch, end) == Stage::Failed)
                Refuse();
            if (rowsDecoded && !cmyk)
                rowsDecoded(info_.output_scanline);
        } while (info_.output_scanline < info_.output_height);
        if (cmyk) {
            CmykToBgra(pixels, size_t(header_.width) * header_.height);
            if (rowsDecoded)
                rowsDecoded(header_.height);
        }
    }

private:
    // A sequential Huffman-coded block takes at least two bits, one for its
    // DC difference and one for its AC coefficients (at least an
    // end-of-block code), so the file must hold a quarter byte per block of
    // every component. Progressive and arithmetic coding can code a block
    // in less and are not bounded here.
    void CheckLongEnough(size_t fileBytes) const
    {
        if (info_.progressive_mode || info_.arith_code)
            return;
        uint64_t blocks = 0;
        for (int c = 0; c < info_.num_components; ++c)
            blocks += uint64_t(info_.comp_info[c].width_in_blocks) * info_.comp_info[c].height_in_blocks;
        if (blocks / 4 > fileBytes)
            throw FileError(ErrorKind::Malformed, name_,
                            "JPEG file is too short for " + SizeText(info_.image_width, info_.image_height, 1) +
                                " pixels");
    }

    void DecodeSmallFirst(std::span<const BYTE> bytes) const
    {
        const uint64_t canvasBytes = uint64_t(info_.image_width) * info_.image_height * 4;
        if (canvasBytes <= kLookFirstAbove || canvasBytes / kLookFirstRatio <= bytes.size())
            return;
        Decompression small;
        JpegError error{};
        HandleErrors(small.info, error);
        std::vector<BYTE> row((size_t(info_.image_width) + 7) / 8 * 4);
        if (DecodeAtAnEighth(&small.info, &error, bytes.data(), bytes.size(), row.data()) == Stage::Failed)
            Refuse(error);
    }

    // Adobe's files, nearly all CMYK JPEGs, store the inks inverted.
    void CmykToBgra(BYTE* pixels, size_t count) const
    {
        const bool inverted = info_.saw_Adobe_marker;
        for (size_t i = 0; i < count; ++i) {
            BYTE* p = pixels + 4 * i;
            const unsigned c = inverted ? p[0] : 255u - p[0];
            const unsigned m = inverted ? p[1] : 255u - p[1];
            const unsigned y = inverted ? p[2] : 255u - p[2];
            const unsigned k = inverted ? p[3] : 255u - p[3];
            p[0] = Product(y, k);
            p[1] = Product(m, k);
            p[2] = Product(c, k);
            p[3] = 255;
        }
    }

    [[noreturn]] void Refuse() const { Refuse(error_); }
    [[noreturn]] void Refuse(const JpegError& error) const
    {
        throw FileError(CodeOf(error.code), name_, std::string("JPEG cannot be read: ") + error.text);
    }

    std::string name_;
    JpegError error_{};
    jpeg_progress_mgr progress_{};
    Decompression decompression_;
    jpeg_decompress_struct& info_ = decompression_.info;
};

} // namespace

std::unique_ptr<ImageDecoder> OpenJpeg(std::span<const BYTE> bytes, const std::string& name)
{
    return std::make_unique<JpegDecoder>(bytes, name);
}

} // namespace r3az8tex
