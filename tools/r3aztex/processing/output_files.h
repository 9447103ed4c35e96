// Writing a converted texture: one DDS file, or PNG files of one level
// (one per cube face or volume slice).
#pragma once

#include "tools/r3aztex/dds/dds_writer.h"
#include "tools/r3aztex/image_io/image_file.h"
#include "tools/r3aztex/texture/texture_image.h"
#include "tools/r3aztex/util/work_pool.h"

#include <string>
#include <vector>

namespace r3aztex {

// The files a texture of that kind and depth is written to: the path
// itself, or for PNG output of a cube "<stem>_posx.png" ... "_negz.png"
// and of a volume "<stem>_slice<N>.png".
std::vector<std::string> OutputNames(const std::string& path, FileType type, TextureKind kind, uint32_t slices);

// PNG samples: 8 bits, or as many as the texture's format holds (16 for
// formats of more than 8 bits a channel).
enum class PngDepth { Eight, OfFormat };

struct WrittenFiles {
    std::vector<std::string> names;
    std::string description; // "dds, dxt1, 2d 64x32, 7 levels" or "png, 8-bit rgba, 2d 64x32, level 0"
};

// The name texture `layer` of an array is written to: "NAME_layer3.dds"
// for layer 3 of NAME.dds.
std::string LayerName(const std::string& path, uint32_t layer);

// Writes the texture to `path` as `type` (Dds, with the header `style`, or
// Png); `level` picks the level for PNG. Each file is written atomically
// ("-": to standard output).
WrittenFiles WriteTexture(const TextureImage& texture, const std::string& path, FileType type, uint32_t level,
                          PngDepth depth, dds::HeaderStyle style, WorkPool& pool);

} // namespace r3aztex
