// What the effect does each frame: when it re-renders, the picture it
// makes, the render state it sets and the draw calls it issues.
#include "tests/effects/effMirolan/effect_session.h"

#include <limits>

namespace {

using EffectRender = EffectSession;

// One particle, grey, at (0, 0), heading along +x at 25 pixels per unit.
zelvBaseEffect* OneGreyParticle(zelvBaseEffect* effect, const std::string& extra = "")
{
    kwoHost_ScriptRandom({0, 0, 0, 0, 32767, 32767, 32767, 32767});
    std::string text = "numparticles=1\nlifetime=1000\n" + extra;
    std::vector<char> writable(text.begin(), text.end());
    writable.push_back('\0');
    EXPECT_EQ(effect->Create(writable.data()), S_OK);
    return effect;
}

TEST_F(EffectRender, RenderStateSequenceAndArguments)
{
    zelvBaseEffect* effect = NewEffect();
    ASSERT_EQ(CreateWith(*effect, "width=8\nheight=8"), S_OK);
    kwoTextureHandle texture = nullptr;
    kwoHost_ClearCallLog();
    d3d8::ClearCallLog();
    Render(*effect, 1.0f);
    texture = kwoHost_BoundTexture(0);
    ASSERT_NE(texture, nullptr);
    std::string name = kwoHost_HandleText(texture);
    EXPECT_EQ(kwoHost_CallLog(), (std::vector<std::string>{
                                     "kwo3DAPI_LockTexture(" + name + ", 0)",
                                     "kwo3DAPI_UnlockTexture(" + name + ", 0)",
                                     "kwo3DAPI_SetAlphaBlendEnabled(1)",
                                     "kwo3DAPI_SetupBlending(5, 6)",
                                     "kwo3DAPI_SetupShading(0, 2, 0, 2, 2, 0, 2)",
                                     "kwo3DAPI_SetupShading(1, 2, 0, 1, 2, 0, 1)",
                                     "kwo3DAPI_SetTexFiltering(0, 2, 2, 2)",
                                     "kwo3DAPI_SetTexture(0, " + name + ")",
                                     "kwo3DAPI_GetDevice()",
                                 }));
    std::vector<std::string> device = d3d8::CallLog();
    ASSERT_FALSE(device.empty());
    EXPECT_EQ(device.back(), "SetPixelShader(0)");

    kwoHost_ClearCallLog();
    effect->RestoreAfterRender();
    EXPECT_EQ(kwoHost_CallLog(), (std::vector<std::string>{
                                     "kwo3DAPI_SetTexture(0, null)",
                                     "kwo3DAPI_SetTexFiltering(0, 2, 2, 1)",
                                     "kwo3DAPI_SetupShading(0, 2, 0, 4, 2, 0, 4)",
                                 }));
    EXPECT_EQ(kwoHost_BoundTexture(0), nullptr);
}

TEST_F(EffectRender, DrawIssuesOneTriangleList)
{
    zelvBaseEffect* effect = NewEffect();
    d3d8::ClearCallLog();
    EXPECT_EQ(effect->Draw(0, 7, 0, 0), S_OK);
    EXPECT_EQ(effect->Draw(0, 4, 0, 6), S_OK);
    EXPECT_EQ(effect->Draw(3, 4, 9, 6), S_OK);
    EXPECT_EQ(effect->Draw(0, 5, 0, 8), S_OK); // remainders are dropped
    EXPECT_EQ(d3d8::CallLog(), (std::vector<std::string>{
                                   "DrawPrimitive(4, 0, 2)",
                                   "DrawIndexedPrimitive(4, 0, 4, 0, 2)",
                                   "DrawIndexedPrimitive(4, 3, 4, 9, 2)",
                                   "DrawIndexedPrimitive(4, 0, 5, 0, 2)",
                               }));
}

TEST_F(EffectRender, ReRendersOncePerDistinctTime)
{
    zelvBaseEffect* effect = NewEffect();
    ASSERT_EQ(CreateWith(*effect, "width=4\nheight=4"), S_OK);
    // Time 0 equals the time of the last re-render of a new effect.
    Render(*effect, 0.0f);
    EXPECT_TRUE(KernelCalls("kwo3DAPI_LockTexture").empty());
    Render(*effect, 0.5f);
    Render(*effect, 0.5f);
    EXPECT_EQ(KernelCalls("kwo3DAPI_LockTexture").size(), 1u);
    Render(*effect, 0.75f);
    EXPECT_EQ(KernelCalls("kwo3DAPI_LockTexture").size(), 2u);
    // A NaN time equals nothing, itself included.
    Render(*effect, std::numeric_limits<float>::quiet_NaN());
    Render(*effect, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(KernelCalls("kwo3DAPI_LockTexture").size(), 4u);
    effect->RestoreAfterRender();
}

TEST_F(EffectRender, GlobalTimeIsSharedByAllEffects)
{
    zelvBaseEffect* first = NewEffect();
    zelvBaseEffect* second = NewEffect();
    ASSERT_EQ(CreateWith(*first, "width=4\nheight=4"), S_OK);
    ASSERT_EQ(CreateWith(*second, "width=4\nheight=4"), S_OK);
    first->SetGlobalTime(9.0f);
    kwoHost_ClearCallLog();
    second->PrepareForRender();
    EXPECT_EQ(KernelCalls("kwo3DAPI_LockTexture").size(), 1u);
    second->RestoreAfterRender();
}

TEST_F(EffectRender, FirstFrameIsOpaqueBlackAroundTheParticles)
{
    zelvBaseEffect* effect = OneGreyParticle(NewEffect());
    kwoHost_SetFixedTimeStep(0.2f); // moves 5 pixels
    Render(*effect, 1.0f);
    std::vector<uint32_t> picture = BoundPicture();
    EXPECT_EQ(picture[5], 0xFF939393u);
    EXPECT_EQ(std::count(picture.begin(), picture.end(), 0xFF000000u), 128 * 128 - 1);
    effect->RestoreAfterRender();
}

TEST_F(EffectRender, TrailsFadeOneStepPerReRender)
{
    zelvBaseEffect* effect = OneGreyParticle(NewEffect());
    kwoHost_SetFixedTimeStep(0.04f); // one pixel per frame
    for (int frame = 1; frame <= 3; ++frame) {
        Render(*effect, float(frame));
        effect->RestoreAfterRender();
    }
    Render(*effect, 3.0f); // same time: no re-render
    std::vector<uint32_t> picture = BoundPicture();
    EXPECT_EQ(picture[3], 0xFF939393u);
    EXPECT_EQ(picture[2], 0xFF929292u);
    EXPECT_EQ(picture[1], 0xFF919191u);
    EXPECT_EQ(picture[0], 0xFF000000u); // born there, but first plotted after moving
    effect->RestoreAfterRender();
}

TEST_F(EffectRender, ZeroAndNonFiniteStepsMoveNothingButStillFade)
{
    for (float step : {0.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        zelvBaseEffect* effect = OneGreyParticle(NewEffect());
        kwoHost_SetFixedTimeStep(0.2f);
        Render(*effect, 1.0f); // to x = 5
        effect->RestoreAfterRender();
        kwoHost_SetFixedTimeStep(step);
        Render(*effect, 2.0f);
        Render(*effect, 3.0f);
        std::vector<uint32_t> picture = BoundPicture();
        EXPECT_EQ(picture[5], 0xFF939393u) << step;
        EXPECT_EQ(std::count(picture.begin(), picture.end(), 0xFF000000u), 128 * 128 - 1) << step;
        effect->RestoreAfterRender();
        Dispose(effect);
    }
}

TEST_F(EffectRender, LaterParticleWinsASharedPixel)
{
    zelvBaseEffect* effect = NewEffect();
    std::vector<unsigned> randoms = BirthAt(0, 0, 32767, 32767, 32767, 0, 0, 32767);
    for (unsigned value : BirthAt(0, 0, 32767, 0, 0, 0, 0, 32767))
        randoms.push_back(value);
    kwoHost_ScriptRandom(randoms);
    ASSERT_EQ(CreateWith(*effect, "numparticles=2"), S_OK);
    kwoHost_SetFixedTimeStep(0.0f);
    Render(*effect, 1.0f);
    EXPECT_EQ(BoundPicture()[0], 0xFFFE0000u);
    effect->RestoreAfterRender();
}

TEST_F(EffectRender, RebornParticleIsPlottedAtItsNewPlace)
{
    zelvBaseEffect* effect = NewEffect();
    // Life 0.5 * 0.1; then a birth at the far corner.
    kwoHost_ScriptRandom(BirthAt(0, 0, 32767, 32767, 32767));
    ASSERT_EQ(CreateWith(*effect, "numparticles=1\nlifetime=0.1"), S_OK);
    kwoHost_ScriptRandom(BirthAt(32767, 32767, 0, 0, 32767));
    kwoHost_SetFixedTimeStep(1.0f);
    Render(*effect, 1.0f);
    std::vector<uint32_t> picture = BoundPicture();
    EXPECT_EQ(picture[127 * 128 + 127], 0xFF0000FEu);
    EXPECT_EQ(std::count(picture.begin(), picture.end(), 0xFF000000u), 128 * 128 - 1);
    effect->RestoreAfterRender();
}

TEST_F(EffectRender, UploadHonoursThePitch)
{
    d3d8::SetPitchPadding(20);
    zelvBaseEffect* effect = OneGreyParticle(NewEffect(), "width=6\nheight=3");
    Render(*effect, 1.0f);
    auto* texture = static_cast<IDirect3DTexture8*>(kwo3DAPI_GetTextureInterface(kwoHost_BoundTexture(0)));
    effect->RestoreAfterRender();
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), S_OK);
    ASSERT_EQ(locked.Pitch, 6 * 4 + 20);
    std::memset(locked.pBits, 0xCD, size_t(locked.Pitch) * 3);
    texture->UnlockRect(0);

    Render(*effect, 2.0f);
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), S_OK);
    for (int row = 0; row < 3; ++row) {
        const auto* line = static_cast<const unsigned char*>(locked.pBits) + row * locked.Pitch;
        for (int column = 0; column < 6; ++column)
            EXPECT_EQ(line[4 * column + 3], 0xFF) << row << "," << column; // written: opaque
        for (int byte = 24; byte < locked.Pitch; ++byte)
            EXPECT_EQ(line[byte], 0xCD) << "row " << row << " byte " << byte;
    }
    texture->UnlockRect(0);
    effect->RestoreAfterRender();
}

TEST_F(EffectRender, FailedLockSkipsTheCopyAndTheUnlock)
{
    zelvBaseEffect* effect = NewEffect();
    ASSERT_EQ(CreateWith(*effect, "width=4\nheight=4\nnumparticles=0"), S_OK);
    kwoHost_ClearCallLog();
    kwoHost_FailNextTextureLock();
    Render(*effect, 1.0f);
    EXPECT_EQ(KernelCalls("kwo3DAPI_LockTexture").size(), 1u);
    EXPECT_TRUE(KernelCalls("kwo3DAPI_UnlockTexture").empty());
    EXPECT_EQ(BoundPicture(), std::vector<uint32_t>(16, 0u)); // never written
    effect->RestoreAfterRender();
    Render(*effect, 2.0f); // the next frame uploads again
    EXPECT_EQ(BoundPicture(), std::vector<uint32_t>(16, 0xFF000000u));
    effect->RestoreAfterRender();
}

TEST_F(EffectRender, MipChainIsAskedForOnlyWithMipmaps)
{
    zelvBaseEffect* plain = NewEffect();
    ASSERT_EQ(CreateWith(*plain, "width=8\nheight=8\nnumparticles=2"), S_OK);
    Render(*plain, 1.0f);
    plain->RestoreAfterRender();
    EXPECT_TRUE(KernelCalls("kwo3DAPI_GetTextureInterface").empty());

    zelvBaseEffect* mipped = NewEffect();
    ASSERT_EQ(CreateWith(*mipped, "width=8\nheight=8\nnumparticles=2\nmipmaps=1"), S_OK);
    Render(*mipped, 2.0f);
    EXPECT_EQ(KernelCalls("kwo3DAPI_GetTextureInterface").size(), 1u);
    auto* texture = static_cast<IDirect3DTexture8*>(kwo3DAPI_GetTextureInterface(kwoHost_BoundTexture(0)));
    EXPECT_EQ(texture->GetLevelCount(), 4u);
    mipped->RestoreAfterRender();
}

// The rounded mean of four A8R8G8B8 pixels, byte by byte.
uint32_t QuadMean(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    uint32_t mean = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t sum = ((a >> shift) & 0xFF) + ((b >> shift) & 0xFF) + ((c >> shift) & 0xFF) + ((d >> shift) & 0xFF);
        mean |= ((sum + 2) >> 2) << shift;
    }
    return mean;
}

TEST_F(EffectRender, MipChainIsRebuiltWithTheBoxFilter)
{
    zelvBaseEffect* effect = NewEffect();
    ASSERT_EQ(CreateWith(*effect, "width=16\nheight=8\nnumparticles=40\nmipmaps=1\nspeed=3"), S_OK);
    for (int frame = 1; frame <= 4; ++frame) {
        Render(*effect, float(frame));
        effect->RestoreAfterRender();
    }
    Render(*effect, 4.0f);
    auto* texture = static_cast<IDirect3DTexture8*>(kwo3DAPI_GetTextureInterface(kwoHost_BoundTexture(0)));
    ASSERT_EQ(texture->GetLevelCount(), 5u);
    unsigned width = 16;
    unsigned height = 8;
    std::vector<uint32_t> upper = ReadLevel(texture, 0);
    ASSERT_GT(std::count_if(upper.begin(), upper.end(), [](uint32_t pixel) { return pixel != 0xFF000000u; }), 3);
    for (unsigned level = 1; level < 5; ++level) {
        unsigned lowerWidth = std::max(width / 2, 1u);
        unsigned lowerHeight = std::max(height / 2, 1u);
        std::vector<uint32_t> lower = ReadLevel(texture, level);
        for (unsigned y = 0; y < lowerHeight; ++y) {
            for (unsigned x = 0; x < lowerWidth; ++x) {
                unsigned x0 = 2 * x, x1 = std::min(2 * x + 1, width - 1);
                unsigned y0 = 2 * y, y1 = std::min(2 * y + 1, height - 1);
                EXPECT_EQ(lower[y * lowerWidth + x],
                          QuadMean(upper[y0 * width + x0], upper[y0 * width + x1], upper[y1 * width + x0],
                                   upper[y1 * width + x1]))
                    << "level " << level << " at " << x << "," << y;
            }
        }
        upper = lower;
        width = lowerWidth;
        height = lowerHeight;
    }
    effect->RestoreAfterRender();
}

} // namespace
