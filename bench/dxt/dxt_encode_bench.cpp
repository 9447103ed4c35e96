// DXT1 (from an opaque copy of each image) and DXT5 encoding of the real
// test images, single-threaded. Each encoder starts from 4x4 blocks in the
// form it takes (gathering is not timed). Counters: megapixels per second of
// CPU time, and the pooled RMSE (8-bit units) of colour and, for DXT5,
// alpha, every encoder's blocks decoded by our decoder.
#include "bench/dxt/dxt_bench_images.h"
#include "r3az8/tex/dxt/dxt_block.h"
#include "r3az8/tex/dxt/quality.h"

#include <benchmark/benchmark.h>
#include <squish.h>
#include <stb/stb_dxt.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

enum class Format { Dxt1, Dxt5 };

UINT BlockBytes(Format format) { return format == Format::Dxt1 ? 8 : 16; }

const std::vector<BlockImage>& Images(Format format)
{
    static const std::vector<BlockImage> opaque = LoadBlockImages(AlphaSource::ForcedOpaque);
    static const std::vector<BlockImage> stored = LoadBlockImages(AlphaSource::AsStored);
    return format == Format::Dxt1 ? opaque : stored;
}

// Encodes every block of one image into `out`.
using ImageEncoder = std::function<void(const BlockImage&, uint8_t* out, Format)>;

void Ours(const BlockImage& image, uint8_t* out, Format format)
{
    EncodeBlocks(format == Format::Dxt1 ? D3DFMT_DXT1 : D3DFMT_DXT5, out, image.floatBlocks.data(), image.blocks);
}

// The same, starting from the RGBA bytes the other encoders take: each row
// of blocks converted to floats first, into one buffer reused throughout.
void OursFromBytes(const BlockImage& image, uint8_t* out, Format format)
{
    constexpr UINT rowBlocks = 64;
    static FloatColor buffer[16 * rowBlocks];
    for (UINT first = 0; first < image.blocks; first += rowBlocks) {
        const UINT count = std::min(rowBlocks, image.blocks - first);
        const uint8_t* bytes = image.rgbaBlocks.data() + 64 * std::size_t{first};
        for (UINT p = 0; p < 16 * count; ++p)
            buffer[p] = {bytes[4 * p] * 0.003921569f, bytes[4 * p + 1] * 0.003921569f,
                         bytes[4 * p + 2] * 0.003921569f, bytes[4 * p + 3] * 0.003921569f};
        EncodeBlocks(format == Format::Dxt1 ? D3DFMT_DXT1 : D3DFMT_DXT5, out + BlockBytes(format) * std::size_t{first},
                     buffer, count);
    }
}

void OursOneBlockAtATime(const BlockImage& image, uint8_t* out, Format format)
{
    for (UINT k = 0; k < image.blocks; ++k) {
        if (format == Format::Dxt1)
            EncodeBlockDXT1(out + 8 * std::size_t{k}, image.floatBlocks.data() + 16 * std::size_t{k});
        else
            EncodeBlockDXT5(out + 16 * std::size_t{k}, image.floatBlocks.data() + 16 * std::size_t{k});
    }
}

// The quality encoder at a level; normal maps (names ending in "_normal")
// weighted uniformly, as r3aztex does for --normal-map.
ImageEncoder Quality(BlockQuality level)
{
    return [level](const BlockImage& image, uint8_t* out, Format format) {
        QualityOptions options;
        options.quality = level;
        if (image.name.ends_with("_normal"))
            options.weighting = ColorWeighting::Uniform;
        EncodeQualityBlocks(format == Format::Dxt1 ? D3DFMT_DXT1 : D3DFMT_DXT5, out, image.floatBlocks.data(), nullptr,
                            image.blocks, options);
    };
}

ImageEncoder Squish(int fit)
{
    return [fit](const BlockImage& image, uint8_t* out, Format format) {
        const int flags = (format == Format::Dxt1 ? squish::kDxt1 : squish::kDxt5) | fit;
        for (UINT k = 0; k < image.blocks; ++k)
            squish::Compress(image.rgbaBlocks.data() + 64 * std::size_t{k}, out + BlockBytes(format) * std::size_t{k},
                             flags);
    };
}

ImageEncoder Stb(int mode)
{
    return [mode](const BlockImage& image, uint8_t* out, Format format) {
        for (UINT k = 0; k < image.blocks; ++k)
            stb_compress_dxt_block(out + BlockBytes(format) * std::size_t{k},
                                   image.rgbaBlocks.data() + 64 * std::size_t{k}, format == Format::Dxt5, mode);
    };
}

void EncodeImages(benchmark::State& state, const ImageEncoder& encode, Format format)
{
    const std::vector<BlockImage>& images = Images(format);
    if (images.empty()) {
        state.SkipWithError("no test images found (set R3AZ_IMAGES)");
        return;
    }
    std::vector<std::vector<uint8_t>> outputs;
    double pixels = 0;
    for (const BlockImage& image : images) {
        outputs.emplace_back(std::size_t{image.blocks} * BlockBytes(format));
        pixels += 16.0 * image.blocks;
    }
    for (auto _ : state) {
        for (std::size_t n = 0; n < images.size(); ++n)
            encode(images[n], outputs[n].data(), format);
        benchmark::ClobberMemory();
    }

    ErrorSums sums;
    for (std::size_t n = 0; n < images.size(); ++n) {
        std::vector<FloatColor> decoded(std::size_t{images[n].blocks} * 16);
        for (UINT k = 0; k < images[n].blocks; ++k) {
            const uint8_t* block = outputs[n].data() + BlockBytes(format) * std::size_t{k};
            if (format == Format::Dxt1)
                DecodeBlockDXT1(decoded.data() + 16 * std::size_t{k}, block);
            else
                DecodeBlockDXT5(decoded.data() + 16 * std::size_t{k}, block);
        }
        AddDecodedErrors(images[n], decoded, sums);
    }
    // Rate over CPU time: the figure that other work on the machine
    // disturbs least.
    state.counters["MPix/s"] = benchmark::Counter(pixels * static_cast<double>(state.iterations()) / 1e6,
                                                  benchmark::Counter::kIsRate);
    state.counters["rgbRMSE"] = std::sqrt(sums.colour / (3 * sums.pixels));
    if (format == Format::Dxt5)
        state.counters["alphaRMSE"] = std::sqrt(sums.alpha / sums.pixels);
}

void RegisterAll()
{
    struct Entry {
        const char* name;
        ImageEncoder encode;
    };
    const Entry entries[] = {
        {"ours", Ours},
        {"ours_normal", Quality(BlockQuality::Normal)},
        {"ours_high", Quality(BlockQuality::High)},
        {"ours_from_rgba_bytes", OursFromBytes},
        {"ours_one_block_at_a_time", OursOneBlockAtATime},
        {"squish_range_fit", Squish(squish::kColourRangeFit)},
        {"squish_cluster_fit", Squish(squish::kColourClusterFit)},
        {"squish_iterative_cluster_fit", Squish(squish::kColourIterativeClusterFit)},
        {"stb_dxt_normal", Stb(STB_DXT_NORMAL)},
        {"stb_dxt_high_quality", Stb(STB_DXT_HIGHQUAL)},
    };
    for (Format format : {Format::Dxt1, Format::Dxt5})
        for (const Entry& entry : entries) {
            std::string name = std::string(format == Format::Dxt1 ? "DXT1/" : "DXT5/") + entry.name;
            ImageEncoder encode = entry.encode;
            benchmark::RegisterBenchmark(name.c_str(), [encode, format](benchmark::State& state) {
                EncodeImages(state, encode, format);
            })->Unit(benchmark::kMillisecond);
        }
}

const bool registered = (RegisterAll(), true);

} // namespace
