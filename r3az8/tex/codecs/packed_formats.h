// Every packed format the library reads and writes, one row each: the single
// place where bit positions, widths, signedness and channel ranges are told.
//
// Layouts follow the public Direct3D 8 format descriptions (fields named
// from the most significant bit down, stored little-endian), plus the
// library's own 16-bit-per-channel formats " L16", "AL16", " R16", "AR16"
// and the integer layouts of later versions (FMT_G8R8 and the signed ones).
#pragma once

#include "r3az8/tex/codecs/packed_layout.h"

namespace packed {

constexpr Field UnsignedField(Channel channel, std::uint8_t shift, std::uint8_t bits)
{
    return {channel, shift, bits, Sign::Unsigned};
}
constexpr Field SignedField(Channel channel, std::uint8_t shift, std::uint8_t bits)
{
    return {channel, shift, bits, Sign::Signed};
}

constexpr Channel R = Channel::Red;
constexpr Channel G = Channel::Green;
constexpr Channel B = Channel::Blue;
constexpr Channel A = Channel::Alpha;
constexpr Channel L = Channel::Luminance;

// Channels without a field: colour and luminance formats read opaque, A8
// reads black with its alpha, G16R16 reads blue and alpha as 1 (Direct3D 8's
// rule; the later G8R8 reads blue 0, as Direct3D 10 defines it), and the
// signed formats read 0 for a missing V or W and 1 for a missing alpha.
constexpr FloatColor kOpaque = {0.0f, 0.0f, 0.0f, 1.0f};
constexpr FloatColor kBlueAndAlphaOne = {0.0f, 0.0f, 1.0f, 1.0f};
constexpr FloatColor kBlack = {0.0f, 0.0f, 0.0f, 0.0f};

// clang-format off
constexpr Layout kLayouts[] = {
    // format                bytes range               n  fields (from bit 0 up)                                                                                   fill
    {D3DFMT_R8G8B8,          3, RANGE_UNSIGNED,    3, {UnsignedField(B, 0, 8), UnsignedField(G, 8, 8), UnsignedField(R, 16, 8)},                                  kOpaque},
    {D3DFMT_A8R8G8B8,        4, RANGE_UNSIGNED,    4, {UnsignedField(B, 0, 8), UnsignedField(G, 8, 8), UnsignedField(R, 16, 8), UnsignedField(A, 24, 8)},         kOpaque},
    {D3DFMT_X8R8G8B8,        4, RANGE_UNSIGNED,    3, {UnsignedField(B, 0, 8), UnsignedField(G, 8, 8), UnsignedField(R, 16, 8)},                                  kOpaque},
    {D3DFMT_R5G6B5,          2, RANGE_UNSIGNED,    3, {UnsignedField(B, 0, 5), UnsignedField(G, 5, 6), UnsignedField(R, 11, 5)},                                  kOpaque},
    {D3DFMT_X1R5G5B5,        2, RANGE_UNSIGNED,    3, {UnsignedField(B, 0, 5), UnsignedField(G, 5, 5), UnsignedField(R, 10, 5)},                                  kOpaque},
    {D3DFMT_A1R5G5B5,        2, RANGE_UNSIGNED,    4, {UnsignedField(B, 0, 5), UnsignedField(G, 5, 5), UnsignedField(R, 10, 5), UnsignedField(A, 15, 1)},         kOpaque},
    {D3DFMT_A4R4G4B4,        2, RANGE_UNSIGNED,    4, {UnsignedField(B, 0, 4), UnsignedField(G, 4, 4), UnsignedField(R, 8, 4), UnsignedField(A, 12, 4)},          kOpaque},
    {D3DFMT_R3G3B2,          1, RANGE_UNSIGNED,    3, {UnsignedField(B, 0, 2), UnsignedField(G, 2, 3), UnsignedField(R, 5, 3)},                                   kOpaque},
    {D3DFMT_A8,              1, RANGE_UNSIGNED,    1, {UnsignedField(A, 0, 8)},                                                                                   kBlack},
    {D3DFMT_A8R3G3B2,        2, RANGE_UNSIGNED,    4, {UnsignedField(B, 0, 2), UnsignedField(G, 2, 3), UnsignedField(R, 5, 3), UnsignedField(A, 8, 8)},           kOpaque},
    {D3DFMT_X4R4G4B4,        2, RANGE_UNSIGNED,    3, {UnsignedField(B, 0, 4), UnsignedField(G, 4, 4), UnsignedField(R, 8, 4)},                                   kOpaque},
    {D3DFMT_A2B10G10R10,     4, RANGE_UNSIGNED,    4, {UnsignedField(R, 0, 10), UnsignedField(G, 10, 10), UnsignedField(B, 20, 10), UnsignedField(A, 30, 2)},     kOpaque},
    {D3DFMT_G16R16,          4, RANGE_UNSIGNED,    2, {UnsignedField(R, 0, 16), UnsignedField(G, 16, 16)},                                                        kBlueAndAlphaOne},
    {D3DFMT_L8,              1, RANGE_UNSIGNED,    1, {UnsignedField(L, 0, 8)},                                                                                   kOpaque},
    {D3DFMT_A8L8,            2, RANGE_UNSIGNED,    2, {UnsignedField(L, 0, 8), UnsignedField(A, 8, 8)},                                                           kOpaque},
    {D3DFMT_A4L4,            1, RANGE_UNSIGNED,    2, {UnsignedField(L, 0, 4), UnsignedField(A, 4, 4)},                                                           kOpaque},
    {D3DFMT_V8U8,            2, RANGE_SIGNED_RGB,  2, {SignedField(R, 0, 8), SignedField(G, 8, 8)},                                                               kOpaque},
    {D3DFMT_L6V5U5,          2, RANGE_SIGNED_RGB,  3, {SignedField(R, 0, 5), SignedField(G, 5, 5), UnsignedField(A, 10, 6)},                                      kOpaque},
    {D3DFMT_X8L8V8U8,        4, RANGE_SIGNED_RGB,  3, {SignedField(R, 0, 8), SignedField(G, 8, 8), UnsignedField(A, 16, 8)},                                      kOpaque},
    {D3DFMT_Q8W8V8U8,        4, RANGE_SIGNED_RGBA, 4, {SignedField(R, 0, 8), SignedField(G, 8, 8), SignedField(B, 16, 8), SignedField(A, 24, 8)},                 kOpaque},
    {D3DFMT_V16U16,          4, RANGE_SIGNED_RGB,  2, {SignedField(R, 0, 16), SignedField(G, 16, 16)},                                                            kOpaque},
    {D3DFMT_W11V11U10,       4, RANGE_SIGNED_RGB,  3, {SignedField(R, 0, 10), SignedField(G, 10, 11), SignedField(B, 21, 11)},                                    kOpaque},
    {D3DFMT_A2W10V10U10,     4, RANGE_SIGNED_RGB,  4, {SignedField(R, 0, 10), SignedField(G, 10, 10), SignedField(B, 20, 10), UnsignedField(A, 30, 2)},           kOpaque},
    // The lockable depth format is read and written as 16-bit luminance.
    {D3DFMT_D16_LOCKABLE,    2, RANGE_UNSIGNED,    1, {UnsignedField(L, 0, 16)},                                                                                  kOpaque},
    {FMT_L16,                2, RANGE_UNSIGNED,    1, {UnsignedField(L, 0, 16)},                                                                                  kOpaque},
    {FMT_A16L16,             4, RANGE_UNSIGNED,    2, {UnsignedField(L, 0, 16), UnsignedField(A, 16, 16)},                                                        kOpaque},
    {FMT_R16G16B16,          6, RANGE_UNSIGNED,    3, {UnsignedField(B, 0, 16), UnsignedField(G, 16, 16), UnsignedField(R, 32, 16)},                              kOpaque},
    {FMT_A16R16G16B16,       8, RANGE_UNSIGNED,    4, {UnsignedField(B, 0, 16), UnsignedField(G, 16, 16), UnsignedField(R, 32, 16), UnsignedField(A, 48, 16)},    kOpaque},
    // Layouts of later Direct3D versions, named as the library names its own.
    {FMT_G8R8,               2, RANGE_UNSIGNED,    2, {UnsignedField(R, 0, 8), UnsignedField(G, 8, 8)},                                                           kOpaque},
    {FMT_R8_SNORM,           1, RANGE_SIGNED_RGB,  1, {SignedField(R, 0, 8)},                                                                                     kOpaque},
    {FMT_R16_SNORM,          2, RANGE_SIGNED_RGB,  1, {SignedField(R, 0, 16)},                                                                                    kOpaque},
    {FMT_Q16W16V16U16,       8, RANGE_SIGNED_RGBA, 4, {SignedField(R, 0, 16), SignedField(G, 16, 16), SignedField(B, 32, 16), SignedField(A, 48, 16)},            kOpaque},
};
// clang-format on

constexpr std::size_t kLayoutCount = sizeof(kLayouts) / sizeof(kLayouts[0]);

constexpr bool AllLayoutsSound()
{
    for (const Layout& layout : kLayouts)
        if (!FieldsAreSound(layout))
            return false;
    return true;
}

constexpr bool FormatsAreDistinct()
{
    for (std::size_t first = 0; first < kLayoutCount; ++first)
        for (std::size_t second = first + 1; second < kLayoutCount; ++second)
            if (kLayouts[first].format == kLayouts[second].format)
                return false;
    return true;
}

// The signed formats are exactly the ones whose range is not unsigned, and
// a format with a signed alpha is all-signed.
constexpr bool RangesMatchFields()
{
    for (const Layout& layout : kLayouts) {
        bool colorSigned = false;
        bool alphaSigned = false;
        for (unsigned index = 0; index < layout.fieldCount; ++index) {
            const Field& field = layout.fields[index];
            if (field.sign != Sign::Signed)
                continue;
            (field.channel == Channel::Alpha ? alphaSigned : colorSigned) = true;
        }
        const ChannelRange expected =
            alphaSigned ? RANGE_SIGNED_RGBA : (colorSigned ? RANGE_SIGNED_RGB : RANGE_UNSIGNED);
        if (layout.range != expected)
            return false;
    }
    return true;
}

constexpr const Layout* FindLayout(D3DFORMAT format)
{
    for (const Layout& layout : kLayouts)
        if (layout.format == format)
            return &layout;
    return nullptr;
}

static_assert(kLayoutCount == 32, "the packed formats besides the two palette formats");
static_assert(AllLayoutsSound(), "every field inside its pixel, no two fields overlapping");
static_assert(FormatsAreDistinct(), "one row per format");
static_assert(RangesMatchFields(), "channel range follows the signed fields");
static_assert(FindLayout(D3DFMT_A8R8G8B8)->bytes == 4 && FindLayout(FMT_R16G16B16)->bytes == 6);
static_assert(FieldMask(*FindLayout(D3DFMT_X1R5G5B5)) == 0x7FFF, "bit 15 of X1R5G5B5 is an X bit");
static_assert(FieldMask(*FindLayout(D3DFMT_W11V11U10)) == 0xFFFFFFFF);

} // namespace packed
