#include "r3az8/tex/convert/level_pictures.h"

#include "r3az8/tex/convert/library_operations.h"

#include <cstring>

namespace r3az8tex {
namespace {

// Level `level` of every face as a one-level texture of the same kind.
TextureImage TakeLevel(const TextureImage& texture, uint32_t level)
{
    const LevelLayout layout = texture.Level(level);
    TextureImage single = MakeTexture(texture.format, texture.kind, layout.width, layout.height, layout.depth, 1);
    single.palette = texture.palette;
    for (uint32_t face = 0; face < texture.Faces(); ++face)
        single.Surface(face, 0) = texture.Surface(face, level);
    return single;
}

// One 2D picture: face `face`, slice `slice` of a one-level texture.
TextureImage Picture(const TextureImage& texture, uint32_t face, uint32_t slice)
{
    const LevelLayout layout = texture.Level(0);
    TextureImage picture = MakeTexture(texture.format, TextureKind::Flat, layout.width, layout.height, 1, 1);
    const std::vector<BYTE>& from = texture.Surface(face, 0);
    std::memcpy(picture.Surface(0, 0).data(), from.data() + slice * layout.slicePitch, layout.slicePitch);
    return picture;
}

// How a PNG shows the format's channels: one-channel data as grey, two
// channels as red and green with blue 0, as other viewers show such files.
void ShowChannelsAsOthersDo(TextureImage& decoded, const FormatInfo& format)
{
    const bool oneChannel = format.channels == kRed;
    const bool twoChannels = format.channels == (kRed | kGreen);
    if (!oneChannel && !twoChannels)
        return;
    const bool floats = decoded.format == FMT_A32B32G32R32F;
    const size_t sample = floats ? 4 : decoded.format == FMT_A16R16G16B16 ? 2 : 1;
    // Stored blue, green, red, alpha; floats red, green, blue, alpha.
    const size_t blueAt = floats ? 2 : 0;
    const size_t redAt = floats ? 0 : 2;
    for (std::vector<BYTE>& surface : decoded.surfaces)
        for (size_t pixel = 0; pixel + 4 * sample <= surface.size(); pixel += 4 * sample) {
            BYTE* blue = surface.data() + pixel + blueAt * sample;
            BYTE* green = surface.data() + pixel + sample;
            const BYTE* red = surface.data() + pixel + redAt * sample;
            if (oneChannel) {
                std::memcpy(green, red, sample);
                std::memcpy(blue, red, sample);
            } else {
                std::memset(blue, 0, sample);
            }
        }
}

} // namespace

LevelPictures PicturesOfLevel(const TextureImage& texture, uint32_t level, PictureDepth depth)
{
    // The library decodes the level into 8 or 16 bits per channel,
    // whichever holds the format's precision.
    const FormatInfo& format = texture.Format();
    const bool wide = depth == PictureDepth::Float || (depth == PictureDepth::OfFormat && format.channelBits > 8);
    const D3DFORMAT pictureFormat = depth == PictureDepth::Float ? FMT_A32B32G32R32F
                                    : wide                       ? FMT_A16R16G16B16
                                                                 : D3DFMT_A8R8G8B8;
    TextureImage decoded = ConvertLevels(TakeLevel(texture, level), pictureFormat, 1, LoadOptions{});
    ShowChannelsAsOthersDo(decoded, format);
    const LevelLayout layout = decoded.Level(0);
    LevelPictures result{{}, wide, format.HasAlpha() ? AlphaOutput::Keep : AlphaOutput::Drop, layout.width,
                         layout.height, layout.depth};
    for (uint32_t face = 0; face < decoded.Faces(); ++face)
        for (uint32_t slice = 0; slice < layout.depth; ++slice)
            result.pictures.push_back(Picture(decoded, face, slice));
    return result;
}

} // namespace r3az8tex
