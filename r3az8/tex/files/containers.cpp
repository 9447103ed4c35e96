#include "r3az8/tex/files/containers.h"

#include "r3az8/tex/files/dds_reader.h"
#include "r3az8/tex/files/dds_writer.h"
#include "r3az8/tex/files/exr_writer.h"
#include "r3az8/tex/files/image_file.h"
#include "r3az8/tex/files/ktx2_files.h"
#include "r3az8/tex/files/warnings.h"
#include "r3az8/tex/texture/texture_error.h"

#include <algorithm>
#include <cctype>

namespace r3az8tex {
namespace {

bool StartsWith(std::span<const BYTE> bytes, std::initializer_list<BYTE> signature)
{
    return bytes.size() >= signature.size() && std::equal(signature.begin(), signature.end(), bytes.begin());
}

bool IsDds(std::span<const BYTE> head) { return StartsWith(head, {'D', 'D', 'S', ' '}); }
bool IsPng(std::span<const BYTE> head) { return StartsWith(head, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}); }
bool IsJpeg(std::span<const BYTE> head) { return StartsWith(head, {0xFF, 0xD8, 0xFF}); }
bool IsKtx2(std::span<const BYTE> head)
{
    return head.size() >= ktx2::kIdentifier.size() &&
           std::equal(ktx2::kIdentifier.begin(), ktx2::kIdentifier.end(), head.begin());
}
bool IsExr(std::span<const BYTE> head) { return StartsWith(head, {0x76, 0x2F, 0x31, 0x01}); }
// "#?RADIANCE" or "#?RGBE" in practice: "#?" and the writing program's name.
bool IsHdr(std::span<const BYTE> head) { return StartsWith(head, {'#', '?'}); }

bool NotDds(std::span<const BYTE> head) { return !IsDds(head); }
bool NotPng(std::span<const BYTE> head) { return !IsPng(head); }
bool NotKtx2(std::span<const BYTE> head) { return !IsKtx2(head); }
bool NotExr(std::span<const BYTE> head) { return !IsExr(head); }
bool NotHdr(std::span<const BYTE> head) { return !IsHdr(head); }
// The start-of-image marker is all libjpeg looks at first.
bool NotJpeg(std::span<const BYTE> head) { return !StartsWith(head, {0xFF, 0xD8}); }
// A TGA header of no pixels or of a side beyond the limits.
bool NoTgaPicture(std::span<const BYTE> head)
{
    if (head.size() < kHeadBytes)
        return true;
    const uint32_t width = head[12] | uint32_t(head[13]) << 8;
    const uint32_t height = head[14] | uint32_t(head[15]) << 8;
    return width == 0 || height == 0 || width > kMaxSide || height > kMaxSide;
}

std::vector<TextureImage> ReadDds(std::span<const BYTE> bytes, const std::string& name)
{
    dds::Contents contents = dds::ReadContents(bytes, name);
    for (const std::string& warning : contents.description.warnings)
        Warn(name, warning);
    return std::move(contents.layers);
}

// The one picture of a file its ImageDecoder reads.
template <std::unique_ptr<ImageDecoder> (*Open)(std::span<const BYTE>, const std::string&)>
std::vector<TextureImage> Pixels(std::span<const BYTE> bytes, const std::string& name)
{
    std::vector<TextureImage> layers;
    layers.push_back(Open(bytes, name)->Pixels());
    return layers;
}

std::vector<BYTE> WriteDds(std::span<const TextureImage> layers, const WriteOptions& options)
{
    return dds::WriteArray(layers, options.ddsHeader);
}

// 16-bit samples to 8, rounded to the nearest.
TextureImage EightBitCopy(const TextureImage& wide)
{
    const LevelLayout layout = wide.Level(0);
    TextureImage narrow = MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Flat, layout.width, layout.height, 1, 1);
    const std::vector<BYTE>& from = wide.Surface(0, 0);
    std::vector<BYTE>& to = narrow.Surface(0, 0);
    for (size_t i = 0; i < to.size(); ++i) {
        const uint32_t sample = from[2 * i] | uint32_t(from[2 * i + 1]) << 8;
        to[i] = BYTE((sample * 255 + 32767) / 65535);
    }
    return narrow;
}

std::vector<BYTE> WritePng(std::span<const TextureImage> layers, const WriteOptions& options)
{
    const TextureImage& texture = layers[0];
    if (layers.size() > 1)
        throw TextureError(ErrorKind::Unsupported, "a PNG file holds one picture, not an array of " +
                                                       std::to_string(layers.size()) + " textures");
    if (texture.kind != TextureKind::Flat)
        throw TextureError(ErrorKind::Unsupported, std::string("a PNG file holds one picture, not a ") +
                                                       (texture.kind == TextureKind::Cube ? "cube map" : "volume"));
    if (texture.format != D3DFMT_A8R8G8B8 && texture.format != D3DFMT_X8R8G8B8 && texture.format != FMT_A16R16G16B16)
        throw TextureError(ErrorKind::Unsupported, "a PNG file holds a8r8g8b8, x8r8g8b8 or a16r16g16b16 pixels, not " +
                                                       FormatName(texture.format) + ": convert the texture first");
    if (texture.format == FMT_A16R16G16B16 && options.samples == SampleDepth::Eight)
        return EncodePng(EightBitCopy(texture), options.alpha);
    return EncodePng(texture, options.alpha); // level 0 alone
}

std::vector<BYTE> WriteExr(std::span<const TextureImage> layers, const WriteOptions& options)
{
    if (layers.size() > 1)
        throw TextureError(ErrorKind::Unsupported, "an EXR file holds one picture, not an array of " +
                                                       std::to_string(layers.size()) + " textures");
    return EncodeExr(layers[0], options.floatSamples, options.alpha); // level 0 alone
}

// The order is the order of the signature tests and of the names in
// messages ("not a DDS, PNG, TGA, JPEG, EXR or HDR file"). PNG, TGA, JPEG,
// EXR and Radiance (HDR) files hold one picture each and give it through
// their ImageDecoder; DDS holds whole textures and is read whole.
constexpr BYTE kPngOptions = kDepthOption | kAlphaOption;
constexpr BYTE kExrOptions = kFloatOption | kAlphaOption;
// Columns as in Container: type, name, endings, signature test, refusal on
// the first bytes, read, open, write, options, whole texture.
// clang-format off
constexpr Container kContainers[] = {
    {FileType::Dds, "dds", {".dds", nullptr}, IsDds, NotDds, ReadDds, nullptr, WriteDds, kHeaderOption, true},
    {FileType::Png, "png", {".png", nullptr}, IsPng, NotPng, Pixels<OpenPng>, OpenPng, WritePng, kPngOptions, false},
    {FileType::Tga, "tga", {".tga", nullptr}, nullptr, NoTgaPicture, Pixels<OpenTga>, OpenTga, nullptr, 0, false},
    {FileType::Jpeg, "jpeg", {".jpg", ".jpeg"}, IsJpeg, NotJpeg, Pixels<OpenJpeg>, OpenJpeg, nullptr, 0, false},
    {FileType::Ktx2, "ktx2", {".ktx2", nullptr}, IsKtx2, NotKtx2, ktx2::Read, nullptr, ktx2::Write, kZstdOption, true},
    {FileType::Exr, "exr", {".exr", nullptr}, IsExr, NotExr, Pixels<OpenExr>, OpenExr, WriteExr, kExrOptions, false},
    {FileType::Hdr, "hdr", {".hdr", ".pic"}, IsHdr, NotHdr, Pixels<OpenHdr>, OpenHdr, nullptr, 0, false},
};
// clang-format on

// Endings are lower case and start with the dot; a name or an ending
// (without its dot) belongs to one row only, so that FindContainer is
// never in doubt.
constexpr bool RowsAreDistinct()
{
    struct Word {
        size_t row;
        std::string_view text;
    };
    std::vector<Word> words;
    for (size_t row = 0; row < std::size(kContainers); ++row) {
        words.push_back({row, kContainers[row].name});
        for (const char* ending : kContainers[row].endings) {
            if (ending == nullptr)
                continue;
            const std::string_view text(ending);
            if (text.size() < 2 || text[0] != '.' ||
                std::ranges::any_of(text, [](char c) { return c >= 'A' && c <= 'Z'; }))
                return false;
            words.push_back({row, text.substr(1)});
        }
    }
    for (const Word& a : words)
        for (const Word& b : words)
            if (a.row != b.row && a.text == b.text)
                return false;
    return true;
}
static_assert(RowsAreDistinct());

std::string Lower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::string LowerEnding(const std::string& name)
{
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    return Lower(std::string_view(name).substr(dot));
}

// "a, b or c".
std::string ListText(const std::vector<std::string>& items)
{
    std::string text;
    for (size_t i = 0; i < items.size(); ++i)
        text += (i == 0 ? "" : i + 1 == items.size() ? " or " : ", ") + items[i];
    return text;
}

} // namespace

std::span<const Container> AllContainers() { return kContainers; }

const Container& ContainerOf(FileType type)
{
    const auto found = std::ranges::find(kContainers, type, &Container::type);
    if (found == std::end(kContainers))
        throw TextureError(ErrorKind::Internal, "no container row for file type " + std::to_string(int(type)));
    return *found;
}

const Container* FindContainer(std::string_view nameOrEnding)
{
    std::string wanted = Lower(nameOrEnding);
    if (!wanted.empty() && wanted[0] != '.')
        wanted.insert(0, 1, '.');
    for (const Container& container : kContainers) {
        if (wanted == std::string(".") + container.name)
            return &container;
        for (const char* ending : container.endings)
            if (ending != nullptr && wanted == ending)
                return &container;
    }
    return nullptr;
}

const Container* ContainerOfPath(const std::string& path)
{
    const std::string ending = LowerEnding(path);
    for (const Container& container : kContainers)
        for (const char* known : container.endings)
            if (known != nullptr && ending == known)
                return &container;
    return nullptr;
}

std::string ContainerNamesText(bool (*which)(const Container&))
{
    std::vector<std::string> names;
    for (const Container& container : kContainers)
        if (which == nullptr || which(container)) {
            names.push_back(container.name);
            for (char& c : names.back())
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    return ListText(names);
}

std::string EndingsText(bool (*which)(const Container&))
{
    std::vector<std::string> endings;
    for (const Container& container : kContainers)
        if (which == nullptr || which(container))
            endings.push_back(container.Ending());
    return ListText(endings);
}

std::vector<std::string> WrittenContainerNames()
{
    std::vector<std::string> names;
    for (const Container& container : kContainers)
        if (container.Writable())
            names.push_back(container.name);
    return names;
}

// What a caller's texture must be before a writer reads it: a format of
// the table, a shape within the limits, and each surface as large as its
// level. A texture made by MakeTexture is.
void CheckTexture(const TextureImage& texture)
{
    const FormatInfo* format = FindFormat(texture.format);
    if (format == nullptr)
        throw TextureError(ErrorKind::Unsupported, "format " + FormatName(texture.format) + " is not supported");
    const uint32_t depth = texture.kind == TextureKind::Volume ? texture.depth : 1;
    uint64_t total = 0;
    if (texture.levels == 0 ||
        !ChainBytes(*format, texture.kind, texture.width, texture.height, depth, texture.levels, total))
        throw TextureError(ErrorKind::Request, std::string("a ") + KindName(texture.kind) + " texture of " +
                                                   SizeText(texture.width, texture.height, depth) + " with " +
                                                   std::to_string(texture.levels) +
                                                   " levels is beyond the limits or its chain");
    if (texture.surfaces.size() != size_t(texture.Faces()) * texture.levels)
        throw TextureError(ErrorKind::Request, "the texture holds " + std::to_string(texture.surfaces.size()) +
                                                   " surfaces, not one for each of its " +
                                                   std::to_string(texture.Faces()) + " faces and " +
                                                   std::to_string(texture.levels) + " levels");
    for (uint32_t face = 0; face < texture.Faces(); ++face)
        for (uint32_t level = 0; level < texture.levels; ++level)
            if (texture.Surface(face, level).size() != texture.Level(level).bytes)
                throw TextureError(ErrorKind::Request,
                                   "level " + std::to_string(level) + " of face " + std::to_string(face) + " holds " +
                                       std::to_string(texture.Surface(face, level).size()) + " bytes, not the " +
                                       std::to_string(texture.Level(level).bytes) + " of its size");
}

std::vector<BYTE> EncodeLayers(const Container& container, std::span<const TextureImage> layers,
                               const WriteOptions& options)
{
    if (!container.Writable())
        throw TextureError(ErrorKind::Unsupported, std::string(container.name) +
                                                       " files are read, not written; write " +
                                                       ContainerNamesText(IsWritten));
    if (layers.empty())
        throw TextureError(ErrorKind::Request, std::string("no texture to write as ") + container.name);
    for (const TextureImage& layer : layers)
        CheckTexture(layer);
    return container.write(layers, options);
}

FileType FileTypeOfName(const std::string& name)
{
    const Container* container = ContainerOfPath(name);
    return container != nullptr ? container->type : FileType::Unknown;
}

FileType DetectFileType(std::span<const BYTE> bytes, const std::string& name)
{
    for (const Container& container : kContainers)
        if (container.sniff != nullptr && container.sniff(bytes))
            return container.type;
    // TGA has no signature. A file named .dds, .png or .jpg without its
    // signature goes to that reader too, which calls it damaged: the user
    // hears what the file should have been, not that its type is unknown.
    return FileTypeOfName(name);
}

} // namespace r3az8tex
