// The engine kernel's textures: format names, mip chains, locks, handles.
#include "tests/support/engine_session.h"

namespace {

using KernelTextures = EngineSession;

IDirect3DTexture8* Interface(kwoTextureHandle handle)
{
    return static_cast<IDirect3DTexture8*>(kwo3DAPI_GetTextureInterface(handle));
}

long Create(unsigned width, unsigned height, const char* format, int mipmaps, kwoTextureHandle* handle)
{
    return kwo3DAPI_CreateTextureFromMemory(width, height, format, 1, handle, mipmaps, nullptr, nullptr, 0);
}

TEST_F(KernelTextures, FormatNameIsMatchedWithoutRegardToCase)
{
    for (const char* name : {"a8r8g8b8", "A8R8G8B8", "a8R8g8B8"}) {
        kwoTextureHandle handle = nullptr;
        ASSERT_EQ(Create(16, 8, name, 0, &handle), S_OK) << name;
        D3DSURFACE_DESC description{};
        ASSERT_EQ(Interface(handle)->GetLevelDesc(0, &description), S_OK);
        EXPECT_EQ(description.Format, D3DFMT_A8R8G8B8);
        EXPECT_EQ(description.Width, 16u);
        EXPECT_EQ(description.Height, 8u);
        EXPECT_EQ(kwo3DAPI_DestroyTexture(&handle), S_OK);
        EXPECT_EQ(handle, nullptr);
    }
}

TEST_F(KernelTextures, OtherFormatNamesAndBadArgumentsAreRefused)
{
    kwoTextureHandle handle = nullptr;
    EXPECT_LT(Create(16, 16, "x8r8g8b8", 0, &handle), 0);
    EXPECT_LT(Create(16, 16, "a8r8g8b8 ", 0, &handle), 0);
    EXPECT_LT(Create(16, 16, nullptr, 0, &handle), 0);
    EXPECT_LT(Create(0, 16, "a8r8g8b8", 0, &handle), 0);
    EXPECT_LT(Create(16, 0, "a8r8g8b8", 0, &handle), 0);
    EXPECT_LT(Create(16, 16, "a8r8g8b8", 0, nullptr), 0);
    EXPECT_LT(kwo3DAPI_CreateTextureFromMemory(16, 16, "a8r8g8b8", 2, &handle, 0, nullptr, nullptr, 0), 0);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(kwoHost_LiveTextures(), 0u);
}

TEST_F(KernelTextures, MipFlagGivesTheWholeChain)
{
    struct Case {
        unsigned width, height;
        int mipmaps;
        unsigned levels;
    };
    for (Case c : {Case{128, 128, 1, 8}, Case{128, 128, 0, 1}, Case{64, 16, 7, 7}, Case{1, 1, 1, 1}}) {
        kwoTextureHandle handle = nullptr;
        ASSERT_EQ(Create(c.width, c.height, "a8r8g8b8", c.mipmaps, &handle), S_OK);
        EXPECT_EQ(Interface(handle)->GetLevelCount(), c.levels) << c.width << "x" << c.height;
        kwo3DAPI_DestroyTexture(&handle);
    }
}

TEST_F(KernelTextures, LockGivesTheTopLevelWithItsPitch)
{
    d3d8::SetPitchPadding(12);
    kwoTextureHandle handle = nullptr;
    ASSERT_EQ(Create(10, 4, "a8r8g8b8", 1, &handle), S_OK);
    void* bits = nullptr;
    long pitch = 0;
    ASSERT_EQ(kwo3DAPI_LockTexture(handle, &bits, &pitch, 0), S_OK);
    EXPECT_EQ(pitch, 10 * 4 + 12);
    static_cast<uint32_t*>(bits)[0] = 0x12345678u;
    static_cast<uint32_t*>(bits)[pitch / 4 * 3 + 9] = 0x9ABCDEF0u; // last pixel of the last row
    // A second lock of the same texture is refused while the first holds.
    void* again = nullptr;
    long pitchAgain = 0;
    EXPECT_LT(kwo3DAPI_LockTexture(handle, &again, &pitchAgain, 0), 0);
    EXPECT_EQ(kwo3DAPI_UnlockTexture(handle, 0), S_OK);
    EXPECT_LT(kwo3DAPI_UnlockTexture(handle, 0), 0);

    std::vector<uint32_t> pixels = ReadLevel(Interface(handle), 0);
    EXPECT_EQ(pixels[0], 0x12345678u);
    EXPECT_EQ(pixels[3 * 10 + 9], 0x9ABCDEF0u);
    kwo3DAPI_DestroyTexture(&handle);
}

TEST_F(KernelTextures, InitialPixelsFillTheTopLevel)
{
    std::vector<uint32_t> source(6 * 3);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = 0xFF000000u | uint32_t(i * 0x010203u);
    d3d8::SetPitchPadding(8);
    kwoTextureHandle handle = nullptr;
    ASSERT_EQ(kwo3DAPI_CreateTextureFromMemory(6, 3, "a8r8g8b8", 1, &handle, 0, nullptr, source.data(), 0), S_OK);
    EXPECT_EQ(ReadLevel(Interface(handle), 0), source);
    kwo3DAPI_DestroyTexture(&handle);
}

TEST_F(KernelTextures, InterfaceIsLentWithoutAReference)
{
    kwoTextureHandle handle = nullptr;
    ASSERT_EQ(Create(8, 8, "a8r8g8b8", 0, &handle), S_OK);
    IDirect3DTexture8* texture = Interface(handle);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(Interface(handle), texture);
    unsigned live = d3d8::LiveObjects();
    // Destroying the handle must free the texture: no hidden reference.
    kwo3DAPI_DestroyTexture(&handle);
    EXPECT_LT(d3d8::LiveObjects(), live);
    EXPECT_EQ(Interface(nullptr), nullptr);
}

TEST_F(KernelTextures, DestroyAcceptsNullAndRefusesStrangers)
{
    kwoTextureHandle none = nullptr;
    EXPECT_EQ(kwo3DAPI_DestroyTexture(&none), S_OK);
    EXPECT_LT(kwo3DAPI_DestroyTexture(nullptr), 0);
    int notATexture = 0;
    kwoTextureHandle stranger = &notATexture;
    EXPECT_LT(kwo3DAPI_DestroyTexture(&stranger), 0);
    EXPECT_EQ(stranger, &notATexture);
    void* bits = nullptr;
    long pitch = 0;
    EXPECT_LT(kwo3DAPI_LockTexture(stranger, &bits, &pitch, 0), 0);
    EXPECT_LT(kwo3DAPI_SetTexture(0, stranger), 0);
    EXPECT_EQ(kwo3DAPI_GetTextureInterface(stranger), nullptr);
}

TEST_F(KernelTextures, DestroyingABoundOrLockedTextureReleasesIt)
{
    kwoTextureHandle handle = nullptr;
    ASSERT_EQ(Create(8, 8, "a8r8g8b8", 1, &handle), S_OK);
    void* bits = nullptr;
    long pitch = 0;
    ASSERT_EQ(kwo3DAPI_SetTexture(3, handle), S_OK);
    EXPECT_EQ(kwoHost_BoundTexture(3), handle);
    ASSERT_EQ(kwo3DAPI_LockTexture(handle, &bits, &pitch, 0), S_OK);
    EXPECT_EQ(kwo3DAPI_DestroyTexture(&handle), S_OK);
    EXPECT_EQ(kwoHost_BoundTexture(3), nullptr);
    EXPECT_EQ(d3d8::LockedObjects(), 0u);
    EXPECT_EQ(kwoHost_LiveTextures(), 0u);
}

TEST_F(KernelTextures, InjectedFailuresHitOnlyTheNextCall)
{
    kwoTextureHandle handle = nullptr;
    kwoHost_FailNextTextureCreate(E_OUTOFMEMORY);
    EXPECT_EQ(Create(8, 8, "a8r8g8b8", 0, &handle), E_OUTOFMEMORY);
    EXPECT_EQ(handle, nullptr);
    ASSERT_EQ(Create(8, 8, "a8r8g8b8", 0, &handle), S_OK);

    void* bits = nullptr;
    long pitch = 0;
    kwoHost_FailNextTextureLock();
    EXPECT_EQ(kwo3DAPI_LockTexture(handle, &bits, &pitch, 0), E_FAIL);
    EXPECT_EQ(bits, nullptr);
    EXPECT_EQ(kwo3DAPI_LockTexture(handle, &bits, &pitch, 0), S_OK);
    kwo3DAPI_UnlockTexture(handle, 0);

    // A device that cannot make the texture is passed on.
    d3d8::FailCall(d3d8::Call::CreateTexture, 1, D3DERR_OUTOFVIDEOMEMORY);
    kwoTextureHandle second = nullptr;
    EXPECT_EQ(Create(8, 8, "a8r8g8b8", 0, &second), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(second, nullptr);
    kwo3DAPI_DestroyTexture(&handle);
}

TEST_F(KernelTextures, PixelLimitRefusesLargerTexturesUntilLifted)
{
    kwoTextureHandle handle = nullptr;
    kwoHost_LimitTexturePixels(64 * 64);
    EXPECT_EQ(Create(65, 64, "a8r8g8b8", 0, &handle), E_OUTOFMEMORY);
    EXPECT_EQ(Create(1, 4097, "a8r8g8b8", 1, &handle), E_OUTOFMEMORY);
    EXPECT_EQ(handle, nullptr);
    // The limit is a machine's, not a pending failure: a new session keeps it.
    kwoHost_Shutdown();
    EXPECT_EQ(Create(128, 128, "a8r8g8b8", 0, &handle), E_OUTOFMEMORY);
    ASSERT_EQ(Create(64, 64, "a8r8g8b8", 1, &handle), S_OK);
    kwo3DAPI_DestroyTexture(&handle);
    kwoHost_LimitTexturePixels(0);
    ASSERT_EQ(Create(128, 128, "a8r8g8b8", 0, &handle), S_OK);
    kwo3DAPI_DestroyTexture(&handle);
}

TEST_F(KernelTextures, ShutdownReportsAndReleasesForgottenTextures)
{
    kwoTextureHandle first = nullptr;
    kwoTextureHandle second = nullptr;
    ASSERT_EQ(Create(8, 8, "a8r8g8b8", 1, &first), S_OK);
    ASSERT_EQ(Create(4, 4, "a8r8g8b8", 0, &second), S_OK);
    kwo3DAPI_SetTexture(0, first);
    EXPECT_EQ(kwoHost_LiveTextures(), 2u);
    EXPECT_EQ(kwoHost_Shutdown(), 2u);
    EXPECT_EQ(kwoHost_LiveTextures(), 0u);
    EXPECT_EQ(d3d8::LiveObjects(), 0u);
    // The next need makes a new device.
    EXPECT_NE(kwo3DAPI_GetDevice(), nullptr);
}

} // namespace
