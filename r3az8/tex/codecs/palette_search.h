// Nearest palette entry for the palette formats: the entry with the least
// squared distance to the colour, summed over R, G, B (and A), the lowest
// index winning among equal distances. The search keeps the palette one
// channel per array, so the 256 distances are computed in wide vector
// steps, and remembers recent answers, since images repeat colours.
#pragma once

#include "r3az8/tex/pixel_codec.h"

#include <cstdint>

enum class PaletteChannels { ColorAndAlpha, ColorOnly };

// The definition the search must reproduce bit for bit: distances summed as
// ((dr^2 + dg^2) + db^2) (+ da^2) in 32-bit floats, best starting at the
// largest finite float, replaced only by a strictly smaller distance.
BYTE NearestPaletteEntryExhaustive(const FloatColor* palette, const FloatColor& color, PaletteChannels channels);

class PaletteSearch {
public:
    PaletteSearch(const FloatColor* palette, PaletteChannels channels);

    BYTE Nearest(const FloatColor& color);

private:
    struct CacheEntry {
        std::uint32_t key[4];
        std::int32_t index; // -1: empty
    };
    static constexpr unsigned kCacheSize = 1024;

    BYTE Search(const FloatColor& color) const;

    PaletteChannels channels;
    alignas(32) float red[256];
    alignas(32) float green[256];
    alignas(32) float blue[256];
    alignas(32) float alpha[256];
    CacheEntry cache[kCacheSize];
};
