// The fourteen BC6H modes as data: how many regions, whether the endpoints
// after the first are stored as differences from it, their precisions, and
// the order their bits are scattered over the block (the mode tables of
// the BC6H format's public description). The decoder reads blocks by these rows and the encoder
// writes them by the same rows, so the two cannot disagree; likewise the
// unquantisation and the last step to half-float bits are shared.
#pragma once

#include <algorithm>
#include <cstdint>

namespace bptc::bc6h {

// The twelve endpoint channels: w and x are the first region's endpoints,
// y and z the second's.
// End (0) closes a layout, so a layout's unused tail ends it.
enum Field : std::uint8_t { End, RW, GW, BW, RX, GX, BX, RY, GY, BY, RZ, GZ, BZ };

// A run of one field's bits, read from bit `first` to bit `last` (downwards
// when last < first: the few fields stored with their bits reversed).
struct Run {
    Field field;
    std::uint8_t first;
    std::uint8_t last;
};

// R(f, high, low) is the usual f[high:low], read from low to high; B(f, n)
// the single bit f[n].
constexpr Run R(Field field, unsigned high, unsigned low)
{
    return {field, static_cast<std::uint8_t>(low), static_cast<std::uint8_t>(high)};
}
constexpr Run B(Field field, unsigned bit) { return R(field, bit, bit); }

struct Bc6hMode {
    unsigned code;        // the mode field: 2 bits for the first two, else 5
    unsigned regions;     // 1 or 2
    bool transformed;     // x, y, z stored as differences from w
    unsigned precision;   // bits of the endpoint w
    unsigned delta[3];    // bits of the other endpoints, red, green, blue
    Run layout[24];
};

// Layouts after the mode bits, in block order.
inline constexpr Bc6hMode kModes[] = {
    {0, 2, true, 10, {5, 5, 5}, {B(GY, 4), B(BY, 4), B(BZ, 4), R(RW, 9, 0), R(GW, 9, 0), R(BW, 9, 0), R(RX, 4, 0),
                                 B(GZ, 4), R(GY, 3, 0), R(GX, 4, 0), B(BZ, 0), R(GZ, 3, 0), R(BX, 4, 0), B(BZ, 1),
                                 R(BY, 3, 0), R(RY, 4, 0), B(BZ, 2), R(RZ, 4, 0), B(BZ, 3)}},
    {1, 2, true, 7, {6, 6, 6}, {B(GY, 5), B(GZ, 4), B(GZ, 5), R(RW, 6, 0), B(BZ, 0), B(BZ, 1), B(BY, 4), R(GW, 6, 0),
                                B(BY, 5), B(BZ, 2), B(GY, 4), R(BW, 6, 0), B(BZ, 3), B(BZ, 5), B(BZ, 4), R(RX, 5, 0),
                                R(GY, 3, 0), R(GX, 5, 0), R(GZ, 3, 0), R(BX, 5, 0), R(BY, 3, 0), R(RY, 5, 0),
                                R(RZ, 5, 0)}},
    {2, 2, true, 11, {5, 4, 4}, {R(RW, 9, 0), R(GW, 9, 0), R(BW, 9, 0), R(RX, 4, 0), B(RW, 10), R(GY, 3, 0),
                                 R(GX, 3, 0), B(GW, 10), B(BZ, 0), R(GZ, 3, 0), R(BX, 3, 0), B(BW, 10), B(BZ, 1),
                                 R(BY, 3, 0), R(RY, 4, 0), B(BZ, 2), R(RZ, 4, 0), B(BZ, 3)}},
    {6, 2, true, 11, {4, 5, 4}, {R(RW, 9, 0), R(GW, 9, 0), R(BW, 9, 0), R(RX, 3, 0), B(RW, 10), B(GZ, 4),
                                 R(GY, 3, 0), R(GX, 4, 0), B(GW, 10), R(GZ, 3, 0), R(BX, 3, 0), B(BW, 10), B(BZ, 1),
                                 R(BY, 3, 0), R(RY, 3, 0), B(BZ, 0), B(BZ, 2), R(RZ, 3, 0), B(GY, 4), B(BZ, 3)}},
    {10, 2, true, 11, {4, 4, 5}, {R(RW, 9, 0), R(GW, 9, 0), R(BW, 9, 0), R(RX, 3, 0), B(RW, 10), B(BY, 4),
                                  R(GY, 3, 0), R(GX, 3, 0), B(GW, 10), B(BZ, 0), R(GZ, 3, 0), R(BX, 4, 0), B(BW, 10),
                                  R(BY, 3, 0), R(RY, 3, 0), B(BZ, 1), B(BZ, 2), R(RZ, 3, 0), B(BZ, 4), B(BZ, 3)}},
    {14, 2, true, 9, {5, 5, 5}, {R(RW, 8, 0), B(BY, 4), R(GW, 8, 0), B(GY, 4), R(BW, 8, 0), B(BZ, 4), R(RX, 4, 0),
                                 B(GZ, 4), R(GY, 3, 0), R(GX, 4, 0), B(BZ, 0), R(GZ, 3, 0), R(BX, 4, 0), B(BZ, 1),
                                 R(BY, 3, 0), R(RY, 4, 0), B(BZ, 2), R(RZ, 4, 0), B(BZ, 3)}},
    {18, 2, true, 8, {6, 5, 5}, {R(RW, 7, 0), B(GZ, 4), B(BY, 4), R(GW, 7, 0), B(BZ, 2), B(GY, 4), R(BW, 7, 0),
                                 B(BZ, 3), B(BZ, 4), R(RX, 5, 0), R(GY, 3, 0), R(GX, 4, 0), B(BZ, 0), R(GZ, 3, 0),
                                 R(BX, 4, 0), B(BZ, 1), R(BY, 3, 0), R(RY, 5, 0), R(RZ, 5, 0)}},
    {22, 2, true, 8, {5, 6, 5}, {R(RW, 7, 0), B(BZ, 0), B(BY, 4), R(GW, 7, 0), B(GY, 5), B(GY, 4), R(BW, 7, 0),
                                 B(GZ, 5), B(BZ, 4), R(RX, 4, 0), B(GZ, 4), R(GY, 3, 0), R(GX, 5, 0), R(GZ, 3, 0),
                                 R(BX, 4, 0), B(BZ, 1), R(BY, 3, 0), R(RY, 4, 0), B(BZ, 2), R(RZ, 4, 0), B(BZ, 3)}},
    {26, 2, true, 8, {5, 5, 6}, {R(RW, 7, 0), B(BZ, 1), B(BY, 4), R(GW, 7, 0), B(BY, 5), B(GY, 4), R(BW, 7, 0),
                                 B(BZ, 5), B(BZ, 4), R(RX, 4, 0), B(GZ, 4), R(GY, 3, 0), R(GX, 4, 0), B(BZ, 0),
                                 R(GZ, 3, 0), R(BX, 5, 0), R(BY, 3, 0), R(RY, 4, 0), B(BZ, 2), R(RZ, 4, 0), B(BZ, 3)}},
    {30, 2, false, 6, {6, 6, 6}, {R(RW, 5, 0), B(GZ, 4), B(BZ, 0), B(BZ, 1), B(BY, 4), R(GW, 5, 0), B(GY, 5),
                                  B(BY, 5), B(BZ, 2), B(GY, 4), R(BW, 5, 0), B(GZ, 5), B(BZ, 3), B(BZ, 5), B(BZ, 4),
                                  R(RX, 5, 0), R(GY, 3, 0), R(GX, 5, 0), R(GZ, 3, 0), R(BX, 5, 0), R(BY, 3, 0),
                                  R(RY, 5, 0), R(RZ, 5, 0)}},
    {3, 1, false, 10, {10, 10, 10}, {R(RW, 9, 0), R(GW, 9, 0), R(BW, 9, 0), R(RX, 9, 0), R(GX, 9, 0), R(BX, 9, 0)}},
    {7, 1, true, 11, {9, 9, 9}, {R(RW, 9, 0), R(GW, 9, 0), R(BW, 9, 0), R(RX, 8, 0), B(RW, 10), R(GX, 8, 0),
                                 B(GW, 10), R(BX, 8, 0), B(BW, 10)}},
    {11, 1, true, 12, {8, 8, 8}, {R(RW, 9, 0), R(GW, 9, 0), R(BW, 9, 0), R(RX, 7, 0), {RW, 11, 10}, R(GX, 7, 0),
                                  {GW, 11, 10}, R(BX, 7, 0), {BW, 11, 10}}},
    {15, 1, true, 16, {4, 4, 4}, {R(RW, 9, 0), R(GW, 9, 0), R(BW, 9, 0), R(RX, 3, 0), {RW, 15, 10}, R(GX, 3, 0),
                                  {GW, 15, 10}, R(BX, 3, 0), {BW, 15, 10}}},
};

constexpr unsigned RunBits(const Run& run)
{
    return (run.last >= run.first ? run.last - run.first : run.first - run.last) + 1u;
}

// Every layout fills the block exactly, and sets each bit of each endpoint
// channel once: the precision's bits for w, the delta's for the others.
constexpr bool LayoutIsSound(const Bc6hMode& mode)
{
    unsigned total = mode.code < 2 ? 2 : 5;
    unsigned seen[13] = {};
    for (const Run& run : mode.layout) {
        if (run.field == End)
            break;
        total += RunBits(run);
        const int step = run.last >= run.first ? 1 : -1;
        for (int bit = run.first;; bit += step) {
            if (seen[run.field] & (1u << bit))
                return false;
            seen[run.field] |= 1u << bit;
            if (bit == run.last)
                break;
        }
    }
    const unsigned endpoints = 2 * mode.regions;
    for (unsigned e = 0; e < 4; ++e)
        for (unsigned channel = 0; channel < 3; ++channel) {
            const unsigned width = e >= endpoints ? 0 : e == 0 ? mode.precision : mode.delta[channel];
            if (seen[1 + 3 * e + channel] != (1u << width) - 1)
                return false;
        }
    total += mode.regions == 2 ? 5 + 46 : 63;
    return total == 128;
}

static_assert(std::ranges::all_of(kModes, LayoutIsSound), "a BC6H layout does not cover its fields and the block exactly");

inline int SignExtend(int value, unsigned bits)
{
    const int sign = 1 << (bits - 1);
    value &= (1 << bits) - 1;
    return (value ^ sign) - sign;
}

// An endpoint channel of `bits` bits to the 16-bit scale the interpolation
// works on: 0..0xFFFF unsigned, -0x7FFF..0x7FFF signed.
inline int Unquantise(int value, unsigned bits, bool isSigned)
{
    if (!isSigned) {
        if (bits >= 15 || value == 0)
            return value;
        if (value == (1 << bits) - 1)
            return 0xFFFF;
        return ((value << 16) + 0x8000) >> bits;
    }
    if (bits >= 16)
        return value;
    const bool negative = value < 0;
    int magnitude = negative ? -value : value;
    if (magnitude == 0)
        magnitude = 0;
    else if (magnitude >= (1 << (bits - 1)) - 1)
        magnitude = 0x7FFF;
    else
        magnitude = ((magnitude << 15) + 0x4000) >> (bits - 1);
    return negative ? -magnitude : magnitude;
}

// An interpolated channel to the bits of a half float: the 16-bit scale is
// brought to the half range (at most 0x7BFF, the largest finite value).
inline std::uint16_t ToHalfBits(int value, bool isSigned)
{
    if (!isSigned)
        return static_cast<std::uint16_t>((value * 31) >> 6);
    if (value < 0)
        return static_cast<std::uint16_t>(0x8000 | (((-value) * 31) >> 5));
    return static_cast<std::uint16_t>((value * 31) >> 5);
}

} // namespace bptc::bc6h
