// Which other programs decode a DDS file correctly as the library writes it:
// ImageMagick, NVIDIA Texture Tools' nvdecompress and Pillow, the readers
// users reach for first. What they manage depends on more than the pixel
// format: the header (classic, or DX10 and the DXGI number in it), the kind
// of texture, mips and arrays. tests/tools/r3aztex/real_clients_test.cpp
// runs all three on files of every format and shape and holds these facts
// to what they do.
#pragma once

#include "r3az8/tex/files/dds_reader.h"

#include <optional>
#include <span>
#include <string>

namespace r3az8tex {

enum OtherReader : BYTE {
    kImageMagick = 1,
    kNvdecompress = 2,
    kPillow = 4,
    kAllOtherReaders = kImageMagick | kNvdecompress | kPillow,
};

struct OtherReaderEntry {
    OtherReader reader;
    const char* name;
};
std::span<const OtherReaderEntry> OtherReaders();

// What decides whether a reader reads a file.
struct ReaderQuery {
    D3DFORMAT format;
    ColourSpace colourSpace;
    bool dx10Header;
    DWORD dxgiFormat;     // 0 without a DX10 header
    dds::Swizzle swizzle; // None in every file the library writes with the classic header
    TextureKind kind;
    uint32_t levels;
    uint32_t arraySize;
};
ReaderQuery ReaderQueryOf(const dds::Description& description);

// The readers (OtherReader bits) that decode level 0 of the file (every face
// and slice, for a reader that shows them all) like the library; none when
// the format has not been checked or the file is laid out otherwise than
// the library writes it (another DXGI number, red and blue exchanged).
std::optional<BYTE> ReadersOf(const ReaderQuery& query);

// "ImageMagick, nvdecompress, Pillow", "nvdecompress; not ImageMagick,
// Pillow", "none of ImageMagick, nvdecompress, Pillow", or "not checked".
std::string ReadersText(const ReaderQuery& query);

// What the facts were looked up by: "dxt1, classic header, cube map with
// mips", "a8r8g8b8, DX10 header R8G8B8A8_UNORM_SRGB, array of 2d
// textures, 1 level".
std::string ReaderShapeText(const ReaderQuery& query);

} // namespace r3az8tex
