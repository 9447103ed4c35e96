// The pixel operations of the tool, each carried out by the texture library
// on the software device inside one LibrarySession: format conversion,
// resampling and mip-chain generation.
#pragma once

#include "r3az8/tex/image_desc.h"
#include "tools/r3aztex/texture/texture_image.h"

#include <optional>

namespace r3aztex {

using Palette = std::array<PALETTEENTRY, 256>;

struct LoadOptions {
    DWORD filter = IMAGE_FILTER_TRIANGLE; // the load operations' filter word
    D3DCOLOR colorKey = 0;
    // The palette a P8 or A8P8 destination is encoded against.
    std::optional<Palette> destinationPalette;
};

// The first `levels` levels of every face of the source, each converted
// into `format` (same sizes) with LoadSurfaceFromSurface or
// LoadVolumeFromVolume. The source palette, if any, is passed along.
TextureImage ConvertLevels(const TextureImage& source, D3DFORMAT format, uint32_t levels, const LoadOptions& options);

// A texture of the given format and size with `levels` levels, whose level
// 0 of every face is the source's level 0 resampled with options.filter;
// the lower levels are left zero for GenerateMips.
TextureImage ResampleTop(const TextureImage& source, D3DFORMAT format, uint32_t width, uint32_t height,
                         uint32_t depth, uint32_t levels, const LoadOptions& options);

// Rebuilds every level below 0 from level 0 with FilterTexture. The filter
// may be IMAGE_FILTER_DEFAULT, which lets the library choose.
void GenerateMips(TextureImage& texture, DWORD filter);

} // namespace r3aztex
