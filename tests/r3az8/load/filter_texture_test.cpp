// FilterTexture: refusals, the source level, the default filter, chaining,
// cube faces and what a failure part-way leaves behind.
#include "tests/support/device_test.h"
#include "r3az8/tex/load.h"

#include <cstring>

namespace loadtest {
namespace {

class FilterTextureTest : public PaddedDeviceTest {
protected:
    std::vector<Pixels> AllLevels(IDirect3DTexture8* texture)
    {
        std::vector<Pixels> levels;
        for (UINT level = 0; level < texture->GetLevelCount(); ++level)
            levels.push_back(ReadPixels(Level(texture, level).Get()));
        return levels;
    }
    // Face-major: face 0's levels first.
    std::vector<Pixels> AllLevels(IDirect3DCubeTexture8* cube)
    {
        std::vector<Pixels> levels;
        for (UINT face = 0; face < 6; ++face)
            for (UINT level = 0; level < cube->GetLevelCount(); ++level)
                levels.push_back(ReadPixels(Face(cube, D3DCUBEMAP_FACES(face), level).Get()));
        return levels;
    }
    std::vector<std::vector<BYTE>> AllLevels(IDirect3DVolumeTexture8* texture)
    {
        std::vector<std::vector<BYTE>> levels;
        for (UINT level = 0; level < texture->GetLevelCount(); ++level)
            levels.push_back(ReadBytes(Level(texture, level).Get()));
        return levels;
    }

    // The levels of a noise-filled managed texture after FilterTexture.
    std::vector<Pixels> Filtered(UINT width, UINT height, UINT levels, UINT srcLevel, DWORD filter)
    {
        auto texture = MakeTexture(width, height, levels, D3DPOOL_MANAGED);
        FillLevels(texture.Get(), 50);
        EXPECT_EQ(FilterTexture(texture.Get(), nullptr, srcLevel, filter), S_OK);
        return AllLevels(texture.Get());
    }
    std::vector<std::vector<BYTE>> FilteredVolume(UINT width, UINT height, UINT depth, DWORD filter)
    {
        auto texture = MakeVolume(width, height, depth, 0, D3DPOOL_MANAGED);
        FillLevels(texture.Get(), 60);
        EXPECT_EQ(FilterTexture(texture.Get(), nullptr, 0, filter), S_OK);
        return AllLevels(texture.Get());
    }
};

// --- refusals ---------------------------------------------------------------------------

TEST_F(FilterTextureTest, NullAndBuffersAreNotTextures)
{
    ComRef<IDirect3DVertexBuffer8> vertices;
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, vertices.Receive()), S_OK);
    ComRef<IDirect3DIndexBuffer8> indices;
    ASSERT_EQ(device->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, indices.Receive()), S_OK);
    d3d8::ResetFaults();
    // How a caller holding the wrong resource would get it past the compiler.
    IDirect3DResource8* buffers[] = {vertices.Get(), indices.Get()};
    for (IDirect3DResource8* resource :
         {static_cast<IDirect3DResource8*>(nullptr), buffers[0], buffers[1]}) {
        DebugCapture capture;
        EXPECT_EQ(FilterTexture(reinterpret_cast<IDirect3DBaseTexture8*>(resource), nullptr, 0, IMAGE_FILTER_BOX),
                  D3DERR_INVALIDCALL);
        EXPECT_EQ(capture.Text(), Line("pBaseTexture pointer is invalid"));
    }
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::Any), 0u);
}

TEST_F(FilterTextureTest, SourceLevelMustExist)
{
    auto texture = MakeTexture(8, 8, 4, D3DPOOL_MANAGED);
    FillLevels(texture.Get(), 1);
    const auto before = AllLevels(texture.Get());
    for (UINT srcLevel : {4u, 5u, 0xFFFFFFFEu}) {
        DebugCapture capture;
        EXPECT_EQ(FilterTexture(texture.Get(), nullptr, srcLevel, IMAGE_FILTER_BOX), D3DERR_INVALIDCALL);
        EXPECT_EQ(capture.Text(), Line("uSrcLevel larger than num Mip level in the texture"));
    }
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::Any), 0u);
    EXPECT_EQ(AllLevels(texture.Get()), before);
}

TEST_F(FilterTextureTest, NothingBelowTheLastLevelMeansNothingWritten)
{
    auto texture = MakeTexture(8, 8, 4, D3DPOOL_MANAGED);
    FillLevels(texture.Get(), 2);
    const auto before = AllLevels(texture.Get());
    EXPECT_EQ(FilterTexture(texture.Get(), nullptr, 3, IMAGE_FILTER_BOX), S_OK);
    EXPECT_EQ(AllLevels(texture.Get()), before);
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::LockRect), 0u);

    auto single = MakeTexture(8, 8, 1, D3DPOOL_MANAGED);
    EXPECT_EQ(FilterTexture(single.Get(), nullptr, 0, IMAGE_FILTER_DEFAULT), S_OK);
    EXPECT_EQ(FilterTexture(single.Get(), nullptr, 0xFFFFFFFFu, IMAGE_FILTER_TRIANGLE), S_OK);
}

TEST_F(FilterTextureTest, AllOnesSourceLevelMeansLevelZero)
{
    for (DWORD filter : {IMAGE_FILTER_BOX, IMAGE_FILTER_TRIANGLE}) {
        EXPECT_EQ(Filtered(16, 8, 0, 0xFFFFFFFFu, filter), Filtered(16, 8, 0, 0, filter));
        EXPECT_NE(Filtered(16, 8, 0, 0xFFFFFFFFu, filter), Filtered(16, 8, 0, 1, filter));
    }
}

TEST_F(FilterTextureTest, LevelsAboveTheSourceAreLeftAlone)
{
    auto texture = MakeTexture(16, 16, 5, D3DPOOL_MANAGED);
    FillLevels(texture.Get(), 3);
    const auto before = AllLevels(texture.Get());
    ASSERT_EQ(FilterTexture(texture.Get(), nullptr, 2, IMAGE_FILTER_BOX), S_OK);
    const auto after = AllLevels(texture.Get());
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[1], before[1]);
    EXPECT_EQ(after[2], before[2]);
    EXPECT_NE(after[3], before[3]);
    EXPECT_NE(after[4], before[4]);
}

// --- the box-filtered chain ---------------------------------------------------------------

TEST_F(FilterTextureTest, BoxChainOfADefaultPoolTextureHalvesExactly)
{
    auto texture = MakeTexture(16, 16, 0, D3DPOOL_DEFAULT);
    ASSERT_EQ(texture->GetLevelCount(), 5u);
    const Pixels top = QuadPixels(16, 16);
    WritePixels(Level(texture.Get(), 0).Get(), top);
    ASSERT_EQ(FilterTexture(texture.Get(), nullptr, 0, IMAGE_FILTER_BOX), S_OK);
    const auto levels = AllLevels(texture.Get());
    EXPECT_EQ(levels[0], top);
    EXPECT_EQ(levels[1], ExactHalf(top, 16, 16));
    // Below level 1 the quads are no longer exact: each level must be what
    // loading it from the level above gives.
    for (UINT level = 2; level < 5; ++level) {
        UINT size = 16 >> level;
        auto scratch = MakeTexture(size, size, 1, D3DPOOL_MANAGED);
        auto above = MakeTexture(size * 2, size * 2, 1, D3DPOOL_MANAGED);
        WritePixels(Level(above.Get(), 0).Get(), levels[level - 1]);
        ASSERT_EQ(LoadSurfaceFromSurface(Level(scratch.Get(), 0).Get(), nullptr, nullptr, Level(above.Get(), 0).Get(),
                                         nullptr, nullptr, IMAGE_FILTER_BOX, 0),
                  S_OK);
        EXPECT_EQ(levels[level], ReadPixels(Level(scratch.Get(), 0).Get())) << "level " << level;
    }
    EXPECT_EQ(d3d8::LockedObjects(), 0u);
}

// --- chaining ---------------------------------------------------------------------------------

TEST_F(FilterTextureTest, BoxAndPointChainOthersGoBackToTheSource)
{
    struct Case {
        DWORD filter;
        bool chained;
    };
    for (Case c : {Case{IMAGE_FILTER_BOX, true}, Case{IMAGE_FILTER_POINT, true},
                   Case{IMAGE_FILTER_POINT | IMAGE_FILTER_DITHER, true}, Case{IMAGE_FILTER_NONE, false},
                   Case{IMAGE_FILTER_LINEAR, false}, Case{IMAGE_FILTER_TRIANGLE, false},
                   Case{IMAGE_FILTER_TRIANGLE | IMAGE_FILTER_DITHER, false}}) {
        auto texture = MakeTexture(32, 32, 4, D3DPOOL_MANAGED);
        FillLevels(texture.Get(), 4);
        std::vector<const void*> level;
        for (UINT i = 0; i < 4; ++i)
            level.push_back(Level(texture.Get(), i).Get());
        d3d8::ClearLockHistory();
        ASSERT_EQ(FilterTexture(texture.Get(), nullptr, 0, c.filter), S_OK);

        std::vector<const void*> read;
        std::vector<const void*> written;
        for (const d3d8::LockRecord& record : d3d8::LockHistory())
            (record.flags & D3DLOCK_READONLY ? read : written).push_back(record.object);
        const std::vector<const void*> chain = {level[0], level[1], level[2]};
        const std::vector<const void*> direct = {level[0], level[0], level[0]};
        EXPECT_EQ(read, c.chained ? chain : direct) << "filter " << std::hex << c.filter;
        EXPECT_EQ(written, (std::vector<const void*>{level[1], level[2], level[3]}));
    }
}

TEST_F(FilterTextureTest, ChainedLevelsAreMadeFromTheFreshlyWrittenLevel)
{
    // Content, not just order: level 2 equals level 1 of the result loaded
    // down once more, and differs from what level 0 loaded down would give.
    auto texture = MakeTexture(32, 32, 3, D3DPOOL_MANAGED);
    FillLevels(texture.Get(), 5);
    ASSERT_EQ(FilterTexture(texture.Get(), nullptr, 0, IMAGE_FILTER_TRIANGLE), S_OK);
    const auto direct = AllLevels(texture.Get());

    auto twin = MakeTexture(32, 32, 3, D3DPOOL_MANAGED);
    FillLevels(twin.Get(), 5);
    ASSERT_EQ(LoadSurfaceFromSurface(Level(twin.Get(), 1).Get(), nullptr, nullptr, Level(twin.Get(), 0).Get(), nullptr,
                                     nullptr, IMAGE_FILTER_TRIANGLE, 0),
              S_OK);
    ASSERT_EQ(LoadSurfaceFromSurface(Level(twin.Get(), 2).Get(), nullptr, nullptr, Level(twin.Get(), 1).Get(), nullptr,
                                     nullptr, IMAGE_FILTER_TRIANGLE, 0),
              S_OK);
    const auto chained = AllLevels(twin.Get());
    EXPECT_EQ(direct[1], chained[1]);
    EXPECT_NE(direct[2], chained[2]) << "the triangle filter goes back to level 0";
}

// --- the default filter -----------------------------------------------------------------------

TEST_F(FilterTextureTest, DefaultIsBoxForPowerOfTwoSizes)
{
    const auto chosen = Filtered(256, 64, 0, 0, IMAGE_FILTER_DEFAULT);
    EXPECT_EQ(chosen, Filtered(256, 64, 0, 0, IMAGE_FILTER_BOX));
    EXPECT_NE(chosen, Filtered(256, 64, 0, 0, IMAGE_FILTER_TRIANGLE | IMAGE_FILTER_DITHER));
}

TEST_F(FilterTextureTest, DefaultIsDitheredTriangleOtherwise)
{
    const auto chosen = Filtered(100, 64, 0, 0, IMAGE_FILTER_DEFAULT);
    EXPECT_EQ(chosen, Filtered(100, 64, 0, 0, IMAGE_FILTER_TRIANGLE | IMAGE_FILTER_DITHER));
    EXPECT_NE(chosen, Filtered(100, 64, 0, 0, IMAGE_FILTER_BOX));
}

TEST_F(FilterTextureTest, DefaultLooksAtLevelZeroWhateverTheSourceLevel)
{
    // 65x64: level 1 is 32x32, a power of two, but level 0 decides.
    const auto chosen = Filtered(65, 64, 0, 1, IMAGE_FILTER_DEFAULT);
    EXPECT_EQ(chosen, Filtered(65, 64, 0, 1, IMAGE_FILTER_TRIANGLE | IMAGE_FILTER_DITHER));
    EXPECT_NE(chosen, Filtered(65, 64, 0, 1, IMAGE_FILTER_BOX));
}

TEST_F(FilterTextureTest, DefaultForAVolumeAlsoLooksAtTheDepth)
{
    const auto chosen = FilteredVolume(64, 64, 3, IMAGE_FILTER_DEFAULT);
    EXPECT_EQ(chosen, FilteredVolume(64, 64, 3, IMAGE_FILTER_TRIANGLE | IMAGE_FILTER_DITHER));
    EXPECT_NE(chosen, FilteredVolume(64, 64, 3, IMAGE_FILTER_BOX));
    EXPECT_EQ(FilteredVolume(16, 8, 4, IMAGE_FILTER_DEFAULT), FilteredVolume(16, 8, 4, IMAGE_FILTER_BOX));
}

TEST_F(FilterTextureTest, VolumeBoxChainHalvesInThreeDimensions)
{
    auto texture = MakeVolume(8, 8, 4, 0, D3DPOOL_MANAGED);
    ASSERT_EQ(texture->GetLevelCount(), 4u);
    // Level 0: every 2x2x2 cell holds one colour, so each halving is exact.
    std::vector<BYTE> top(8 * 8 * 4 * 4);
    for (UINT z = 0; z < 4; ++z)
        for (UINT y = 0; y < 8; ++y)
            for (UINT x = 0; x < 8; ++x) {
                uint32_t pixel = 0xFF000000u | (x / 2) << 20 | (y / 2) << 12 | (z / 2) << 4;
                std::memcpy(&top[((z * 8 + y) * 8 + x) * 4], &pixel, 4);
            }
    WriteBytes(Level(texture.Get(), 0).Get(), top);
    ASSERT_EQ(FilterTexture(texture.Get(), nullptr, 0, IMAGE_FILTER_BOX), S_OK);
    const std::vector<BYTE> half = ReadBytes(Level(texture.Get(), 1).Get());
    ASSERT_EQ(half.size(), 4u * 4 * 2 * 4);
    for (UINT z = 0; z < 2; ++z)
        for (UINT y = 0; y < 4; ++y)
            for (UINT x = 0; x < 4; ++x) {
                uint32_t pixel;
                std::memcpy(&pixel, &half[((z * 4 + y) * 4 + x) * 4], 4);
                EXPECT_EQ(pixel, 0xFF000000u | x << 20 | y << 12 | z << 4) << x << "," << y << "," << z;
            }
}

// --- cube textures ----------------------------------------------------------------------------

TEST_F(FilterTextureTest, CubeFacesAreFilteredOneAfterAnotherFromFaceZero)
{
    auto cube = MakeCube(8, 4, D3DPOOL_MANAGED);
    FillLevels(cube.Get(), 6);
    std::vector<const void*> faceOf[6];
    for (UINT face = 0; face < 6; ++face)
        for (UINT level = 0; level < 4; ++level)
            faceOf[face].push_back(Face(cube.Get(), D3DCUBEMAP_FACES(face), level).Get());
    d3d8::ClearLockHistory();
    ASSERT_EQ(FilterTexture(cube.Get(), nullptr, 0, IMAGE_FILTER_BOX), S_OK);

    std::vector<const void*> expected;
    for (UINT face = 0; face < 6; ++face)
        for (UINT level = 0; level < 3; ++level) {
            expected.push_back(faceOf[face][level]);     // read
            expected.push_back(faceOf[face][level + 1]); // written
        }
    std::vector<const void*> locked;
    for (const d3d8::LockRecord& record : d3d8::LockHistory())
        locked.push_back(record.object);
    EXPECT_EQ(locked, expected);
}

TEST_F(FilterTextureTest, CubeFacesStopAtTheirEdges)
{
    // Each face of a filtered cube must equal a plain texture with that
    // face's top level filtered with the edge flags set. Edge 20 is not a
    // power of two, so the default is the triangle filter, which reaches
    // past the edges; the box only ever reads inside, so for it the flags
    // cannot show, but the chain must still be the same.
    struct Case {
        DWORD given;
        DWORD withFlags;
        DWORD withoutFlags;
    };
    for (Case c : {Case{IMAGE_FILTER_TRIANGLE, 0x00070004u, 0x00000004u},
                   Case{IMAGE_FILTER_DEFAULT, 0x000F0004u, 0x00080004u}, Case{IMAGE_FILTER_BOX, 0x00070005u, 0}}) {
        auto cube = MakeCube(20, 0, D3DPOOL_MANAGED);
        ASSERT_EQ(cube->GetLevelCount(), 5u);
        FillLevels(cube.Get(), 7);
        ASSERT_EQ(FilterTexture(cube.Get(), nullptr, 0, c.given), S_OK);
        const auto faces = AllLevels(cube.Get());

        for (UINT face = 0; face < 6; ++face) {
            auto mirrored = MakeTexture(20, 20, 0, D3DPOOL_MANAGED);
            WritePixels(Level(mirrored.Get(), 0).Get(), faces[face * 5]);
            ASSERT_EQ(FilterTexture(mirrored.Get(), nullptr, 0, c.withFlags), S_OK);
            const auto expected = AllLevels(mirrored.Get());
            EXPECT_EQ(std::vector<Pixels>(faces.begin() + face * 5, faces.begin() + face * 5 + 5), expected)
                << "filter " << std::hex << c.given << ", face " << face;
            if (c.withoutFlags) {
                auto wrapped = MakeTexture(20, 20, 0, D3DPOOL_MANAGED);
                WritePixels(Level(wrapped.Get(), 0).Get(), faces[face * 5]);
                ASSERT_EQ(FilterTexture(wrapped.Get(), nullptr, 0, c.withoutFlags), S_OK);
                EXPECT_NE(AllLevels(wrapped.Get())[1], expected[1]) << "the edge flags make a difference";
            }
        }
    }
}

TEST_F(FilterTextureTest, FailureWhileWritingFaceThreeKeepsFacesZeroToTwo)
{
    auto reference = MakeCube(8, 4, D3DPOOL_MANAGED);
    FillLevels(reference.Get(), 8);
    const auto before = AllLevels(reference.Get());
    ASSERT_EQ(FilterTexture(reference.Get(), nullptr, 0, IMAGE_FILTER_BOX), S_OK);
    const unsigned locksPerFace = d3d8::CallCount(d3d8::Call::LockRect) / 6;
    ASSERT_EQ(locksPerFace, 6u);
    const auto done = AllLevels(reference.Get());

    auto cube = MakeCube(8, 4, D3DPOOL_MANAGED);
    FillLevels(cube.Get(), 8);
    const unsigned live = d3d8::LiveObjects();
    const HRESULT injected = D3DERR_OUTOFVIDEOMEMORY;
    // The second lock of face 3 is the first write into it.
    d3d8::FailCall(d3d8::Call::LockRect, 3 * locksPerFace + 2, injected);
    EXPECT_EQ(FilterTexture(cube.Get(), nullptr, 0, IMAGE_FILTER_BOX), injected);
    d3d8::ResetFaults();
    EXPECT_EQ(d3d8::LockedObjects(), 0u);
    EXPECT_EQ(d3d8::LiveObjects(), live);

    const auto after = AllLevels(cube.Get());
    for (UINT face = 0; face < 6; ++face)
        for (UINT level = 0; level < 4; ++level) {
            const size_t index = face * 4 + level;
            EXPECT_EQ(after[index], face < 3 ? done[index] : before[index]) << "face " << face << " level " << level;
        }
}

} // namespace
} // namespace loadtest
