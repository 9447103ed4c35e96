// The codec of every floating-point format, generated from its row in
// floats::kLayouts: numbers are read and written as they are, with no
// clamping, scaling or dithering.
#include "r3az8/tex/codecs/codec_factories.h"
#include "r3az8/tex/codecs/float_formats.h"
#include "r3az8/tex/codecs/row_codec.h"
#include "r3az8/tex/numbers/small_floats.h"

#include <array>
#include <cstring>
#include <utility>

namespace floats {
namespace {

float* ChannelOf(FloatColor& color, packed::Channel channel)
{
    float* const channels[4] = {&color.r, &color.g, &color.b, &color.a};
    return channels[static_cast<int>(channel) & 3];
}

template <std::size_t LayoutIndex>
class FloatCodec final : public RowCodec<FloatCodec<LayoutIndex>> {
    static constexpr const Layout& kLayout = kLayouts[LayoutIndex];

public:
    explicit FloatCodec(const ImageDesc& desc)
        : RowCodec<FloatCodec<LayoutIndex>>(desc, kLayout.bytes * 8u, RANGE_UNSIGNED)
    {
    }

    void DecodeRow(const BYTE* source, FloatColor* pColors) const
    {
        for (UINT x = 0; x < this->Width; ++x)
            pColors[x] = Decode(source + std::size_t{x} * kLayout.bytes);
    }

    // Floats are stored as they are: no dithering.
    void EncodeRow(BYTE* target, const FloatColor* pColors, const float*) const
    {
        for (UINT x = 0; x < this->Width; ++x)
            Encode(pColors[x], target + std::size_t{x} * kLayout.bytes);
    }

private:

    static std::uint32_t LoadWord(const BYTE* bytes, unsigned count)
    {
        std::uint32_t word = 0;
        std::memcpy(&word, bytes, count);
        return word;
    }

    static FloatColor Decode(const BYTE* pixel)
    {
        if constexpr (kLayout.packing == Packing::SmallFloats) {
            const std::uint32_t word = LoadWord(pixel, 4);
            return {UnsignedSmallFloatToFloat(word & 0x7FFu, 6), UnsignedSmallFloatToFloat(word >> 11 & 0x7FFu, 6),
                    UnsignedSmallFloatToFloat(word >> 22, 5), 1.0f};
        } else if constexpr (kLayout.packing == Packing::SharedExponent) {
            return SharedExponentToColor(LoadWord(pixel, 4));
        } else {
            FloatColor color = {0.0f, 0.0f, 0.0f, 1.0f};
            for (unsigned i = 0; i < kLayout.fieldCount; ++i) {
                const Field& field = kLayout.fields[i];
                float value;
                if (field.precision == Precision::Half) {
                    value = HalfToFloat(static_cast<std::uint16_t>(LoadWord(pixel + field.offset, 2)));
                } else {
                    std::memcpy(&value, pixel + field.offset, 4);
                }
                *ChannelOf(color, field.channel) = value;
            }
            return color;
        }
    }

    static void Encode(const FloatColor& color, BYTE* pixel)
    {
        if constexpr (kLayout.packing == Packing::SmallFloats) {
            const std::uint32_t word = FloatToUnsignedSmallFloat(color.r, 6) |
                                       FloatToUnsignedSmallFloat(color.g, 6) << 11 |
                                       FloatToUnsignedSmallFloat(color.b, 5) << 22;
            std::memcpy(pixel, &word, 4);
        } else if constexpr (kLayout.packing == Packing::SharedExponent) {
            const std::uint32_t word = ColorToSharedExponent(color);
            std::memcpy(pixel, &word, 4);
        } else {
            FloatColor channels = color;
            for (unsigned i = 0; i < kLayout.fieldCount; ++i) {
                const Field& field = kLayout.fields[i];
                const float value = *ChannelOf(channels, field.channel);
                if (field.precision == Precision::Half) {
                    const std::uint16_t half = FloatToHalf(value);
                    std::memcpy(pixel + field.offset, &half, 2);
                } else {
                    std::memcpy(pixel + field.offset, &value, 4);
                }
            }
        }
    }
};

using CodecMaker = PixelCodec* (*)(const ImageDesc&);

template <std::size_t LayoutIndex>
PixelCodec* MakeFloatCodec(const ImageDesc& desc)
{
    return new (std::nothrow) FloatCodec<LayoutIndex>(desc);
}

template <std::size_t... LayoutIndex>
constexpr auto MakeCodecMakers(std::index_sequence<LayoutIndex...>)
{
    return std::array<CodecMaker, sizeof...(LayoutIndex)>{MakeFloatCodec<LayoutIndex>...};
}

constexpr auto kCodecMakers = MakeCodecMakers(std::make_index_sequence<kLayoutCount>{});

} // namespace
} // namespace floats

PixelCodec* CreateFloatCodec(const ImageDesc& desc)
{
    const std::size_t index = floats::IndexOf(desc.Format);
    if (index == floats::kLayoutCount)
        return nullptr;
    return floats::kCodecMakers[index](desc);
}
