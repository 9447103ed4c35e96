// Writes TextureImage records as DDS files with the legacy header, which
// every DDS reader understands.
#pragma once

#include "tools/r3aztex/dds/dds_header.h"
#include "tools/r3aztex/texture/texture_image.h"

#include <vector>

namespace r3aztex::dds {

// The header a texture is written with: flags, pitch (uncompressed) or
// linear size (DXT), mip count, caps for mips, cube maps and volumes, and
// the format's pixel-format description from the format table, in the
// spelling other readers understand (header_habits.h).
Header MakeHeader(const TextureImage& texture);

// The whole file: magic, header, palette (P8 and A8P8; all opaque white
// when the texture has none, which is how the library reads a format
// without palette), then every face with its mips.
std::vector<BYTE> Write(const TextureImage& texture);

} // namespace r3aztex::dds
