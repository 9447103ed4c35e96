// The hottest path of the library: a full box mip chain of a 4096x4096
// A8R8G8B8 image through Blit, each level made from the one above, once per
// box kernel. Every iteration also copies the source with memcpy, so the
// chain is reported as a multiple of that copy measured under the same
// load ("x_memcpy"; the machine is shared, so both move together).
#include "bench/support/bench_images.h"

#include "r3az8/tex/blit/box_kernels.h"
#include "r3az8/tex/blitter.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>

namespace {

constexpr UINT kTopSize = 4096;

struct MipChain {
    MipChain() : top(RandomImage(kTopSize, kTopSize, 7))
    {
        for (UINT size = kTopSize / 2; size >= 1; size /= 2)
            levels.emplace_back(size_t(size) * size, 0u);
        copy.resize(top.pixels.size(), 0u);
    }

    void Regenerate()
    {
        void* above = top.pixels.data();
        UINT size = kTopSize;
        for (std::vector<uint32_t>& level : levels) {
            ImageDesc src = DescribeMemory(above, size, size);
            ImageDesc dest = DescribeMemory(level.data(), size / 2, size / 2);
            Blitter blitter;
            if (blitter.Blit(dest, src, IMAGE_FILTER_BOX) != S_OK)
                std::abort();
            above = level.data();
            size /= 2;
        }
    }

    BenchImage top;
    std::vector<std::vector<uint32_t>> levels;
    std::vector<uint32_t> copy;
};

MipChain& Chain()
{
    static MipChain chain;
    return chain;
}

double Seconds(std::chrono::steady_clock::time_point from)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

void BoxMipChain(benchmark::State& state, const BoxKernelSet* set)
{
    if (!ProcessorSupports(set->instructionSet)) {
        state.SkipWithError("the processor lacks this instruction set");
        return;
    }
    MipChain& chain = Chain();
    ForceBoxKernelsForTesting(*set);
    double chainSeconds = 0, copySeconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        std::memcpy(chain.copy.data(), chain.top.pixels.data(), chain.top.pixels.size() * 4);
        benchmark::ClobberMemory();
        copySeconds += Seconds(start);

        start = std::chrono::steady_clock::now();
        chain.Regenerate();
        benchmark::ClobberMemory();
        const double seconds = Seconds(start);
        chainSeconds += seconds;
        state.SetIterationTime(seconds);
    }
    state.counters["memcpy_ms"] = 1000 * copySeconds / double(state.iterations());
    state.counters["x_memcpy"] = chainSeconds / copySeconds;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(chain.top.pixels.size()) * 4);
    UnbindBoxKernelsForTesting();
}

void MemcpySource(benchmark::State& state)
{
    MipChain& chain = Chain();
    for (auto _ : state) {
        std::memcpy(chain.copy.data(), chain.top.pixels.data(), chain.top.pixels.size() * 4);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(chain.top.pixels.size()) * 4);
}

const bool registered = [] {
    benchmark::RegisterBenchmark("MemcpySource/4096", MemcpySource)->Unit(benchmark::kMillisecond)->MinTime(1.0);
    for (const BoxKernelSet& set : BoxKernelSets())
        benchmark::RegisterBenchmark((std::string("BoxMipChain/4096/") + set.name).c_str(), BoxMipChain, &set)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->MinTime(1.0);
    return true;
}();

} // namespace
