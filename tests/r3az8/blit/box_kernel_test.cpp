// The 32-bit box kernels: the rounding of each quad, the X byte, every
// vector kernel against the plain one over random images of many widths,
// and which kernels the first call binds.
#include "r3az8/tex/blit/box_kernels.h"

#include "r3az8/tex/cpu.h"
#include "tests/support/process_state.h"
#include "win32_testing.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

namespace {

// A source image with padded rows, started at an odd 4-byte offset so that
// no kernel can rely on 16- or 32-byte alignment.
struct KernelImage {
    KernelImage(UINT columns, UINT rows, UINT padding)
        : width(columns), height(rows), pitch(columns * 4 + padding), storage(size_t(pitch) * rows + 4 + 64)
    {
    }
    BYTE* Data() { return storage.data() + 4; }
    UINT width, height, pitch;
    std::vector<BYTE> storage;
};

// Runs the kernel into a destination whose padding and tail hold a marker.
std::vector<BYTE> Halve(BoxKernel32 kernel, KernelImage& source, UINT destPadding)
{
    const UINT destPitch = (source.width / 2) * 4 + destPadding;
    std::vector<BYTE> dest(size_t(destPitch) * (source.height / 2) + 4 + 64, 0x5A);
    EXPECT_EQ(kernel(dest.data() + 4, source.Data(), source.width, source.height, source.pitch, destPitch), S_OK);
    return dest;
}

std::vector<const BoxKernelSet*> SupportedVectorSets()
{
    std::vector<const BoxKernelSet*> sets;
    for (const BoxKernelSet& set : BoxKernelSets())
        if (set.instructionSet != InstructionSet::Plain && ProcessorSupports(set.instructionSet))
            sets.push_back(&set);
    return sets;
}

// The quads of bytes and their rounded means, one quad per channel lane.
struct Quad {
    std::array<BYTE, 4> bytes;
    BYTE mean;
};
constexpr Quad kQuads[] = {
    {{0, 0, 0, 1}, 0}, {{1, 1, 0, 0}, 1}, {{1, 1, 1, 0}, 1}, {{2, 2, 2, 1}, 2}, {{255, 255, 255, 255}, 255},
    {{0, 1, 1, 0}, 1}, {{254, 255, 255, 255}, 255}, {{3, 0, 0, 0}, 1}, {{0, 0, 2, 0}, 1}, {{7, 8, 9, 10}, 9},
};

// Builds an 8-quad-wide image: quad q's channel c takes kQuads[(q + c) % n].
KernelImage QuadImage()
{
    KernelImage image(16, 2, 0);
    const size_t n = std::size(kQuads);
    for (UINT q = 0; q < 8; ++q)
        for (UINT c = 0; c < 4; ++c) {
            const Quad& quad = kQuads[(q + c) % n];
            image.Data()[8 * q + c] = quad.bytes[0];
            image.Data()[8 * q + 4 + c] = quad.bytes[1];
            image.Data()[image.pitch + 8 * q + c] = quad.bytes[2];
            image.Data()[image.pitch + 8 * q + 4 + c] = quad.bytes[3];
        }
    return image;
}

TEST(BoxKernel, EveryKernelRoundsEachQuadToNearestWithHalvesUp)
{
    KernelImage image = QuadImage();
    for (const BoxKernelSet& set : BoxKernelSets()) {
        if (!ProcessorSupports(set.instructionSet))
            continue;
        std::vector<BYTE> dest = Halve(set.argb, image, 0);
        for (UINT q = 0; q < 8; ++q)
            for (UINT c = 0; c < 4; ++c)
                EXPECT_EQ(dest[4 + 4 * q + c], kQuads[(q + c) % std::size(kQuads)].mean)
                    << set.name << " quad " << q << " channel " << c;
    }
}

TEST(BoxKernel, XrgbPlainWritesTheTopByteAsZero)
{
    KernelImage image = QuadImage();
    std::vector<BYTE> argb = Halve(BoxKernelArgbPlain, image, 0);
    std::vector<BYTE> xrgb = Halve(BoxKernelXrgbPlain, image, 0);
    for (UINT q = 0; q < 8; ++q) {
        EXPECT_EQ(xrgb[4 + 4 * q + 3], 0) << "quad " << q;
        for (UINT c = 0; c < 3; ++c)
            EXPECT_EQ(xrgb[4 + 4 * q + c], argb[4 + 4 * q + c]) << "quad " << q << " channel " << c;
    }
}

// Widths 2 to 140 cover every remainder of the 4- and 8-pixel vector
// blocks; the large ones many blocks and a tail.
TEST(BoxKernel, EveryVectorKernelMatchesThePlainKernelBitForBit)
{
    std::mt19937 random(1234);
    std::vector<UINT> widths;
    for (UINT width = 2; width <= 140; width += 2)
        widths.push_back(width);
    for (UINT width : {1024u, 2002u, 4098u})
        widths.push_back(width);

    for (const BoxKernelSet* set : SupportedVectorSets()) {
        for (UINT width : widths) {
            for (UINT height : {2u, 6u}) {
                const UINT padding = 4 * (width % 3);
                KernelImage image(width, height, padding);
                for (BYTE& byte : image.storage)
                    byte = BYTE(random());
                const UINT destPadding = 4 * (width % 5);
                ASSERT_EQ(Halve(set->argb, image, destPadding), Halve(BoxKernelArgbPlain, image, destPadding))
                    << set->name << " width " << width << " height " << height;
            }
        }
    }
}

// Extreme bytes: all 0, all 255 and alternating, where a carry between
// lanes or a saturating step would show.
TEST(BoxKernel, EveryVectorKernelMatchesThePlainKernelOnExtremeBytes)
{
    for (const BoxKernelSet* set : SupportedVectorSets()) {
        for (BYTE low : {BYTE(0), BYTE(1), BYTE(254)}) {
            KernelImage image(36, 4, 0);
            for (size_t i = 0; i < image.storage.size(); ++i)
                image.storage[i] = (i / 4 + i / 148) % 2 == 0 ? 255 : low;
            EXPECT_EQ(Halve(set->argb, image, 0), Halve(BoxKernelArgbPlain, image, 0)) << set->name;
        }
    }
}

// A stray odd column or row is ignored rather than read past (the image
// ends right after the last pixel the kernel may read).
TEST(BoxKernel, OddSizesIgnoreTheLastColumnAndRow)
{
    for (const BoxKernelSet& set : BoxKernelSets()) {
        if (!ProcessorSupports(set.instructionSet))
            continue;
        std::vector<BYTE> source(size_t(7 * 4) * 3, 0x40);
        std::vector<BYTE> dest(size_t(3 * 4), 0x00);
        EXPECT_EQ(set.argb(dest.data(), source.data(), 7, 3, 7 * 4, 3 * 4), S_OK);
        EXPECT_EQ(dest, std::vector<BYTE>(12, 0x40)) << set.name;
    }
}

const char kDirect3DKey[] = "HKEY_LOCAL_MACHINE\\Software\\Dazuvidar\\Direct3D";

int NoMmx() { return 0; }

// Each case starts from unbound kernels and an undetermined MMX state, and
// leaves them so for the next.
class BoxKernelBinding : public ::testing::Test {
protected:
    void SetUp() override { ResetProcessState(); }
    void TearDown() override
    {
        win32::RemoveRegistryValue(kDirect3DKey, "DisableMMX");
        ResetProcessState();
    }
    // Binds through the given pointer with a real call.
    static void CallThrough(BoxKernel32 kernel)
    {
        KernelImage image(4, 2, 0);
        std::vector<BYTE> dest(8);
        kernel(dest.data(), image.Data(), 4, 2, image.pitch, 8);
    }
};

TEST_F(BoxKernelBinding, DisableMmxBindsThePlainKernels)
{
    win32::SetRegistryDword(kDirect3DKey, "DisableMMX", 1);
    CallThrough(g_pfnBoxKernelX8R8G8B8);
    EXPECT_EQ(g_pfnBoxKernelA8R8G8B8, &BoxKernelArgbPlain);
    EXPECT_EQ(g_pfnBoxKernelX8R8G8B8, &BoxKernelXrgbPlain);
}

TEST_F(BoxKernelBinding, AProcessorWithoutMmxGetsThePlainKernels)
{
    ResetMmxStateForTesting(NoMmx);
    CallThrough(g_pfnBoxKernelA8R8G8B8);
    EXPECT_EQ(g_pfnBoxKernelA8R8G8B8, &BoxKernelArgbPlain);
    EXPECT_EQ(g_pfnBoxKernelX8R8G8B8, &BoxKernelXrgbPlain);
}

TEST_F(BoxKernelBinding, MmxEnabledBindsTheBestVectorKernelForBothFormats)
{
    ASSERT_TRUE(ProcessorSupports(InstructionSet::Mmx));
    win32::SetRegistryDword(kDirect3DKey, "DisableMMX", 0); // present but 0: no effect
    CallThrough(g_pfnBoxKernelA8R8G8B8);
    // With vector kernels switched off in the settings, their portable twin.
    const InstructionSet best = StrongestKernelInstructionSet();
    const BoxKernel32 expected = best == InstructionSet::Avx2   ? &BoxKernelAvx2
                                 : best == InstructionSet::Sse2 ? &BoxKernelSse2
                                 : best == InstructionSet::Mmx  ? &BoxKernelMmx
                                                                : &BoxKernelArgbPlain;
    EXPECT_EQ(g_pfnBoxKernelA8R8G8B8, expected);
    // The X byte is then averaged like the others, as the MMX kernel does.
    EXPECT_EQ(g_pfnBoxKernelX8R8G8B8, expected);
}

TEST_F(BoxKernelBinding, TheBindingStaysWhenTheSettingChangesLater)
{
    CallThrough(g_pfnBoxKernelA8R8G8B8);
    const BoxKernel32 bound = g_pfnBoxKernelA8R8G8B8;
    win32::SetRegistryDword(kDirect3DKey, "DisableMMX", 1);
    CallThrough(g_pfnBoxKernelX8R8G8B8);
    EXPECT_EQ(g_pfnBoxKernelA8R8G8B8, bound);
}

TEST_F(BoxKernelBinding, TheBinderForwardsItsFirstCall)
{
    KernelImage image(4, 2, 0);
    for (BYTE& byte : image.storage)
        byte = 0x80;
    std::vector<BYTE> dest(8, 0);
    EXPECT_EQ(BindBoxKernelX8R8G8B8(dest.data(), image.Data(), 4, 2, image.pitch, 8), S_OK);
    EXPECT_EQ(dest[0], 0x80);
    EXPECT_EQ(dest[6], 0x80);
}

} // namespace
