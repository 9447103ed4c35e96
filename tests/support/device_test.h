// A software device for each test, built on ComRef, with the checks every
// device test ends with (nothing locked, every object given back); textures
// filled with known pixels, and ways to read them back without going
// through the code under test.
#pragma once

#include "com_ref.h"
#include "d3d8.h"
#include "d3d8_testing.h"
#include "r3az8/tex/working_memory.h"
#include "win32_testing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using Pixels = std::vector<uint32_t>; // A8R8G8B8, rows without gaps

// Deterministic noise, different for every seed.
Pixels NoisePixels(UINT width, UINT height, uint32_t seed);

// Every 2x2 quad holds four colours whose channel sums are multiples of 4,
// so its box average is exact whatever rounding a filter uses.
Pixels QuadPixels(UINT width, UINT height);
// The exact 2x2 average of QuadPixels-like input.
Pixels ExactHalf(const Pixels& pixels, UINT width, UINT height);

// Writes and reads A8R8G8B8 pixels of any surface through a system-memory
// surface and CopyRects, so default-pool levels can be prepared and checked
// too. Both reset the device's call counters afterwards.
void WritePixels(IDirect3DSurface8* surface, const Pixels& pixels);
// Writes noise of that seed and returns what it wrote.
Pixels Filled(IDirect3DSurface8* surface, UINT width, UINT height, uint32_t seed);
Pixels ReadPixels(IDirect3DSurface8* surface);

// Raw bytes of any surface or volume as stored (rows of blocks or pixels
// side by side, no padding), read with a direct lock. Needs a lockable object.
std::vector<BYTE> ReadBytes(IDirect3DVolume8* volume);
void WriteBytes(IDirect3DVolume8* volume, const std::vector<BYTE>& bytes);

UINT BytesPerPixel(D3DFORMAT format);

// Captures everything the library prints while alive.
class DebugCapture {
public:
    DebugCapture() { win32::BeginDebugCapture(); }
    ~DebugCapture()
    {
        if (!ended_)
            win32::EndDebugCapture();
    }
    std::string Text()
    {
        ended_ = true;
        return win32::EndDebugCapture();
    }

private:
    bool ended_ = false;
};

// All six sides, each named when it differs.
void ExpectBox(const D3DBOX& actual, const D3DBOX& expected);

// The most recent lock the device saw.
d3d8::LockRecord LastLock();

// The library's line for a message.
inline std::string Line(const char* message) { return std::string("R3AZ: ") + message + "\r\n"; }

class DeviceTest : public ::testing::Test {
protected:
    // `pitchPadding` extra bytes on the row pitch of every resource the test
    // makes.
    explicit DeviceTest(UINT pitchPadding = 0) : pitchPadding_(pitchPadding) {}
    ~DeviceTest() override;
    void SetUp() override;
    void TearDown() override;

    ComRef<IDirect3DTexture8> MakeTexture(UINT width, UINT height, UINT levels, D3DPOOL pool,
                                          D3DFORMAT format = D3DFMT_A8R8G8B8, DWORD usage = 0);
    ComRef<IDirect3DCubeTexture8> MakeCube(UINT edge, UINT levels, D3DPOOL pool, D3DFORMAT format = D3DFMT_A8R8G8B8);
    ComRef<IDirect3DVolumeTexture8> MakeVolume(UINT width, UINT height, UINT depth, UINT levels, D3DPOOL pool,
                                               D3DFORMAT format = D3DFMT_A8R8G8B8, DWORD usage = 0);
    ComRef<IDirect3DSurface8> Level(IDirect3DTexture8* texture, UINT level);
    // Level 0, which keeps its texture alive.
    ComRef<IDirect3DSurface8> FirstLevel(const ComRef<IDirect3DTexture8>& texture) { return Level(texture.Get(), 0); }
    ComRef<IDirect3DSurface8> Face(IDirect3DCubeTexture8* cube, D3DCUBEMAP_FACES face, UINT level);
    ComRef<IDirect3DVolume8> Level(IDirect3DVolumeTexture8* texture, UINT level);
    ComRef<IDirect3DSurface8> MakeImageSurface(UINT width, UINT height, D3DFORMAT format = D3DFMT_A8R8G8B8);

    // Fills every level (every face) with its own noise.
    void FillLevels(IDirect3DTexture8* texture, uint32_t seed);
    void FillLevels(IDirect3DCubeTexture8* cube, uint32_t seed);
    void FillLevels(IDirect3DVolumeTexture8* texture, uint32_t seed);

    ComRef<IDirect3DDevice8> device;

private:
    UINT pitchPadding_;
};

// Pitches wider than the rows catch code that assumes pitch == width.
class PaddedDeviceTest : public DeviceTest {
protected:
    PaddedDeviceTest() : DeviceTest(12) {}
};
