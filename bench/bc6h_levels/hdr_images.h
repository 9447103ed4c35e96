// The HDR images the BC6H benchmark encodes, made from 8-bit textures so
// that anyone can rebuild them: c = value / 255, lin = the sRGB decode of c,
// Y = the Rec. 709 luma of c (the encoded values, as stored); the pixel is
// lin x 2^(8Y - 3), from 0 up to 32, about 19 stops. The held-out images are
// made differently: a crop that moves the block grid, mirrored, under
// another curve (lin x 2^(12Y - 6), up to 64).
#pragma once

#include "bench/support/bench_images.h"
#include "r3az8/tex/pixel_formats.h"

#include <string>
#include <vector>

struct HdrImage {
    std::string name;
    UINT width = 0;
    UINT height = 0;
    std::vector<FloatColor> pixels; // rows packed, alpha 1
};

// The benchmark's set: one image per 8-bit texture.
HdrImage MakeHdrImage(const std::string& name, const BenchImage& image);

// A held-out image: `image` cropped by (3, 2) pixels from the top left,
// mirrored left to right, under the second curve.
HdrImage MakeHeldOutImage(const std::string& name, const BenchImage& image);
