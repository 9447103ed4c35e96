#include "r3az8/tex/files/image_file.h"

#include "r3az8/tex/files/dds_reader.h"
#include "r3az8/tex/files/file_bytes.h"
#include "r3az8/tex/files/image_decoder.h"
#include "r3az8/tex/texture/texture_error.h"
#include "r3az8/tex/files/warnings.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace r3az8tex {
namespace {

std::string LowerEnding(const std::string& name)
{
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    std::string ending = name.substr(dot);
    for (char& c : ending)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ending;
}

bool StartsWith(std::span<const BYTE> bytes, std::initializer_list<BYTE> signature)
{
    return bytes.size() >= signature.size() && std::equal(signature.begin(), signature.end(), bytes.begin());
}

} // namespace

FileType FileTypeOfName(const std::string& name)
{
    const std::string ending = LowerEnding(name);
    if (ending == ".dds")
        return FileType::Dds;
    if (ending == ".png")
        return FileType::Png;
    if (ending == ".tga")
        return FileType::Tga;
    if (ending == ".jpg" || ending == ".jpeg")
        return FileType::Jpeg;
    return FileType::Unknown;
}

FileType DetectFileType(std::span<const BYTE> bytes, const std::string& name)
{
    if (StartsWith(bytes, {'D', 'D', 'S', ' '}))
        return FileType::Dds;
    if (StartsWith(bytes, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}))
        return FileType::Png;
    if (StartsWith(bytes, {0xFF, 0xD8, 0xFF}))
        return FileType::Jpeg;
    // TGA has no signature. A file named .dds, .png or .jpg without its
    // signature goes to that reader too, which calls it damaged: the user
    // hears what the file should have been, not that its type is unknown.
    return FileTypeOfName(name);
}

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
    switch (DetectFileType(bytes, name)) {
    case FileType::Png:
        return OpenPng(bytes, name);
    case FileType::Tga:
        return OpenTga(bytes, name);
    case FileType::Jpeg:
        return OpenJpeg(bytes, name);
    case FileType::Dds:
    case FileType::Unknown:
        break;
    }
    throw FileError(ErrorKind::Unsupported, name, "not a PNG, TGA or JPEG file");
}

std::vector<TextureImage> DecodeTextureLayers(std::span<const BYTE> bytes, const std::string& name)
{
    std::vector<TextureImage> layers;
    switch (DetectFileType(bytes, name)) {
    case FileType::Dds: {
        dds::Contents contents = dds::ReadContents(bytes, name);
        for (const std::string& warning : contents.description.warnings)
            Warn(name, warning);
        return std::move(contents.layers);
    }
    case FileType::Png:
    case FileType::Tga:
    case FileType::Jpeg:
        layers.push_back(OpenImage(bytes, name)->Pixels());
        return layers;
    case FileType::Unknown:
        break;
    }
    throw FileError(ErrorKind::Unsupported, name, "not a DDS, PNG, TGA or JPEG file");
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
