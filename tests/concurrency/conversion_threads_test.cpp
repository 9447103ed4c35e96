// Conversion sessions with the library on several threads at once.
#include "r3az8/tex/convert/library_session.h"
#include "r3az8/tex/texture/texture_error.h"

#include "r3az8/tex/load.h"

#include <gtest/gtest.h>

#include <latch>
#include <thread>

namespace r3az8tex {
namespace {

// Each thread's failures carry the lines the library printed on that
// thread, never another's.
TEST(SessionThreads, EachSessionCarriesTheLinesOfItsOwnThread)
{
    constexpr unsigned kThreads = 4, kRounds = 40;
    std::vector<std::vector<std::string>> messages(kThreads);
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            start.arrive_and_wait();
            for (unsigned round = 0; round < kRounds; ++round) {
                LibrarySession session;
                ComRef<IDirect3DSurface8> surface;
                session.Device()->CreateImageSurface(4, 4, D3DFMT_A8R8G8B8, surface.Receive());
                const BYTE pixels[64] = {};
                const RECT rect{0, 0, 4, 4};
                // Odd threads leave out the source, even ones the rectangle.
                const HRESULT hr = LoadSurfaceFromMemory(surface.Get(), nullptr, nullptr, i % 2 ? nullptr : pixels,
                                                         D3DFMT_A8R8G8B8, 16, nullptr, i % 2 ? &rect : nullptr,
                                                         IMAGE_FILTER_NONE, 0);
                try {
                    session.Check(hr, "loading");
                } catch (const TextureError& error) {
                    messages[i].push_back(error.what());
                }
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    for (unsigned i = 0; i < kThreads; ++i) {
        const std::string expected = std::string("loading failed (0x8876086C): R3AZ: ") +
                                     (i % 2 ? "pSrcMemory" : "pSrcRect") + " pointer is invalid";
        ASSERT_EQ(messages[i].size(), kRounds);
        for (const std::string& message : messages[i])
            ASSERT_EQ(message, expected) << "thread " << i;
    }
}

} // namespace
} // namespace r3az8tex
