// What a texture file holds: from its header alone, enough to name the
// files its textures become before any pixel is read; or all that a
// program showing the file to a person says of it.
#pragma once

#include "r3az8/tex/files/other_readers.h"
#include "r3az8/tex/texture/texture_image.h"

#include <optional>
#include <utility>
#include <vector>
#include <span>
#include <string>

namespace r3az8tex {

struct FileShape {
    TextureKind kind;
    uint32_t depth;  // slices of a volume, 1 otherwise
    uint32_t layers; // textures of an array, 1 for a single texture
};

// A picture file (PNG, TGA, JPEG) is one 2D texture; a DDS file says in its
// header. Throws TextureError naming the file (Malformed, Unsupported) for a
// header its reader would refuse.
FileShape DescribeTextureFile(std::span<const BYTE> bytes, const std::string& name);

struct FileDescription {
    const char* container; // the container row's name: "dds", "png", ...
    D3DFORMAT format;
    TextureKind kind;
    uint32_t width, height, depth, levels;
    uint32_t layers; // textures of an array, 1 for a single texture
    ColourSpace colourSpace;
    // A DDS file: what decides which other programs read it.
    std::optional<ReaderQuery> readerQuery;
    // What the container's header says beyond the shape, as name and value
    // (a KTX2 file's VkFormat, data format descriptor and
    // supercompression), and its key/value data.
    std::vector<std::pair<std::string, std::string>> facts;
    std::vector<std::pair<std::string, std::string>> keys;
};

// The file checked as its reader checks it, without keeping the pixels: a
// DDS file's data is found to be there, not copied (its lenient readings
// reported with Warn); a picture is decoded. Throws TextureError naming the
// file, as reading it would.
FileDescription InspectTextureFile(std::span<const BYTE> bytes, const std::string& name);

} // namespace r3az8tex
