#include "r3az8/tex/convert/panorama_cube.h"

#include "r3az8/tex/convert/library_operations.h"
#include "r3az8/tex/texture/texture_error.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace r3az8tex {
namespace {

struct Direction {
    double x, y, z;
};

// The direction texel (s, t) of `face` looks along (the table above).
Direction FaceDirection(uint32_t face, double s, double t)
{
    switch (face) {
    case 0: return {1, -t, -s};
    case 1: return {-1, -t, s};
    case 2: return {s, 1, t};
    case 3: return {s, -1, -t};
    case 4: return {s, -t, 1};
    default: return {-s, -t, -1};
    }
}

// Red, green, blue, alpha floats of the panorama, bilinearly sampled.
class Panorama {
public:
    explicit Panorama(const TextureImage& floats)
        : width_(floats.width), height_(floats.height), pixels_(floats.Surface(0, 0).data())
    {
    }

    void Sample(const Direction& d, float out[4]) const
    {
        const double longitude = std::atan2(d.x, d.z);
        const double latitude = std::atan2(d.y, std::hypot(d.x, d.z));
        // Pixel centres at half steps: u = 0.5 is the middle of the panorama.
        const double u = (0.5 + longitude / (2 * std::numbers::pi)) * width_ - 0.5;
        const double v = (0.5 - latitude / std::numbers::pi) * height_ - 0.5;
        const double u0 = std::floor(u), v0 = std::floor(v);
        const double fu = u - u0, fv = v - v0;
        const int64_t x0 = Wrap(int64_t(u0)), x1 = Wrap(int64_t(u0) + 1);
        const int64_t y0 = Clamp(int64_t(v0)), y1 = Clamp(int64_t(v0) + 1);
        for (size_t c = 0; c < 4; ++c)
            out[c] = float((1 - fv) * ((1 - fu) * At(x0, y0, c) + fu * At(x1, y0, c)) +
                           fv * ((1 - fu) * At(x0, y1, c) + fu * At(x1, y1, c)));
    }

private:
    int64_t Wrap(int64_t x) const { return ((x % int64_t(width_)) + width_) % int64_t(width_); }
    int64_t Clamp(int64_t y) const { return std::clamp<int64_t>(y, 0, int64_t(height_) - 1); }
    double At(int64_t x, int64_t y, size_t channel) const
    {
        float value;
        std::memcpy(&value, pixels_ + ((size_t(y) * width_ + size_t(x)) * 4 + channel) * sizeof(float), sizeof value);
        return value;
    }

    uint32_t width_, height_;
    const BYTE* pixels_;
};

} // namespace

bool IsPanorama(const TextureImage& texture)
{
    return texture.kind == TextureKind::Flat && texture.width == 2 * texture.height;
}

TextureImage CubeFromPanorama(const TextureImage& panorama, uint32_t faceSize, const std::string& name)
{
    if (!IsPanorama(panorama))
        throw FileError(ErrorKind::Unsupported, name,
                        "--cube with one input takes an equirectangular panorama twice as wide as high, not a " +
                            std::string(KindName(panorama.kind)) + " " + SizeText(panorama.width, panorama.height, 1) +
                            " texture; or give the six faces");
    const uint32_t side = faceSize != 0 ? faceSize : std::max(1u, panorama.width / 4);
    const TextureImage floats = ConvertLevels(panorama, FMT_A32B32G32R32F, 1, LoadOptions{});
    const Panorama source(floats);
    TextureImage cube = MakeTexture(FMT_A32B32G32R32F, TextureKind::Cube, side, side, 1, 1);
    for (uint32_t face = 0; face < 6; ++face) {
        BYTE* out = cube.Surface(face, 0).data();
        for (uint32_t y = 0; y < side; ++y)
            for (uint32_t x = 0; x < side; ++x) {
                float texel[4];
                source.Sample(FaceDirection(face, 2 * (x + 0.5) / side - 1, 2 * (y + 0.5) / side - 1), texel);
                std::memcpy(out + (size_t(y) * side + x) * sizeof texel, texel, sizeof texel);
            }
    }
    const bool keepFloats = panorama.Format().content == Content::Float;
    TextureImage result = keepFloats ? std::move(cube) : ConvertLevels(cube, FMT_A16R16G16B16, 1, LoadOptions{});
    result.colourSpace = panorama.colourSpace;
    return result;
}

} // namespace r3az8tex
