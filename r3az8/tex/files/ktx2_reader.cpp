// The KTX2 reader: the structure checked whole by CheckLayout before
// anything is allocated, then each level inflated (Zstandard) or taken as
// it is, and cut into the layers' faces.
#include "r3az8/tex/files/ktx2_files.h"

#include "r3az8/tex/files/dds_pixel_format.h"
#include "r3az8/tex/files/ktx2_zstd.h"
#include "r3az8/tex/files/warnings.h"
#include "r3az8/tex/texture/texture_error.h"

#include <cstring>

namespace r3az8tex::ktx2 {

Layout Describe(std::span<const BYTE> file, const std::string& name)
{
    try {
        return CheckLayout(file);
    } catch (const TextureError& error) {
        throw FileError(error.Code(), name, error.what());
    }
}

std::vector<TextureImage> Read(std::span<const BYTE> file, const std::string& name)
{
    const Layout layout = Describe(file, name);
    // Rows run down the texture from its first byte in every file we
    // read; a file that says otherwise is shown as stored.
    if (const KeyValue* orientation = FindKey(layout.keys, "KTXorientation");
        orientation != nullptr && !ValueText(*orientation).starts_with("rd"))
        Warn(name, "KTXorientation is \"" + ValueText(*orientation) + "\"; the rows are read top-down as stored");
    std::vector<TextureImage> layers;
    for (uint32_t layer = 0; layer < layout.layers; ++layer) {
        layers.push_back(TextureShape(layout.format, layout.kind, layout.width, layout.height, layout.depth,
                                      layout.levels));
        layers.back().colourSpace = layout.colourSpace;
    }
    const uint32_t faces = layers[0].Faces();
    std::vector<BYTE> inflated;
    for (uint32_t level = 0; level < layout.levels; ++level) {
        const LevelEntry& entry = layout.levelIndex[level];
        std::span<const BYTE> bytes = file.subspan(entry.byteOffset, entry.byteLength);
        if (layout.scheme == Supercompression::Zstandard) {
            inflated.resize(layout.levelBytes[level]);
            try {
                Inflate(bytes, inflated);
            } catch (const TextureError& error) {
                throw FileError(error.Code(), name, "level " + std::to_string(level) + ": " + error.what());
            }
            bytes = inflated;
        }
        const size_t surfaceBytes = layers[0].Level(level).bytes;
        size_t at = 0;
        for (TextureImage& texture : layers)
            for (uint32_t face = 0; face < faces; ++face, at += surfaceBytes) {
                std::vector<BYTE>& surface = texture.Surface(face, level);
                surface.assign(bytes.begin() + at, bytes.begin() + at + surfaceBytes);
                dds::ApplySwizzle(layout.swizzle == dds::Swizzle::None ? layout.row->swizzle : layout.swizzle,
                                  surface);
            }
    }
    return layers;
}

std::vector<std::pair<std::string, std::string>> Facts(const Layout& layout)
{
    std::vector<std::pair<std::string, std::string>> facts = {
        {"vk_format", VkFormatName(layout.header.vkFormat)},
        {"data_format", DescriptorText(layout.descriptor)},
        {"supercompression", layout.scheme == Supercompression::Zstandard ? "zstd" : "none"},
    };
    // What the levels take in the file, beside the bytes they inflate to.
    if (layout.scheme != Supercompression::None) {
        uint64_t stored = 0;
        for (const LevelEntry& entry : layout.levelIndex)
            stored += entry.byteLength;
        facts.emplace_back("stored_bytes", std::to_string(stored));
    }
    return facts;
}

} // namespace r3az8tex::ktx2
