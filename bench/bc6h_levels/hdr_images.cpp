#include "bench/bc6h_levels/hdr_images.h"

#include <cmath>

namespace {

float SrgbToLinear(float c) { return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f); }

// The pixel of an A8R8G8B8 word under lin x 2^(scale x Y + offset).
FloatColor ToHdr(uint32_t word, float scale, float offset)
{
    const float r = float(word >> 16 & 0xFF) / 255.0f, g = float(word >> 8 & 0xFF) / 255.0f,
                b = float(word & 0xFF) / 255.0f;
    const float luma = 0.2126f * r + 0.7152f * g + 0.0722f * b;
    const float gain = std::exp2(scale * luma + offset);
    return {SrgbToLinear(r) * gain, SrgbToLinear(g) * gain, SrgbToLinear(b) * gain, 1.0f};
}

} // namespace

HdrImage MakeHdrImage(const std::string& name, const BenchImage& image)
{
    HdrImage out{name, image.width, image.height, {}};
    out.pixels.reserve(image.pixels.size());
    for (uint32_t word : image.pixels)
        out.pixels.push_back(ToHdr(word, 8.0f, -3.0f));
    return out;
}

HdrImage MakeHeldOutImage(const std::string& name, const BenchImage& image)
{
    constexpr UINT kLeft = 3, kTop = 2;
    HdrImage out{name, image.width > kLeft ? image.width - kLeft : 0, image.height > kTop ? image.height - kTop : 0, {}};
    out.pixels.reserve(std::size_t{out.width} * out.height);
    for (UINT y = 0; y < out.height; ++y)
        for (UINT x = 0; x < out.width; ++x)
            out.pixels.push_back(
                ToHdr(image.pixels[std::size_t{y + kTop} * image.width + (image.width - 1 - x)], 12.0f, -6.0f));
    return out;
}
