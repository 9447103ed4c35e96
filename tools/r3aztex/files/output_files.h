// Writing a converted texture: one DDS file, or PNG or EXR files of one
// level (one per cube face or volume slice).
#pragma once

#include "r3az8/tex/convert/level_pictures.h"
#include "r3az8/tex/convert/work_pool.h"
#include "r3az8/tex/files/dds_writer.h"
#include "r3az8/tex/files/image_file.h"
#include "r3az8/tex/texture/texture_image.h"
#include "tools/r3aztex/tool_error.h"

#include <span>
#include <string>
#include <vector>

namespace r3aztex {

// The files a texture of that kind and depth is written to: the path
// itself, or for PNG output of a cube "<stem>_posx.png" ... "_negz.png"
// and of a volume "<stem>_slice<N>.png".
std::vector<std::string> OutputNames(const std::string& path, FileType type, TextureKind kind, uint32_t slices);

// PNG samples: 8 bits, or as many as the texture's format holds.
using PngDepth = PictureDepth;

// Every file a texture (or `layers` textures of an array) is written to as
// `type`: for DDS the path itself; for PNG one picture per layer, face and
// slice, "<stem>_layer<L>" before the face or slice suffix.
std::vector<std::string> TextureOutputNames(const std::string& path, FileType type, TextureKind kind,
                                            uint32_t slices, uint32_t layers);

struct WrittenFiles {
    std::vector<std::string> names;
    std::string description; // "dds, dxt1, 2d 64x32, 7 levels" or "png, 8-bit rgba, 2d 64x32, level 0"
};

// The name texture `layer` of an array is written to: "NAME_layer3.dds"
// for layer 3 of NAME.dds.
std::string LayerName(const std::string& path, uint32_t layer);

// Writes the textures (one, or the layers of an array, all of one shape
// and format) to `path` as `type`: Dds, one file with the header `style`
// (an array always gets the DX10 header), or Png, level `level` of each
// layer, face and slice as its own picture, one-channel formats as grey
// and two-channel ones with blue 0. Ktx2 is one file like Dds, its levels
// Zstandard-compressed at `zstdLevel` unless that is 0. Exr is written the same way, in floats
// of `samples` (depth does not apply). Each file is written atomically
// ("-": to standard output).
WrittenFiles WriteTextures(std::span<const TextureImage> layers, const std::string& path, FileType type,
                           uint32_t level, PngDepth depth, dds::HeaderStyle style, WorkPool& pool,
                           FloatSamples samples = FloatSamples::Half, int zstdLevel = 0);

} // namespace r3aztex
