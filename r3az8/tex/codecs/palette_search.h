// Nearest palette entry for the palette formats: the entry with the least
// squared distance to the colour, summed as ((dr^2 + dg^2) + db^2) (+ da^2)
// in 32-bit floats, the lowest index winning among equal distances; when no
// entry is closer than the largest finite float (a colour that is not
// finite) the answer is entry 0.
//
// The search keeps the palette one channel per array, so the 256 distances
// are computed in wide vector steps (AVX2 where the processor has it), and
// remembers recent answers, since images repeat colours.
#pragma once

#include "r3az8/tex/codecs/palette_kernels.h"

#include <cstdint>

enum class PaletteChannels { ColorAndAlpha, ColorOnly };

class PaletteSearch {
public:
    PaletteSearch(const FloatColor* palette, PaletteChannels channels);

    BYTE Nearest(const FloatColor& color);

private:
    struct CacheEntry {
        std::uint32_t key[4];
        BYTE index;
    };
    static constexpr unsigned kCacheSize = 1024;

    PaletteChannels channels_;
    NearestEntryKernel search_;
    PlanarPalette planar_;
    // Which slots hold an answer, a bit each: a search is made for every
    // level and face converted, most of them small, so an empty cache costs
    // 128 bytes to set up rather than the slots' 20 KiB.
    std::uint64_t filled_[kCacheSize / 64] = {};
    CacheEntry cache_[kCacheSize];
};
