// Blocks of pixels for the block codec tests: deterministic random kinds
// that reach every path of the encoder (flat, two-colour, gradients, noise,
// alpha edges, transparent holes).
#pragma once

#include "r3az8/tex/pixel_codec.h"

#include <array>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

using PixelBlock = std::array<FloatColor, 16>;

enum class SampleKind { Flat, TwoColours, Gradient, Noise, AlphaEdge, Holes, OnCodes, Count };

inline PixelBlock MakeSample(SampleKind kind, std::mt19937& random)
{
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    auto colour = [&] { return FloatColor{unit(random), unit(random), unit(random), unit(random)}; };
    PixelBlock block;
    FloatColor a = colour();
    FloatColor b = colour();
    for (int i = 0; i < 16; ++i) {
        float t = static_cast<float>((i & 3) + (i >> 2)) / 6.0f;
        switch (kind) {
        case SampleKind::Flat:
            block[i] = a;
            break;
        case SampleKind::TwoColours:
            block[i] = (random() & 1) ? a : b;
            break;
        case SampleKind::Gradient:
            block[i] = {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
            break;
        case SampleKind::Noise:
            block[i] = colour();
            break;
        case SampleKind::AlphaEdge:
            block[i] = {a.r, a.g + (b.g - a.g) * t, a.b, (random() % 3) == 0 ? 1.0f : (random() & 1) ? 0.0f : a.a};
            break;
        case SampleKind::Holes:
            block[i] = colour();
            block[i].a = (random() % 4) == 0 ? 0.25f * unit(random) : 1.0f;
            break;
        case SampleKind::OnCodes:
            // Values on 5:6:5 and 8-bit steps, where rounding ties live.
            block[i] = {static_cast<float>(random() % 32) * 0.032258064f,
                        static_cast<float>(random() % 64) * 0.015873017f,
                        static_cast<float>(random() % 32) * 0.032258064f,
                        static_cast<float>(random() % 256) * 0.003921569f};
            break;
        case SampleKind::Count:
            break;
        }
    }
    return block;
}

// A block of any kind, chosen by the generator.
inline PixelBlock MakeAnySample(std::mt19937& random)
{
    return MakeSample(static_cast<SampleKind>(random() % static_cast<unsigned>(SampleKind::Count)), random);
}

// `count` blocks of any kinds one after another; with `specials`, a quarter
// of them get one channel of one pixel set to NaN, an infinity or a value
// outside 0..1.
inline std::vector<FloatColor> RandomBlocks(std::mt19937& random, UINT count, bool specials)
{
    const float unusual[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(), 1.5f, -0.25f, 1e-40f};
    std::vector<FloatColor> pixels;
    for (UINT k = 0; k < count; ++k) {
        PixelBlock block = MakeAnySample(random);
        if (specials && random() % 4 == 0)
            (&block[random() % 16].r)[random() % 4] = unusual[random() % std::size(unusual)];
        pixels.insert(pixels.end(), block.begin(), block.end());
    }
    return pixels;
}
