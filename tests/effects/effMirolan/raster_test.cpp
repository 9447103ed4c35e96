// Fading, plotting and uploading the software picture.
#include "effects/effMirolan/raster.h"

#include "tests/support/engine_session.h"

#include <limits>

namespace {

using Raster = EngineSession;

TEST(Fade, GoldenPixels)
{
    DWORD pixels[2] = {0xFF010203u, 0x00000000u};
    FadePixels(pixels, 2);
    EXPECT_EQ(pixels[0], 0xFF000102u);
    EXPECT_EQ(pixels[1], 0xFF000000u);
    FadePixels(pixels, 1);
    FadePixels(pixels, 1);
    EXPECT_EQ(pixels[0], 0xFF000000u);
}

TEST(Fade, EveryChannelValueLosesOneAndStopsAtZero)
{
    // Each channel value against every alpha and against neighbours at both
    // ends of their range, so no borrow can cross into the next byte.
    for (DWORD value = 0; value < 256; ++value) {
        for (DWORD other : {0u, 1u, 0x80u, 0xFFu}) {
            for (int channel = 0; channel < 3; ++channel) {
                DWORD pixel = (value ^ other) << 24;
                for (int c = 0; c < 3; ++c)
                    pixel |= (c == channel ? value : other) << (8 * c);
                DWORD faded = pixel;
                FadePixels(&faded, 1);
                EXPECT_EQ(faded >> 24, 0xFFu);
                for (int c = 0; c < 3; ++c) {
                    DWORD before = (pixel >> (8 * c)) & 0xFF;
                    EXPECT_EQ((faded >> (8 * c)) & 0xFF, before == 0 ? 0 : before - 1)
                        << std::hex << pixel << " channel " << c;
                }
            }
        }
    }
}

TEST(Plot, LaterParticlesWinAndPositionsTruncate)
{
    std::vector<DWORD> pixels(4 * 3, 0xFF000000u);
    PARTICLE particles[] = {
        {1.9f, 2.99f, 0, 0, 0xFF111111u, 1},
        {1.0f, 2.0f, 0, 0, 0xFF222222u, 1},
        {3.99f, 0.0f, 0, 0, 0xFF333333u, 1},
    };
    PlotParticles(pixels.data(), 4, 3, particles, 3);
    EXPECT_EQ(pixels[2 * 4 + 1], 0xFF222222u);
    EXPECT_EQ(pixels[0 * 4 + 3], 0xFF333333u);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0xFF000000u), 10);
}

TEST(Plot, PositionsOffThePictureAreNotDrawn)
{
    float nan = std::numeric_limits<float>::quiet_NaN();
    float inf = std::numeric_limits<float>::infinity();
    std::vector<DWORD> pixels(4 * 3, 0);
    PARTICLE particles[] = {
        {nan, 1, 0, 0, 1, 1}, {1, nan, 0, 0, 1, 1}, {inf, 1, 0, 0, 1, 1}, {-0.5f, 1, 0, 0, 1, 1},
        {4.0f, 1, 0, 0, 1, 1}, {1, 3.0f, 0, 0, 1, 1}, {-inf, -inf, 0, 0, 1, 1},
    };
    PlotParticles(pixels.data(), 4, 3, particles, 7);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0u), 12);
}

kwoTextureHandle MakeTexture(unsigned width, unsigned height)
{
    kwoTextureHandle handle = nullptr;
    EXPECT_EQ(kwo3DAPI_CreateTextureFromMemory(width, height, "a8r8g8b8", 1, &handle, 0, nullptr, nullptr, 0), S_OK);
    return handle;
}

TEST_F(Raster, UploadHonoursThePitchAndLeavesPaddingAlone)
{
    constexpr unsigned kWidth = 5;
    constexpr unsigned kHeight = 4;
    d3d8::SetPitchPadding(12);
    kwoTextureHandle texture = MakeTexture(kWidth, kHeight);
    void* bits = nullptr;
    long pitch = 0;
    ASSERT_EQ(kwo3DAPI_LockTexture(texture, &bits, &pitch, 0), S_OK);
    ASSERT_EQ(pitch, long(kWidth * 4 + 12));
    std::memset(bits, 0xCD, size_t(pitch) * kHeight);
    kwo3DAPI_UnlockTexture(texture, 0);

    std::vector<DWORD> pixels(kWidth * kHeight);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = 0xFF000000u | DWORD(i * 0x030201u);
    UploadPixels(texture, pixels.data(), kWidth, kHeight);

    ASSERT_EQ(kwo3DAPI_LockTexture(texture, &bits, &pitch, 0), S_OK);
    for (unsigned row = 0; row < kHeight; ++row) {
        const unsigned char* line = static_cast<unsigned char*>(bits) + row * pitch;
        EXPECT_EQ(std::memcmp(line, &pixels[row * kWidth], kWidth * 4), 0) << "row " << row;
        for (long byte = kWidth * 4; byte < pitch; ++byte)
            EXPECT_EQ(line[byte], 0xCD) << "row " << row << " byte " << byte;
    }
    kwo3DAPI_UnlockTexture(texture, 0);
    kwo3DAPI_DestroyTexture(&texture);
}

TEST_F(Raster, FailedLockCopiesNothingAndDoesNotUnlock)
{
    kwoTextureHandle texture = MakeTexture(2, 2);
    void* bits = nullptr;
    long pitch = 0;
    ASSERT_EQ(kwo3DAPI_LockTexture(texture, &bits, &pitch, 0), S_OK);
    std::memset(bits, 0x55, size_t(pitch) * 2);
    kwo3DAPI_UnlockTexture(texture, 0);
    std::vector<DWORD> pixels(4, 0xFFFFFFFFu);
    kwoHost_ClearCallLog();
    kwoHost_FailNextTextureLock();
    UploadPixels(texture, pixels.data(), 2, 2);
    EXPECT_EQ(kwoHost_CallLog(),
              (std::vector<std::string>{"kwo3DAPI_LockTexture(" + kwoHost_HandleText(texture) + ", 0)"}));
    EXPECT_EQ(ReadLevel(static_cast<IDirect3DTexture8*>(kwo3DAPI_GetTextureInterface(texture)), 0),
              std::vector<uint32_t>(4, 0x55555555u));
    kwo3DAPI_DestroyTexture(&texture);
}

} // namespace
