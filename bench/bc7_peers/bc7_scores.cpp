#include "bench/bc7_peers/bc7_scores.h"

#include "r3az8/tex/bptc/bptc_block.h"

#include <cmath>

double Bc7Scores::RgbRmse() const { return rgbSamples > 0 ? std::sqrt(rgbSquares / rgbSamples) : 0.0; }

double Bc7Scores::AlphaRmse() const { return alphaSamples > 0 ? std::sqrt(alphaSquares / alphaSamples) : 0.0; }

double Bc7Scores::MegapixelsPerSecond() const { return seconds > 0 ? pixels / seconds / 1e6 : 0.0; }

bool HasAlpha(const BenchImage& image)
{
    for (const uint32_t pixel : image.pixels)
        if (pixel >> 24 != 0xFF)
            return true;
    return false;
}

std::vector<uint8_t> DecodeBc7(const Bc7Blocks& blocks)
{
    const uint32_t columns = (blocks.width + 3) / 4;
    std::vector<uint8_t> rgba(size_t(blocks.width) * blocks.height * 4);
    FloatColor decoded[16];
    for (uint32_t top = 0; top < blocks.height; top += 4)
        for (uint32_t left = 0; left < blocks.width; left += 4) {
            DecodeBlockBC7(decoded, blocks.bytes.data() + (size_t(top / 4) * columns + left / 4) * 16);
            for (uint32_t i = 0; i < 16; ++i) {
                const uint32_t x = left + i % 4;
                const uint32_t y = top + i / 4;
                if (x >= blocks.width || y >= blocks.height)
                    continue;
                uint8_t* out = &rgba[(size_t(y) * blocks.width + x) * 4];
                const float* channels = &decoded[i].r;
                for (int c = 0; c < 4; ++c)
                    out[c] = static_cast<uint8_t>(std::lround(channels[c] * 255.0f));
            }
        }
    return rgba;
}

void AddScores(const BenchImage& image, const Bc7Blocks& blocks, Bc7Scores& scores)
{
    const std::vector<uint8_t> decoded = DecodeBc7(blocks);
    const bool alpha = HasAlpha(image);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        const uint32_t pixel = image.pixels[i];
        const uint8_t* out = &decoded[i * 4];
        const int source[4] = {int(pixel >> 16 & 0xFF), int(pixel >> 8 & 0xFF), int(pixel & 0xFF), int(pixel >> 24)};
        for (int c = 0; c < 3; ++c)
            scores.rgbSquares += double(out[c] - source[c]) * (out[c] - source[c]);
        scores.rgbSamples += 3;
        if (alpha) {
            scores.alphaSquares += double(out[3] - source[3]) * (out[3] - source[3]);
            scores.alphaSamples += 1;
        } else {
            ++scores.opaquePixels;
            scores.opaqueMisses += out[3] != 0xFF;
        }
    }
    scores.pixels += double(image.pixels.size());
}
