// Frames per second of the particle effect at 1024x1024 with 10,000
// particles, the way the host drives it (fixed time step, no file output),
// with and without its box-filtered mip chain. Beside it, in the same run:
// a plain copy of a pixel buffer of the same size, the floor under any
// frame (every frame fades and uploads the whole buffer), and the mip-chain
// regeneration on its own.
#include "effects/effMirolan/zelvBaseEffect.h"
#include "platform/pwKernel/pwKernel_control.h"
#include "r3az8/tex/load.h"

#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr unsigned pictureSize = 1024;
constexpr unsigned particleCount = 10000;

// libMirolan.so from the folder of this program, loaded once for the run.
CreateEffectFunction LoadEffectFactory()
{
    static CreateEffectFunction factory = [] {
        std::error_code failure;
        std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failure);
        std::string path = failure ? "libMirolan.so" : (self.parent_path() / "libMirolan.so").string();
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        return module ? reinterpret_cast<CreateEffectFunction>(dlsym(module, "CreateEffect")) : nullptr;
    }();
    return factory;
}

enum class MipChain { Off, On };

void EffectFrames(benchmark::State& state, MipChain mipChain)
{
    CreateEffectFunction createEffect = LoadEffectFactory();
    if (createEffect == nullptr) {
        state.SkipWithError("libMirolan.so could not be loaded");
        return;
    }
    kwoHost_SetFixedTimeStep(kwoHost_DefaultTimeStep);
    kwoHost_SeedRandom(kwoHost_DefaultRandomSeed);
    zelvBaseEffect* effect = createEffect();
    std::string text = "width = " + std::to_string(pictureSize) + "\nheight = " + std::to_string(pictureSize) +
                       "\nnumparticles = " + std::to_string(particleCount) +
                       "\nmipmaps = " + (mipChain == MipChain::On ? "1" : "0") + "\n";
    std::vector<char> writable(text.begin(), text.end());
    writable.push_back('\0');
    if (effect == nullptr || FAILED(effect->Create(writable.data()))) {
        delete effect;
        kwoHost_Shutdown();
        state.SkipWithError("the effect could not be created");
        return;
    }

    // The texture the effect draws with must be the size asked for, with a
    // full chain when asked for one, or the figures measure something else.
    effect->SetGlobalTime(kwoHost_DefaultTimeStep);
    effect->PrepareForRender();
    auto* texture = static_cast<IDirect3DTexture8*>(kwo3DAPI_GetTextureInterface(kwoHost_BoundTexture(0)));
    effect->RestoreAfterRender();
    D3DSURFACE_DESC desc{};
    if (texture == nullptr || FAILED(texture->GetLevelDesc(0, &desc)) || desc.Width != pictureSize ||
        desc.Height != pictureSize || texture->GetLevelCount() != (mipChain == MipChain::On ? 11u : 1u)) {
        delete effect;
        kwoHost_Shutdown();
        state.SkipWithError("the effect's texture is not what was asked for");
        return;
    }

    unsigned frame = 1;
    for (auto _ : state) {
        // A new engine time every frame, so every frame re-renders.
        effect->SetGlobalTime(float(++frame) * kwoHost_DefaultTimeStep);
        effect->PrepareForRender();
        effect->Draw(0, 6, 0, 0);
        effect->RestoreAfterRender();
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(int64_t(state.iterations()) * pictureSize * pictureSize * 4);
    delete effect;
    kwoHost_Shutdown();
}

void BM_EffectFrame(benchmark::State& state) { EffectFrames(state, MipChain::Off); }
void BM_EffectFrameWithMipChain(benchmark::State& state) { EffectFrames(state, MipChain::On); }

// The copy every frame makes at least once: the whole A8R8G8B8 buffer.
void BM_PixelBufferCopy(benchmark::State& state)
{
    const size_t bytes = size_t(pictureSize) * pictureSize * 4;
    std::vector<uint32_t> from(bytes / 4, 0xFF336699u);
    std::vector<uint32_t> to(bytes / 4);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

// FilterTexture alone on a texture like the effect's: all eleven levels
// from a 1024x1024 top, box-filtered, through the default pool's copies.
void BM_MipChainRegeneration(benchmark::State& state)
{
    kwoTextureHandle handle = nullptr;
    if (kwo3DAPI_CreateTextureFromMemory(pictureSize, pictureSize, "a8r8g8b8", 1, &handle, 1, nullptr, nullptr, 0) <
        0) {
        state.SkipWithError("no texture");
        return;
    }
    auto* texture = static_cast<IDirect3DBaseTexture8*>(kwo3DAPI_GetTextureInterface(handle));
    for (auto _ : state)
        benchmark::DoNotOptimize(FilterTexture(texture, nullptr, 0, IMAGE_FILTER_BOX));
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(int64_t(state.iterations()) * pictureSize * pictureSize * 4);
    kwo3DAPI_DestroyTexture(&handle);
    kwoHost_Shutdown();
}

// Frames per second are wall-clock figures, as a viewer sees them.
BENCHMARK(BM_PixelBufferCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EffectFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EffectFrameWithMipChain)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MipChainRegeneration)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
