#include "r3az8/tex/compare/value_range.h"

#include "r3az8/tex/convert/float_repair.h"
#include "r3az8/tex/convert/library_operations.h"
#include "r3az8/tex/numbers/small_floats.h"

#include <cmath>
#include <cstring>

namespace r3az8tex {
namespace {

void Count(ValueRange& range, double value)
{
    if (std::isnan(value)) {
        ++range.notANumber;
    } else if (std::isinf(value)) {
        ++range.infinite;
    } else {
        range.least = range.least ? std::min(*range.least, value) : value;
        range.largest = range.largest ? std::max(*range.largest, value) : value;
    }
}

// Every `stride`-th group of `used` samples of the surface: all channels of
// a stored format (stride == used), or the ones a decoded one stores.
template <typename Sample, typename ToDouble>
void CountSurface(ValueRange& range, const std::vector<BYTE>& surface, size_t used, size_t stride, ToDouble toDouble)
{
    const size_t samples = surface.size() / sizeof(Sample);
    for (size_t at = 0; at + stride <= samples; at += stride)
        for (size_t i = 0; i < used; ++i) {
            Sample sample;
            std::memcpy(&sample, surface.data() + (at + i) * sizeof(Sample), sizeof sample);
            Count(range, toDouble(sample));
        }
}

} // namespace

ValueRange MeasureValueRange(const TextureImage& texture)
{
    ValueRange range;
    const auto fromFloat = [](float value) { return double(value); };
    if (HasFloatChannels(texture.format)) {
        const bool halves = FloatChannelBytes(texture.format) == 2;
        for (const std::vector<BYTE>& surface : texture.surfaces)
            if (halves)
                CountSurface<uint16_t>(range, surface, 1, 1, [](uint16_t h) { return double(HalfToFloat(h)); });
            else
                CountSurface<float>(range, surface, 1, 1, fromFloat);
        return range;
    }
    // Decoded red, green, blue, alpha: the channels the format has are
    // counted, the others filled in by the decoder are not.
    const TextureImage decoded = ConvertLevels(texture, FMT_A32B32G32R32F, texture.levels, LoadOptions{});
    const size_t used = texture.Format().HasAlpha() ? 4 : 3;
    for (const std::vector<BYTE>& surface : decoded.surfaces)
        CountSurface<float>(range, surface, used, 4, fromFloat);
    return range;
}

ValueRange MeasureValueRange(std::span<const TextureImage> layers)
{
    ValueRange total;
    for (const TextureImage& layer : layers) {
        const ValueRange one = MeasureValueRange(layer);
        for (const std::optional<double>& value : {one.least, one.largest})
            if (value)
                Count(total, *value);
        total.notANumber += one.notANumber;
        total.infinite += one.infinite;
    }
    return total;
}

} // namespace r3az8tex
