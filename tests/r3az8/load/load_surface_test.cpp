// LoadSurfaceFromMemory and LoadSurfaceFromSurface: argument checks, the
// direct device copy and what forces the lock-and-blit path, self-loading.
#include "tests/support/device_test.h"
#include "r3az8/tex/load.h"

#include <cstring>
#include <functional>

namespace loadtest {
namespace {

class LoadSurfaceTest : public PaddedDeviceTest {
protected:
    // Two managed 16x16 A8R8G8B8 surfaces with different noise.
    void MakePair()
    {
        destTexture = MakeTexture(16, 16, 1, D3DPOOL_MANAGED);
        srcTexture = MakeTexture(16, 16, 1, D3DPOOL_MANAGED);
        dest = Level(destTexture.Get(), 0);
        src = Level(srcTexture.Get(), 0);
        destPixels = NoisePixels(16, 16, 1);
        srcPixels = NoisePixels(16, 16, 2);
        WritePixels(dest.Get(), destPixels);
        WritePixels(src.Get(), srcPixels);
    }

    // destPixels with the 16-wide source rectangle copied to (x, y).
    Pixels CopiedInto(const RECT& from, LONG x, LONG y) const
    {
        Pixels expected = destPixels;
        for (LONG row = from.top; row < from.bottom; ++row)
            for (LONG column = from.left; column < from.right; ++column)
                expected[(y + row - from.top) * 16 + x + column - from.left] = srcPixels[row * 16 + column];
        return expected;
    }

    ComRef<IDirect3DTexture8> destTexture;
    ComRef<IDirect3DTexture8> srcTexture;
    ComRef<IDirect3DSurface8> dest;
    ComRef<IDirect3DSurface8> src;
    Pixels destPixels;
    Pixels srcPixels;
};

// --- argument checks ------------------------------------------------------------------

TEST_F(LoadSurfaceTest, MissingArgumentsAreNamedInOrder)
{
    MakePair();
    const uint32_t memory[4] = {};
    const RECT rect = {0, 0, 2, 2};
    IDirect3DSurface8* surface = dest.Get();
    struct Case {
        std::function<HRESULT()> call;
        const char* message;
    };
    const Case cases[] = {
        {[&] { return LoadSurfaceFromMemory(nullptr, nullptr, nullptr, nullptr, D3DFMT_A8R8G8B8, 8, nullptr, nullptr,
                                            1, 0); },
         "pDestSurface pointer is invalid"},
        {[&] { return LoadSurfaceFromMemory(surface, nullptr, nullptr, nullptr, D3DFMT_A8R8G8B8, 8, nullptr, nullptr,
                                            1, 0); },
         "pSrcMemory pointer is invalid"},
        {[&] { return LoadSurfaceFromMemory(surface, nullptr, nullptr, memory, D3DFMT_A8R8G8B8, 8, nullptr, nullptr, 1,
                                            0); },
         "pSrcRect pointer is invalid"},
        {[&] { return LoadSurfaceFromSurface(nullptr, nullptr, nullptr, nullptr, nullptr, &rect, 1, 0); },
         "pDestSurface pointer is invalid"},
        {[&] { return LoadSurfaceFromSurface(surface, nullptr, nullptr, nullptr, nullptr, &rect, 1, 0); },
         "pSrcSurface pointer is invalid"},
    };
    for (const Case& c : cases) {
        DebugCapture capture;
        EXPECT_EQ(c.call(), D3DERR_INVALIDCALL);
        EXPECT_EQ(capture.Text(), Line(c.message));
    }
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::Any), 0u);
    EXPECT_EQ(ReadPixels(dest.Get()), destPixels);
}

TEST_F(LoadSurfaceTest, DestinationRectangleOutsideOrInvertedIsInvalid)
{
    MakePair();
    const RECT bad[] = {{5, 0, 3, 2}, {0, 0, 17, 16}, {-1, 0, 15, 16}, {0, 3, 16, 2}};
    for (const RECT& rect : bad) {
        DebugCapture capture;
        EXPECT_EQ(LoadSurfaceFromSurface(dest.Get(), nullptr, &rect, src.Get(), nullptr, nullptr, IMAGE_FILTER_POINT, 0),
                  D3DERR_INVALIDCALL);
        // {-1, 0, 15, 16} has the source's size: the device refuses the
        // direct copy silently and the lock reports the rectangle.
        EXPECT_EQ(capture.Text(), Line("Invalid rect"));
    }
    EXPECT_EQ(d3d8::LockedObjects(), 0u);
    EXPECT_EQ(ReadPixels(dest.Get()), destPixels);
}

TEST_F(LoadSurfaceTest, ZeroWidthRectanglesAreAccepted)
{
    MakePair();
    const RECT empty = {3, 0, 3, 4};
    const RECT source = {0, 0, 0, 4};
    EXPECT_EQ(LoadSurfaceFromMemory(dest.Get(), nullptr, &empty, srcPixels.data(), D3DFMT_A8R8G8B8, 64, nullptr,
                                    &source, IMAGE_FILTER_NONE, 0),
              S_OK);
    EXPECT_EQ(ReadPixels(dest.Get()), destPixels);
}

TEST_F(LoadSurfaceTest, InvertedMemoryRectangleIsRefusedBeforeAnyPixelMoves)
{
    MakePair();
    for (RECT source : {RECT{4, 0, 2, 2}, RECT{0, 2, 2, 1}, RECT{-2, 0, 2, 2}}) {
        DebugCapture capture;
        EXPECT_EQ(LoadSurfaceFromMemory(dest.Get(), nullptr, nullptr, srcPixels.data(), D3DFMT_A8R8G8B8, 64, nullptr,
                                        &source, IMAGE_FILTER_TRIANGLE, 0),
                  D3DERR_INVALIDCALL);
        EXPECT_EQ(capture.Text(), Line("Invalid rect"));
    }
    EXPECT_EQ(d3d8::LockedObjects(), 0u);
    EXPECT_EQ(ReadPixels(dest.Get()), destPixels);
}

// --- from memory -----------------------------------------------------------------------

TEST_F(LoadSurfaceTest, MemoryRectangleLandsInADefaultPoolLevelThroughAFilledCopy)
{
    auto level = FirstLevel(MakeTexture(8, 8, 1, D3DPOOL_DEFAULT));
    const Pixels before = Filled(level.Get(), 8, 8, 9);

    // A 6x5 memory image with a padded pitch; its {1, 1, 5, 4} goes to {2, 3, 6, 6}.
    const UINT pitch = 6 * 4 + 8;
    std::vector<BYTE> memory(pitch * 5);
    const Pixels source = NoisePixels(6, 5, 10);
    for (UINT y = 0; y < 5; ++y)
        std::memcpy(&memory[y * pitch], &source[y * 6], 6 * 4);
    const RECT from = {1, 1, 5, 4};
    const RECT to = {2, 3, 6, 6};
    ASSERT_EQ(LoadSurfaceFromMemory(level.Get(), nullptr, &to, memory.data(), D3DFMT_A8R8G8B8, pitch, nullptr, &from,
                                    IMAGE_FILTER_DEFAULT, 0),
              S_OK);
    Pixels expected = before;
    for (UINT y = 0; y < 3; ++y)
        for (UINT x = 0; x < 4; ++x)
            expected[(3 + y) * 8 + 2 + x] = source[(1 + y) * 6 + 1 + x];
    EXPECT_EQ(ReadPixels(level.Get()), expected);
}

// The copy of a default-pool level is filled (CopyRects 1), written and
// written back (CopyRects 2). Pixels that never reach the level are a
// failed load, not a successful one.
TEST_F(LoadSurfaceTest, FailedWriteBackOfTheCopyFailsTheLoad)
{
    auto texture = MakeTexture(8, 8, 1, D3DPOOL_DEFAULT);
    auto level = Level(texture.Get(), 0);
    const Pixels before = Filled(level.Get(), 8, 8, 11);
    const Pixels source = NoisePixels(4, 4, 12);
    const RECT from = {0, 0, 4, 4};
    const RECT to = {1, 1, 5, 5};
    d3d8::FailCall(d3d8::Call::CopyRects, 2, D3DERR_OUTOFVIDEOMEMORY);
    DebugCapture capture;
    EXPECT_EQ(LoadSurfaceFromMemory(level.Get(), nullptr, &to, source.data(), D3DFMT_A8R8G8B8, 16, nullptr, &from,
                                    IMAGE_FILTER_NONE, 0),
              D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(capture.Text(), Line("Update of vidmem texture failed"));
    d3d8::ResetFaults();
    EXPECT_EQ(ReadPixels(level.Get()), before);
    EXPECT_EQ(d3d8::LockedObjects(), 0u);
}

TEST_F(LoadSurfaceTest, MemoryColorKeyTurnsKeyedPixelsTransparentBlack)
{
    MakePair();
    Pixels source = {0xFF102030u, 0xFF405060u, 0xFF102030u, 0x80FFFFFFu};
    const RECT from = {0, 0, 2, 2};
    const RECT to = {4, 4, 6, 6};
    ASSERT_EQ(LoadSurfaceFromMemory(dest.Get(), nullptr, &to, source.data(), D3DFMT_A8R8G8B8, 8, nullptr, &from,
                                    IMAGE_FILTER_POINT, 0xFF102030u),
              S_OK);
    Pixels expected = destPixels;
    expected[4 * 16 + 4] = 0;
    expected[4 * 16 + 5] = 0xFF405060u;
    expected[5 * 16 + 4] = 0;
    expected[5 * 16 + 5] = 0x80FFFFFFu;
    EXPECT_EQ(ReadPixels(dest.Get()), expected);
}

// --- the direct device copy ----------------------------------------------------------

TEST_F(LoadSurfaceTest, EqualSizesWithoutKeyOrBoxAreCopiedByTheDeviceWithoutLocking)
{
    MakePair();
    const RECT from = {2, 3, 10, 9};
    const RECT to = {5, 6, 13, 12};
    const unsigned muteCalls = d3d8::RuntimeMuteCalls();
    ASSERT_EQ(LoadSurfaceFromSurface(dest.Get(), nullptr, &to, src.Get(), nullptr, &from, IMAGE_FILTER_POINT, 0), S_OK);
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::LockRect), 0u);
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::CopyRects), 1u);
    EXPECT_EQ(d3d8::RuntimeMuteCalls(), muteCalls + 2) << "muted around the attempt";
    EXPECT_EQ(d3d8::RuntimeMute(), 0u);
    EXPECT_EQ(ReadPixels(dest.Get()), CopiedInto(from, 5, 6));
}

TEST_F(LoadSurfaceTest, MissingRectanglesStandForWholeSurfacesInTheDirectCopy)
{
    MakePair();
    ASSERT_EQ(LoadSurfaceFromSurface(dest.Get(), nullptr, nullptr, src.Get(), nullptr, nullptr, IMAGE_FILTER_DEFAULT, 0),
              S_OK);
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::LockRect), 0u);
    EXPECT_EQ(ReadPixels(dest.Get()), srcPixels);
}

TEST_F(LoadSurfaceTest, BoxFilterTakesTheLockPathEvenForEqualSizes)
{
    MakePair();
    ASSERT_EQ(LoadSurfaceFromSurface(dest.Get(), nullptr, nullptr, src.Get(), nullptr, nullptr, IMAGE_FILTER_BOX, 0),
              S_OK);
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::CopyRects), 0u);
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::LockRect), 2u);
    EXPECT_EQ(ReadPixels(dest.Get()), srcPixels);
}

TEST_F(LoadSurfaceTest, ColorKeyTakesTheLockPath)
{
    MakePair();
    const D3DCOLOR key = srcPixels[0];
    ASSERT_EQ(LoadSurfaceFromSurface(dest.Get(), nullptr, nullptr, src.Get(), nullptr, nullptr, IMAGE_FILTER_POINT, key),
              S_OK);
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::CopyRects), 0u);
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::LockRect), 2u);
    Pixels expected = srcPixels;
    for (uint32_t& pixel : expected)
        if (pixel == key)
            pixel = 0;
    EXPECT_EQ(ReadPixels(dest.Get()), expected);
}

TEST_F(LoadSurfaceTest, PalettesWithEqualEntriesAtDifferentAddressesAllowTheDirectCopy)
{
    MakePair();
    std::vector<PALETTEENTRY> first(256);
    for (size_t i = 0; i < first.size(); ++i)
        first[i] = {BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
    std::vector<PALETTEENTRY> second = first;
    ASSERT_NE(first.data(), second.data());
    ASSERT_EQ(LoadSurfaceFromSurface(dest.Get(), first.data(), nullptr, src.Get(), second.data(), nullptr,
                                     IMAGE_FILTER_LINEAR, 0),
              S_OK);
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::CopyRects), 1u);
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::LockRect), 0u);

    second[255].peFlags = 1; // one byte of the last entry differs
    ASSERT_EQ(LoadSurfaceFromSurface(dest.Get(), first.data(), nullptr, src.Get(), second.data(), nullptr,
                                     IMAGE_FILTER_LINEAR, 0),
              S_OK);
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::CopyRects), 1u) << "no second attempt";
    EXPECT_GT(d3d8::CallCount(d3d8::Call::LockRect), 0u);

    ASSERT_EQ(LoadSurfaceFromSurface(dest.Get(), first.data(), nullptr, src.Get(), nullptr, nullptr,
                                     IMAGE_FILTER_LINEAR, 0),
              S_OK);
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::CopyRects), 1u) << "one palette missing: no attempt";
}

TEST_F(LoadSurfaceTest, RefusedDirectCopyFallsBackSilently)
{
    // Different formats: the device refuses the copy; the blit converts.
    auto target = FirstLevel(MakeTexture(16, 16, 1, D3DPOOL_MANAGED, D3DFMT_X8R8G8B8));
    MakePair();
    DebugCapture capture;
    ASSERT_EQ(LoadSurfaceFromSurface(target.Get(), nullptr, nullptr, src.Get(), nullptr, nullptr, IMAGE_FILTER_POINT, 0),
              S_OK);
    EXPECT_EQ(capture.Text(), "");
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::CopyRects), 1u);
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::LockRect), 2u);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(target->LockRect(&locked, nullptr, D3DLOCK_READONLY), S_OK);
    for (UINT y = 0; y < 16; ++y)
        for (UINT x = 0; x < 16; ++x) {
            uint32_t pixel;
            std::memcpy(&pixel, static_cast<BYTE*>(locked.pBits) + y * locked.Pitch + x * 4, 4);
            ASSERT_EQ(pixel & 0x00FFFFFFu, srcPixels[y * 16 + x] & 0x00FFFFFFu) << x << "," << y;
        }
    target->UnlockRect();
}

// --- loading a surface from itself ------------------------------------------------------

TEST_F(LoadSurfaceTest, ShiftedCopyOntoItselfReadsASnapshot)
{
    MakePair();
    // Overlapping rectangles: a copy that read pixels it had just written
    // would smear the first rows down the surface.
    const RECT from = {0, 0, 12, 12};
    const RECT to = {2, 3, 14, 15};
    ASSERT_EQ(LoadSurfaceFromSurface(src.Get(), nullptr, &to, src.Get(), nullptr, &from, IMAGE_FILTER_NONE, 0), S_OK);
    Pixels expected = srcPixels;
    for (UINT y = 0; y < 12; ++y)
        for (UINT x = 0; x < 12; ++x)
            expected[(y + 3) * 16 + x + 2] = srcPixels[y * 16 + x];
    EXPECT_EQ(ReadPixels(src.Get()), expected);
}

TEST_F(LoadSurfaceTest, FilteringOntoItselfEqualsFilteringASnapshot)
{
    MakePair();
    // The snapshot: a second surface with the same pixels.
    auto twin = FirstLevel(MakeTexture(16, 16, 1, D3DPOOL_MANAGED));
    WritePixels(twin.Get(), srcPixels);
    auto snapshot = FirstLevel(MakeTexture(16, 16, 1, D3DPOOL_MANAGED));
    WritePixels(snapshot.Get(), srcPixels);

    for (DWORD filter : {IMAGE_FILTER_BOX, IMAGE_FILTER_TRIANGLE, IMAGE_FILTER_TRIANGLE | IMAGE_FILTER_DITHER}) {
        const RECT to = {4, 4, 12, 12}; // lies inside what it is made from
        ASSERT_EQ(LoadSurfaceFromSurface(src.Get(), nullptr, &to, src.Get(), nullptr, nullptr, filter, 0), S_OK);
        ASSERT_EQ(LoadSurfaceFromSurface(twin.Get(), nullptr, &to, snapshot.Get(), nullptr, nullptr, filter, 0), S_OK);
        EXPECT_EQ(ReadPixels(src.Get()), ReadPixels(twin.Get())) << "filter " << filter;
        WritePixels(src.Get(), srcPixels);
        WritePixels(twin.Get(), srcPixels);
    }
}

} // namespace
} // namespace loadtest
