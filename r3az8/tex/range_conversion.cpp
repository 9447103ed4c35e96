#include "r3az8/tex/range_conversion.h"

namespace {

enum class ChannelMapping { Copy, SignedToUnsigned, UnsignedToSigned };

bool ColorIsSigned(ChannelRange range) { return range != RANGE_UNSIGNED; }
bool AlphaIsSigned(ChannelRange range) { return range == RANGE_SIGNED_RGBA; }

ChannelMapping MappingFor(bool fromSigned, bool toSigned)
{
    if (fromSigned == toSigned)
        return ChannelMapping::Copy;
    return fromSigned ? ChannelMapping::SignedToUnsigned : ChannelMapping::UnsignedToSigned;
}

template <ChannelMapping Mapping>
inline float MapChannel(float value)
{
    if constexpr (Mapping == ChannelMapping::SignedToUnsigned)
        return (value + 1.0f) * 0.5f;
    else if constexpr (Mapping == ChannelMapping::UnsignedToSigned)
        return 2.0f * value - 1.0f;
    else
        return value;
}

template <ChannelMapping ColorMapping, ChannelMapping AlphaMapping>
void ConvertRow(const FloatColor* source, FloatColor* target, UINT count)
{
    for (UINT x = 0; x < count; ++x) {
        const FloatColor pixel = source[x];
        target[x] = {MapChannel<ColorMapping>(pixel.r), MapChannel<ColorMapping>(pixel.g),
                     MapChannel<ColorMapping>(pixel.b), MapChannel<AlphaMapping>(pixel.a)};
    }
}

using RowConverter = void (*)(const FloatColor*, FloatColor*, UINT);

template <ChannelMapping ColorMapping>
RowConverter PickAlpha(ChannelMapping alpha)
{
    switch (alpha) {
    case ChannelMapping::SignedToUnsigned:
        return ConvertRow<ColorMapping, ChannelMapping::SignedToUnsigned>;
    case ChannelMapping::UnsignedToSigned:
        return ConvertRow<ColorMapping, ChannelMapping::UnsignedToSigned>;
    case ChannelMapping::Copy:
        break;
    }
    return ConvertRow<ColorMapping, ChannelMapping::Copy>;
}

RowConverter PickConverter(ChannelRange from, ChannelRange to)
{
    const ChannelMapping alpha = MappingFor(AlphaIsSigned(from), AlphaIsSigned(to));
    switch (MappingFor(ColorIsSigned(from), ColorIsSigned(to))) {
    case ChannelMapping::SignedToUnsigned:
        return PickAlpha<ChannelMapping::SignedToUnsigned>(alpha);
    case ChannelMapping::UnsignedToSigned:
        return PickAlpha<ChannelMapping::UnsignedToSigned>(alpha);
    case ChannelMapping::Copy:
        break;
    }
    return PickAlpha<ChannelMapping::Copy>(alpha);
}

} // namespace

FloatColor ConvertPixelRange(FloatColor pixel, ChannelRange from, ChannelRange to)
{
    PickConverter(from, to)(&pixel, &pixel, 1);
    return pixel;
}

void ConvertRowRange(const FloatColor* source, FloatColor* target, UINT count, ChannelRange from, ChannelRange to)
{
    PickConverter(from, to)(source, target, count);
}
