#include "r3az8/tex/files/dds_reader.h"

#include "r3az8/tex/files/dds_header.h"
#include "r3az8/tex/texture/texture_error.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <optional>

namespace r3az8tex::dds {
namespace {

[[noreturn]] void Refuse(ErrorKind code, const std::string& name, const std::string& reason)
{
    throw FileError(code, name, reason);
}

constexpr DWORD kCubeFaceBits = DDSCAPS2_CUBEMAP_ALLFACES;

// A volume is marked by its caps; some writers only set the depth flag,
// which counts when it gives more than one slice.
bool MarksVolume(const Header& header)
{
    return (header.caps2 & DDSCAPS2_VOLUME) || ((header.flags & DDSD_DEPTH) && header.depth > 1);
}

// Kind and depth from the legacy header's caps.
void ReadLegacyShape(const Header& header, const std::string& name, Description& out)
{
    const bool cube = (header.caps2 & DDSCAPS2_CUBEMAP) != 0;
    const bool volume = MarksVolume(header);
    if ((header.caps2 & kCubeFaceBits) && !cube)
        Refuse(ErrorKind::Malformed, name, "cube face bits are set without the cube map flag");
    if (cube && volume)
        Refuse(ErrorKind::Malformed, name, "header marks the texture as both a cube map and a volume");
    if (cube) {
        if ((header.caps2 & kCubeFaceBits) != kCubeFaceBits)
            Refuse(ErrorKind::Unsupported, name, "cube maps with only some of the six faces are not supported");
        out.kind = TextureKind::Cube;
    } else if (volume) {
        if (header.depth == 0)
            Refuse(ErrorKind::Malformed, name, "volume texture has depth 0");
        out.kind = TextureKind::Volume;
        out.depth = header.depth;
    }
}

void ReadDx10Shape(const Header& header, const Dx10Header& dx10, const std::string& name, Description& out)
{
    out.arraySize = dx10.arraySize;
    if (dx10.arraySize == 0) {
        out.arraySize = 1;
        out.warnings.push_back("DX10 header gives an array size of 0; read as 1");
    }
    if (out.arraySize > kMaxArraySize)
        Refuse(ErrorKind::Unsupported, name, "texture array of " + std::to_string(out.arraySize) +
                                                " textures exceeds the limit of " + std::to_string(kMaxArraySize));
    switch (dx10.resourceDimension) {
    case kDimensionUnknown:
        // One writer leaves the dimension at 0 on 2D textures. A volume
        // would need the dimension to say so; the classic header can only
        // hint at one, and that is not read as a guess.
        if (MarksVolume(header))
            Refuse(ErrorKind::Malformed, name, "DX10 header gives a resource dimension of 0 for a volume texture");
        out.warnings.push_back("DX10 header gives a resource dimension of 0; read as a 2D texture");
        [[fallthrough]];
    case kDimensionTexture1D:
    case kDimensionTexture2D:
        if (dx10.miscFlag & kMiscTextureCube)
            out.kind = TextureKind::Cube;
        break;
    case kDimensionTexture3D:
        if (header.depth == 0)
            Refuse(ErrorKind::Malformed, name, "volume texture has depth 0");
        if (out.arraySize > 1)
            Refuse(ErrorKind::Malformed, name, "DX10 header describes an array of volume textures");
        out.kind = TextureKind::Volume;
        out.depth = header.depth;
        break;
    default:
        Refuse(ErrorKind::Malformed, name,
               "DX10 header has an unknown resource dimension " + std::to_string(dx10.resourceDimension));
    }
}

// The size fields some writers fill wrongly: their own value, or one of
// the values seen in the wild (`tolerated`), which is read on with a
// warning; anything else makes the file malformed.
void CheckSizeField(DWORD value, DWORD expected, std::initializer_list<DWORD> tolerated, const char* what,
                    const std::string& name, Description& out)
{
    if (value == expected)
        return;
    const std::string said = std::string(what) + " field is " + std::to_string(value) + ", not " +
                             std::to_string(expected);
    for (DWORD seen : tolerated)
        if (value == seen) {
            out.warnings.push_back(said + "; read on, the rest of the header being consistent");
            return;
        }
    Refuse(ErrorKind::Malformed, name, said);
}

// Bytes of `levels` levels of every face of every array element.
uint64_t DataBytes(const FormatInfo& format, const Description& out, uint32_t levels)
{
    uint64_t one = 0;
    ChainBytes(format, out.kind, out.width, out.height, out.depth, levels, one);
    return one * out.arraySize;
}

} // namespace

Description Describe(std::span<const BYTE> file, const std::string& name)
{
    if (file.size() < kMagicBytes || LoadLittleEndian32(file.data()) != kMagic)
        Refuse(ErrorKind::Malformed, name, "not a DDS file (it does not start with \"DDS \")");
    if (file.size() < kDataOffset)
        Refuse(ErrorKind::Malformed, name, "file ends inside the DDS header (" + std::to_string(file.size()) +
                                              " of " + std::to_string(kDataOffset) + " bytes)");
    const Header header = DecodeHeader(file.data() + kMagicBytes);

    Description out{};
    out.kind = TextureKind::Flat;
    out.width = header.width;
    out.height = header.height;
    out.depth = 1;
    out.arraySize = 1;
    out.dataOffset = kDataOffset;

    // Every field is where it always is whatever the size fields say, so
    // the values writers are known to put there are read past.
    CheckSizeField(header.size, kHeaderBytes, {0, 24}, "header size", name, out);
    CheckSizeField(header.pixelFormatSize, kPixelFormatBytes, {0, 24}, "pixel format size", name, out);
    if (header.width == 0 || header.height == 0)
        Refuse(ErrorKind::Malformed, name, "texture size " + SizeText(header.width, header.height, 1) +
                                              " has a side of 0");

    // The recognisers give the reason alone; the file name goes in front.
    auto recognise = [&](auto&& how) {
        try {
            return how();
        } catch (const TextureError& error) {
            Refuse(error.Code(), name, error.what());
        }
    };
    StoredFormat stored{};
    if ((header.pixelFormat.flags & DDPF_FOURCC) && header.pixelFormat.fourCC == kDx10Fourcc) {
        if (file.size() < kDataOffset + kDx10HeaderBytes)
            Refuse(ErrorKind::Malformed, name, "file ends inside the DX10 header");
        const Dx10Header dx10 = DecodeDx10Header(file.data() + kDataOffset);
        out.hasDx10Header = true;
        out.dxgiFormat = dx10.dxgiFormat;
        out.dataOffset += kDx10HeaderBytes;
        ReadDx10Shape(header, dx10, name, out);
        const auto alpha = static_cast<AlphaMode>(dx10.miscFlags2 & 7);
        stored = recognise([&] { return RecogniseDxgiFormat(dx10.dxgiFormat, alpha); });
    } else {
        ReadLegacyShape(header, name, out);
        stored = recognise([&] { return RecogniseLegacyFormat(header.pixelFormat); });
    }
    out.format = stored.format;
    out.swizzle = stored.swizzle;
    out.colourSpace = stored.colourSpace;
    if (stored.habit != nullptr)
        out.warnings.push_back(stored.habit);
    const FormatInfo& format = *FindFormat(out.format);

    if (out.kind == TextureKind::Cube && out.width != out.height)
        Refuse(ErrorKind::Malformed, name, "cube map faces are " + SizeText(out.width, out.height, 1) + ", not square");
    if (out.width > kMaxSide || out.height > kMaxSide || out.depth > kMaxSide)
        Refuse(ErrorKind::Unsupported, name, "texture size " + SizeText(out.width, out.height, out.depth) +
                                                " exceeds the limit of " + std::to_string(kMaxSide) + " per side");
    if (format.content == Content::Paletted) {
        out.paletteOffset = out.dataOffset;
        out.dataOffset += kPaletteBytes;
    }

    // Many writers leave the count at 0 for a single level. A count beyond
    // the chain, or beyond what the file holds, is read as the levels that
    // are there.
    const uint32_t declared = std::max<uint32_t>(header.mipMapCount, 1);
    const uint32_t chain = FullChainLength(out.width, out.height, out.depth);
    const uint32_t promised = std::min(declared, chain);
    const uint64_t available = file.size() > out.dataOffset ? file.size() - out.dataOffset : 0;
    // The array size counts cubes, yet one writer gives a single cube's six
    // faces there. Such a file holds one cube exactly, which an array of
    // six never does.
    if (out.kind == TextureKind::Cube && out.arraySize == 6) {
        if (DataBytes(format, out, promised) / 6 == available) {
            out.arraySize = 1;
            out.warnings.push_back("DX10 header gives an array size of 6 for a cube map, the file holds one cube; "
                                   "read as one cube map (the array size counts cubes, not faces)");
        }
    }
    out.levels = promised;
    while (out.levels > 1 && DataBytes(format, out, out.levels) > available)
        --out.levels;
    // One texture's levels follow each other, so the complete ones at the
    // start are what the writer stored. With several faces or textures the
    // levels of one are followed by the next one's: fewer levels than the
    // header says can only be read when the file holds exactly that many
    // for each, as a writer that stores fewer levels leaves it; a file cut
    // short would have them misplaced.
    const bool severalSurfaces = out.kind == TextureKind::Cube || out.arraySize > 1;
    if (severalSurfaces && out.levels < promised && DataBytes(format, out, out.levels) != available)
        out.levels = promised;
    out.dataBytes = DataBytes(format, out, out.levels);
    if (out.dataBytes > kMaxTextureBytes)
        Refuse(ErrorKind::Unsupported, name, "texture holds " + std::to_string(out.dataBytes) +
                                                " bytes of pixel data, more than the limit of 1 GiB");
    if (out.dataBytes > available)
        Refuse(ErrorKind::Malformed, name, "file is " + std::to_string(file.size()) + " bytes; its header (" +
                                              format.name + " " + SizeText(out.width, out.height, out.depth) +
                                              (out.kind == TextureKind::Cube ? ", 6 faces" : "") +
                                              (out.arraySize > 1 ? ", " + std::to_string(out.arraySize) + " textures"
                                                                 : "") +
                                              ") needs " + std::to_string(out.dataOffset + out.dataBytes));
    if (out.levels < declared)
        out.warnings.push_back("header gives " + std::to_string(declared) + " mip levels, the chain of a " +
                               SizeText(out.width, out.height, out.depth) + " texture has " + std::to_string(chain) +
                               "; read the " + std::to_string(out.levels) + " the file holds");
    return out;
}

Contents ReadContents(std::span<const BYTE> file, const std::string& name)
{
    Contents contents{Describe(file, name), {}};
    const Description& description = contents.description;
    std::optional<std::array<PALETTEENTRY, 256>> palette;
    if (description.paletteOffset != 0) {
        palette.emplace();
        std::memcpy(palette->data(), file.data() + description.paletteOffset, kPaletteBytes);
    }
    // Array elements one after another; in each, faces one after another,
    // each followed by its mips; a volume level holds all its slices
    // together.
    size_t offset = description.dataOffset;
    for (uint32_t layer = 0; layer < description.arraySize; ++layer) {
        TextureImage texture = MakeTexture(description.format, description.kind, description.width,
                                           description.height, description.depth, description.levels);
        texture.palette = palette;
        texture.colourSpace = description.colourSpace;
        for (uint32_t face = 0; face < texture.Faces(); ++face)
            for (uint32_t level = 0; level < texture.levels; ++level) {
                std::vector<BYTE>& surface = texture.Surface(face, level);
                std::memcpy(surface.data(), file.data() + offset, surface.size());
                offset += surface.size();
                ApplySwizzle(description.swizzle, surface);
            }
        contents.layers.push_back(std::move(texture));
    }
    return contents;
}

TextureImage Read(std::span<const BYTE> file, const std::string& name)
{
    Contents contents = ReadContents(file, name);
    if (contents.layers.size() != 1)
        Refuse(ErrorKind::Unsupported, name, "is an array of " + std::to_string(contents.layers.size()) +
                                                " textures; pick one with --layer");
    return std::move(contents.layers[0]);
}

} // namespace r3az8tex::dds
