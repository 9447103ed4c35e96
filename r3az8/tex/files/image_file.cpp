#include "r3az8/tex/files/image_file.h"

#include "r3az8/tex/files/file_bytes.h"
#include "r3az8/tex/files/image_decoder.h"
#include "r3az8/tex/texture/texture_error.h"

namespace r3az8tex {

TextureImage ImageDecoder::Canvas() const
{
    return MakeTexture(header_.format, TextureKind::Flat, header_.width, header_.height, 1, 1);
}

TextureImage ImageDecoder::Pixels()
{
    TextureImage texture = Canvas();
    Fill(texture, nullptr);
    return texture;
}

std::unique_ptr<ImageDecoder> OpenImage(std::span<const BYTE> bytes, const std::string& name)
{
    const FileType type = DetectFileType(bytes, name);
    if (type != FileType::Unknown && ContainerOf(type).open != nullptr)
        return ContainerOf(type).open(bytes, name);
    throw FileError(ErrorKind::Unsupported, name,
                    "not a " + ContainerNamesText([](const Container& c) { return c.open != nullptr; }) + " file");
}

std::vector<TextureImage> DecodeTextureLayers(std::span<const BYTE> bytes, const std::string& name)
{
    const FileType type = DetectFileType(bytes, name);
    if (type == FileType::Unknown)
        throw FileError(ErrorKind::Unsupported, name, "not a " + ContainerNamesText() + " file");
    return ContainerOf(type).read(bytes, name);
}

TextureImage DecodeTexture(std::span<const BYTE> bytes, const std::string& name)
{
    std::vector<TextureImage> layers = DecodeTextureLayers(bytes, name);
    if (layers.size() != 1)
        throw FileError(ErrorKind::Unsupported, name,
                        "is an array of " + std::to_string(layers.size()) +
                            " textures; convert it (with --layer N for one of them) to compare or combine it");
    return std::move(layers[0]);
}

std::vector<TextureImage> ReadTextureLayers(const std::string& path)
{
    return DecodeTextureLayers(ReadFileBytes(path), path);
}

TextureImage ReadTextureFile(const std::string& path) { return DecodeTexture(ReadFileBytes(path), path); }

} // namespace r3az8tex
