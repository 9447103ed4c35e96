// What the PNG reader and writer share: libpng's error reports turned into
// a kept message and a status, and the owner of libpng's structures.
//
// libpng reports errors by longjmp, so the calls that may fail live in
// functions whose frames hold nothing with a destructor and that return a
// PngStage; the C++ side only sees that status and the message.
#pragma once

#include <png.h>

#include <cstdio>

namespace r3az8tex {

struct PngErrorText {
    char text[200];
};

enum class PngStage { Ok, Failed };

// libpng's error callback: keeps the message, then leaves by longjmp as
// libpng requires.
inline void RecordPngError(png_structp png, png_const_charp message)
{
    auto* error = static_cast<PngErrorText*>(png_get_error_ptr(png));
    std::snprintf(error->text, sizeof error->text, "%s", message);
    png_longjmp(png, 1);
}

inline void IgnorePngWarning(png_structp, png_const_charp) {}

enum class PngDirection { Read, Write };

// Owns libpng's structures for one image read or written; `info` is null
// when they could not be made.
template <PngDirection Direction>
class PngStructures {
public:
    explicit PngStructures(PngErrorText* error)
    {
        if constexpr (Direction == PngDirection::Read)
            png = png_create_read_struct(PNG_LIBPNG_VER_STRING, error, RecordPngError, IgnorePngWarning);
        else
            png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, RecordPngError, IgnorePngWarning);
        if (png != nullptr)
            info = png_create_info_struct(png);
    }
    ~PngStructures()
    {
        png_infopp infoHolder = info != nullptr ? &info : nullptr;
        if constexpr (Direction == PngDirection::Read)
            png_destroy_read_struct(&png, infoHolder, nullptr);
        else
            png_destroy_write_struct(&png, infoHolder);
    }
    PngStructures(const PngStructures&) = delete;
    PngStructures& operator=(const PngStructures&) = delete;

    png_structp png = nullptr;
    png_infop info = nullptr;
};

} // namespace r3az8tex
