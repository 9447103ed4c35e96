// Reads DDS files into TextureImage records. Nothing in the file is trusted:
// every size is recomputed from the dimensions and the format, and the data
// must be all there before anything is copied.
#pragma once

#include "tools/r3aztex/dds/dds_pixel_format.h"
#include "tools/r3aztex/texture/texture_image.h"

#include <span>
#include <string>

namespace r3aztex::dds {

// What the header says, checked against the file's length.
struct Description {
    D3DFORMAT format;
    Swizzle swizzle;
    TextureKind kind;
    uint32_t width;
    uint32_t height;
    uint32_t depth; // 1 unless a volume
    uint32_t levels;
    bool hasDx10Header;
    size_t paletteOffset; // 0 when the format has no palette
    size_t dataOffset;
    uint64_t dataBytes; // pixel data of every face and level
};

// Parses and checks the header. Throws ToolError, its message "NAME: reason":
// Malformed (exit 3) for a file that breaks the format's rules or is too
// short for what its header describes, Unsupported (exit 4) for a valid
// file the tool does not handle, including textures beyond the limits of
// texture_image.h.
Description Describe(std::span<const BYTE> file, const std::string& name);

// Describe, then copies the pixel data (and palette) out of the file.
TextureImage Read(std::span<const BYTE> file, const std::string& name);

} // namespace r3aztex::dds
