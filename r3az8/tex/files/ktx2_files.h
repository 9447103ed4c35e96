// KTX2 files (the Khronos Group's KTX 2.0 container): written and read
// whole, every level of every layer and face, optionally with Zstandard
// supercompression.
#pragma once

#include "r3az8/tex/files/ktx2_layout.h"
#include "r3az8/tex/texture/texture_image.h"
#include "r3az8/tex/texture_files.h"

#include <span>
#include <string>
#include <vector>

namespace r3az8tex::ktx2 {

// The file of one texture, or of the layers of an array (all of one
// shape): the format's VkFormat (its sRGB twin for an sRGB texture that has
// one), a matching descriptor (premultiplied for dxt2 and dxt4), the keys
// KTXorientation, KTXwriter and, for luminance, KTXswizzle, and the levels
// smallest first, Zstandard-compressed at options.zstdLevel when that is
// not 0. Throws TextureError: Unsupported for a format without a VkFormat,
// Request for a compression level outside 1..22 or layers that differ.
std::vector<BYTE> Write(std::span<const TextureImage> layers, const WriteOptions& options);

// Every texture the file holds (one, or an array's layers), after
// CheckLayout and the inflation of every level. Throws TextureError naming
// the file.
std::vector<TextureImage> Read(std::span<const BYTE> file, const std::string& name);

// CheckLayout's findings, the error naming the file.
Layout Describe(std::span<const BYTE> file, const std::string& name);

// What `info` shows beyond the shape: the VkFormat, the descriptor, the
// supercompression, as name and value pairs.
std::vector<std::pair<std::string, std::string>> Facts(const Layout& layout);

} // namespace r3az8tex::ktx2
