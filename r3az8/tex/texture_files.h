// Reading and writing texture files, whatever their container: DDS, KTX2,
// PNG and OpenEXR (read and written), TGA, JPEG and Radiance (read).
//
//   ReadTextureFile(path)          the texture in the file; an array is refused.
//   ReadTextureLayers(path)        every texture in the file: one, or the
//                                  elements of a DDS texture array in order.
//   DecodeTextureFile(data, size, name), DecodeTextureLayers(data, size, name)
//                                  the same for a file already in memory;
//                                  `name` is used for messages and, for a
//                                  file without a signature (TGA), its ending.
//   WriteTextureFile(path, texture, options), WriteTextureLayers(path, layers, options)
//                                  writes the file of the container the
//                                  path's ending names (".dds", ".png"). The
//                                  file is written under a temporary name in
//                                  the same folder and renamed over the
//                                  target at the end, so a failure leaves no
//                                  half-written file under the target's name.
//   EncodeTextureFile(container, texture, options), EncodeTextureLayers(container, layers, options)
//                                  the file's bytes, the container named by
//                                  its name or an ending ("dds", ".png",
//                                  "jpg" ...).
//
// PNG, TGA and JPEG files read as one-level 2D textures in A8R8G8B8, or
// A16R16G16B16 for 16-bit PNG files; OpenEXR files (their first part, top
// level) in A16B16G16R16F when every channel is half, A32B32G32R32F
// otherwise, and Radiance files (.hdr, .pic) in A32B32G32R32F. A DDS
// file keeps its format, faces, slices, levels and palette; a KTX2 file
// its format (by VkFormat), faces, slices, levels and layers, its levels
// inflated when they are Zstandard-compressed. Everything read is checked against the limits
// of r3az8/tex/texture.h before its pixels are allocated. A DDS file that
// bends the rules in a known, harmless way is read, with a warning line
// ("FILE: warning: what") on standard error.
//
// A PNG file is level 0 of a 2D texture in A8R8G8B8, X8R8G8B8 or
// A16R16G16B16 (convert other formats first); a DDS file holds any texture
// of the library's formats, and several of one shape (an array) under the
// DX10 header; a KTX2 file any texture or array of the formats that have a
// VkFormat (the others are refused as Unsupported, by name); an OpenEXR
// file is level 0 of a 2D texture in A32B32G32R32F or A16B16G16R16F, in
// half or float samples as WriteOptions::floatSamples says.
//
// Every call throws TextureError naming the file: FileAccess when it cannot
// be opened, read or written, Malformed for a damaged file, Unsupported for
// a valid one beyond what is handled (or a container that is only read),
// Request for a container name that names none or a texture whose
// surfaces do not match its shape (one from MakeTexture always does).
//
// Needs C++17.
#pragma once

#include "r3az8/tex/texture.h"

#include <cstddef>
#include <string>
#include <vector>

namespace r3az8tex {

// The DDS header: Classic, which every DDS reader understands, for every
// format that has a classic description (the others get DX10 anyway), or
// Dx10 for every format, which also records that colours are sRGB-encoded.
// An array always gets the DX10 header.
enum class DdsHeader { Classic, Dx10 };

// PNG samples: as many bits as the texture's format holds (8, or 16 for
// A16R16G16B16), or 8 whatever it holds.
enum class SampleDepth { OfFormat, Eight };

// PNG colour: RGBA, or RGB with the alpha dropped. X8R8G8B8 is always RGB.
enum class AlphaOutput { Keep, Drop };

// EXR samples: 16-bit half floats, or 32-bit floats.
enum class FloatSamples { Half, Float };

// How a file is written. Each container heeds the options that apply to it
// and ignores the others.
struct WriteOptions {
    DdsHeader ddsHeader = DdsHeader::Classic;
    SampleDepth samples = SampleDepth::OfFormat;
    AlphaOutput alpha = AlphaOutput::Keep;
    // KTX2: Zstandard supercompression of every level at this level, 1
    // (fastest) to 22 (smallest); 0 stores the levels as they are.
    int zstdLevel = 0;
    FloatSamples floatSamples = FloatSamples::Half;
};

TextureImage ReadTextureFile(const std::string& path);
std::vector<TextureImage> ReadTextureLayers(const std::string& path);

TextureImage DecodeTextureFile(const BYTE* data, size_t size, const std::string& name);
std::vector<TextureImage> DecodeTextureLayers(const BYTE* data, size_t size, const std::string& name);

void WriteTextureFile(const std::string& path, const TextureImage& texture,
                      const WriteOptions& options = WriteOptions());
void WriteTextureLayers(const std::string& path, const std::vector<TextureImage>& layers,
                        const WriteOptions& options = WriteOptions());

std::vector<BYTE> EncodeTextureFile(const std::string& container, const TextureImage& texture,
                                    const WriteOptions& options = WriteOptions());
std::vector<BYTE> EncodeTextureLayers(const std::string& container, const std::vector<TextureImage>& layers,
                                      const WriteOptions& options = WriteOptions());

} // namespace r3az8tex
