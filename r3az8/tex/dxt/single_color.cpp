// Tables of the best endpoint pairs for single colours, built once at first
// use (a function-local static, so threads may race to it safely).
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/dxt/single_color.h"

#include "r3az8/tex/dxt/dxt_internal.h"

#include <initializer_list>

using namespace dxt;

namespace {

// Palette positions between the ends: a third and two thirds of the way
// (four-colour mode, codes 2 and 3), and half way (three-colour, code 2).
enum Shape { Third, TwoThird, Half, ShapeCount };
// How the first code compares with the second. Word order decides the mode,
// and red is the most significant field, so a mode's order is met by the
// first channel whose codes differ.
enum Order { Greater, Equal, Less, OrderCount };

struct Entry {
    BYTE from;
    BYTE to;
    float error; // squared, in 8-bit units
};

struct Tables {
    Entry entries[2][ShapeCount][OrderCount][256]; // [six bits][shape][order][value]
};

float Share(Shape shape) { return shape == Third ? kOneThird : shape == TwoThird ? kTwoThirds : 0.5f; }

Tables BuildTables()
{
    Tables tables{};
    for (int six = 0; six < 2; ++six) {
        const int top = six ? 63 : 31;
        const float step = six ? kReciprocal63 : kReciprocal31;
        for (int shape = 0; shape < ShapeCount; ++shape)
            for (int order = 0; order < OrderCount; ++order)
                for (int v = 0; v < 256; ++v)
                    tables.entries[six][shape][order][v].error = 1e30f;
        for (int from = 0; from <= top; ++from)
            for (int to = 0; to <= top; ++to) {
                const int order = from > to ? Greater : from == to ? Equal : Less;
                for (int shape = 0; shape < ShapeCount; ++shape) {
                    // The decoder's interpolation, operation for operation.
                    const float a = static_cast<float>(from) * step;
                    const float b = static_cast<float>(to) * step;
                    const float decoded = (a + (b - a) * Share(static_cast<Shape>(shape))) * 255.0f;
                    for (int v = 0; v < 256; ++v) {
                        const float d = decoded - static_cast<float>(v);
                        Entry& best = tables.entries[six][shape][order][v];
                        if (d * d < best.error)
                            best = {static_cast<BYTE>(from), static_cast<BYTE>(to), d * d};
                    }
                }
            }
    }
    return tables;
}

const Tables& SingleColorTables()
{
    static const Tables tables = BuildTables();
    return tables;
}

struct Choice {
    float error = 1e30f;
    WORD word0 = 0;
    WORD word1 = 0;
    BYTE code = 0;
};

// Tries the shape with `decided` channels equal, then channel `decided`
// in the wanted order, the rest free.
void TryShape(Choice& best, const int* rgb, const float* weights, Shape shape, Order wanted, BYTE code)
{
    const Tables& tables = SingleColorTables();
    for (int decided = 0; decided < 3; ++decided) {
        float error = 0.0f;
        int from[3];
        int to[3];
        for (int c = 0; c < 3; ++c) {
            const int six = c == 1;
            const Entry* pick;
            if (c < decided)
                pick = &tables.entries[six][shape][Equal][rgb[c]];
            else if (c == decided)
                pick = &tables.entries[six][shape][wanted][rgb[c]];
            else {
                pick = &tables.entries[six][shape][Greater][rgb[c]];
                for (int order : {Equal, Less})
                    if (tables.entries[six][shape][order][rgb[c]].error < pick->error)
                        pick = &tables.entries[six][shape][order][rgb[c]];
            }
            from[c] = pick->from;
            to[c] = pick->to;
            error += weights[c] * pick->error;
        }
        if (error < best.error) {
            best.error = error;
            best.word0 = static_cast<WORD>(from[0] << 11 | from[1] << 5 | from[2]);
            best.word1 = static_cast<WORD>(to[0] << 11 | to[1] << 5 | to[2]);
            best.code = code;
        }
    }
}

} // namespace

FlatColorBlock EncodeFlatColor(const int* rgb, const float* channelWeights, FlatModes modes)
{
    // Equal words: the nearest endpoint colour, code 0, in either mode (as
    // three colours, so transparent pixels may take code 3).
    Choice best;
    best.error = 0.0f;
    int ends[3];
    for (int c = 0; c < 3; ++c) {
        const Entry& exact = SingleColorTables().entries[c == 1][Third][Equal][rgb[c]];
        ends[c] = exact.from;
        best.error += channelWeights[c] * exact.error;
    }
    best.word0 = best.word1 = static_cast<WORD>(ends[0] << 11 | ends[1] << 5 | ends[2]);
    if (modes != FlatModes::ThreeOnly) {
        TryShape(best, rgb, channelWeights, Third, Greater, 2);
        TryShape(best, rgb, channelWeights, TwoThird, Greater, 3);
    }
    if (modes != FlatModes::FourOnly)
        TryShape(best, rgb, channelWeights, Half, Less, 2);
    return {best.word0, best.word1, best.code};
}
