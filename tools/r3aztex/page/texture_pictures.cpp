#include "tools/r3aztex/page/texture_pictures.h"

#include "r3az8/tex/convert/library_operations.h"
#include "r3az8/tex/files/image_file.h"
#include "r3az8/tex/pixel_formats.h"
#include "tools/r3aztex/files/input_order.h"
#include "tools/r3aztex/page/page_text.h"
#include "tools/r3aztex/page/picture_size.h"
#include "tools/r3aztex/util/json_text.h"

#include <cstring>

namespace r3aztex {
namespace {

// What a picture is decoded into before it is inlined.
struct Decoding {
    D3DFORMAT format;
    uint32_t pixelBytes;
    uint64_t limitPixels;
};
constexpr Decoding kEightBit{D3DFMT_A8R8G8B8, 4, kFullPicturePixels};
constexpr Decoding kHalfFloat{FMT_A16B16G16R16F, 8, kFullFloatPicturePixels};

bool HoldsFloats(const TextureImage& texture) { return texture.Format().content == Content::Float; }

LoadOptions Exact()
{
    // Same size in and out: the filter only decides that no sample is
    // blended with another.
    LoadOptions options;
    options.filter = IMAGE_FILTER_NONE;
    return options;
}

// One slice of one face and level of a decoded (packed) texture as a 2D
// texture of its own.
TextureImage SlicePicture(const TextureImage& decoded, uint32_t face, uint32_t level, uint32_t slice)
{
    const LevelLayout layout = decoded.Level(level);
    TextureImage picture = MakeTexture(decoded.format, TextureKind::Flat, layout.width, layout.height, 1, 1);
    std::memcpy(picture.Surface(0, 0).data(), decoded.Surface(face, level).data() + slice * layout.slicePitch,
                layout.slicePitch);
    return picture;
}

// The picture at `size`, downscaled by the library when it is smaller.
TextureImage AtSize(TextureImage picture, PictureSize size)
{
    if (size.width == picture.width && size.height == picture.height)
        return picture;
    LoadOptions options;
    options.filter = IMAGE_FILTER_TRIANGLE;
    return ResampleTop(picture, picture.format, size.width, size.height, 1, options);
}

std::string PngUri(const TextureImage& picture)
{
    return DataUri("image/png", EncodePng(picture, AlphaOutput::Drop));
}

// The alpha of an A8R8G8B8 picture as a grey PNG, or null when every pixel
// is opaque.
std::string AlphaUri(const TextureImage& picture)
{
    const std::vector<BYTE>& pixels = picture.Surface(0, 0);
    bool opaque = true;
    for (size_t i = 3; i < pixels.size() && opaque; i += 4)
        opaque = pixels[i] == 255;
    if (opaque)
        return "null";
    TextureImage grey = picture;
    std::vector<BYTE>& greyPixels = grey.Surface(0, 0);
    for (size_t i = 0; i < greyPixels.size(); i += 4) {
        std::memset(&greyPixels[i], greyPixels[i + 3], 3);
        greyPixels[i + 3] = 255;
    }
    return JsonString(PngUri(grey));
}

std::string Label(const TextureImage& texture, size_t layerCount, uint32_t layer, uint32_t face, uint32_t level,
                  uint32_t slice)
{
    const LevelLayout layout = texture.Level(level);
    std::string label = layerCount > 1 ? "layer " + std::to_string(layer) + ", " : "";
    if (texture.kind == TextureKind::Cube)
        label += std::string("face ") + kCubeFaceSigns[face] + ", ";
    label += "level " + std::to_string(level);
    if (texture.kind == TextureKind::Volume)
        label += ", slice " + std::to_string(slice) + " of " + std::to_string(layout.depth);
    return label + " (" + SizeText(layout.width, layout.height, 1) + ")";
}

} // namespace

std::string TexturePicturesJson(std::span<const TextureImage> layers, LevelChoice levels)
{
    const bool floats = !layers.empty() && HoldsFloats(layers[0]);
    const Decoding decoding = floats ? kHalfFloat : kEightBit;
    bool reduced = false;
    std::string pictures;
    for (uint32_t layer = 0; layer < layers.size(); ++layer) {
        const TextureImage& texture = layers[layer];
        const uint32_t levelCount = levels == LevelChoice::Every ? texture.levels : 1;
        const TextureImage decoded = ConvertLevels(texture, decoding.format, levelCount, Exact());
        for (uint32_t face = 0; face < texture.Faces(); ++face)
            for (uint32_t level = 0; level < levelCount; ++level) {
                const LevelLayout layout = decoded.Level(level);
                for (uint32_t slice = 0; slice < layout.depth; ++slice) {
                    const PictureSize shown = ShownSize(layout.width, layout.height, decoding.limitPixels);
                    reduced |= shown.width != layout.width;
                    const TextureImage picture = AtSize(SlicePicture(decoded, face, level, slice), shown);
                    pictures += std::string(pictures.empty() ? "" : ",\n") + "{\"layer\": " +
                                std::to_string(layer) + ", \"face\": " + std::to_string(face) +
                                ", \"level\": " + std::to_string(level) + ", \"slice\": " + std::to_string(slice) +
                                ", \"label\": " + JsonString(Label(texture, layers.size(), layer, face, level, slice)) +
                                ", \"width\": " + std::to_string(layout.width) +
                                ", \"height\": " + std::to_string(layout.height) +
                                ", \"shownWidth\": " + std::to_string(shown.width) +
                                ", \"shownHeight\": " + std::to_string(shown.height);
                    if (floats)
                        pictures += ", \"colour\": null, \"alpha\": null, \"half\": \"" +
                                    Base64(picture.Surface(0, 0)) + "\"}";
                    else
                        pictures += ", \"colour\": " + JsonString(PngUri(picture)) +
                                    ", \"alpha\": " + AlphaUri(picture) + ", \"half\": null}";
                }
            }
    }
    return std::string("{\"float\": ") + (floats ? "true" : "false") +
           ", \"reduced\": " + (reduced ? "true" : "false") + ", \"pictures\": [\n" + pictures + "]}";
}

Thumbnail MakeThumbnail(const TextureImage& texture)
{
    const TextureImage decoded = ConvertLevels(texture, D3DFMT_A8R8G8B8, 1, Exact());
    TextureImage top = SlicePicture(decoded, 0, 0, 0);
    const PictureSize size = ThumbnailSize(top.width, top.height, kThumbnailSide);
    return {PngUri(AtSize(std::move(top), size)), size.width, size.height};
}

} // namespace r3aztex
