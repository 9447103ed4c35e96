#include "r3az8/tex/convert/input_assembly.h"

#include "r3az8/tex/convert/library_operations.h"
#include "r3az8/tex/texture/texture_error.h"

#include <cstring>

namespace r3az8tex {
namespace {

bool SamePalette(const TextureImage& a, const TextureImage& b)
{
    if (a.palette.has_value() != b.palette.has_value())
        return false;
    return !a.palette || std::memcmp(a.palette->data(), b.palette->data(), sizeof(Palette)) == 0;
}

// Level 0 of every image in one common format: their own when they all
// share it (and its palette), A16R16G16B16 otherwise.
std::vector<TextureImage> CommonFormat(const std::vector<TextureImage>& images, const std::vector<std::string>& names)
{
    bool alike = true;
    for (size_t i = 0; i < images.size(); ++i) {
        if (images[i].kind != TextureKind::Flat)
            throw FileError(ErrorKind::Unsupported, names[i],
                            "is a " + std::string(KindName(images[i].kind)) +
                                " texture; only 2D images can be cube faces, volume slices or array textures");
        if (images[i].width != images[0].width || images[i].height != images[0].height)
            throw FileError(ErrorKind::Unsupported, names[i],
                            "is " + std::to_string(images[i].width) + "x" + std::to_string(images[i].height) +
                                ", but " + names[0] + " is " + std::to_string(images[0].width) + "x" +
                                std::to_string(images[0].height));
        alike = alike && images[i].format == images[0].format && SamePalette(images[i], images[0]);
    }
    if (alike)
        return images;
    std::vector<TextureImage> out;
    for (const TextureImage& image : images)
        out.push_back(ConvertLevels(image, FMT_A16R16G16B16, 1, LoadOptions{}));
    return out;
}

} // namespace

TextureImage AssembleCube(const std::vector<TextureImage>& faces, const std::vector<std::string>& names)
{
    if (faces.size() != 6)
        throw TextureError(ErrorKind::Request, "--cube takes six inputs (+x, -x, +y, -y, +z, -z), not " +
                                                   std::to_string(faces.size()));
    const std::vector<TextureImage> common = CommonFormat(faces, names);
    if (common[0].width != common[0].height)
        throw FileError(ErrorKind::Unsupported, names[0], "cube faces must be square");
    TextureImage cube = MakeTexture(common[0].format, TextureKind::Cube, common[0].width, common[0].height, 1, 1);
    cube.palette = common[0].palette;
    for (uint32_t face = 0; face < 6; ++face)
        cube.Surface(face, 0) = common[face].Surface(0, 0);
    return cube;
}

TextureImage AssembleVolume(const std::vector<TextureImage>& slices, const std::vector<std::string>& names)
{
    if (slices.empty() || slices.size() > kMaxSide)
        throw TextureError(ErrorKind::Request, "--volume takes 1 to " + std::to_string(kMaxSide) + " slices");
    const std::vector<TextureImage> common = CommonFormat(slices, names);
    TextureImage volume = MakeTexture(common[0].format, TextureKind::Volume, common[0].width, common[0].height,
                                      static_cast<uint32_t>(common.size()), 1);
    volume.palette = common[0].palette;
    std::vector<BYTE>& level = volume.Surface(0, 0);
    const size_t sliceBytes = common[0].Surface(0, 0).size();
    for (size_t slice = 0; slice < common.size(); ++slice)
        std::memcpy(level.data() + slice * sliceBytes, common[slice].Surface(0, 0).data(), sliceBytes);
    return volume;
}

std::vector<TextureImage> AssembleArray(const std::vector<TextureImage>& images, const std::vector<std::string>& names)
{
    if (images.size() < 2)
        throw TextureError(ErrorKind::Request, "--array takes two or more inputs, not " +
                                                   std::to_string(images.size()));
    std::vector<TextureImage> layers;
    for (const TextureImage& image : CommonFormat(images, names)) {
        // Level 0 of each, as for cube faces and volume slices: the
        // array's chain is made for all its textures alike.
        TextureImage layer = MakeTexture(image.format, TextureKind::Flat, image.width, image.height, 1, 1);
        layer.palette = image.palette;
        layer.colourSpace = image.colourSpace;
        layer.Surface(0, 0) = image.Surface(0, 0);
        layers.push_back(std::move(layer));
    }
    return layers;
}

} // namespace r3az8tex
