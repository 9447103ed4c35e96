// PNG input through libpng. libpng reports errors by longjmp, so the calls
// that may fail live in functions whose frames hold nothing with a
// destructor; the C++ side only sees a status and a message.
#include "tools/r3aztex/image_io/image_file.h"

#include "tools/r3aztex/tool_error.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace r3aztex {
namespace {

struct MemoryReader {
    const BYTE* data;
    size_t size;
    size_t position;
};

struct ErrorText {
    char text[200];
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count)
{
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (count > reader->size - reader->position)
        png_error(png, "file ends too early");
    std::memcpy(out, reader->data + reader->position, count);
    reader->position += count;
}

void RecordError(png_structp png, png_const_charp message)
{
    auto* error = static_cast<ErrorText*>(png_get_error_ptr(png));
    std::snprintf(error->text, sizeof error->text, "%s", message);
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

struct PngShape {
    png_uint_32 width;
    png_uint_32 height;
    int bitDepth; // 8 or 16 after the transformations
};

enum class Stage { Ok, Failed };

// Reads the header and sets up the transformations that turn every PNG
// colour type into B, G, R, A samples of 8 or 16 bits, 16-bit ones in
// little-endian order: the byte layouts of A8R8G8B8 and A16R16G16B16.
Stage ReadHeader(png_structp png, png_infop info, PngShape* shape)
{
    if (setjmp(png_jmpbuf(png)))
        return Stage::Failed;
    png_read_info(png, info);
    int bitDepth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(png, info, &shape->width, &shape->height, &bitDepth, &colourType, &interlace, nullptr, nullptr);
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (!(colourType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_add_alpha(png, 0xFFFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
    if (bitDepth == 16)
        png_set_swap(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    shape->bitDepth = png_get_bit_depth(png, info);
    return Stage::Ok;
}

Stage ReadRows(png_structp png, png_infop info, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return Stage::Failed;
    png_read_image(png, rows);
    png_read_end(png, info);
    return Stage::Ok;
}

// Owns the libpng read structures.
class ReadStructures {
public:
    explicit ReadStructures(ErrorText* error)
    {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, error, RecordError, IgnoreWarning);
        if (png != nullptr)
            info = png_create_info_struct(png);
    }
    ~ReadStructures() { png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr); }
    ReadStructures(const ReadStructures&) = delete;
    ReadStructures& operator=(const ReadStructures&) = delete;

    png_structp png = nullptr;
    png_infop info = nullptr;
};

} // namespace

TextureImage DecodePng(std::span<const BYTE> bytes, const std::string& name)
{
    ErrorText error{};
    ReadStructures structures(&error);
    if (structures.info == nullptr)
        throw FileError(ExitCode::Internal, name, "cannot set up the PNG decoder");
    MemoryReader reader{bytes.data(), bytes.size(), 0};
    png_set_read_fn(structures.png, &reader, ReadFromMemory);
    // Refuse absurd sizes before anything is allocated for them.
    png_set_user_limits(structures.png, kMaxSide, kMaxSide);

    PngShape shape{};
    if (ReadHeader(structures.png, structures.info, &shape) == Stage::Failed) {
        const bool tooLarge = std::strstr(error.text, "exceeds user limit") != nullptr ||
                              std::strstr(error.text, "too large") != nullptr;
        throw FileError(tooLarge ? ExitCode::Unsupported : ExitCode::Malformed, name,
                        std::string("PNG ") + (tooLarge ? "too large: " : "is damaged: ") + error.text);
    }
    const D3DFORMAT format = shape.bitDepth == 16 ? FMT_A16R16G16B16 : D3DFMT_A8R8G8B8;
    TextureImage texture = MakeTexture(format, TextureKind::Flat, shape.width, shape.height, 1, 1);
    const LevelLayout layout = texture.Level(0);
    if (png_get_rowbytes(structures.png, structures.info) != layout.rowPitch)
        throw FileError(ExitCode::Internal, name, "PNG rows do not have the expected size");
    std::vector<png_bytep> rows(shape.height);
    BYTE* pixels = texture.Surface(0, 0).data();
    for (png_uint_32 y = 0; y < shape.height; ++y)
        rows[y] = pixels + size_t(y) * layout.rowPitch;
    if (ReadRows(structures.png, structures.info, rows.data()) == Stage::Failed)
        throw FileError(ExitCode::Malformed, name, std::string("PNG is damaged: ") + error.text);
    return texture;
}

} // namespace r3aztex
