// BC7 encoding of the real test images on one thread: our encoder at Fast,
// Normal and High beside bc7enc at -u0, -u2 and -u6, in one run. Every
// result is decoded by our decoder and scored alike: megapixels per second
// of encoding (the best of the rounds for each image; bc7enc's own figure
// for its encoding, which leaves out reading the PNG), the RGB RMSE and
// the alpha RMSE (images with alpha) in 8-bit units pooled over every
// pixel, and for opaque images the decoded pixels whose alpha is not 255.
// Ours weighs the channels alike, as bc7enc does by default. Pillow decodes
// every file of the first two images as a check on our decoder.
//
//   bench_bc7_peers [BC7ENC [ROUNDS [WORK FOLDER]]]
//
// BC7ENC defaults to where scripts/install-peers.sh puts it, from the
// top of the clone; without it the peer's rows stay empty.
// The ratios at the end pair Fast with -u0, Normal with -u2, High with -u6.
#include "bench/bc7_peers/bc7_peer.h"
#include "bench/bc7_peers/bc7_scores.h"
#include "r3az8/tex/block_encoder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>

namespace {

struct Encoder {
    std::string name;
    BlockQuality quality; // ours
    int peerLevel;        // bc7enc's -u, or -1 for ours
    Bc7Scores scores;
    bool available = true;
};

std::vector<FloatColor> ToFloats(const BenchImage& image)
{
    std::vector<FloatColor> floats(image.pixels.size());
    for (size_t i = 0; i < floats.size(); ++i) {
        const uint32_t p = image.pixels[i];
        floats[i] = {float(p >> 16 & 0xFF) / 255.0f, float(p >> 8 & 0xFF) / 255.0f, float(p & 0xFF) / 255.0f,
                     float(p >> 24) / 255.0f};
    }
    return floats;
}

// Our blocks for the image and the shortest of `rounds` encodings.
std::optional<PeerResult> EncodeOurs(const BenchImage& image, BlockQuality quality, int rounds)
{
    const std::vector<FloatColor> floats = ToFloats(image);
    PeerResult result;
    result.blocks.width = image.width;
    result.blocks.height = image.height;
    const UINT pitch = (image.width + 3) / 4 * 16;
    result.blocks.bytes.resize(size_t(pitch) * ((image.height + 3) / 4));
    const QualityOptions options{quality, ColorWeighting::Uniform};
    result.seconds = std::numeric_limits<double>::max();
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        if (FAILED(EncodeQualityImage(FMT_BC7, result.blocks.bytes.data(), pitch, floats.data(), image.width,
                                      image.width, image.height, options)))
            return std::nullopt;
        result.seconds =
            std::min(result.seconds, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return result;
}

std::optional<PeerResult> EncodePeer(const std::string& program, const std::string& png, const std::string& dds,
                                     int level, int rounds)
{
    std::optional<PeerResult> best;
    for (int round = 0; round < rounds; ++round) {
        std::optional<PeerResult> run = RunBc7enc(program, png, dds, level);
        if (!run)
            return std::nullopt;
        if (!best || run->seconds < best->seconds)
            best = std::move(run);
    }
    return best;
}

// Differences between our decoding of the file and Pillow's.
void CheckWithPillow(const std::string& dds, const Bc7Blocks& blocks)
{
    const std::vector<uint8_t> ours = DecodeBc7(blocks);
    const std::vector<uint8_t> pillow = DecodeWithPillow(dds);
    if (pillow.size() != ours.size()) {
        std::printf("  pillow: cannot decode %s\n", dds.c_str());
        return;
    }
    size_t differing = 0;
    for (size_t i = 0; i < ours.size(); ++i)
        differing += ours[i] != pillow[i];
    std::printf("  pillow: %s: %zu of %zu bytes differ from our decoder\n", dds.c_str(), differing, ours.size());
}

double Ratio(double ours, double theirs) { return theirs > 0 ? ours / theirs : 0.0; }

} // namespace

int main(int argc, char** argv)
{
    const std::string peer = argc > 1 ? argv[1] : "build/peers/node_modules/@gpu-tex-enc/bc/bin/linux/bc7enc";
    if (!std::filesystem::exists(peer))
        std::printf("bc7enc is not at %s: scripts/install-peers.sh installs it\n", peer.c_str());
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    const std::filesystem::path work = argc > 3 ? argv[3] : "build/bench-bc7";
    std::filesystem::create_directories(work);

    const std::vector<std::filesystem::path> pngs = ImageFolderPngs("bench_bc7_peers");
    if (pngs.empty())
        return 1;

    std::vector<Encoder> encoders = {
        {"ours fast", BlockQuality::Fast, -1, {}},   {"ours normal", BlockQuality::Normal, -1, {}},
        {"ours high", BlockQuality::High, -1, {}},   {"bc7enc -u0", BlockQuality::Fast, 0, {}},
        {"bc7enc -u2", BlockQuality::Normal, 2, {}}, {"bc7enc -u6", BlockQuality::High, 6, {}},
    };
    for (size_t index = 0; index < pngs.size(); ++index) {
        const std::string png = pngs[index].string();
        const BenchImage image = LoadPng(png);
        if (image.pixels.empty()) {
            std::fprintf(stderr, "bench_bc7_peers: cannot read %s\n", png.c_str());
            return 1;
        }
        std::printf("%s: %ux%u%s\n", pngs[index].filename().c_str(), image.width, image.height,
                    HasAlpha(image) ? ", alpha" : "");
        for (Encoder& encoder : encoders) {
            if (!encoder.available)
                continue;
            std::string stem = encoder.name;
            std::replace(stem.begin(), stem.end(), ' ', '_');
            const std::string dds = (work / (pngs[index].stem().string() + "_" + stem + ".dds")).string();
            std::optional<PeerResult> result = encoder.peerLevel < 0
                                                   ? EncodeOurs(image, encoder.quality, rounds)
                                                   : EncodePeer(peer, png, dds, encoder.peerLevel, rounds);
            if (!result) {
                std::printf("  %s: not available\n", encoder.name.c_str());
                encoder.available = false;
                continue;
            }
            if (encoder.peerLevel < 0)
                WriteBc7Dds(dds, result->blocks);
            AddScores(image, result->blocks, encoder.scores);
            encoder.scores.seconds += result->seconds;
            if (index < 2)
                CheckWithPillow(dds, result->blocks);
        }
    }

    std::printf("\n| encoder | MP/s | RGB RMSE | alpha RMSE | opaque pixels with alpha != 255 |\n"
                "|---|---:|---:|---:|---:|\n");
    for (const Encoder& encoder : encoders)
        if (encoder.available)
            std::printf("| %s | %.2f | %.3f | %.3f | %llu of %llu |\n", encoder.name.c_str(),
                        encoder.scores.MegapixelsPerSecond(), encoder.scores.RgbRmse(), encoder.scores.AlphaRmse(),
                        static_cast<unsigned long long>(encoder.scores.opaqueMisses),
                        static_cast<unsigned long long>(encoder.scores.opaquePixels));
        else
            std::printf("| %s | - | - | - | - |\n", encoder.name.c_str());

    std::printf("\n| ours / bc7enc | speed | RGB RMSE | alpha RMSE |\n|---|---:|---:|---:|\n");
    for (size_t level = 0; level < 3; ++level) {
        const Encoder& ours = encoders[level];
        const Encoder& theirs = encoders[level + 3];
        if (!ours.available || !theirs.available)
            continue;
        std::printf("| %s / %s | %.3f | %.3f | %.3f |\n", ours.name.c_str(), theirs.name.c_str(),
                    Ratio(ours.scores.MegapixelsPerSecond(), theirs.scores.MegapixelsPerSecond()),
                    Ratio(ours.scores.RgbRmse(), theirs.scores.RgbRmse()),
                    Ratio(ours.scores.AlphaRmse(), theirs.scores.AlphaRmse()));
    }
    return 0;
}
