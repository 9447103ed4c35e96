// A whole texture in memory, and the one error type of the texture-file calls.
//
//   TextureImage      the pixel data of every face and level of a 2D, cube or
//                     volume texture in its stored D3DFORMAT, each level packed
//                     without padding (as a DDS file holds it), with its
//                     palette (P8, A8P8) and whether its values are sRGB.
//   MakeTexture       a texture of a shape with every surface allocated and
//                     zeroed; throws TextureError (Unsupported) for a format
//                     the library does not have or a shape beyond the limits.
//   LevelSide, FullChainLength
//                     the size of level N of a side, and the length of the
//                     whole chain down to 1x1x1.
//   TextureImage::Level(n)
//                     the layout of level n: sides, bytes between rows, rows
//                     (of 4x4 blocks for the block formats), bytes in all.
//   FormatName        "a8r8g8b8", "dxt1", ... or "unknown (N)".
//   TextureError      what every call of r3az8/tex/texture_files.h throws: a
//                     message for the user that names the file, and an
//                     ErrorKind whose numbers a program may use as exit codes.
//
// Needs C++17; reads and writes of files are in r3az8/tex/texture_files.h.
#pragma once

#include "d3d8.h"

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace r3az8tex {

// The kinds keep their numbers, so that a program may use them as its exit
// codes (r3aztex does).
enum class ErrorKind : int {
    Request = 1,     // options that contradict each other or name nothing
    FileAccess = 2,  // a file could not be opened, read, written or renamed
    Malformed = 3,   // an input file breaks the rules of its format
    Unsupported = 4, // a valid input or request beyond what is handled
    Internal = 5,    // a fault of this code or of the library below it
};

class TextureError : public std::runtime_error {
public:
    TextureError(ErrorKind code, const std::string& message) : std::runtime_error(message), code_(code) {}

    ErrorKind Code() const { return code_; }

private:
    ErrorKind code_;
};

// "file: reason", the shape of every per-file message.
inline TextureError FileError(ErrorKind code, const std::string& file, const std::string& reason)
{
    return TextureError(code, file + ": " + reason);
}

enum class TextureKind : BYTE { Flat, Cube, Volume };

const char* KindName(TextureKind kind); // "2d", "cube", "volume"

// "WxH", or "WxHxD" when the depth is above 1.
std::string SizeText(uint32_t width, uint32_t height, uint32_t depth);

// What a texture's stored colour values mean. Unspecified: colour formats
// hold sRGB-encoded values by convention, as PNG files do, and the float
// formats linear ones. Srgb: the file says so (the _SRGB DXGI formats).
enum class ColourSpace : BYTE { Unspecified, Srgb };

// Limits on every texture read, made or requested: no side above 16384
// pixels and no texture above 1 GiB of pixel data. They keep a hostile
// header from asking for absurd allocations.
inline constexpr uint32_t kMaxSide = 16384;
inline constexpr uint64_t kMaxTextureBytes = 1ull << 30;

// Storage of one level (of one face).
struct LevelLayout {
    uint32_t width;
    uint32_t height;
    uint32_t depth;
    uint32_t rowPitch; // bytes from one row of pixels (of blocks, for DXT) to the next
    uint32_t rowCount; // rows of pixels, or of blocks
    uint64_t slicePitch;
    uint64_t bytes; // slicePitch * depth
};

// Size of a level: each side halves (rounding down) and stops at 1.
uint32_t LevelSide(uint32_t side, uint32_t level);
// Number of levels down to 1x1x1.
uint32_t FullChainLength(uint32_t width, uint32_t height, uint32_t depth);

// The format's name, as r3aztex takes it ("a8r8g8b8", "bc7"), or "unknown (N)".
std::string FormatName(D3DFORMAT format);

// The facts about a format (the library's own table); a program needs only
// its name and the layouts TextureImage::Level gives.
struct FormatInfo;

struct TextureImage {
    D3DFORMAT format = D3DFMT_UNKNOWN;
    TextureKind kind = TextureKind::Flat;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 1;
    uint32_t levels = 0;
    // faces x levels surfaces, face-major: surfaces[face * levels + level].
    std::vector<std::vector<BYTE>> surfaces;
    // The 256 entries of a P8 or A8P8 texture.
    std::optional<std::array<PALETTEENTRY, 256>> palette;
    ColourSpace colourSpace = ColourSpace::Unspecified;

    uint32_t Faces() const { return kind == TextureKind::Cube ? 6u : 1u; }
    const FormatInfo& Format() const; // the format's row; the format must be in the table
    LevelLayout Level(uint32_t level) const;
    std::vector<BYTE>& Surface(uint32_t face, uint32_t level) { return surfaces[face * levels + level]; }
    const std::vector<BYTE>& Surface(uint32_t face, uint32_t level) const { return surfaces[face * levels + level]; }
    // Total bytes of pixel data over all faces and levels.
    uint64_t TotalBytes() const;
};

// A texture of the given shape with every surface allocated and zeroed.
// A depth other than 1 counts for volumes only; levels from 1 to the chain's
// length. Throws TextureError (Unsupported) when the format is not the
// library's or the shape breaks the limits above.
TextureImage MakeTexture(D3DFORMAT format, TextureKind kind, uint32_t width, uint32_t height, uint32_t depth,
                         uint32_t levels);

} // namespace r3az8tex
