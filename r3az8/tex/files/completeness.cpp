#include "r3az8/tex/files/completeness.h"

#include <cstdint>

namespace r3az8tex {
namespace {

uint32_t Word(std::span<const BYTE> bytes, size_t offset) { return bytes[offset] | uint32_t(bytes[offset + 1]) << 8; }

} // namespace

std::string TgaIncompleteness(std::span<const BYTE> bytes)
{
    // Header (18 bytes): id length, colour-map type, image type, colour-map
    // first index, length and entry bits, origin, width, height, pixel bits.
    constexpr size_t kHeader = 18;
    if (bytes.size() < kHeader)
        return "file ends inside the TGA header";
    const uint32_t idLength = bytes[0];
    const uint32_t mapType = bytes[1];
    const uint32_t imageType = bytes[2];
    const uint32_t mapLength = Word(bytes, 5);
    const uint32_t mapBits = bytes[7];
    const uint64_t pixels = uint64_t(Word(bytes, 12)) * Word(bytes, 14);
    const uint32_t pixelBytes = (bytes[16] + 7) / 8;
    const uint64_t mapBytes = mapType == 1 ? uint64_t(mapLength) * ((mapBits + 7) / 8) : 0;
    uint64_t position = kHeader + idLength + mapBytes;
    if (pixelBytes == 0)
        return "TGA pixel size is 0 bits";
    const bool runLength = imageType >= 9 && imageType <= 11;
    if (!runLength) {
        if (bytes.size() < position + pixels * pixelBytes)
            return "file ends before the last TGA pixel";
        return "";
    }
    // Run-length packets: a count byte, then one pixel (a run) or that many
    // pixels (a raw packet).
    uint64_t covered = 0;
    while (covered < pixels) {
        if (position >= bytes.size())
            return "file ends before the last TGA pixel";
        const BYTE packet = bytes[position++];
        const uint32_t count = (packet & 0x7F) + 1u;
        position += (packet & 0x80) ? pixelBytes : uint64_t(count) * pixelBytes;
        if (position > bytes.size())
            return "file ends before the last TGA pixel";
        covered += count;
    }
    return "";
}

} // namespace r3az8tex
