// The KTX2 writer, after the KTX 2.0 format's public description by the
// Khronos Group: header, level index, data format descriptor, key/value
// data, then the levels from the smallest to level 0, each starting on a
// multiple of lcm(bytes of a block, 4) (1 when supercompressed).
#include "r3az8/tex/files/ktx2_files.h"

#include "r3az8/tex/files/dds_pixel_format.h"
#include "r3az8/tex/files/ktx2_zstd.h"
#include "r3az8/tex/texture/texture_error.h"

#include <cstring>

#ifndef R3AZ8TEX_VERSION
#define R3AZ8TEX_VERSION "unknown"
#endif

namespace r3az8tex::ktx2 {
namespace {

std::vector<BYTE> Text(const std::string& text)
{
    std::vector<BYTE> value(text.begin(), text.end());
    value.push_back(0);
    return value;
}

void CheckLayersAgree(std::span<const TextureImage> layers)
{
    const TextureImage& first = layers[0];
    for (const TextureImage& layer : layers)
        if (layer.format != first.format || layer.kind != first.kind || layer.width != first.width ||
            layer.height != first.height || layer.depth != first.depth || layer.levels != first.levels)
            throw TextureError(ErrorKind::Request, "the textures of an array differ in format or shape");
}

// One level of every layer and face, in the file's order (layers, then
// faces, then a volume's slices, which a surface already holds in order),
// reordered to the VkFormat's layout.
std::vector<BYTE> LevelBytes(std::span<const TextureImage> layers, uint32_t level, dds::Swizzle swizzle)
{
    std::vector<BYTE> bytes;
    bytes.reserve(layers[0].Level(level).bytes * layers[0].Faces() * layers.size());
    for (const TextureImage& layer : layers)
        for (uint32_t face = 0; face < layer.Faces(); ++face) {
            const std::vector<BYTE>& surface = layer.Surface(face, level);
            bytes.insert(bytes.end(), surface.begin(), surface.end());
        }
    dds::ApplySwizzle(swizzle, bytes);
    return bytes;
}

} // namespace

std::vector<BYTE> Write(std::span<const TextureImage> layers, const WriteOptions& options)
{
    const TextureImage& texture = layers[0];
    const FormatRow* row = FindRow(texture.format);
    if (row == nullptr)
        throw TextureError(ErrorKind::Unsupported, NoVkFormatReason(texture.format));
    if (options.zstdLevel != 0 && (options.zstdLevel < kMinZstdLevel || options.zstdLevel > kMaxZstdLevel))
        throw TextureError(ErrorKind::Request, "the Zstandard level must be 1 to 22, not " +
                                                   std::to_string(options.zstdLevel));
    CheckLayersAgree(layers);
    const Supercompression scheme = options.zstdLevel != 0 ? Supercompression::Zstandard : Supercompression::None;
    // An sRGB texture of a format without an sRGB twin is written as the
    // plain form, as the DX10 header of a DDS file does.
    const ColourSpace space = texture.colourSpace == ColourSpace::Srgb && row->vkSrgb.Exists()
                                  ? ColourSpace::Srgb
                                  : ColourSpace::Unspecified;
    const bool premultiplied = texture.format == D3DFMT_DXT2 || texture.format == D3DFMT_DXT4;
    const std::vector<BYTE> descriptor = MakeDescriptor(*row, space, premultiplied, scheme != Supercompression::None);
    std::vector<KeyValue> keys = {
        {"KTXorientation", Text(texture.kind == TextureKind::Volume ? "rdi" : "rd")},
        {"KTXwriter", Text("r3az8tex " R3AZ8TEX_VERSION)},
    };
    if (row->shownAs != nullptr)
        keys.push_back({"KTXswizzle", Text(row->shownAs)});
    const std::vector<BYTE> keyValues = EncodeKeyValues(std::move(keys));

    Header header{};
    header.vkFormat = (space == ColourSpace::Srgb ? row->vkSrgb : row->vk).number;
    header.typeSize = row->typeSize;
    header.pixelWidth = texture.width;
    header.pixelHeight = texture.height;
    header.pixelDepth = texture.kind == TextureKind::Volume ? texture.depth : 0;
    header.layerCount = layers.size() > 1 ? uint32_t(layers.size()) : 0;
    header.faceCount = texture.Faces();
    header.levelCount = texture.levels;
    header.supercompressionScheme = uint32_t(scheme);
    header.dfdByteOffset = uint32_t(kHeaderBytes + kLevelEntryBytes * texture.levels);
    header.dfdByteLength = uint32_t(descriptor.size());
    header.kvdByteOffset = header.dfdByteOffset + header.dfdByteLength;
    header.kvdByteLength = uint32_t(keyValues.size());

    std::vector<BYTE> file(header.kvdByteOffset);
    EncodeHeader(header, file.data());
    std::memcpy(file.data() + header.dfdByteOffset, descriptor.data(), descriptor.size());
    file.insert(file.end(), keyValues.begin(), keyValues.end());
    file.reserve(file.size() + texture.TotalBytes() * layers.size() + 16 * texture.levels);
    const uint32_t alignment = LevelAlignment(*row, scheme);
    for (uint32_t level = texture.levels; level-- > 0;) {
        file.resize((file.size() + alignment - 1) / alignment * alignment, 0);
        std::vector<BYTE> bytes = LevelBytes(layers, level, row->swizzle);
        const LevelEntry entry{file.size(), 0, bytes.size()};
        if (scheme == Supercompression::Zstandard)
            bytes = Deflate(bytes, options.zstdLevel);
        file.insert(file.end(), bytes.begin(), bytes.end());
        EncodeLevelEntry({entry.byteOffset, bytes.size(), entry.uncompressedByteLength},
                         file.data() + kHeaderBytes + kLevelEntryBytes * level);
    }
    return file;
}

} // namespace r3az8tex::ktx2
