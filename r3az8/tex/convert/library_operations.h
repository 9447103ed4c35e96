// The pixel operations of a conversion, each carried out by the texture library
// inside one LibrarySession: format conversion, resampling, and loading
// bands of rows (these in memory, without the session's device, where the
// rows hold whole pixels or blocks).
#pragma once

#include "r3az8/tex/convert/device_texture.h"
#include "r3az8/tex/convert/library_session.h"
#include "r3az8/tex/image_desc.h"
#include "r3az8/tex/texture/texture_image.h"

#include <optional>

namespace r3az8tex {

using Palette = std::array<PALETTEENTRY, 256>;

struct LoadOptions {
    DWORD filter = IMAGE_FILTER_TRIANGLE; // the load operations' filter word
    D3DCOLOR colorKey = 0;
    // The palette a P8 or A8P8 destination is encoded against.
    std::optional<Palette> destinationPalette;
};


// Loads one face and level of a device texture from a level of the image in
// memory with LoadSurfaceFromMemory or LoadVolumeFromMemory; the sizes may
// differ (the filter resamples). The image's palette is the source palette.
void LoadLevel(LibrarySession& session, DeviceTexture& destination, uint32_t face, uint32_t destinationLevel,
               const TextureImage& source, uint32_t sourceLevel, const LoadOptions& options);

// The first `levels` levels of every face of the source, each converted
// into `format` (same sizes) with LoadSurfaceFromMemory or
// LoadVolumeFromMemory. The source palette, if any, is passed along.
TextureImage ConvertLevels(const TextureImage& source, D3DFORMAT format, uint32_t levels, const LoadOptions& options,
                           CopyBound bound = CopyBound::Result);

// A one-level texture of the given format and size whose every face is the
// source's level 0 resampled with options.filter.
TextureImage ResampleTop(const TextureImage& source, D3DFORMAT format, uint32_t width, uint32_t height,
                         uint32_t depth, const LoadOptions& options);

// Rows of an image in memory, all of it or a band: the address of the
// first row (of pixels, or of 4x4 blocks), the bytes from one row to the
// next, the format and the size in pixels.
struct PixelRows {
    BYTE* data;
    size_t pitch;
    D3DFORMAT format;
    uint32_t width;
    uint32_t height;
    // The height of the whole image the rows belong to: the block encoder
    // treats the 4x4 blocks of an image one or two rows high differently
    // from the last, partial blocks of a taller one.
    uint32_t imageHeight;
};

struct SourceRows {
    const BYTE* data;
    size_t pitch;
    D3DFORMAT format;
    uint32_t width;
    uint32_t height;
    const PALETTEENTRY* palette = nullptr;
};

SourceRows ReadOnly(const PixelRows& rows);
// The rows of a whole image of that format and size, packed.
PixelRows WholeRows(BYTE* data, D3DFORMAT format, uint32_t width, uint32_t height);

// Rows [firstRow, firstRow + rowCount) of one face and level of a flat or
// cube texture; firstRow is a multiple of 4 for block formats.
PixelRows LevelRows(TextureImage& texture, uint32_t face, uint32_t level, uint32_t firstRow, uint32_t rowCount);
SourceRows LevelRows(const TextureImage& texture, uint32_t face, uint32_t level, uint32_t firstRow,
                     uint32_t rowCount);

// Loads `to` from `from` as LoadSurfaceFromMemory loads a surface of the
// rows' size, or for the last one or two rows of a taller block-compressed
// image, a whole block row of which they are the top, so that they are
// encoded as the same rows of the whole image would be. The sizes may
// differ: the filter word resamples. Pixels and blocks are written in
// place (LoadMemoryFromMemory: `to` starts zeroed, or holds the blocks a
// partial block row is the top of); pixel pairs and palette indices go
// through a surface of the session's device whose rows are then copied.
void LoadRows(LibrarySession& session, const PixelRows& to, const SourceRows& from, const LoadOptions& options);

} // namespace r3az8tex
