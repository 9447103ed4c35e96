#include "r3az8/tex/files/ktx2_layout.h"

#include "r3az8/tex/texture/texture_error.h"
#include "r3az8/tex/texture/texture_image.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace r3az8tex::ktx2 {
namespace {

uint32_t Get32(const BYTE* at) { return at[0] | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24; }
uint64_t Get64(const BYTE* at) { return Get32(at) | uint64_t(Get32(at + 4)) << 32; }
void Put32(BYTE* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = BYTE(value >> (8 * i));
}
void Put64(BYTE* at, uint64_t value)
{
    Put32(at, uint32_t(value));
    Put32(at + 4, uint32_t(value >> 32));
}

[[noreturn]] void Broken(const std::string& reason) { throw TextureError(ErrorKind::Malformed, reason); }
[[noreturn]] void Beyond(const std::string& reason) { throw TextureError(ErrorKind::Unsupported, reason); }

uint64_t Align(uint64_t offset, uint32_t alignment) { return (offset + alignment - 1) / alignment * alignment; }

std::string Bytes(uint64_t count) { return std::to_string(count) + (count == 1 ? " byte" : " bytes"); }

void CheckScheme(uint32_t scheme)
{
    switch (Supercompression(scheme)) {
    case Supercompression::None:
    case Supercompression::Zstandard:
        return;
    case Supercompression::BasisLz:
        Beyond("Basis Universal (BasisLZ) supercompression is not read; transcode the file first");
    case Supercompression::Zlib:
        Beyond("zlib supercompression is not read; only Zstandard is");
    }
    Beyond("supercompression scheme " + std::to_string(scheme) + " is not read; only Zstandard (2) is");
}

// The texture the header describes, before its format is known.
void CheckShape(const Header& header, Layout& layout)
{
    if (header.pixelWidth == 0)
        Broken("the header gives a width of 0");
    if (header.pixelHeight == 0)
        Beyond("1D textures (height 0) are not read");
    if (header.faceCount != 1 && header.faceCount != 6)
        Broken("the header gives " + std::to_string(header.faceCount) + " faces; a texture has 1, a cube map 6");
    const bool cube = header.faceCount == 6;
    if (cube && header.pixelWidth != header.pixelHeight)
        Broken("the faces of a cube map must be square, not " + SizeText(header.pixelWidth, header.pixelHeight, 1));
    if (cube && header.pixelDepth != 0)
        Broken("a cube map cannot have a depth (" + std::to_string(header.pixelDepth) + ")");
    layout.kind = cube ? TextureKind::Cube : header.pixelDepth > 0 ? TextureKind::Volume : TextureKind::Flat;
    layout.width = header.pixelWidth;
    layout.height = header.pixelHeight;
    layout.depth = std::max(header.pixelDepth, 1u);
    layout.layers = std::max(header.layerCount, 1u);
    if (layout.width > kMaxSide || layout.height > kMaxSide || layout.depth > kMaxSide)
        Beyond("texture of " + SizeText(layout.width, layout.height, layout.depth) + " is beyond the limits (" +
               std::to_string(kMaxSide) + " pixels per side)");
    if (layout.layers > kMaxLayers)
        Beyond("an array of " + std::to_string(layout.layers) + " textures is beyond the limit of " +
               std::to_string(kMaxLayers));
    // A level count of 0 asks a loader to make the chain from the one
    // level stored.
    layout.levels = std::max(header.levelCount, 1u);
    const uint32_t chain = FullChainLength(layout.width, layout.height, layout.kind == TextureKind::Volume ? layout.depth : 1);
    if (layout.levels > chain)
        Broken("the header gives " + std::to_string(layout.levels) + " levels, more than the " +
               std::to_string(chain) + " of a " + SizeText(layout.width, layout.height, layout.depth) + " chain");
}

// The format the vkFormat (and KTXswizzle, and the descriptor's alpha
// flag) names.
void FindReading(const Header& header, Layout& layout)
{
    if (header.vkFormat == 0)
        Beyond("VK_FORMAT_UNDEFINED: data without a Vulkan format (Basis Universal) is not read");
    const KeyValue* swizzle = FindKey(layout.keys, "KTXswizzle");
    const bool grey = swizzle != nullptr && ValueText(*swizzle).starts_with("rrr");
    const std::optional<Reading> reading = ReadingOf(header.vkFormat, grey);
    if (!reading)
        Beyond("vkFormat " + std::to_string(header.vkFormat) + " is not one r3aztex reads");
    layout.row = reading->row;
    layout.format = reading->row->format;
    layout.colourSpace = reading->colourSpace;
    layout.swizzle = reading->swizzle;
    if (header.typeSize != layout.row->typeSize)
        Broken("the header gives a typeSize of " + std::to_string(header.typeSize) + ", not the " +
               std::to_string(layout.row->typeSize) + " of " + VkFormatName(header.vkFormat));
}

} // namespace

void EncodeHeader(const Header& header, BYTE* out)
{
    std::memcpy(out, kIdentifier.data(), kIdentifier.size());
    const uint32_t words[] = {header.vkFormat,   header.typeSize,    header.pixelWidth,
                              header.pixelHeight, header.pixelDepth, header.layerCount,
                              header.faceCount,   header.levelCount, header.supercompressionScheme,
                              header.dfdByteOffset, header.dfdByteLength, header.kvdByteOffset,
                              header.kvdByteLength};
    for (size_t i = 0; i < std::size(words); ++i)
        Put32(out + 12 + 4 * i, words[i]);
    Put64(out + 64, header.sgdByteOffset);
    Put64(out + 72, header.sgdByteLength);
}

void EncodeLevelEntry(const LevelEntry& entry, BYTE* out)
{
    Put64(out, entry.byteOffset);
    Put64(out + 8, entry.byteLength);
    Put64(out + 16, entry.uncompressedByteLength);
}

Header DecodeHeader(std::span<const BYTE> bytes)
{
    const BYTE* at = bytes.data() + 12;
    Header header{};
    uint32_t* words[] = {&header.vkFormat,      &header.typeSize,      &header.pixelWidth,
                         &header.pixelHeight,   &header.pixelDepth,    &header.layerCount,
                         &header.faceCount,     &header.levelCount,    &header.supercompressionScheme,
                         &header.dfdByteOffset, &header.dfdByteLength, &header.kvdByteOffset,
                         &header.kvdByteLength};
    for (size_t i = 0; i < std::size(words); ++i)
        *words[i] = Get32(at + 4 * i);
    header.sgdByteOffset = Get64(bytes.data() + 64);
    header.sgdByteLength = Get64(bytes.data() + 72);
    return header;
}

LevelEntry DecodeLevelEntry(std::span<const BYTE> bytes, uint32_t level)
{
    const BYTE* at = bytes.data() + kHeaderBytes + kLevelEntryBytes * level;
    return {Get64(at), Get64(at + 8), Get64(at + 16)};
}

uint32_t LevelAlignment(const FormatRow& row, Supercompression scheme)
{
    if (scheme != Supercompression::None)
        return 1;
    return std::lcm(FindFormat(row.format)->unitBytes, 4u);
}

Layout CheckLayout(std::span<const BYTE> file)
{
    if (file.size() < kIdentifier.size() || !std::equal(kIdentifier.begin(), kIdentifier.end(), file.begin()))
        Broken("not a KTX2 file (it does not start with the KTX 2.0 identifier)");
    if (file.size() < kHeaderBytes)
        Broken("the header is cut short at " + Bytes(file.size()));
    Layout layout{};
    const Header header = DecodeHeader(file);
    layout.header = header;
    CheckScheme(header.supercompressionScheme);
    layout.scheme = Supercompression(header.supercompressionScheme);
    CheckShape(header, layout);

    // The index: the level index right after the header, the descriptor
    // right after it, the key/value data right after that.
    const uint64_t indexEnd = kHeaderBytes + uint64_t(kLevelEntryBytes) * layout.levels;
    if (indexEnd > file.size())
        Broken("the level index of " + std::to_string(layout.levels) + " levels runs past the end of the file");
    if (header.dfdByteOffset != indexEnd)
        Broken("the data format descriptor starts at byte " + std::to_string(header.dfdByteOffset) +
               ", not right after the level index (" + std::to_string(indexEnd) + ")");
    const uint64_t dfdEnd = uint64_t(header.dfdByteOffset) + header.dfdByteLength;
    if (dfdEnd > file.size())
        Broken("the data format descriptor runs past the end of the file");
    uint64_t metadataEnd = dfdEnd;
    if (header.kvdByteLength > 0) {
        if (header.kvdByteOffset != dfdEnd)
            Broken("the key/value data start at byte " + std::to_string(header.kvdByteOffset) +
                   ", not right after the data format descriptor (" + std::to_string(dfdEnd) + ")");
        metadataEnd = dfdEnd + header.kvdByteLength;
        if (metadataEnd > file.size())
            Broken("the key/value data run past the end of the file");
        layout.keys = DecodeKeyValues(file.subspan(header.kvdByteOffset, header.kvdByteLength));
    }
    if (header.sgdByteLength != 0 || header.sgdByteOffset != 0)
        Broken("the file holds supercompression global data, which " +
               std::string(layout.scheme == Supercompression::None ? "uncompressed files have"
                                                                   : "Zstandard has") +
               " none of");

    FindReading(header, layout);
    layout.descriptor = CheckDescriptor(file.subspan(header.dfdByteOffset, header.dfdByteLength), *layout.row,
                                        layout.colourSpace, layout.scheme != Supercompression::None);
    if (layout.descriptor.Premultiplied() && (layout.format == D3DFMT_DXT3 || layout.format == D3DFMT_DXT5)) {
        layout.format = layout.format == D3DFMT_DXT3 ? D3DFMT_DXT2 : D3DFMT_DXT4;
        layout.row = ktx2::FindRow(layout.format);
    }

    // Limits before any level is looked at, let alone allocated.
    const FormatInfo& format = *r3az8tex::FindFormat(layout.format);
    uint64_t total = 0;
    if (!ChainBytes(format, layout.kind, layout.width, layout.height, layout.depth, layout.levels, total) ||
        total > kMaxTextureBytes / layout.layers)
        Beyond("texture of " + SizeText(layout.width, layout.height, layout.depth) + " with " +
               std::to_string(layout.levels) + " levels" +
               (layout.layers > 1 ? " and " + std::to_string(layout.layers) + " layers" : "") +
               " is beyond the limit of 1 GiB of pixel data");

    // The levels, smallest first, each at the first aligned byte after the
    // one below it, the last one (level 0) ending the file.
    const uint32_t alignment = LevelAlignment(*layout.row, layout.scheme);
    const uint32_t faces = layout.kind == TextureKind::Cube ? 6 : 1;
    layout.levelIndex.resize(layout.levels);
    layout.levelBytes.resize(layout.levels);
    for (uint32_t level = 0; level < layout.levels; ++level) {
        const LevelEntry entry = DecodeLevelEntry(file, level);
        const uint32_t depth = layout.kind == TextureKind::Volume ? LevelSide(layout.depth, level) : 1;
        const uint64_t bytes = DescribeLevel(format, LevelSide(layout.width, level), LevelSide(layout.height, level),
                                             depth).bytes * faces * layout.layers;
        const std::string name = "level " + std::to_string(level);
        if (entry.uncompressedByteLength != bytes)
            Broken(name + " gives " + Bytes(entry.uncompressedByteLength) + ", not the " + Bytes(bytes) +
                   " of its size");
        if (layout.scheme == Supercompression::None && entry.byteLength != bytes)
            Broken(name + " is stored in " + Bytes(entry.byteLength) + ", not the " + Bytes(bytes) + " of its size");
        if (entry.byteLength == 0)
            Broken(name + " is stored in 0 bytes");
        if (entry.byteOffset > file.size() || entry.byteLength > file.size() - entry.byteOffset)
            Broken(name + " (bytes " + std::to_string(entry.byteOffset) + " and on) runs past the end of the file");
        if (entry.byteOffset % alignment != 0)
            Broken(name + " starts at byte " + std::to_string(entry.byteOffset) + ", not on a multiple of " +
                   std::to_string(alignment));
        layout.levelIndex[level] = entry;
        layout.levelBytes[level] = bytes;
    }
    uint64_t next = metadataEnd;
    for (uint32_t level = layout.levels; level-- > 0;) {
        const LevelEntry& entry = layout.levelIndex[level];
        const uint64_t expected = Align(next, alignment);
        if (entry.byteOffset < next)
            Broken("level " + std::to_string(level) + " at byte " + std::to_string(entry.byteOffset) +
                   " overlaps what comes before it (levels are stored smallest first, from byte " +
                   std::to_string(expected) + ")");
        if (entry.byteOffset != expected)
            Broken("level " + std::to_string(level) + " starts at byte " + std::to_string(entry.byteOffset) +
                   ", not at " + std::to_string(expected) + " right after what comes before it");
        next = entry.byteOffset + entry.byteLength;
    }
    if (next != file.size())
        Broken(Bytes(file.size() - next) + " after level 0, the end of the data");
    return layout;
}

} // namespace r3az8tex::ktx2
