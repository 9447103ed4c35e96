// PNG output through libpng, with the longjmp discipline of png_structures.h.
#include "r3az8/tex/files/image_file.h"

#include "r3az8/tex/files/png_structures.h"
#include "r3az8/tex/texture/texture_error.h"

#include <csetjmp>
#include <cstring>
#include <new>

namespace r3az8tex {
namespace {

void AppendToVector(png_structp png, png_bytep data, png_size_t count)
{
    auto* out = static_cast<std::vector<BYTE>*>(png_get_io_ptr(png));
    try {
        out->insert(out->end(), data, data + count);
    } catch (const std::bad_alloc&) {
        png_error(png, "out of memory");
    }
}

void FlushNothing(png_structp) {}

struct PngSettings {
    png_uint_32 width;
    png_uint_32 height;
    int bitDepth;
    bool withAlpha;
};

// The input rows are B, G, R, A samples (16-bit ones little-endian); libpng
// reorders them and, without alpha, drops the fourth sample.
PngStage WriteAll(png_structp png, png_infop info, const PngSettings* settings, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return PngStage::Failed;
    png_set_IHDR(png, info, settings->width, settings->height, settings->bitDepth,
                 settings->withAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    if (settings->bitDepth == 16)
        png_set_swap(png);
    if (!settings->withAlpha)
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return PngStage::Ok;
}

using WriteStructures = PngStructures<PngDirection::Write>;

} // namespace

std::vector<BYTE> EncodePng(const TextureImage& image, AlphaOutput alpha)
{
    if (image.kind != TextureKind::Flat ||
        (image.format != D3DFMT_A8R8G8B8 && image.format != D3DFMT_X8R8G8B8 && image.format != FMT_A16R16G16B16))
        throw TextureError(ErrorKind::Internal, "PNG encoder given a " + FormatName(image.format) + " texture");
    PngErrorText error{};
    WriteStructures structures(&error);
    if (structures.info == nullptr)
        throw TextureError(ErrorKind::Internal, "cannot set up the PNG encoder");
    std::vector<BYTE> out;
    png_set_write_fn(structures.png, &out, AppendToVector, FlushNothing);

    const LevelLayout layout = image.Level(0);
    std::vector<png_bytep> rows(layout.height);
    // libpng only reads the rows, whatever its prototype says.
    BYTE* pixels = const_cast<BYTE*>(image.Surface(0, 0).data());
    for (uint32_t y = 0; y < layout.height; ++y)
        rows[y] = pixels + size_t(y) * layout.rowPitch;
    const PngSettings settings{layout.width, layout.height, image.format == FMT_A16R16G16B16 ? 16 : 8,
                               alpha == AlphaOutput::Keep && image.format != D3DFMT_X8R8G8B8};
    if (WriteAll(structures.png, structures.info, &settings, rows.data()) == PngStage::Failed)
        throw TextureError(ErrorKind::Internal, std::string("PNG encoding failed: ") + error.text);
    return out;
}

} // namespace r3az8tex
