// The codec of every packed format, generated from its row in kLayouts.
//
// One template writes the row loops once; each instantiation sees its
// format's shifts, widths and scales as constants, so the compiler emits a
// straight loop per format with no dispatch inside it.
#pragma once

#include "r3az8/tex/codecs/packed_formats.h"
#include "r3az8/tex/codecs/row_codec.h"

#include <cstring>
#include <type_traits>
#include <utility>

namespace packed {

// Four lanes of the group paths (GCC vector extensions).
typedef float Floats4 __attribute__((vector_size(16)));
typedef std::int32_t Ints4 __attribute__((vector_size(16)));
typedef std::uint32_t Words4 __attribute__((vector_size(16)));

constexpr std::size_t IndexOf(D3DFORMAT format)
{
    for (std::size_t index = 0; index < kLayoutCount; ++index)
        if (kLayouts[index].format == format)
            return index;
    return kLayoutCount;
}

template <std::size_t LayoutIndex>
class PackedCodec final : public RowCodec<PackedCodec<LayoutIndex>> {
    static constexpr const Layout& kLayout = kLayouts[LayoutIndex];
    static constexpr std::size_t kBytes = kLayout.bytes;
    // The pixel as one little-endian integer.
    using Word = std::conditional_t<(kBytes > 4), std::uint64_t, std::uint32_t>;
    // Pixels of up to 32 bits are also handled four at a time, one pixel
    // per vector lane, with exactly the float operations of the one-pixel
    // path; wider pixels and the row's last few take the one-pixel path.
    static constexpr bool kGroupsOfFour = kBytes <= 4;

public:
    explicit PackedCodec(const ImageDesc& desc)
        : RowCodec<PackedCodec<LayoutIndex>>(desc, kLayout.bytes * 8u, kLayout.range)
    {
    }

    void DecodeRow(const BYTE* source, FloatColor* pColors) const
    {
        const UINT width = this->Width;
        UINT x = 0;
        if constexpr (kGroupsOfFour)
            for (; x + 4 <= width; x += 4)
                DecodeGroup(source + x * kBytes, pColors + x);
        for (; x < width; ++x)
            pColors[x] = DecodePixel(LoadPixel(source + x * kBytes));
    }

    void EncodeRow(BYTE* target, const FloatColor* pColors, const float* thresholds) const
    {
        const UINT width = this->Width;
        UINT x = 0;
        if constexpr (kGroupsOfFour) {
            // A group of four pixels meets the four thresholds in order.
            const Floats4 groupThresholds = {thresholds[0], thresholds[1], thresholds[2], thresholds[3]};
            for (; x + 4 <= width; x += 4)
                EncodeGroup(pColors + x, target + x * kBytes, groupThresholds);
        }
        for (; x < width; ++x)
            StorePixel(target + x * kBytes, EncodePixel(pColors[x], thresholds[x % 4]));
    }

    // Exposed for tests and fast paths: one pixel each way.
    static FloatColor DecodePixel(Word pixel)
    {
        FloatColor color = kLayout.fill;
        DecodeFields(pixel, color, std::make_index_sequence<kLayout.fieldCount>{});
        return color;
    }

    static Word EncodePixel(const FloatColor& color, float threshold)
    {
        float luminance = 0.0f;
        if constexpr (UsesLuminance(kLayout))
            luminance = LuminanceOf(color.r, color.g, color.b);
        return EncodeFields(color, luminance, threshold, std::make_index_sequence<kLayout.fieldCount>{});
    }

private:
    static void DecodeGroup(const BYTE* source, FloatColor* colors)
    {
        Words4 words;
        for (int lane = 0; lane < 4; ++lane)
            words[lane] = static_cast<std::uint32_t>(LoadPixel(source + lane * kBytes));
        Floats4 channels[4] = {Floats4{} + kLayout.fill.r, Floats4{} + kLayout.fill.g, Floats4{} + kLayout.fill.b,
                               Floats4{} + kLayout.fill.a};
        DecodeGroupFields(words, channels, std::make_index_sequence<kLayout.fieldCount>{});
        for (int lane = 0; lane < 4; ++lane)
            colors[lane] = {channels[0][lane], channels[1][lane], channels[2][lane], channels[3][lane]};
    }

    static void EncodeGroup(const FloatColor* colors, BYTE* target, Floats4 thresholds)
    {
        const Floats4 red = {colors[0].r, colors[1].r, colors[2].r, colors[3].r};
        const Floats4 green = {colors[0].g, colors[1].g, colors[2].g, colors[3].g};
        const Floats4 blue = {colors[0].b, colors[1].b, colors[2].b, colors[3].b};
        const Floats4 alpha = {colors[0].a, colors[1].a, colors[2].a, colors[3].a};
        Floats4 luminance = {};
        if constexpr (UsesLuminance(kLayout))
            luminance = 0.0721f * blue + 0.7154f * green + 0.2125f * red;
        const Floats4 channels[5] = {red, green, blue, alpha, luminance};
        const Words4 words = EncodeGroupFields(channels, thresholds, std::make_index_sequence<kLayout.fieldCount>{});
        for (int lane = 0; lane < 4; ++lane)
            StorePixel(target + lane * kBytes, words[lane]);
    }

    template <std::size_t... FieldIndex>
    static void DecodeGroupFields(Words4 words, Floats4* channels, std::index_sequence<FieldIndex...>)
    {
        (DecodeGroupField<kLayout.fields[FieldIndex]>(words, channels), ...);
    }

    template <std::size_t... FieldIndex>
    static Words4 EncodeGroupFields(const Floats4* channels, Floats4 thresholds, std::index_sequence<FieldIndex...>)
    {
        return (Words4{} | ... | EncodeGroupField<kLayout.fields[FieldIndex]>(channels, thresholds));
    }

    template <Field TheField>
    static void DecodeGroupField(Words4 words, Floats4* channels)
    {
        constexpr float kFactor = DecodeFactor(TheField.sign, TheField.bits);
        Ints4 code;
        if constexpr (TheField.sign == Sign::Signed) {
            // Move the field to the top, then shift back arithmetically.
            code = reinterpret_cast<Ints4>(words << (32u - TheField.shift - TheField.bits)) >> (32 - TheField.bits);
        } else {
            code = reinterpret_cast<Ints4>((words >> TheField.shift) & ((1u << TheField.bits) - 1));
        }
        const Floats4 value = __builtin_convertvector(code, Floats4) * kFactor;
        if constexpr (TheField.channel == Channel::Luminance)
            channels[0] = channels[1] = channels[2] = value;
        else
            channels[static_cast<int>(TheField.channel)] = value;
    }

    template <Field TheField>
    static Words4 EncodeGroupField(const Floats4* channels, Floats4 thresholds)
    {
        constexpr float kScale = EncodeScale(TheField.sign, TheField.bits);
        const Floats4 lowest = Floats4{} + LowestCode(TheField.sign, TheField.bits);
        const Floats4 highest = Floats4{} + HighestCode(TheField.sign, TheField.bits);
        const Floats4 product = channels[static_cast<int>(TheField.channel)] * kScale;
        Floats4 sum = thresholds + product;
        sum = sum > lowest ? sum : lowest;
        sum = sum < highest ? sum : highest;
        const Words4 code = reinterpret_cast<Words4>(__builtin_convertvector(sum, Ints4));
        return (code & ((1u << TheField.bits) - 1)) << TheField.shift;
    }

    static Word LoadPixel(const BYTE* bytes)
    {
        Word pixel = 0;
        std::memcpy(&pixel, bytes, kBytes);
        return pixel;
    }

    static void StorePixel(BYTE* bytes, Word pixel) { std::memcpy(bytes, &pixel, kBytes); }

    template <std::size_t... FieldIndex>
    static void DecodeFields(Word pixel, FloatColor& color, std::index_sequence<FieldIndex...>)
    {
        (DecodeField<kLayout.fields[FieldIndex]>(pixel, color), ...);
    }

    template <std::size_t... FieldIndex>
    static Word EncodeFields(const FloatColor& color, float luminance, float threshold,
                             std::index_sequence<FieldIndex...>)
    {
        return (Word{0} | ... | EncodeField<kLayout.fields[FieldIndex]>(color, luminance, threshold));
    }

    template <Field TheField>
    static void DecodeField(Word pixel, FloatColor& color)
    {
        constexpr Word kMask = (Word{1} << TheField.bits) - 1;
        constexpr float kFactor = DecodeFactor(TheField.sign, TheField.bits);
        const std::uint32_t code = static_cast<std::uint32_t>((pixel >> TheField.shift) & kMask);
        float value;
        if constexpr (TheField.sign == Sign::Signed) {
            // Sign-extend the field's two's-complement value.
            constexpr unsigned kUnused = 32u - TheField.bits;
            value = static_cast<float>(static_cast<std::int32_t>(code << kUnused) >> kUnused) * kFactor;
        } else {
            value = static_cast<float>(code) * kFactor;
        }
        if constexpr (TheField.channel == Channel::Red)
            color.r = value;
        else if constexpr (TheField.channel == Channel::Green)
            color.g = value;
        else if constexpr (TheField.channel == Channel::Blue)
            color.b = value;
        else if constexpr (TheField.channel == Channel::Alpha)
            color.a = value;
        else
            color.r = color.g = color.b = value;
    }

    template <Field TheField>
    static Word EncodeField(const FloatColor& color, float luminance, float threshold)
    {
        float value;
        if constexpr (TheField.channel == Channel::Red)
            value = color.r;
        else if constexpr (TheField.channel == Channel::Green)
            value = color.g;
        else if constexpr (TheField.channel == Channel::Blue)
            value = color.b;
        else if constexpr (TheField.channel == Channel::Alpha)
            value = color.a;
        else
            value = luminance;
        const std::uint32_t code = QuantiseField<TheField.sign, TheField.bits>(value, threshold);
        return static_cast<Word>(code) << TheField.shift;
    }
};

} // namespace packed

// The codec classes by their format names.
using CodecR8G8B8 = packed::PackedCodec<packed::IndexOf(D3DFMT_R8G8B8)>;
using CodecA8R8G8B8 = packed::PackedCodec<packed::IndexOf(D3DFMT_A8R8G8B8)>;
using CodecX8R8G8B8 = packed::PackedCodec<packed::IndexOf(D3DFMT_X8R8G8B8)>;
using CodecR5G6B5 = packed::PackedCodec<packed::IndexOf(D3DFMT_R5G6B5)>;
using CodecX1R5G5B5 = packed::PackedCodec<packed::IndexOf(D3DFMT_X1R5G5B5)>;
using CodecA1R5G5B5 = packed::PackedCodec<packed::IndexOf(D3DFMT_A1R5G5B5)>;
using CodecA4R4G4B4 = packed::PackedCodec<packed::IndexOf(D3DFMT_A4R4G4B4)>;
using CodecR3G3B2 = packed::PackedCodec<packed::IndexOf(D3DFMT_R3G3B2)>;
using CodecA8 = packed::PackedCodec<packed::IndexOf(D3DFMT_A8)>;
using CodecA8R3G3B2 = packed::PackedCodec<packed::IndexOf(D3DFMT_A8R3G3B2)>;
using CodecX4R4G4B4 = packed::PackedCodec<packed::IndexOf(D3DFMT_X4R4G4B4)>;
using CodecA2B10G10R10 = packed::PackedCodec<packed::IndexOf(D3DFMT_A2B10G10R10)>;
using CodecG16R16 = packed::PackedCodec<packed::IndexOf(D3DFMT_G16R16)>;
using CodecL8 = packed::PackedCodec<packed::IndexOf(D3DFMT_L8)>;
using CodecA8L8 = packed::PackedCodec<packed::IndexOf(D3DFMT_A8L8)>;
using CodecA4L4 = packed::PackedCodec<packed::IndexOf(D3DFMT_A4L4)>;
using CodecV8U8 = packed::PackedCodec<packed::IndexOf(D3DFMT_V8U8)>;
using CodecL6V5U5 = packed::PackedCodec<packed::IndexOf(D3DFMT_L6V5U5)>;
using CodecX8L8V8U8 = packed::PackedCodec<packed::IndexOf(D3DFMT_X8L8V8U8)>;
using CodecQ8W8V8U8 = packed::PackedCodec<packed::IndexOf(D3DFMT_Q8W8V8U8)>;
using CodecV16U16 = packed::PackedCodec<packed::IndexOf(D3DFMT_V16U16)>;
using CodecW11V11U10 = packed::PackedCodec<packed::IndexOf(D3DFMT_W11V11U10)>;
using CodecA2W10V10U10 = packed::PackedCodec<packed::IndexOf(D3DFMT_A2W10V10U10)>;
using CodecD16_LOCKABLE = packed::PackedCodec<packed::IndexOf(D3DFMT_D16_LOCKABLE)>;
using CodecL16 = packed::PackedCodec<packed::IndexOf(FMT_L16)>;
using CodecA16L16 = packed::PackedCodec<packed::IndexOf(FMT_A16L16)>;
using CodecR16G16B16 = packed::PackedCodec<packed::IndexOf(FMT_R16G16B16)>;
using CodecA16R16G16B16 = packed::PackedCodec<packed::IndexOf(FMT_A16R16G16B16)>;
