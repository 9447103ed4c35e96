// Reading textures from files of any container (containers.h), and
// writing PNG.
#pragma once

#include "r3az8/tex/files/containers.h"
#include "r3az8/tex/texture/texture_image.h"
#include "r3az8/tex/texture_files.h"

#include <span>
#include <string>
#include <vector>

namespace r3az8tex {

// By the file's first bytes (kHeadBytes of them are enough); without a
// signature by the name's ending (FileTypeOfName), so that TGA, which has
// none, is found, and a damaged .png is read, and refused, as PNG.
FileType DetectFileType(std::span<const BYTE> bytes, const std::string& name);
// By the ending alone (".dds", ".png", ...; any letter case).
FileType FileTypeOfName(const std::string& name);

// DecodeTextureLayers and DecodeTextureFile of texture_files.h over the
// bytes. A DDS file read leniently is reported with Warn.
std::vector<TextureImage> DecodeTextureLayers(std::span<const BYTE> bytes, const std::string& name);
TextureImage DecodeTexture(std::span<const BYTE> bytes, const std::string& name);

// Level 0 of a 2D texture in A8R8G8B8 or X8R8G8B8 (8-bit samples) or
// A16R16G16B16 (16-bit samples) as a PNG file in RGBA, or RGB when the
// alpha is dropped.
std::vector<BYTE> EncodePng(const TextureImage& image, AlphaOutput alpha);

} // namespace r3az8tex
