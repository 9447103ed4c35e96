// DXT1 (from an opaque copy of each image), DXT5, BC4 (red) and BC5 (red
// and green) encoding of the real test images, single-threaded: our fixed
// encoder and each quality level beside libsquish (range, cluster and
// iterative cluster fit), stb_dxt (normal and high quality) and NVIDIA
// Texture Tools' fastest mode (what `nvcompress -fast` runs). Each encoder
// starts from the image in the form it takes (gathering is not timed).
// Counters: megapixels per second of CPU time, and the pooled RMSE (8-bit
// units) of colour (BC4: red; BC5: red and green) and, for DXT5, alpha,
// every encoder's blocks decoded by our decoder.
#include "bench/dxt/dxt_bench_images.h"
#include "r3az8/tex/dxt/dxt_block.h"
#include "r3az8/tex/dxt/quality.h"

#include <benchmark/benchmark.h>
#include <nvtt.h>
#include <squish.h>
#include <stb/stb_dxt.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

namespace {

enum class Format { Dxt1, Dxt5, Bc4, Bc5 };

const char* FormatName(Format format)
{
    constexpr const char* names[] = {"DXT1", "DXT5", "BC4", "BC5"};
    return names[static_cast<int>(format)];
}

D3DFORMAT Code(Format format)
{
    constexpr D3DFORMAT codes[] = {D3DFMT_DXT1, D3DFMT_DXT5, D3DFMT_BC4, D3DFMT_BC5};
    return codes[static_cast<int>(format)];
}

UINT BlockBytes(Format format) { return format == Format::Dxt1 || format == Format::Bc4 ? 8 : 16; }

const std::vector<BlockImage>& Images(Format format)
{
    static const std::vector<BlockImage> opaque = LoadBlockImages(AlphaSource::ForcedOpaque);
    static const std::vector<BlockImage> stored = LoadBlockImages(AlphaSource::AsStored);
    return format == Format::Dxt5 ? stored : opaque;
}

// Encodes every block of one image into `out`.
using ImageEncoder = std::function<void(const BlockImage&, uint8_t* out, Format)>;

void Ours(const BlockImage& image, uint8_t* out, Format format)
{
    EncodeBlocks(Code(format), out, image.floatBlocks.data(), image.blocks);
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
        EncodeBlocks(Code(format), out + BlockBytes(format) * std::size_t{first}, buffer, count);
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

// The quality encoder at a level. By default normal maps (names ending in
// "_normal") are weighted uniformly, as r3aztex does for --normal-map, and
// colour images perceptually; `uniform` weighs every image uniformly, the
// measure the RMSE takes (and libsquish's default).
ImageEncoder Quality(BlockQuality level, bool uniform = false)
{
    return [level, uniform](const BlockImage& image, uint8_t* out, Format format) {
        QualityOptions options;
        options.quality = level;
        if (uniform || image.name.ends_with("_normal"))
            options.weighting = ColorWeighting::Uniform;
        EncodeQualityBlocks(Code(format), out, image.floatBlocks.data(), nullptr, image.blocks, options);
    };
}

// NVIDIA Texture Tools at its fastest setting, from the whole image in BGRA
// bytes (made once per image, not timed). Its BC4 reads alpha, so alpha
// carries the red channel there.
class NvttBlocks : public nvtt::OutputHandler {
public:
    explicit NvttBlocks(uint8_t* out) : next(out) {}
    void beginImage(int, int, int, int, int, int) override {}
    bool writeData(const void* data, int size) override
    {
        next = std::copy_n(static_cast<const uint8_t*>(data), size, next);
        return true;
    }

private:
    uint8_t* next;
};

const std::vector<uint8_t>& BgraRows(const BlockImage& image, Format format)
{
    static std::map<std::pair<const BlockImage*, Format>, std::vector<uint8_t>> made;
    std::vector<uint8_t>& bgra = made[{&image, format}];
    if (bgra.empty()) {
        bgra.resize(std::size_t{image.width} * image.height * 4);
        const UINT columns = image.width / 4;
        for (UINT k = 0; k < image.blocks; ++k)
            for (UINT i = 0; i < 16; ++i) {
                const uint8_t* rgba = image.rgbaBlocks.data() + 64 * std::size_t{k} + 4 * i;
                const std::size_t x = (k % columns) * 4 + i % 4, y = (k / columns) * 4 + i / 4;
                uint8_t* target = bgra.data() + 4 * (y * image.width + x);
                target[0] = rgba[2];
                target[1] = rgba[1];
                target[2] = rgba[0];
                target[3] = format == Format::Bc4 ? rgba[0] : rgba[3];
            }
    }
    return bgra;
}

void NvttFastest(const BlockImage& image, uint8_t* out, Format format)
{
    constexpr nvtt::Format formats[] = {nvtt::Format_DXT1, nvtt::Format_DXT5, nvtt::Format_BC4, nvtt::Format_BC5};
    nvtt::InputOptions input;
    input.setTextureLayout(nvtt::TextureType_2D, static_cast<int>(image.width), static_cast<int>(image.height));
    input.setMipmapData(BgraRows(image, format).data(), static_cast<int>(image.width), static_cast<int>(image.height));
    input.setMipmapGeneration(false);
    nvtt::CompressionOptions compression;
    compression.setFormat(formats[static_cast<int>(format)]);
    compression.setQuality(nvtt::Quality_Fastest);
    NvttBlocks blocks(out);
    nvtt::OutputOptions output;
    output.setOutputHeader(false);
    output.setOutputHandler(&blocks);
    nvtt::Compressor compressor;
    compressor.enableCudaAcceleration(false);
    compressor.process(input, compression, output);
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
    double channelSum = 0;
    for (std::size_t n = 0; n < images.size(); ++n) {
        std::vector<FloatColor> decoded(std::size_t{images[n].blocks} * 16);
        for (UINT k = 0; k < images[n].blocks; ++k) {
            const uint8_t* block = outputs[n].data() + BlockBytes(format) * std::size_t{k};
            constexpr HRESULT (*decoders[])(FloatColor*, const BYTE*) = {DecodeBlockDXT1, DecodeBlockDXT5,
                                                                         DecodeBlockBC4, DecodeBlockBC5};
            decoders[static_cast<int>(format)](decoded.data() + 16 * std::size_t{k}, block);
        }
        AddDecodedErrors(images[n], decoded, sums);
        for (std::size_t p = 0; p < decoded.size(); ++p)
            for (int c = 0; c < (format == Format::Bc5 ? 2 : 1); ++c) {
                const double d = (&decoded[p].r)[c] * 255.0 - images[n].rgbaBlocks[4 * p + c];
                channelSum += d * d;
            }
    }
    // Rate over CPU time: the figure that other work on the machine
    // disturbs least.
    state.counters["MPix/s"] = benchmark::Counter(pixels * static_cast<double>(state.iterations()) / 1e6,
                                                  benchmark::Counter::kIsRate);
    if (format == Format::Bc4 || format == Format::Bc5)
        state.counters["RMSE"] = std::sqrt(channelSum / ((format == Format::Bc5 ? 2 : 1) * sums.pixels));
    else
        state.counters["rgbRMSE"] = std::sqrt(sums.colour / (3 * sums.pixels));
    if (format == Format::Dxt5)
        state.counters["alphaRMSE"] = std::sqrt(sums.alpha / sums.pixels);
}

void RegisterAll()
{
    struct Entry {
        const char* name;
        ImageEncoder encode;
        bool blockFormats; // also for BC4 and BC5
    };
    const Entry entries[] = {
        {"ours_fixed", Ours, false},
        {"ours_fixed_from_rgba_bytes", OursFromBytes, false},
        {"ours_fixed_one_block_at_a_time", OursOneBlockAtATime, false},
        {"ours_normal", Quality(BlockQuality::Normal), true},
        {"ours_high", Quality(BlockQuality::High), true},
        {"ours_normal_uniform_weights", Quality(BlockQuality::Normal, true), false},
        {"ours_high_uniform_weights", Quality(BlockQuality::High, true), false},
        {"squish_range_fit", Squish(squish::kColourRangeFit), false},
        {"squish_cluster_fit", Squish(squish::kColourClusterFit), false},
        {"squish_iterative_cluster_fit", Squish(squish::kColourIterativeClusterFit), false},
        {"stb_dxt_normal", Stb(STB_DXT_NORMAL), false},
        {"stb_dxt_high_quality", Stb(STB_DXT_HIGHQUAL), false},
        {"nvtt_fastest", NvttFastest, true},
    };
    for (Format format : {Format::Dxt1, Format::Dxt5, Format::Bc4, Format::Bc5})
        for (const Entry& entry : entries) {
            if ((format == Format::Bc4 || format == Format::Bc5) && !entry.blockFormats)
                continue;
            const std::string name = std::string(FormatName(format)) + "/" + entry.name;
            ImageEncoder encode = entry.encode;
            benchmark::RegisterBenchmark(name.c_str(), [encode, format](benchmark::State& state) {
                EncodeImages(state, encode, format);
            })->Unit(benchmark::kMillisecond);
        }
}

const bool registered = (RegisterAll(), true);

} // namespace
