// The texture library and the software device on several threads at once,
// each thread on its own device and textures: the same bytes as on one
// thread, one answer for every first use, and the debug mute one switch
// for the process. Built with ThreadSanitizer by `make tsan`.
#include "tests/support/device_test.h"

#include "r3az8/tex/blit/box_kernels.h"
#include "r3az8/tex/debug.h"
#include "r3az8/tex/load.h"

#include <latch>
#include <thread>

namespace {

constexpr unsigned kThreads = 6;

// Runs work(i) on kThreads threads that start together.
template <class Work>
void OnThreads(Work work)
{
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            start.arrive_and_wait();
            work(i);
        });
    for (std::thread& thread : threads)
        thread.join();
}

std::vector<BYTE> Bytes(IDirect3DSurface8* surface)
{
    D3DSURFACE_DESC desc{};
    surface->GetDesc(&desc);
    D3DLOCKED_RECT locked{};
    if (FAILED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
        return {};
    const BYTE* bits = static_cast<const BYTE*>(locked.pBits);
    const UINT rows = desc.Format == D3DFMT_DXT1 ? (desc.Height + 3) / 4 : desc.Height;
    std::vector<BYTE> bytes(bits, bits + size_t(locked.Pitch) * rows);
    surface->UnlockRect();
    return bytes;
}

// On a device of its own: a chain of box halvings (the 32-bit kernels), a
// triangle resample, DXT1 and P8 encodings of noise made from the seed;
// every result's bytes one after the other. Empty when a call failed.
std::vector<BYTE> Work(uint32_t seed)
{
    ComRef<IDirect3DDevice8> device;
    if (FAILED(SoftD3D8CreateDevice(device.Receive())))
        return {};
    std::vector<BYTE> out;
    PALETTEENTRY palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = {BYTE(i), BYTE(255 - i), BYTE(i * 7), 255};
    for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}) {
        ComRef<IDirect3DTexture8> texture;
        if (FAILED(device->CreateTexture(32, 24, 0, 0, format, D3DPOOL_SYSTEMMEM, texture.Receive())))
            return {};
        ComRef<IDirect3DSurface8> top;
        texture->GetSurfaceLevel(0, top.Receive());
        const Pixels noise = NoisePixels(32, 24, seed);
        const RECT whole{0, 0, 32, 24};
        if (FAILED(LoadSurfaceFromMemory(top.Get(), nullptr, nullptr, noise.data(), format, 32 * 4, nullptr, &whole,
                                         IMAGE_FILTER_NONE, 0)) ||
            FAILED(FilterTexture(texture.Get(), nullptr, 0, IMAGE_FILTER_BOX)))
            return {};
        for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
            ComRef<IDirect3DSurface8> surface;
            texture->GetSurfaceLevel(level, surface.Receive());
            const std::vector<BYTE> bytes = Bytes(surface.Get());
            out.insert(out.end(), bytes.begin(), bytes.end());
        }
        for (D3DFORMAT to : {D3DFMT_DXT1, D3DFMT_P8, D3DFMT_R5G6B5}) {
            ComRef<IDirect3DSurface8> encoded;
            if (FAILED(device->CreateImageSurface(20, 12, to, encoded.Receive())) ||
                FAILED(LoadSurfaceFromSurface(encoded.Get(), palette, nullptr, top.Get(), nullptr, nullptr,
                                              IMAGE_FILTER_TRIANGLE | IMAGE_FILTER_DITHER, 0)))
                return {};
            const std::vector<BYTE> bytes = Bytes(encoded.Get());
            out.insert(out.end(), bytes.begin(), bytes.end());
        }
    }
    return out;
}

TEST(LibraryThreads, ThreadsOnTheirOwnTexturesGetTheBytesOfOneThread)
{
    const unsigned liveAtStart = d3d8::LiveObjects();
    std::vector<std::vector<BYTE>> expected(kThreads);
    for (unsigned i = 0; i < kThreads; ++i)
        expected[i] = Work(i);
    std::vector<std::vector<BYTE>> results(kThreads * 3);
    OnThreads([&](unsigned i) {
        for (unsigned round = 0; round < 3; ++round)
            results[round * kThreads + i] = Work(i);
    });
    for (size_t i = 0; i < results.size(); ++i) {
        ASSERT_FALSE(expected[i % kThreads].empty());
        EXPECT_TRUE(results[i] == expected[i % kThreads]) << "thread " << i % kThreads << ", round " << i / kThreads;
    }
    EXPECT_EQ(d3d8::LiveObjects(), liveAtStart);
    EXPECT_EQ(d3d8::LockedObjects(), 0u);
}

// Threads that make the first calls at once all get the answer one thread
// gets alone: the processor's MMX answer and the bound box kernels.
TEST(LibraryThreads, FirstUsesAtOnceSettleOnOneAnswer)
{
    ResetMmxStateForTesting();
    UnbindBoxKernelsForTesting();
    std::vector<int> answers(kThreads);
    std::vector<std::vector<BYTE>> results(kThreads);
    OnThreads([&](unsigned i) {
        answers[i] = IsMmxEnabled();
        results[i] = Work(i);
    });
    const BoxKernel32 bound = g_pfnBoxKernelX8R8G8B8;
    ResetMmxStateForTesting();
    UnbindBoxKernelsForTesting();
    const int alone = IsMmxEnabled();
    for (unsigned i = 0; i < kThreads; ++i) {
        EXPECT_EQ(answers[i], alone) << "thread " << i;
        EXPECT_TRUE(results[i] == Work(i)) << "thread " << i;
    }
    EXPECT_EQ(bound, g_pfnBoxKernelX8R8G8B8);
}

TEST(LibraryThreads, TheDebugMuteIsOneSwitchForTheProcess)
{
    ResetDebugStateForTesting();
    DebugCapture capture;
    std::thread([] { SetDebugMute(TRUE); }).join();
    DebugPrintf(0, "while muted");
    std::thread([] { SetDebugMute(FALSE); }).join();
    DebugPrintf(0, "after");
    EXPECT_EQ(capture.Text(), Line("after"));
}

} // namespace
