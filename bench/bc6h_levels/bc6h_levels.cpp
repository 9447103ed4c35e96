// BC6H encoding of the HDR set (hdr_images.h) on one thread, at Fast,
// Normal and High: megapixels per second of encoding (the best of the
// rounds for each image, summed over the set; time is the thread's own
// processor time, so that other work on a shared machine does not count),
// the log2 RMSE and the
// tone-mapped PSNR (hdr_scores.h) of what our decoder makes of the blocks.
// The held-out images are scored apart, after the set.
//
//   bench_bc6h_levels [ROUNDS [FORM [LEVEL]]]
//
// FORM is uf16 (the default) or sf16; LEVEL (fast, normal or high) runs
// that level alone, for a profiler. scripts/bench-bc6h.sh builds and
// runs it.
#include "bench/bc6h_levels/hdr_images.h"
#include "bench/bc6h_levels/hdr_scores.h"
#include "r3az8/tex/bptc/bc6h_encode.h"
#include "r3az8/tex/bptc/bptc_block.h"

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

struct Level {
    const char* name;
    BlockQuality quality;
};

constexpr Level kLevels[] = {{"fast", BlockQuality::Fast}, {"normal", BlockQuality::Normal}, {"high", BlockQuality::High}};

// The image's blocks, a row of blocks handed to the encoder at a time as
// the library's own callers do; edge pixels repeat into partial blocks.
std::vector<BYTE> EncodeImage(const HdrImage& image, D3DFORMAT format, BlockQuality quality)
{
    const UINT across = (image.width + 3) / 4, down = (image.height + 3) / 4;
    std::vector<BYTE> blocks(std::size_t{across} * down * 16);
    std::vector<FloatColor> row(std::size_t{across} * 16);
    QualityOptions options;
    options.quality = quality;
    for (UINT by = 0; by < down; ++by) {
        for (UINT bx = 0; bx < across; ++bx)
            for (UINT p = 0; p < 16; ++p) {
                const UINT x = std::min(bx * 4 + p % 4, image.width - 1);
                const UINT y = std::min(by * 4 + p / 4, image.height - 1);
                row[std::size_t{bx} * 16 + p] = image.pixels[std::size_t{y} * image.width + x];
            }
        EncodeQualityBlocksBC6H(format, blocks.data() + std::size_t{by} * across * 16, row.data(), nullptr, across,
                                options);
    }
    return blocks;
}

void Score(const HdrImage& image, const std::vector<BYTE>& blocks, D3DFORMAT format, HdrScores& scores)
{
    const UINT across = (image.width + 3) / 4, down = (image.height + 3) / 4;
    std::vector<FloatColor> wanted, decoded;
    for (UINT by = 0; by < down; ++by)
        for (UINT bx = 0; bx < across; ++bx) {
            FloatColor block[16];
            const BYTE* bytes = blocks.data() + (std::size_t{by} * across + bx) * 16;
            if (format == FMT_BC6H_SF16)
                DecodeBlockBC6HSigned(block, bytes);
            else
                DecodeBlockBC6HUnsigned(block, bytes);
            for (UINT p = 0; p < 16; ++p) {
                const UINT x = bx * 4 + p % 4, y = by * 4 + p / 4;
                if (x < image.width && y < image.height) {
                    wanted.push_back(image.pixels[std::size_t{y} * image.width + x]);
                    decoded.push_back(block[p]);
                }
            }
        }
    scores.Add(wanted.data(), decoded.data(), wanted.size());
}

struct Result {
    double seconds = 0.0;
    double megapixels = 0.0;
    HdrScores scores;
};

Result Run(const std::vector<HdrImage>& images, D3DFORMAT format, BlockQuality quality, int rounds)
{
    Result result;
    for (const HdrImage& image : images) {
        double best = 1e30;
        std::vector<BYTE> blocks;
        for (int round = 0; round < rounds; ++round) {
            const double start = ThreadSeconds();
            blocks = EncodeImage(image, format, quality);
            best = std::min(best, ThreadSeconds() - start);
        }
        result.seconds += best;
        result.megapixels += double(image.width) * image.height / 1e6;
        Score(image, blocks, format, result.scores);
    }
    return result;
}

void PrintTable(const char* title, const std::vector<HdrImage>& images, D3DFORMAT format, int rounds,
                const char* only)
{
    std::printf("%s\n| level | encode MP/s (1 thread) | log2 RMSE | tone-mapped PSNR |\n|---|---:|---:|---:|\n", title);
    for (const Level& level : kLevels) {
        if (only != nullptr && std::strcmp(only, level.name) != 0)
            continue;
        const Result r = Run(images, format, level.quality, rounds);
        std::printf("| %s | %.2f | %.4f | %.2f |\n", level.name, r.megapixels / r.seconds, r.scores.Log2Rmse(),
                    r.scores.ToneMappedPsnr());
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    const bool isSigned = argc > 2 && std::strcmp(argv[2], "sf16") == 0;
    const D3DFORMAT format = isSigned ? FMT_BC6H_SF16 : FMT_BC6H_UF16;
    const char* only = argc > 3 ? argv[3] : nullptr;
    const std::string folder = ImageFolder();
    const char* kSet[] = {"0monitor",        "blocks15_relief2", "flame1", "leafs1", "pjrock21_normal",
                          "plasma1",         "tread",            "xiandm9doore2"};
    // Held out: made differently from four of the same textures.
    const char* kHeldOut[] = {"flame1", "leafs1", "plasma1", "tread"};
    std::vector<HdrImage> set, heldOut;
    for (const char* name : kSet) {
        const BenchImage png = LoadPng(folder + "/" + name + ".png");
        if (png.pixels.empty()) {
            std::fprintf(stderr, "bench_bc6h_levels: cannot read %s/%s.png\n", folder.c_str(), name);
            return 1;
        }
        set.push_back(MakeHdrImage(name, png));
        for (const char* held : kHeldOut)
            if (std::strcmp(held, name) == 0)
                heldOut.push_back(MakeHeldOutImage(name, png));
    }
    std::printf("BC6H %s, %d round(s), images from %s\n\n", isSigned ? "SF16" : "UF16", rounds, folder.c_str());
    PrintTable("HDR set (lin x 2^(8Y-3), 8 images)", set, format, rounds, only);
    std::printf("\n");
    PrintTable("Held out (cropped by (3, 2), mirrored, lin x 2^(12Y-6), 4 images)", heldOut, format, rounds, only);
    return 0;
}
