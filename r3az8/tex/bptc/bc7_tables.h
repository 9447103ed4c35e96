// Tables the BC7 encoder looks up in its inner loops: index weights padded
// to 16 entries, and the nearest endpoint code of every 8-bit value.
#pragma once

#include "r3az8/tex/bptc/bc7_layout.h"
#include "r3az8/tex/bptc/partitions.h"

#include <cstdint>

namespace bptc {

// For every endpoint width (4 to 8 bits) with no p-bit, p-bit 0 or p-bit 1
// ([bits - 4][kind]), the raw code whose widened value lies nearest each
// 8-bit value, and that widened value. 8-bit ends have no p-bit.
struct Bc7QuantizeTables {
    std::uint8_t raw[5][3][256];
    std::uint8_t widened[5][3][256];
};

namespace detail {

struct WeightTables {
    std::uint8_t of[3][16];
};

inline WeightTables MakeWeights()
{
    WeightTables t{};
    for (unsigned bits = 2; bits <= 4; ++bits)
        for (unsigned k = 0; k < 16; ++k)
            t.of[bits - 2][k] = static_cast<std::uint8_t>(WeightOf(bits, k < (1u << bits) ? k : (1u << bits) - 1));
    return t;
}

inline Bc7QuantizeTables MakeQuantizers()
{
    Bc7QuantizeTables t{};
    for (unsigned bits = 4; bits <= 8; ++bits)
        for (unsigned kind = 0; kind < (bits < 8 ? 3u : 1u); ++kind) {
            const unsigned pCount = kind == 0 ? 0 : 1;
            const unsigned p = kind == 2 ? 1 : 0;
            for (int v = 0; v < 256; ++v) {
                int bestDistance = 1 << 20;
                for (unsigned r = 0; r < (1u << bits); ++r) {
                    const int value = ExpandBc7(r << pCount | p, bits + pCount);
                    const int distance = value > v ? value - v : v - value;
                    if (distance < bestDistance) {
                        bestDistance = distance;
                        t.raw[bits - 4][kind][v] = static_cast<std::uint8_t>(r);
                        t.widened[bits - 4][kind][v] = static_cast<std::uint8_t>(value);
                    }
                }
            }
        }
    return t;
}

struct NearestTables {
    std::uint8_t of[3][65];
};

// The same two tables as floats: each index's weight, and the weight of
// the index nearest each 64th.
struct FloatWeightTables {
    float weight[3][16];
    float nearest[3][65];
};

inline NearestTables MakeNearest()
{
    NearestTables t{};
    for (unsigned bits = 2; bits <= 4; ++bits)
        for (int at = 0; at <= 64; ++at) {
            unsigned best = 0;
            for (unsigned k = 1; k < (1u << bits); ++k) {
                const int distance = static_cast<int>(WeightOf(bits, k)) - at;
                const int bestDistance = static_cast<int>(WeightOf(bits, best)) - at;
                if (distance * distance < bestDistance * bestDistance)
                    best = k;
            }
            t.of[bits - 2][at] = static_cast<std::uint8_t>(best);
        }
    return t;
}

inline FloatWeightTables MakeFloatWeights(const WeightTables& weights, const NearestTables& nearest)
{
    FloatWeightTables t{};
    for (unsigned b = 0; b < 3; ++b) {
        for (unsigned k = 0; k < 16; ++k)
            t.weight[b][k] = static_cast<float>(weights.of[b][k]);
        for (unsigned at = 0; at <= 64; ++at)
            t.nearest[b][at] = t.weight[b][nearest.of[b][at]];
    }
    return t;
}

} // namespace detail

// Weights (out of 64) of the 2-, 3- or 4-bit indices; entries past the
// last index repeat 64, so a table of any width may be read 16 wide.
inline const std::uint8_t* Bc7Weights(unsigned indexBits)
{
    static const detail::WeightTables tables = detail::MakeWeights();
    return tables.of[indexBits - 2];
}

// For each position along the ends in 64ths (0..64), the index whose
// weight lies nearest, the lower on a tie.
inline const std::uint8_t* Bc7NearestIndex(unsigned indexBits)
{
    static const detail::NearestTables tables = detail::MakeNearest();
    return tables.of[indexBits - 2];
}

// Bc7Weights and the weights of Bc7NearestIndex, as floats.
inline const detail::FloatWeightTables& Bc7FloatWeights()
{
    static const detail::FloatWeightTables tables =
        detail::MakeFloatWeights(detail::MakeWeights(), detail::MakeNearest());
    return tables;
}

inline const Bc7QuantizeTables& Bc7Quantizers()
{
    static const Bc7QuantizeTables tables = detail::MakeQuantizers();
    return tables;
}

} // namespace bptc
