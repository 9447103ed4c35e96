// LoadVolumeFromMemory and LoadVolumeFromVolume.
#include "tests/support/device_test.h"
#include "r3az8/tex/load.h"

#include <cstring>
#include <functional>

namespace loadtest {
namespace {

class LoadVolumeTest : public PaddedDeviceTest {
protected:
    // Two managed 8x8x4 A8R8G8B8 volumes with different noise.
    void MakePair()
    {
        destTexture = MakeVolume(8, 8, 4, 1, D3DPOOL_MANAGED);
        srcTexture = MakeVolume(8, 8, 4, 1, D3DPOOL_MANAGED);
        FillLevels(destTexture.Get(), 30);
        FillLevels(srcTexture.Get(), 40);
        dest = Level(destTexture.Get(), 0);
        src = Level(srcTexture.Get(), 0);
        destBytes = ReadBytes(dest.Get());
        srcBytes = ReadBytes(src.Get());
    }

    static uint32_t At(const std::vector<BYTE>& bytes, UINT x, UINT y, UINT z)
    {
        uint32_t pixel;
        std::memcpy(&pixel, &bytes[((z * 8 + y) * 8 + x) * 4], 4);
        return pixel;
    }
    static void Set(std::vector<BYTE>& bytes, UINT x, UINT y, UINT z, uint32_t pixel)
    {
        std::memcpy(&bytes[((z * 8 + y) * 8 + x) * 4], &pixel, 4);
    }

    ComRef<IDirect3DVolumeTexture8> destTexture;
    ComRef<IDirect3DVolumeTexture8> srcTexture;
    ComRef<IDirect3DVolume8> dest;
    ComRef<IDirect3DVolume8> src;
    std::vector<BYTE> destBytes;
    std::vector<BYTE> srcBytes;
};

TEST_F(LoadVolumeTest, MissingArgumentsAreNamedInOrder)
{
    MakePair();
    const uint32_t memory[4] = {};
    const D3DBOX box = {0, 0, 1, 1, 0, 1};
    IDirect3DVolume8* volume = dest.Get();
    struct Case {
        std::function<HRESULT()> call;
        const char* message;
    };
    const Case cases[] = {
        {[&] { return LoadVolumeFromMemory(nullptr, nullptr, nullptr, nullptr, D3DFMT_A8R8G8B8, 8, 8, nullptr, nullptr,
                                           1, 0); },
         "pDestVolume pointer is invalid"},
        {[&] { return LoadVolumeFromMemory(volume, nullptr, nullptr, nullptr, D3DFMT_A8R8G8B8, 8, 8, nullptr, nullptr,
                                           1, 0); },
         "pSrcMemory pointer is invalid"},
        {[&] { return LoadVolumeFromMemory(volume, nullptr, nullptr, memory, D3DFMT_A8R8G8B8, 8, 8, nullptr, nullptr,
                                           1, 0); },
         "pSrcBox pointer is invalid"},
        {[&] { return LoadVolumeFromVolume(nullptr, nullptr, nullptr, nullptr, nullptr, &box, 1, 0); },
         "pDestVolume pointer is invalid"},
        {[&] { return LoadVolumeFromVolume(volume, nullptr, nullptr, nullptr, nullptr, &box, 1, 0); },
         "pSrcVolume pointer is invalid"},
    };
    for (const Case& c : cases) {
        DebugCapture capture;
        EXPECT_EQ(c.call(), D3DERR_INVALIDCALL);
        EXPECT_EQ(capture.Text(), Line(c.message));
    }
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::Any), 0u);
}

TEST_F(LoadVolumeTest, InvertedDestinationBoxIsAnInvalidSourceBox)
{
    MakePair();
    const D3DBOX to = {0, 0, 4, 4, 3, 2}; // front > back
    DebugCapture capture;
    EXPECT_EQ(LoadVolumeFromVolume(dest.Get(), nullptr, &to, src.Get(), nullptr, nullptr, IMAGE_FILTER_POINT, 0),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(capture.Text(), Line("Invalid source box"));
    EXPECT_EQ(d3d8::LockedObjects(), 0u);
    EXPECT_EQ(ReadBytes(dest.Get()), destBytes);
}

TEST_F(LoadVolumeTest, InvertedMemoryBoxIsRefused)
{
    MakePair();
    const D3DBOX from = {0, 0, 2, 2, 2, 1};
    DebugCapture capture;
    EXPECT_EQ(LoadVolumeFromMemory(dest.Get(), nullptr, nullptr, srcBytes.data(), D3DFMT_A8R8G8B8, 32, 256, nullptr,
                                   &from, IMAGE_FILTER_TRIANGLE, 0),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(capture.Text(), Line("Invalid source box"));
    EXPECT_EQ(ReadBytes(dest.Get()), destBytes);
}

TEST_F(LoadVolumeTest, NonDynamicDefaultPoolDestinationIsRefused)
{
    MakePair();
    auto texture = MakeVolume(8, 8, 4, 1, D3DPOOL_DEFAULT);
    auto target = Level(texture.Get(), 0);
    DebugCapture capture;
    EXPECT_EQ(LoadVolumeFromVolume(target.Get(), nullptr, nullptr, src.Get(), nullptr, nullptr, IMAGE_FILTER_NONE, 0),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(capture.Text(), Line("Cannot lock non-dynamic vidmem volumes"));
    EXPECT_EQ(d3d8::LockedObjects(), 0u);
}

TEST_F(LoadVolumeTest, MemoryBoxLandsInTheDestinationBox)
{
    MakePair();
    const D3DBOX from = {1, 2, 4, 5, 1, 3};
    const D3DBOX to = {4, 0, 7, 3, 2, 4};
    ASSERT_EQ(LoadVolumeFromMemory(dest.Get(), nullptr, &to, srcBytes.data(), D3DFMT_A8R8G8B8, 32, 256, nullptr, &from,
                                   IMAGE_FILTER_DEFAULT, 0),
              S_OK);
    std::vector<BYTE> expected = destBytes;
    for (UINT z = 0; z < 2; ++z)
        for (UINT y = 0; y < 3; ++y)
            for (UINT x = 0; x < 3; ++x)
                Set(expected, 4 + x, y, 2 + z, At(srcBytes, 1 + x, 2 + y, 1 + z));
    EXPECT_EQ(ReadBytes(dest.Get()), expected);
}

TEST_F(LoadVolumeTest, VolumeToVolumeOfEqualSizeCopies)
{
    MakePair();
    const D3DBOX from = {0, 0, 8, 8, 1, 3};
    const D3DBOX to = {0, 0, 8, 8, 0, 2};
    ASSERT_EQ(LoadVolumeFromVolume(dest.Get(), nullptr, &to, src.Get(), nullptr, &from, IMAGE_FILTER_POINT, 0), S_OK);
    std::vector<BYTE> expected = destBytes;
    std::memcpy(expected.data(), &srcBytes[256], 512);
    EXPECT_EQ(ReadBytes(dest.Get()), expected);
    EXPECT_EQ(d3d8::LockedObjects(), 0u);
}

// The source lock holds the volume while the destination lock is asked
// for: volumes have no copy path, so the load fails and changes nothing.
TEST_F(LoadVolumeTest, LoadingAVolumeFromItselfFailsAtTheDestinationLock)
{
    MakePair();
    const D3DBOX from = {0, 0, 6, 6, 0, 3};
    const D3DBOX to = {1, 2, 7, 8, 1, 4};
    DebugCapture capture;
    EXPECT_EQ(LoadVolumeFromVolume(src.Get(), nullptr, &to, src.Get(), nullptr, &from, IMAGE_FILTER_NONE, 0),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(capture.Text(), Line("Could not lock volume"));
    EXPECT_EQ(ReadBytes(src.Get()), srcBytes);
    EXPECT_EQ(d3d8::LockedObjects(), 0u);
}

} // namespace
} // namespace loadtest
