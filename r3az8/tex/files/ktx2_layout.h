// The structure of a KTX2 file (the KTX 2.0 format's public description
// by the Khronos Group): the 80-byte header, the level index, the data
// format descriptor, the key/value data and the levels, smallest first,
// each aligned and sized exactly. CheckLayout is the one place that knows
// the rules a file must keep; the reader, `info` and the tests that check
// the files we write all go through it.
#pragma once

#include "r3az8/tex/files/ktx2_dfd.h"
#include "r3az8/tex/files/ktx2_format_table.h"
#include "r3az8/tex/files/ktx2_key_values.h"

#include <array>
#include <span>
#include <vector>

namespace r3az8tex::ktx2 {

inline constexpr std::array<BYTE, 12> kIdentifier = {0xAB, 'K', 'T', 'X', ' ', '2', '0', 0xBB, '\r', '\n', 0x1A, '\n'};
inline constexpr size_t kHeaderBytes = 80;
inline constexpr size_t kLevelEntryBytes = 24;
// Arrays of more textures are refused before anything is allocated, as in
// DDS files.
inline constexpr uint32_t kMaxLayers = 16384;

enum class Supercompression : uint32_t { None = 0, BasisLz = 1, Zstandard = 2, Zlib = 3 };

struct Header {
    uint32_t vkFormat, typeSize, pixelWidth, pixelHeight, pixelDepth, layerCount, faceCount, levelCount,
        supercompressionScheme;
    uint32_t dfdByteOffset, dfdByteLength, kvdByteOffset, kvdByteLength;
    uint64_t sgdByteOffset, sgdByteLength;
};

struct LevelEntry {
    uint64_t byteOffset, byteLength, uncompressedByteLength;
};

void EncodeHeader(const Header& header, BYTE* out);             // kHeaderBytes
void EncodeLevelEntry(const LevelEntry& entry, BYTE* out);      // kLevelEntryBytes
Header DecodeHeader(std::span<const BYTE> bytes);               // bytes: at least kHeaderBytes
LevelEntry DecodeLevelEntry(std::span<const BYTE> bytes, uint32_t level); // from the whole file

// The bytes levels start on: lcm(bytes of a block, 4), or 1 for
// supercompressed data.
uint32_t LevelAlignment(const FormatRow& row, Supercompression scheme);

// What a file holds, once its structure is found sound.
struct Layout {
    Header header;
    D3DFORMAT format;
    ColourSpace colourSpace;
    dds::Swizzle swizzle; // from the stored blocks to the library's
    const FormatRow* row;
    TextureKind kind;
    uint32_t width, height, depth; // depth 1 unless a volume
    uint32_t layers;               // textures: 1, or the array's
    uint32_t levels;
    Supercompression scheme;
    std::vector<LevelEntry> levelIndex; // level 0 first
    std::vector<uint64_t> levelBytes;   // the bytes each level inflates to (all layers and faces)
    DescriptorFacts descriptor;
    std::vector<KeyValue> keys;
};

// Checks every rule of the file's structure that does not need the levels
// inflated: the identifier; a vkFormat we read and the typeSize it has;
// sides, faces, layers and levels that make a texture (a cube's faces
// square, no more levels than the size's chain); the limits (before
// anything is allocated); the index within the file, the descriptor right
// after the level index and the key/value data right after it; the
// descriptor against the VkFormat; sorted keys; no supercompression
// global data for schemes that have none; every level at its aligned place
// after the one below it, smallest first, of the exact size, none
// overlapping, and the file ending with level 0. Throws TextureError with
// the reason alone: Malformed for a broken rule, Unsupported for a valid
// file beyond what is read (Basis Universal and zlib data, 1D textures,
// formats without a row, sizes beyond the limits).
Layout CheckLayout(std::span<const BYTE> file);

} // namespace r3az8tex::ktx2
