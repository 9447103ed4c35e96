// Every floating-point format the library reads and writes, one row each:
// which channels it stores, at which byte, in which precision. Colour
// channels a format does not store read as 0 and a missing alpha as 1, the
// rule of Direct3D 10 and OpenGL (R16F reads (r, 0, 0, 1)).
#pragma once

#include "r3az8/tex/codecs/packed_layout.h"

namespace floats {

enum class Precision : std::uint8_t { Half, Single };

// How a pixel holds its numbers: one IEEE number per channel, the three
// unsigned 11/11/10-bit floats of R11G11B10, or three 9-bit mantissas with
// one shared exponent.
enum class Packing : std::uint8_t { Channels, SmallFloats, SharedExponent };

struct Field {
    packed::Channel channel; // red, green, blue or alpha
    std::uint8_t offset;     // byte of the pixel it starts at
    Precision precision;
};

struct Layout {
    D3DFORMAT format;
    std::uint8_t bytes;
    Packing packing;
    std::uint8_t fieldCount; // fields of a Channels layout
    Field fields[4];
};

constexpr packed::Channel R = packed::Channel::Red;
constexpr packed::Channel G = packed::Channel::Green;
constexpr packed::Channel B = packed::Channel::Blue;
constexpr packed::Channel A = packed::Channel::Alpha;
constexpr Field Half(packed::Channel channel, std::uint8_t offset) { return {channel, offset, Precision::Half}; }
constexpr Field Single(packed::Channel channel, std::uint8_t offset) { return {channel, offset, Precision::Single}; }

// clang-format off
constexpr Layout kLayouts[] = {
    {FMT_R16F,          2,  Packing::Channels,       1, {Half(R, 0)}},
    {FMT_G16R16F,       4,  Packing::Channels,       2, {Half(R, 0), Half(G, 2)}},
    {FMT_A16B16G16R16F, 8,  Packing::Channels,       4, {Half(R, 0), Half(G, 2), Half(B, 4), Half(A, 6)}},
    {FMT_R32F,          4,  Packing::Channels,       1, {Single(R, 0)}},
    {FMT_G32R32F,       8,  Packing::Channels,       2, {Single(R, 0), Single(G, 4)}},
    {FMT_B32G32R32F,    12, Packing::Channels,       3, {Single(R, 0), Single(G, 4), Single(B, 8)}},
    {FMT_A32B32G32R32F, 16, Packing::Channels,       4, {Single(R, 0), Single(G, 4), Single(B, 8), Single(A, 12)}},
    {FMT_R11G11B10F,    4,  Packing::SmallFloats,    0, {}},
    {FMT_R9G9B9E5,      4,  Packing::SharedExponent, 0, {}},
};
// clang-format on

constexpr std::size_t kLayoutCount = sizeof(kLayouts) / sizeof(kLayouts[0]);

constexpr std::size_t IndexOf(D3DFORMAT format)
{
    for (std::size_t index = 0; index < kLayoutCount; ++index)
        if (kLayouts[index].format == format)
            return index;
    return kLayoutCount;
}

constexpr unsigned FieldBytes(const Field& field) { return field.precision == Precision::Half ? 2 : 4; }

// Fields lie inside the pixel, one after another without gaps or overlap.
constexpr bool FieldsFillPixels()
{
    for (const Layout& layout : kLayouts) {
        if (layout.packing != Packing::Channels) {
            if (layout.bytes != 4 || layout.fieldCount != 0)
                return false;
            continue;
        }
        unsigned next = 0;
        for (unsigned i = 0; i < layout.fieldCount; ++i) {
            if (layout.fields[i].offset != next || layout.fields[i].channel == packed::Channel::Luminance)
                return false;
            next += FieldBytes(layout.fields[i]);
        }
        if (next != layout.bytes)
            return false;
    }
    return true;
}
static_assert(FieldsFillPixels(), "a float layout with a gap, an overlap or a luminance field");
static_assert(IndexOf(FMT_A32B32G32R32F) == 6 && kLayouts[6].bytes == 16);

} // namespace floats
