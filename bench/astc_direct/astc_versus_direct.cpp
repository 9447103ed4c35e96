// ASTC encoding of the real test images: our conversion pipeline (PNG
// pixels in memory to one level of ASTC, the blocks made by libastcenc
// through ConvertTexture) on a pool of THREADS threads and on one, beside
// libastcenc called directly on one thread with the same preset, as its
// own command line would. Both are timed from pixels in memory to blocks, the context's
// set-up included; the best of the rounds counts for each image. Every
// result is decoded by libastcenc and scored alike: the RGB RMSE in 8-bit
// units pooled over every pixel of every image, channels weighed alike.
//
//   bench_astc_direct [ROUNDS [THREADS [SETTING]]]
//
// Rows: 4x4 at fast, normal and high (-fast, -medium, -thorough), 6x6 at
// normal (SETTING, e.g. "4x4 normal", runs that row alone). The speed
// ratio is ours over direct; "cores" is the processor time of our fastest
// rounds over their wall time, which shows how much of the machine the
// threads had (on a busy machine two threads cannot run at twice the
// speed); "same blocks" says whether the two made identical bytes for
// every image.
#include "bench/support/bench_images.h"
#include "r3az8/tex/astc/astc_formats.h"
#include "r3az8/tex/convert/convert_pipeline.h"

#include <astcenc.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

namespace {

using namespace r3az8tex;

struct Setting {
    const char* name;
    D3DFORMAT format;
    BlockQuality quality;
    float preset;
};

// Sums for a pooled RMSE and a speed over all images.
struct Tally {
    double squared = 0;
    double samples = 0;
    double seconds = 0;
    double processorSeconds = 0;
    double megapixels = 0;

    double Rmse() const { return samples > 0 ? std::sqrt(squared / samples) : 0; }
    double Speed() const { return seconds > 0 ? megapixels / seconds : 0; }
};

// Processor time of the whole process so far, every thread's.
double ProcessSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::vector<uint8_t> CompressDirect(const std::vector<uint8_t>& rgba, UINT width, UINT height, const AstcFormat& astc,
                                    float preset)
{
    astcenc_config config{};
    astcenc_context* context = nullptr;
    if (astcenc_config_init(ASTCENC_PRF_LDR, astc.blockWidth, astc.blockHeight, 1, preset, 0, &config) !=
            ASTCENC_SUCCESS ||
        astcenc_context_alloc(&config, 1, &context) != ASTCENC_SUCCESS)
        return {};
    void* slice = const_cast<uint8_t*>(rgba.data());
    astcenc_image image{width, height, 1, ASTCENC_TYPE_U8, &slice};
    const astcenc_swizzle identity{ASTCENC_SWZ_R, ASTCENC_SWZ_G, ASTCENC_SWZ_B, ASTCENC_SWZ_A};
    std::vector<uint8_t> blocks(size_t((width + astc.blockWidth - 1) / astc.blockWidth) *
                                ((height + astc.blockHeight - 1) / astc.blockHeight) * 16);
    const astcenc_error status = astcenc_compress_image(context, &image, &identity, blocks.data(), blocks.size(), 0);
    astcenc_context_free(context);
    return status == ASTCENC_SUCCESS ? blocks : std::vector<uint8_t>{};
}

// RGBA bytes of the blocks, decoded by libastcenc.
std::vector<uint8_t> Decompress(const std::vector<uint8_t>& blocks, UINT width, UINT height, const AstcFormat& astc)
{
    astcenc_config config{};
    astcenc_context* context = nullptr;
    std::vector<uint8_t> rgba(size_t(width) * height * 4);
    if (astcenc_config_init(ASTCENC_PRF_LDR, astc.blockWidth, astc.blockHeight, 1, ASTCENC_PRE_FASTEST,
                            ASTCENC_FLG_DECOMPRESS_ONLY, &config) != ASTCENC_SUCCESS ||
        astcenc_context_alloc(&config, 1, &context) != ASTCENC_SUCCESS)
        return {};
    void* slice = rgba.data();
    astcenc_image image{width, height, 1, ASTCENC_TYPE_U8, &slice};
    const astcenc_swizzle identity{ASTCENC_SWZ_R, ASTCENC_SWZ_G, ASTCENC_SWZ_B, ASTCENC_SWZ_A};
    const astcenc_error status = astcenc_decompress_image(context, blocks.data(), blocks.size(), &image, &identity, 0);
    astcenc_context_free(context);
    return status == ASTCENC_SUCCESS ? rgba : std::vector<uint8_t>{};
}

void Score(Tally& tally, const std::vector<uint8_t>& source, const std::vector<uint8_t>& decoded)
{
    for (size_t i = 0; i < source.size() && i < decoded.size(); ++i)
        if (i % 4 != 3) {
            const double d = double(source[i]) - double(decoded[i]);
            tally.squared += d * d;
            tally.samples += 1;
        }
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    const unsigned threads = argc > 2 ? unsigned(std::max(1, std::atoi(argv[2]))) : 2;
    const std::string only = argc > 3 ? argv[3] : "";
    const std::vector<std::filesystem::path> pngs = ImageFolderPngs("bench_astc_direct");
    if (pngs.empty())
        return 1;
    std::vector<BenchImage> images;
    for (const auto& png : pngs) {
        images.push_back(LoadPng(png.string()));
        if (images.back().pixels.empty()) {
            std::fprintf(stderr, "bench_astc_direct: cannot read %s\n", png.c_str());
            return 1;
        }
    }

    const Setting settings[] = {
        {"4x4 fast", FMT_ASTC_4X4, BlockQuality::Fast, ASTCENC_PRE_FAST},
        {"4x4 normal", FMT_ASTC_4X4, BlockQuality::Normal, ASTCENC_PRE_MEDIUM},
        {"4x4 high", FMT_ASTC_4X4, BlockQuality::High, ASTCENC_PRE_THOROUGH},
        {"6x6 normal", FMT_ASTC_6X6, BlockQuality::Normal, ASTCENC_PRE_MEDIUM},
    };
    std::printf("%zu images of %s, best of %d rounds, taken in turn; ours on %u threads and on 1, direct on 1\n\n",
                images.size(), ImageFolder().c_str(), rounds, threads);
    std::printf("| setting | ours MP/s | cores | ours 1 thread | direct MP/s | ours/direct | ours RGB RMSE | "
                "direct RGB RMSE | same blocks |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---|\n");
    WorkPool pool(threads), alone(1);
    for (const Setting& setting : settings) {
        if (!only.empty() && only != setting.name)
            continue;
        const AstcFormat& astc = *FindAstcFormat(setting.format);
        Tally ours, oursAlone, direct;
        bool same = true;
        for (const BenchImage& image : images) {
            TextureImage source = MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Flat, image.width, image.height, 1, 1);
            std::copy_n(reinterpret_cast<const BYTE*>(image.pixels.data()), source.Surface(0, 0).size(),
                        source.Surface(0, 0).data());
            ConvertSettings convert;
            convert.format = FindFormat(setting.format);
            convert.mips = 1;
            convert.quality = setting.quality;
            const std::vector<uint8_t> rgba = ToRgbaBytes(image);

            // The three in turn, round after round, so that a busy spell of
            // the machine touches each alike.
            TextureImage ourBlocks;
            std::vector<uint8_t> directBlocks;
            double best[3] = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
                              std::numeric_limits<double>::max()};
            double bestProcessor = 0;
            for (int round = 0; round < rounds; ++round) {
                auto start = std::chrono::steady_clock::now();
                const double processor = ProcessSeconds();
                ourBlocks = ConvertTexture(source, convert, pool);
                if (Seconds(start) < best[0]) {
                    best[0] = Seconds(start);
                    bestProcessor = ProcessSeconds() - processor;
                }
                start = std::chrono::steady_clock::now();
                ConvertTexture(source, convert, alone);
                best[1] = std::min(best[1], Seconds(start));
                start = std::chrono::steady_clock::now();
                directBlocks = CompressDirect(rgba, image.width, image.height, astc, setting.preset);
                best[2] = std::min(best[2], Seconds(start));
            }
            if (directBlocks.empty()) {
                std::fprintf(stderr, "bench_astc_direct: libastcenc refused %s\n", setting.name);
                return 1;
            }
            const double megapixels = double(image.width) * image.height / 1e6;
            Tally* tallies[3] = {&ours, &oursAlone, &direct};
            for (int i = 0; i < 3; ++i) {
                tallies[i]->seconds += best[i];
                tallies[i]->megapixels += megapixels;
            }
            ours.processorSeconds += bestProcessor;
            same = same && ourBlocks.Surface(0, 0) == directBlocks;
            Score(ours, rgba, Decompress(ourBlocks.Surface(0, 0), image.width, image.height, astc));
            Score(direct, rgba, Decompress(directBlocks, image.width, image.height, astc));
        }
        std::printf("| %s | %.3f | %.2f | %.3f | %.3f | %.2f | %.3f | %.3f | %s |\n", setting.name, ours.Speed(),
                    ours.seconds > 0 ? ours.processorSeconds / ours.seconds : 0.0, oursAlone.Speed(), direct.Speed(),
                    direct.Speed() > 0 ? ours.Speed() / direct.Speed() : 0.0, ours.Rmse(), direct.Rmse(),
                    same ? "yes" : "no");
        std::fflush(stdout);
    }
    return 0;
}
