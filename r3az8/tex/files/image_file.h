// Reading textures from DDS, PNG, TGA and JPEG files, and writing PNG.
#pragma once

#include "r3az8/tex/texture/texture_image.h"

#include <span>
#include <string>
#include <vector>

namespace r3az8tex {

enum class FileType { Dds, Png, Tga, Jpeg, Unknown };

// The longest signature, PNG's.
inline constexpr size_t kSignatureBytes = 8;

// By the file's first bytes (kSignatureBytes of them are enough); without a
// signature by the name's ending (FileTypeOfName), so that TGA, which has
// none, is found, and a damaged .png is read, and refused, as PNG.
FileType DetectFileType(std::span<const BYTE> bytes, const std::string& name);
// By the ending alone (".dds", ".png", ...; any letter case).
FileType FileTypeOfName(const std::string& name);

// Every texture a file holds: one, or the elements of a DDS texture array
// in order. PNG, TGA and JPEG give a one-level 2D texture in A8R8G8B8, or
// A16R16G16B16 for 16-bit PNG files (see image_decoder.h). A DDS file read
// leniently is reported with Warn. Throws TextureError naming the file:
// FileAccess, Malformed, Unsupported (also for sizes beyond the limits,
// refused before the pixels are allocated).
std::vector<TextureImage> ReadTextureLayers(const std::string& path);
std::vector<TextureImage> DecodeTextureLayers(std::span<const BYTE> bytes, const std::string& name);

// The same for a file of one texture; an array is refused (Unsupported).
TextureImage ReadTextureFile(const std::string& path);
TextureImage DecodeTexture(std::span<const BYTE> bytes, const std::string& name);

enum class AlphaOutput { Keep, Drop };
// Level 0 of a 2D texture in A8R8G8B8 or X8R8G8B8 (8-bit samples) or
// A16R16G16B16 (16-bit samples) as a PNG file in RGBA, or RGB when the
// alpha is dropped.
std::vector<BYTE> EncodePng(const TextureImage& image, AlphaOutput alpha);

} // namespace r3az8tex
