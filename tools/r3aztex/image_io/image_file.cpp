#include "tools/r3aztex/image_io/image_file.h"

#include "tools/r3aztex/dds/dds_reader.h"
#include "tools/r3aztex/image_io/file_io.h"
#include "tools/r3aztex/tool_error.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace r3aztex {
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
    const FileType byName = FileTypeOfName(name);
    // A file named .dds or .png without its signature is damaged, not TGA.
    return byName == FileType::Tga || byName == FileType::Dds || byName == FileType::Png ? byName : FileType::Unknown;
}

TextureImage DecodeTexture(std::span<const BYTE> bytes, const std::string& name)
{
    switch (DetectFileType(bytes, name)) {
    case FileType::Dds:
        return dds::Read(bytes, name);
    case FileType::Png:
        return DecodePng(bytes, name);
    case FileType::Tga:
    case FileType::Jpeg:
        return DecodeWithStb(bytes, name);
    case FileType::Unknown:
        break;
    }
    throw FileError(ExitCode::Unsupported, name, "not a DDS, PNG, TGA or JPEG file");
}

TextureImage ReadTextureFile(const std::string& path) { return DecodeTexture(ReadFileBytes(path), path); }

} // namespace r3aztex
