// Triangle-filter resizes of 8-bit RGBA images through Blit, next to
// stb_image_resize's triangle filter on the same pixels, single thread.
// Every iteration runs both, so the ratio ("x_faster_than_stb", above 1
// when Blit is faster) is measured under the same load on a shared machine.
// Both filter all four channels alike in linear space with clamped or
// mirrored edges; the arithmetic differs (stb: its own kernel support), so
// this compares cost, not output.
#include "bench/support/bench_images.h"

#include "r3az8/tex/blitter.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>

#include "stb/stb_image_resize.h"

namespace {

struct ResizeCase {
    std::string name;
    std::string file; // empty: synthetic
    UINT sourceSize;
    UINT destSize;
};

const ResizeCase kCases[] = {
    {"down/random", "", 1024, 600},
    {"down/plasma1", "plasma1.png", 1024, 600},
    {"up/random", "", 512, 777},
    {"up/blocks15_relief2", "blocks15_relief2.png", 512, 777},
    {"up/tread", "tread.png", 512, 777},
    {"up/pjrock21_normal", "pjrock21_normal.png", 512, 777},
};

double Seconds(std::chrono::steady_clock::time_point from)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

void TriangleResize(benchmark::State& state, const ResizeCase* resize)
{
    BenchImage source = resize->file.empty() ? RandomImage(resize->sourceSize, resize->sourceSize, 3)
                                             : LoadPng(ImageFolder() + "/" + resize->file);
    if (source.width != resize->sourceSize || source.height != resize->sourceSize) {
        state.SkipWithError(("cannot read " + resize->file).c_str());
        return;
    }
    const UINT size = resize->destSize;
    std::vector<uint32_t> dest(size_t(size) * size);
    const std::vector<uint8_t> sourceBytes = ToRgbaBytes(source);
    std::vector<uint8_t> stbDest(size_t(size) * size * 4);

    double oursSeconds = 0, stbSeconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        ImageDesc destDesc = DescribeMemory(dest.data(), size, size);
        Blitter blitter;
        if (blitter.Blit(destDesc, source.Describe(), IMAGE_FILTER_TRIANGLE | IMAGE_FILTER_MIRROR) != S_OK) {
            state.SkipWithError("Blit failed");
            return;
        }
        benchmark::ClobberMemory();
        const double ours = Seconds(start);
        oursSeconds += ours;
        state.SetIterationTime(ours);

        start = std::chrono::steady_clock::now();
        if (!stbir_resize_uint8_generic(sourceBytes.data(), int(source.width), int(source.height), 0, stbDest.data(),
                                        int(size), int(size), 0, 4, STBIR_ALPHA_CHANNEL_NONE, 0, STBIR_EDGE_CLAMP,
                                        STBIR_FILTER_TRIANGLE, STBIR_COLORSPACE_LINEAR, nullptr)) {
            state.SkipWithError("stb_image_resize failed");
            return;
        }
        benchmark::ClobberMemory();
        stbSeconds += Seconds(start);
    }
    const double iterations = double(state.iterations());
    const double destPixels = double(size) * size;
    state.counters["ours_MPix/s"] = destPixels * iterations / oursSeconds / 1e6;
    state.counters["stb_MPix/s"] = destPixels * iterations / stbSeconds / 1e6;
    state.counters["x_faster_than_stb"] = stbSeconds / oursSeconds;
}

const bool registered = [] {
    for (const ResizeCase& resize : kCases)
        benchmark::RegisterBenchmark(("TriangleResize/" + resize.name).c_str(), TriangleResize, &resize)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->MinTime(1.0);
    return true;
}();

} // namespace
