// Conversion of more than one texture at a time, and of a file's bytes:
// the decisions that hold for a whole array, and the choice to convert a
// large image while it is decoded.
#pragma once

#include "r3az8/tex/convert/convert_pipeline.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace r3az8tex {

// The textures of an array share one format, chosen once for all of them:
// where the automatic choice differs between them (DXT1 for the opaque
// ones, DXT5 for the others), all take the one that keeps every alpha.
// Settings that name a format, or a single texture, are returned as given.
ConvertSettings SettingsForLayers(const std::vector<TextureImage>& layers, ConvertSettings settings);

// Every texture converted with SettingsForLayers(layers, settings), in
// place, in order.
void ConvertLayers(std::vector<TextureImage>& layers, const ConvertSettings& settings, WorkPool& pool);

// The textures a file's bytes hold, converted. A large PNG, TGA or JPEG
// image is converted while it is decoded; anything else (a DDS file with
// its layers) is decoded whole first. `read`, when given, is told once the
// file has been read (for a file converted while decoded: when both are
// done); the bytes are not looked at after that, so a caller may free them
// there rather than hold them through the conversion. `name` is the file's name for messages. Throws TextureError.
std::vector<TextureImage> ConvertFileBytes(std::span<const BYTE> bytes, const std::string& name,
                                           const ConvertSettings& settings, WorkPool& pool,
                                           const std::function<void()>& read = {});

} // namespace r3az8tex
