// The body of the nearest-entry scan, included by palette_kernels.cpp and
// palette_kernels_avx2.cpp, each compiled for its instruction set. It lives
// in an unnamed namespace so the two compilations never merge.
//
// Eight lanes run side by side (GCC vector extensions: two SSE registers or
// one AVX register). Lane l keeps the smallest distance of the entries
// l, l + 8, l + 16, ... and the first entry that reached it; the lanes are
// then merged by distance, ties going to the lower entry. That is the entry
// a single scan replacing its best only on a strictly smaller distance
// would keep, starting from the largest finite float and entry 0.
#pragma once

#include "r3az8/tex/codecs/palette_kernels.h"

#include <cfloat>
#include <cstdint>
#include <cstring>

namespace {

typedef float Floats8 __attribute__((vector_size(32)));
typedef std::int32_t Ints8 __attribute__((vector_size(32)));

// Out-parameters rather than return values: a 32-byte vector returned by
// value would change the calling convention between the two compilations.
inline void Load8(Floats8& loaded, const float* values) { std::memcpy(&loaded, values, sizeof loaded); }

enum class CompareAlpha { Yes, No };

template <CompareAlpha Alpha>
BYTE NearestEntry(const PlanarPalette& palette, const FloatColor& color)
{
    const Floats8 red = Floats8{} + color.r;
    const Floats8 green = Floats8{} + color.g;
    const Floats8 blue = Floats8{} + color.b;
    const Floats8 alpha = Floats8{} + color.a;
    Floats8 best = Floats8{} + FLT_MAX;
    Ints8 bestEntry = {};
    Ints8 entry = {0, 1, 2, 3, 4, 5, 6, 7};
    for (int first = 0; first < 256; first += 8) {
        Floats8 entryRed, entryGreen, entryBlue;
        Load8(entryRed, palette.red + first);
        Load8(entryGreen, palette.green + first);
        Load8(entryBlue, palette.blue + first);
        const Floats8 dr = red - entryRed;
        const Floats8 dg = green - entryGreen;
        const Floats8 db = blue - entryBlue;
        Floats8 distance = dr * dr + dg * dg;
        distance = distance + db * db;
        if constexpr (Alpha == CompareAlpha::Yes) {
            Floats8 entryAlpha;
            Load8(entryAlpha, palette.alpha + first);
            const Floats8 da = alpha - entryAlpha;
            distance = distance + da * da;
        }
        const Ints8 closer = distance < best;
        best = closer ? distance : best;
        bestEntry = closer ? entry : bestEntry;
        entry += 8;
    }
    float winner = best[0];
    std::int32_t winnerEntry = bestEntry[0];
    for (int lane = 1; lane < 8; ++lane) {
        if (best[lane] < winner || (best[lane] == winner && bestEntry[lane] < winnerEntry)) {
            winner = best[lane];
            winnerEntry = bestEntry[lane];
        }
    }
    return static_cast<BYTE>(winnerEntry);
}

constexpr PaletteKernels kKernels = {NearestEntry<CompareAlpha::Yes>, NearestEntry<CompareAlpha::No>};

} // namespace
