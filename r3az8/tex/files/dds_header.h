// The DDS file header: its constants, its fields, and their byte encoding.
// Layout as documented for DirectDraw Surface files: the magic "DDS ", a
// 124-byte DDS_HEADER with a 32-byte DDS_PIXELFORMAT inside, and, when the
// pixel format's FOURCC is "DX10", a 20-byte DDS_HEADER_DXT10 after it.
#pragma once

#include "d3d8.h"

#include <array>
#include <cstddef>

namespace r3az8tex {

// DDS pixel-format flags (DDS_PIXELFORMAT.dwFlags), as bits of a DWORD.
enum DdsPixelFormatFlag : DWORD {
    DDPF_ALPHAPIXELS = 0x00000001,
    DDPF_ALPHA = 0x00000002,
    DDPF_FOURCC = 0x00000004,
    DDPF_PALETTEINDEXED8 = 0x00000020,
    DDPF_RGB = 0x00000040,
    DDPF_YUV = 0x00000200,
    DDPF_LUMINANCE = 0x00020000,
    DDPF_BUMPLUMINANCE = 0x00040000,
    DDPF_BUMPDUDV = 0x00080000,
};

// The DDS_PIXELFORMAT fields after dwSize. For the bump formats the red,
// green and blue masks hold the U, V and W (or luminance) fields.
struct DdsPixelFormat {
    DWORD flags;
    DWORD fourCC;
    DWORD bitCount;
    DWORD redMask;
    DWORD greenMask;
    DWORD blueMask;
    DWORD alphaMask;
};

} // namespace r3az8tex

namespace r3az8tex::dds {

inline constexpr DWORD kMagic = MAKEFOURCC('D', 'D', 'S', ' ');
inline constexpr DWORD kDx10Fourcc = MAKEFOURCC('D', 'X', '1', '0');
inline constexpr size_t kMagicBytes = 4;
inline constexpr DWORD kHeaderBytes = 124;
inline constexpr DWORD kPixelFormatBytes = 32;
inline constexpr size_t kDx10HeaderBytes = 20;
inline constexpr size_t kPaletteBytes = 256 * 4;
inline constexpr size_t kDataOffset = kMagicBytes + kHeaderBytes;

// DDS_HEADER.dwFlags
inline constexpr DWORD DDSD_CAPS = 0x00000001;
inline constexpr DWORD DDSD_HEIGHT = 0x00000002;
inline constexpr DWORD DDSD_WIDTH = 0x00000004;
inline constexpr DWORD DDSD_PITCH = 0x00000008;
inline constexpr DWORD DDSD_PIXELFORMAT = 0x00001000;
inline constexpr DWORD DDSD_MIPMAPCOUNT = 0x00020000;
inline constexpr DWORD DDSD_LINEARSIZE = 0x00080000;
inline constexpr DWORD DDSD_DEPTH = 0x00800000;

// DDS_HEADER.dwCaps
inline constexpr DWORD DDSCAPS_COMPLEX = 0x00000008;
inline constexpr DWORD DDSCAPS_TEXTURE = 0x00001000;
inline constexpr DWORD DDSCAPS_MIPMAP = 0x00400000;

// DDS_HEADER.dwCaps2
inline constexpr DWORD DDSCAPS2_CUBEMAP = 0x00000200;
inline constexpr DWORD DDSCAPS2_CUBEMAP_POSITIVEX = 0x00000400;
inline constexpr DWORD DDSCAPS2_CUBEMAP_NEGATIVEX = 0x00000800;
inline constexpr DWORD DDSCAPS2_CUBEMAP_POSITIVEY = 0x00001000;
inline constexpr DWORD DDSCAPS2_CUBEMAP_NEGATIVEY = 0x00002000;
inline constexpr DWORD DDSCAPS2_CUBEMAP_POSITIVEZ = 0x00004000;
inline constexpr DWORD DDSCAPS2_CUBEMAP_NEGATIVEZ = 0x00008000;
inline constexpr DWORD DDSCAPS2_CUBEMAP_ALLFACES = 0x0000FC00;
inline constexpr DWORD DDSCAPS2_VOLUME = 0x00200000;

// DDS_HEADER_DXT10
inline constexpr DWORD kDimensionUnknown = 0;
inline constexpr DWORD kDimensionTexture1D = 2;
inline constexpr DWORD kDimensionTexture2D = 3;
inline constexpr DWORD kDimensionTexture3D = 4;
inline constexpr DWORD kMiscTextureCube = 0x4;

struct Header {
    DWORD size;
    DWORD flags;
    DWORD height;
    DWORD width;
    DWORD pitchOrLinearSize;
    DWORD depth;
    DWORD mipMapCount;
    std::array<DWORD, 11> reserved1;
    DWORD pixelFormatSize;
    DdsPixelFormat pixelFormat;
    DWORD caps;
    DWORD caps2;
    DWORD caps3;
    DWORD caps4;
    DWORD reserved2;
};

struct Dx10Header {
    DWORD dxgiFormat;
    DWORD resourceDimension;
    DWORD miscFlag;
    DWORD arraySize;
    DWORD miscFlags2;
};

// Little-endian field access, independent of the host's byte order.
DWORD LoadLittleEndian32(const BYTE* bytes);
void StoreLittleEndian32(BYTE* bytes, DWORD value);

// The 124 header bytes (after the magic) to fields, and back.
Header DecodeHeader(const BYTE* bytes);
void EncodeHeader(const Header& header, BYTE* bytes);
Dx10Header DecodeDx10Header(const BYTE* bytes);

} // namespace r3az8tex::dds
