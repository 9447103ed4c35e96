#include "r3az8/tex/codecs/palette_search.h"

#include "r3az8/tex/cpu.h"

#include <cstring>

namespace {

// Chosen once per process.
const PaletteKernels& Kernels()
{
    static const PaletteKernels kernels =
        KernelsMayUse(InstructionSet::Avx2) ? Avx2PaletteKernels() : PortablePaletteKernels();
    return kernels;
}

std::uint32_t Bits(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

} // namespace

PaletteSearch::PaletteSearch(const FloatColor* palette, PaletteChannels channels)
    : channels_(channels),
      search_(channels == PaletteChannels::ColorAndAlpha ? Kernels().colorAndAlpha : Kernels().colorOnly)
{
    for (int entry = 0; entry < 256; ++entry) {
        planar_.red[entry] = palette[entry].r;
        planar_.green[entry] = palette[entry].g;
        planar_.blue[entry] = palette[entry].b;
        planar_.alpha[entry] = palette[entry].a;
    }
}

BYTE PaletteSearch::Nearest(const FloatColor& color)
{
    // The cache is keyed by the exact bits of the compared channels, so a
    // hit returns what the search returned for the very same input.
    const std::uint32_t key[4] = {Bits(color.r), Bits(color.g), Bits(color.b),
                                  channels_ == PaletteChannels::ColorAndAlpha ? Bits(color.a) : 0u};
    std::uint32_t hash = key[0] * 0x9E3779B1u;
    hash = (hash ^ (hash >> 15) ^ key[1]) * 0x85EBCA77u;
    hash = (hash ^ (hash >> 13) ^ key[2]) * 0xC2B2AE3Du;
    hash = (hash ^ (hash >> 16) ^ key[3]) * 0x27D4EB2Fu;
    const unsigned at = (hash >> 16) % kCacheSize;
    std::uint64_t& filled = filled_[at / 64];
    const std::uint64_t bit = std::uint64_t(1) << (at % 64);
    CacheEntry& slot = cache_[at];
    if ((filled & bit) != 0 && slot.key[0] == key[0] && slot.key[1] == key[1] && slot.key[2] == key[2] &&
        slot.key[3] == key[3])
        return slot.index;
    const BYTE index = search_(planar_, color);
    slot = {{key[0], key[1], key[2], key[3]}, index};
    filled |= bit;
    return index;
}
