#include "r3az8/tex/codecs/palette_search.h"

#include <cfloat>
#include <cstring>

namespace {

constexpr float kFarthest = FLT_MAX;

template <PaletteChannels Channels>
inline float Distance(float dr, float dg, float db, float da)
{
    float distance = dr * dr + dg * dg;
    distance = distance + db * db;
    if constexpr (Channels == PaletteChannels::ColorAndAlpha)
        distance = distance + da * da;
    return distance;
}

// All 256 distances first (a loop without branches the compiler widens),
// then their minimum, then the first entry at that minimum: the same entry
// the one-pass strict-less-than scan picks, because the minimum is exact.
template <PaletteChannels Channels>
BYTE SearchPlanar(const float* red, const float* green, const float* blue, const float* alpha,
                  const FloatColor& color)
{
    alignas(32) float distances[256];
    for (int entry = 0; entry < 256; ++entry)
        distances[entry] = Distance<Channels>(color.r - red[entry], color.g - green[entry], color.b - blue[entry],
                                              color.a - alpha[entry]);
    float best = kFarthest;
    for (int entry = 0; entry < 256; ++entry)
        best = distances[entry] < best ? distances[entry] : best;
    // Nothing closer than the starting value (all distances infinite or not
    // a number): the scan would have kept index 0.
    if (!(best < kFarthest))
        return 0;
    for (int entry = 0; entry < 256; ++entry)
        if (distances[entry] == best)
            return static_cast<BYTE>(entry);
    return 0;
}

std::uint32_t Bits(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

} // namespace

BYTE NearestPaletteEntryExhaustive(const FloatColor* palette, const FloatColor& color, PaletteChannels channels)
{
    float best = kFarthest;
    BYTE index = 0;
    for (int entry = 0; entry < 256; ++entry) {
        const FloatColor& candidate = palette[entry];
        const float distance =
            channels == PaletteChannels::ColorAndAlpha
                ? Distance<PaletteChannels::ColorAndAlpha>(color.r - candidate.r, color.g - candidate.g,
                                                          color.b - candidate.b, color.a - candidate.a)
                : Distance<PaletteChannels::ColorOnly>(color.r - candidate.r, color.g - candidate.g,
                                                      color.b - candidate.b, 0.0f);
        if (distance < best) {
            best = distance;
            index = static_cast<BYTE>(entry);
        }
    }
    return index;
}

PaletteSearch::PaletteSearch(const FloatColor* palette, PaletteChannels channels) : channels(channels)
{
    for (int entry = 0; entry < 256; ++entry) {
        red[entry] = palette[entry].r;
        green[entry] = palette[entry].g;
        blue[entry] = palette[entry].b;
        alpha[entry] = palette[entry].a;
    }
    for (CacheEntry& slot : cache)
        slot = {{0, 0, 0, 0}, -1};
}

BYTE PaletteSearch::Search(const FloatColor& color) const
{
    if (channels == PaletteChannels::ColorAndAlpha)
        return SearchPlanar<PaletteChannels::ColorAndAlpha>(red, green, blue, alpha, color);
    return SearchPlanar<PaletteChannels::ColorOnly>(red, green, blue, alpha, color);
}

BYTE PaletteSearch::Nearest(const FloatColor& color)
{
    // The cache is keyed by the exact bits of the compared channels, so a
    // hit returns what the search returned for the very same input.
    const std::uint32_t key[4] = {Bits(color.r), Bits(color.g), Bits(color.b),
                                  channels == PaletteChannels::ColorAndAlpha ? Bits(color.a) : 0u};
    std::uint32_t hash = key[0] * 0x9E3779B1u;
    hash = (hash ^ (hash >> 15) ^ key[1]) * 0x85EBCA77u;
    hash = (hash ^ (hash >> 13) ^ key[2]) * 0xC2B2AE3Du;
    hash = (hash ^ (hash >> 16) ^ key[3]) * 0x27D4EB2Fu;
    CacheEntry& slot = cache[(hash >> 16) % kCacheSize];
    if (slot.index >= 0 && slot.key[0] == key[0] && slot.key[1] == key[1] && slot.key[2] == key[2] &&
        slot.key[3] == key[3])
        return static_cast<BYTE>(slot.index);
    const BYTE index = Search(color);
    slot = {{key[0], key[1], key[2], key[3]}, index};
    return index;
}
