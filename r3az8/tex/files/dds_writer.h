// Writes TextureImage records as DDS files: with the classic header, which
// every DDS reader understands, or with the DX10 header, which can also
// say that colours are sRGB-encoded and name the newer formats.
#pragma once

#include "r3az8/tex/files/dds_header.h"
#include "r3az8/tex/texture/texture_image.h"
#include "r3az8/tex/texture_files.h"

#include <span>
#include <vector>

namespace r3az8tex::dds {

// Classic: the legacy header for every format that has a classic
// description, the DX10 header for the formats only it can name (BC6H,
// BC7, R11G11B10 ...). Dx10: the DX10 header for every format.
using HeaderStyle = DdsHeader;

// The header a texture is written with: flags, pitch (uncompressed) or
// linear size (block formats), mip count, caps for mips, cube maps and
// volumes, and the format's pixel-format description from the format
// table, in the spelling other readers understand (header_habits.h), or
// the DX10 marker.
Header MakeHeader(const TextureImage& texture, HeaderStyle style = HeaderStyle::Classic);

// The whole file: magic, header, DX10 header when used, palette (P8 and
// A8P8; all opaque white when the texture has none, which is how the
// library reads a format without palette), then every face with its mips.
// Throws TextureError (Unsupported) when a DX10 header is asked for a format
// that has no DXGI form.
std::vector<BYTE> Write(const TextureImage& texture, HeaderStyle style = HeaderStyle::Classic);

// A texture array: textures of one shape and format one after another, each
// with its faces and levels, under a DX10 header that counts them (any
// style gives one when there are several). One texture is Write's file.
std::vector<BYTE> WriteArray(std::span<const TextureImage> layers, HeaderStyle style = HeaderStyle::Classic);

// Whether the file WriteArray makes of the layers with `style` has the DX10
// header (asked for, an array, or a format only it names): the only header
// that records that colours are sRGB-encoded.
bool WritesDx10Header(std::span<const TextureImage> layers, HeaderStyle style);

} // namespace r3az8tex::dds
