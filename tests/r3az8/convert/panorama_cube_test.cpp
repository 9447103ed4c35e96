// A cube map from one equirectangular panorama: each face shows the part
// of the panorama that looks along its axis, in the Direct3D face order.
#include "r3az8/tex/convert/panorama_cube.h"
#include "r3az8/tex/texture/texture_error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

namespace r3az8tex {
namespace {

// The face (0 +X ... 5 -Z) a direction lies in: its largest component.
uint32_t FaceOf(double x, double y, double z)
{
    const double ax = std::abs(x), ay = std::abs(y), az = std::abs(z);
    if (ax >= ay && ax >= az)
        return x > 0 ? 0 : 1;
    if (ay >= az)
        return y > 0 ? 2 : 3;
    return z > 0 ? 4 : 5;
}

// A panorama whose every pixel holds, in red, 1 + the face its direction
// lies in: longitude 0 (+Z) at the centre, +X a quarter to the right, up
// at the top.
TextureImage AxisPanorama(uint32_t width)
{
    const uint32_t height = width / 2;
    TextureImage panorama = MakeTexture(FMT_A32B32G32R32F, TextureKind::Flat, width, height, 1, 1);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const double longitude = ((x + 0.5) / width - 0.5) * 2 * std::numbers::pi;
            const double latitude = (0.5 - (y + 0.5) / height) * std::numbers::pi;
            const uint32_t face = FaceOf(std::cos(latitude) * std::sin(longitude), std::sin(latitude),
                                         std::cos(latitude) * std::cos(longitude));
            const float pixel[4] = {float(face + 1), 0.5f, 0.25f, 1.0f};
            std::memcpy(panorama.Surface(0, 0).data() + (size_t(y) * width + x) * sizeof pixel, pixel, sizeof pixel);
        }
    return panorama;
}

TEST(PanoramaCube, EachFaceShowsThePanoramaAlongItsAxis)
{
    const TextureImage cube = CubeFromPanorama(AxisPanorama(256), 0, "sky.hdr");
    ASSERT_EQ(cube.kind, TextureKind::Cube);
    ASSERT_EQ(cube.format, FMT_A32B32G32R32F);
    ASSERT_EQ(cube.width, 64u);
    for (uint32_t face = 0; face < 6; ++face)
        // Away from the edges, where bilinear sampling meets the next face's colour.
        for (uint32_t y = 8; y < 56; ++y)
            for (uint32_t x = 8; x < 56; ++x) {
                float texel[4];
                std::memcpy(texel, cube.Surface(face, 0).data() + (size_t(y) * 64 + x) * sizeof texel, sizeof texel);
                ASSERT_EQ(texel[0], float(face + 1)) << "face " << face << " at " << x << "," << y;
                ASSERT_EQ(texel[1], 0.5f);
            }
}

TEST(PanoramaCube, OrientationWithinAFaceAndRefusals)
{
    // Red rising with longitude (toward +X from +Z), green with height: on
    // the side faces (+X, -X, +Z; -Z holds the seam) longitude grows to the
    // right, and up is the top row.
    TextureImage panorama = MakeTexture(FMT_A32B32G32R32F, TextureKind::Flat, 64, 32, 1, 1);
    for (uint32_t y = 0; y < 32; ++y)
        for (uint32_t x = 0; x < 64; ++x) {
            const float pixel[4] = {float(x), float(32 - y), 0, 1};
            std::memcpy(panorama.Surface(0, 0).data() + (size_t(y) * 64 + x) * sizeof pixel, pixel, sizeof pixel);
        }
    const TextureImage cube = CubeFromPanorama(panorama, 8, "sky.exr");
    ASSERT_EQ(cube.width, 8u);
    for (const uint32_t face : {0u, 1u, 4u}) {
        float left[4], right[4], top[4];
        const BYTE* pixels = cube.Surface(face, 0).data();
        std::memcpy(left, pixels + (4 * 8 + 1) * 16, 16);
        std::memcpy(right, pixels + (4 * 8 + 6) * 16, 16);
        std::memcpy(top, pixels + (1 * 8 + 4) * 16, 16);
        EXPECT_LT(left[0], right[0]) << "face " << face;
        EXPECT_GT(top[1], left[1]) << "face " << face;
    }

    for (const TextureImage& shape : {MakeTexture(FMT_A32B32G32R32F, TextureKind::Flat, 64, 64, 1, 1),
                                      MakeTexture(FMT_A32B32G32R32F, TextureKind::Cube, 8, 8, 1, 1)}) {
        try {
            CubeFromPanorama(shape, 0, "square.exr");
            ADD_FAILURE() << "a cube made of a " << shape.width << "x" << shape.height << " texture";
        } catch (const TextureError& error) {
            EXPECT_EQ(error.Code(), ErrorKind::Unsupported);
            EXPECT_NE(std::string(error.what()).find("square.exr: --cube with one input takes an equirectangular"),
                      std::string::npos)
                << error.what();
        }
    }
}

} // namespace
} // namespace r3az8tex
