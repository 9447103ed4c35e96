// Same-size Blit from A8R8G8B8 into other formats: decode a row to floats,
// encode it again, row after row. Reported as pixels per second
// (items_per_second); real textures beside a synthetic noise image.
#include "bench/support/bench_images.h"
#include "r3az8/tex/blitter.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

const BenchImage& Source(const std::string& name)
{
    static std::map<std::string, BenchImage> images;
    auto found = images.find(name);
    if (found == images.end())
        found = images.emplace(name, name == "noise" ? RandomImage(1024, 1024, 7) : LoadPng(ImageFolder() + "/" + name))
                    .first;
    return found->second;
}

// A palette spread over the colour cube (6 x 7 x 6 levels, then greys), the
// sort of fixed palette a converter falls back on.
const std::vector<PALETTEENTRY>& CubePalette()
{
    static const std::vector<PALETTEENTRY> palette = [] {
        std::vector<PALETTEENTRY> entries;
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 7; ++g)
                for (int b = 0; b < 6; ++b)
                    entries.push_back({static_cast<BYTE>(r * 51), static_cast<BYTE>(g * 42), static_cast<BYTE>(b * 51), 255});
        for (int grey = 0; entries.size() < 256; ++grey)
            entries.push_back({static_cast<BYTE>(grey * 6 + 3), static_cast<BYTE>(grey * 6 + 3),
                               static_cast<BYTE>(grey * 6 + 3), 255});
        return entries;
    }();
    return palette;
}

UINT BytesPerPixel(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        return 4;
    case D3DFMT_R5G6B5:
    case D3DFMT_A4R4G4B4:
        return 2;
    default:
        return 1;
    }
}

void BlitInto(benchmark::State& state, const std::string& imageName, D3DFORMAT format, DWORD flags)
{
    const BenchImage& source = Source(imageName);
    if (source.pixels.empty()) {
        state.SkipWithError(("cannot read " + imageName).c_str());
        return;
    }
    const UINT bytes = BytesPerPixel(format);
    std::vector<BYTE> target(std::size_t{source.width} * source.height * bytes);

    ImageDesc src{};
    src.pData = const_cast<std::uint32_t*>(source.pixels.data());
    src.Format = D3DFMT_A8R8G8B8;
    src.RowPitch = source.width * 4;
    src.Extent = {0, 0, source.width, source.height, 0, 1};
    src.Region = src.Extent;

    ImageDesc dest{};
    dest.pData = target.data();
    dest.Format = format;
    dest.RowPitch = source.width * bytes;
    dest.Extent = src.Extent;
    dest.Region = src.Extent;
    dest.pPalette = format == D3DFMT_P8 ? CubePalette().data() : nullptr;

    for (auto _ : state) {
        Blitter blitter;
        if (blitter.Blit(dest, src, IMAGE_FILTER_TRIANGLE | flags) != S_OK) {
            state.SkipWithError("Blit failed");
            return;
        }
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * source.width * source.height);
}

void RegisterAll()
{
    struct Conversion {
        const char* name;
        D3DFORMAT format;
        DWORD flags;
    };
    const Conversion conversions[] = {
        {"ByteCopy", D3DFMT_A8R8G8B8, 0},
        {"X8R8G8B8", D3DFMT_X8R8G8B8, 0},
        {"R5G6B5", D3DFMT_R5G6B5, 0},
        {"R5G6B5_Dither", D3DFMT_R5G6B5, IMAGE_FILTER_DITHER},
        {"A4R4G4B4", D3DFMT_A4R4G4B4, 0},
        {"L8", D3DFMT_L8, 0},
        {"P8", D3DFMT_P8, 0},
    };
    for (const char* image : {"plasma1.png", "blocks15_relief2.png", "pjrock21_normal.png", "noise"}) {
        for (const Conversion& conversion : conversions) {
            const std::string name = std::string("Blit/") + conversion.name + "/" + image;
            benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& state) {
                BlitInto(state, image, conversion.format, conversion.flags);
            })->Unit(benchmark::kMillisecond);
        }
    }
}

const bool registered = (RegisterAll(), true);

} // namespace
