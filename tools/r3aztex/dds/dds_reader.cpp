#include "tools/r3aztex/dds/dds_reader.h"

#include "tools/r3aztex/dds/dds_header.h"
#include "tools/r3aztex/tool_error.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace r3aztex::dds {
namespace {

[[noreturn]] void Refuse(ExitCode code, const std::string& name, const std::string& reason)
{
    throw FileError(code, name, reason);
}

constexpr DWORD kCubeFaceBits = DDSCAPS2_CUBEMAP_ALLFACES;

// Kind and depth from the legacy header's caps.
void ReadLegacyShape(const Header& header, const std::string& name, Description& out)
{
    const bool cube = (header.caps2 & DDSCAPS2_CUBEMAP) != 0;
    // A volume is marked by its caps; some writers only set the depth flag,
    // which counts when it gives more than one slice.
    const bool volume = (header.caps2 & DDSCAPS2_VOLUME) || ((header.flags & DDSD_DEPTH) && header.depth > 1);
    if ((header.caps2 & kCubeFaceBits) && !cube)
        Refuse(ExitCode::Malformed, name, "cube face bits are set without the cube map flag");
    if (cube && volume)
        Refuse(ExitCode::Malformed, name, "header marks the texture as both a cube map and a volume");
    if (cube) {
        if ((header.caps2 & kCubeFaceBits) != kCubeFaceBits)
            Refuse(ExitCode::Unsupported, name, "cube maps with only some of the six faces are not supported");
        out.kind = TextureKind::Cube;
    } else if (volume) {
        if (header.depth == 0)
            Refuse(ExitCode::Malformed, name, "volume texture has depth 0");
        out.kind = TextureKind::Volume;
        out.depth = header.depth;
    }
}

void ReadDx10Shape(const Header& header, const Dx10Header& dx10, const std::string& name, Description& out)
{
    if (dx10.arraySize == 0)
        Refuse(ExitCode::Malformed, name, "DX10 header has an array size of 0");
    if (dx10.arraySize > 1)
        Refuse(ExitCode::Unsupported, name, "texture arrays (" + std::to_string(dx10.arraySize) +
                                                " elements) are not supported");
    switch (dx10.resourceDimension) {
    case kDimensionTexture1D:
    case kDimensionTexture2D:
        if (dx10.miscFlag & kMiscTextureCube)
            out.kind = TextureKind::Cube;
        break;
    case kDimensionTexture3D:
        if (header.depth == 0)
            Refuse(ExitCode::Malformed, name, "volume texture has depth 0");
        out.kind = TextureKind::Volume;
        out.depth = header.depth;
        break;
    default:
        Refuse(ExitCode::Malformed, name,
               "DX10 header has an unknown resource dimension " + std::to_string(dx10.resourceDimension));
    }
}

} // namespace

Description Describe(std::span<const BYTE> file, const std::string& name)
{
    if (file.size() < kMagicBytes || LoadLittleEndian32(file.data()) != kMagic)
        Refuse(ExitCode::Malformed, name, "not a DDS file (it does not start with \"DDS \")");
    if (file.size() < kDataOffset)
        Refuse(ExitCode::Malformed, name, "file ends inside the DDS header (" + std::to_string(file.size()) +
                                              " of " + std::to_string(kDataOffset) + " bytes)");
    const Header header = DecodeHeader(file.data() + kMagicBytes);
    if (header.size != kHeaderBytes)
        Refuse(ExitCode::Malformed, name,
               "header size field is " + std::to_string(header.size) + ", not " + std::to_string(kHeaderBytes));
    if (header.pixelFormatSize != kPixelFormatBytes)
        Refuse(ExitCode::Malformed, name, "pixel format size field is " + std::to_string(header.pixelFormatSize) +
                                              ", not " + std::to_string(kPixelFormatBytes));
    if (header.width == 0 || header.height == 0)
        Refuse(ExitCode::Malformed, name, "texture size " + SizeText(header.width, header.height, 1) +
                                              " has a side of 0");

    Description out{};
    out.kind = TextureKind::Flat;
    out.width = header.width;
    out.height = header.height;
    out.depth = 1;
    out.dataOffset = kDataOffset;

    // The recognisers give the reason alone; the file name goes in front.
    auto recognise = [&](auto&& how) {
        try {
            return how();
        } catch (const ToolError& error) {
            Refuse(error.Code(), name, error.what());
        }
    };
    StoredFormat stored{};
    if ((header.pixelFormat.flags & DDPF_FOURCC) && header.pixelFormat.fourCC == kDx10Fourcc) {
        if (file.size() < kDataOffset + kDx10HeaderBytes)
            Refuse(ExitCode::Malformed, name, "file ends inside the DX10 header");
        const Dx10Header dx10 = DecodeDx10Header(file.data() + kDataOffset);
        out.hasDx10Header = true;
        out.dataOffset += kDx10HeaderBytes;
        ReadDx10Shape(header, dx10, name, out);
        stored = recognise([&] { return RecogniseDxgiFormat(dx10.dxgiFormat); });
    } else {
        ReadLegacyShape(header, name, out);
        stored = recognise([&] { return RecogniseLegacyFormat(header.pixelFormat); });
    }
    out.format = stored.format;
    out.swizzle = stored.swizzle;
    const FormatInfo& format = *FindFormat(out.format);

    if (out.kind == TextureKind::Cube && out.width != out.height)
        Refuse(ExitCode::Malformed, name, "cube map faces are " + SizeText(out.width, out.height, 1) + ", not square");
    if (out.width > kMaxSide || out.height > kMaxSide || out.depth > kMaxSide)
        Refuse(ExitCode::Unsupported, name, "texture size " + SizeText(out.width, out.height, out.depth) +
                                                " exceeds the limit of " + std::to_string(kMaxSide) + " per side");

    // Many writers leave the count at 0 for a single level.
    out.levels = std::max<uint32_t>(header.mipMapCount, 1);
    const uint32_t chain = FullChainLength(out.width, out.height, out.depth);
    if (out.levels > chain)
        Refuse(ExitCode::Malformed, name, "mip count " + std::to_string(out.levels) + " exceeds the " +
                                              std::to_string(chain) + " levels of a " +
                                              SizeText(out.width, out.height, out.depth) + " texture");

    if (format.content == Content::Paletted) {
        out.paletteOffset = out.dataOffset;
        out.dataOffset += kPaletteBytes;
    }
    ChainBytes(format, out.kind, out.width, out.height, out.depth, out.levels, out.dataBytes);
    if (out.dataBytes > kMaxTextureBytes)
        Refuse(ExitCode::Unsupported, name, "texture holds " + std::to_string(out.dataBytes) +
                                                " bytes of pixel data, more than the limit of 1 GiB");
    const uint64_t needed = out.dataOffset + out.dataBytes;
    if (file.size() < needed)
        Refuse(ExitCode::Malformed, name, "file is " + std::to_string(file.size()) + " bytes; its header (" +
                                              std::to_string(out.levels) + " levels of " + format.name + " " +
                                              SizeText(out.width, out.height, out.depth) +
                                              (out.kind == TextureKind::Cube ? ", 6 faces" : "") + ") needs " +
                                              std::to_string(needed));
    return out;
}

TextureImage Read(std::span<const BYTE> file, const std::string& name)
{
    const Description description = Describe(file, name);
    TextureImage texture = MakeTexture(description.format, description.kind, description.width, description.height,
                                       description.depth, description.levels);
    if (description.paletteOffset != 0) {
        std::array<PALETTEENTRY, 256> palette{};
        std::memcpy(palette.data(), file.data() + description.paletteOffset, kPaletteBytes);
        texture.palette = palette;
    }
    // Faces one after another, each followed by its mips; a volume level
    // holds all its slices together.
    size_t offset = description.dataOffset;
    for (uint32_t face = 0; face < texture.Faces(); ++face)
        for (uint32_t level = 0; level < texture.levels; ++level) {
            std::vector<BYTE>& surface = texture.Surface(face, level);
            std::memcpy(surface.data(), file.data() + offset, surface.size());
            offset += surface.size();
            ApplySwizzle(description.swizzle, surface);
        }
    return texture;
}

} // namespace r3aztex::dds
