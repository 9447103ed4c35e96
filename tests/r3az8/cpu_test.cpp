// Processor features, MMX detection and the registry settings that switch
// kernels off.
#include "r3az8/tex/cpu.h"
#include "tests/support/process_state.h"
#include "win32_testing.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr char kKey[] = "HKEY_LOCAL_MACHINE\\Software\\Dazuvidar\\Direct3D";

int queries = 0;
int ProcessorWithMmx() { return ++queries, 1; }
int ProcessorWithoutMmx() { return ++queries, 0; }

class MmxSetting : public testing::Test {
protected:
    void SetUp() override
    {
        ResetProcessState(StartingSettings::Empty);
        queries = 0;
        ResetMmxStateForTesting(ProcessorWithMmx);
    }
    void TearDown() override { ResetProcessState(); }
};

TEST(CpuHasMmx, EveryX86ProcessorOfThisCenturyHasIt)
{
#if defined(__x86_64__)
    EXPECT_EQ(CpuHasMmx(), 1);
#else
    EXPECT_TRUE(CpuHasMmx() == 0 || CpuHasMmx() == 1);
#endif
}

// The compiler's own probe is an independent reading of the same CPUID
// and XGETBV bits.
TEST(ProcessorSupports, AgreesWithTheCompilersProbe)
{
    EXPECT_TRUE(ProcessorSupports(InstructionSet::Plain));
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    EXPECT_EQ(ProcessorSupports(InstructionSet::Mmx), __builtin_cpu_supports("mmx") != 0);
    EXPECT_EQ(ProcessorSupports(InstructionSet::Sse2), __builtin_cpu_supports("sse2") != 0);
    EXPECT_EQ(ProcessorSupports(InstructionSet::Avx2), __builtin_cpu_supports("avx2") != 0);
#endif
}

// Holds in every run: with the setting off the processor decides, with it
// on (the suite's all-portable run) every chooser gets Plain alone.
TEST(KernelsMayUse, FollowsTheProcessorUnlessVectorKernelsAreDisabled)
{
    const bool disabled = VectorKernelsDisabledInSettings();
    InstructionSet strongest = InstructionSet::Plain;
    for (InstructionSet set : {InstructionSet::Mmx, InstructionSet::Sse2, InstructionSet::Avx2}) {
        EXPECT_EQ(KernelsMayUse(set), !disabled && ProcessorSupports(set)) << int(set);
        if (!disabled && ProcessorSupports(set))
            strongest = set;
    }
    EXPECT_TRUE(KernelsMayUse(InstructionSet::Plain));
    EXPECT_EQ(StrongestKernelInstructionSet(), strongest);
}

TEST_F(MmxSetting, DisableVectorKernelsCountsAsANonZeroDword)
{
    EXPECT_FALSE(VectorKernelsDisabledInSettings());
    win32::SetRegistryDword(kKey, "DisableVectorKernels", 0);
    EXPECT_FALSE(VectorKernelsDisabledInSettings());
    win32::SetRegistryValue(kKey, "DisableVectorKernels", REG_SZ, "1", 2);
    EXPECT_FALSE(VectorKernelsDisabledInSettings());
    win32::SetRegistryDword("HKLM\\software\\dazuvidar\\direct3d", "DisableVectorKernels", 1);
    EXPECT_TRUE(VectorKernelsDisabledInSettings());
    // It leaves the MMX answer alone: DisableMMX alone decides that.
    EXPECT_EQ(IsMmxEnabled(), 1);
}

TEST_F(MmxSetting, WithoutSettingsTheProcessorDecidesOnce)
{
    EXPECT_EQ(g_mmxState, -1);
    EXPECT_EQ(IsMmxEnabled(), 1);
    EXPECT_EQ(IsMmxEnabled(), 1);
    EXPECT_EQ(g_mmxState, 1);
    EXPECT_EQ(queries, 1);
}

TEST_F(MmxSetting, ProcessorWithoutMmx)
{
    ResetMmxStateForTesting(ProcessorWithoutMmx);
    EXPECT_EQ(IsMmxEnabled(), 0);
    EXPECT_EQ(g_mmxState, 0);
}

TEST_F(MmxSetting, DisableMmxSetSwitchesItOffForGood)
{
    win32::SetRegistryDword(kKey, "DisableMMX", 1);
    EXPECT_EQ(IsMmxEnabled(), 0);
    EXPECT_EQ(queries, 0);
    win32::RemoveRegistryValue(kKey, "DisableMMX");
    EXPECT_EQ(IsMmxEnabled(), 0);
}

TEST_F(MmxSetting, SettingTurningUpLaterStillCounts)
{
    EXPECT_EQ(IsMmxEnabled(), 1);
    win32::SetRegistryDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\DAZUVIDAR\\DIRECT3D", "DisableMMX", 7);
    EXPECT_EQ(IsMmxEnabled(), 0);
}

TEST_F(MmxSetting, ZeroOrOtherTypesHaveNoEffect)
{
    const DWORD one = 1;
    struct Case {
        DWORD type;
        const void* data;
        DWORD size;
    };
    for (const Case& setting : {Case{REG_DWORD, "\0\0\0\0", 4}, Case{REG_SZ, "1", 2}, Case{REG_BINARY, &one, 4}}) {
        win32::SetRegistryValue(kKey, "DisableMMX", setting.type, setting.data, setting.size);
        ResetMmxStateForTesting(ProcessorWithMmx);
        EXPECT_EQ(IsMmxEnabled(), 1) << setting.type;
    }
}

TEST_F(MmxSetting, ReadDirect3DRegistryValueChecksTheType)
{
    win32::SetRegistryDword(kKey, "DisableR3AZPSGP", 5);
    DWORD value = 0;
    EXPECT_EQ(ReadDirect3DRegistryValue(REG_DWORD, "DisableR3AZPSGP", &value, sizeof value), 1);
    EXPECT_EQ(value, 5u);
    char text[8] = {};
    EXPECT_EQ(ReadDirect3DRegistryValue(REG_SZ, "DisableR3AZPSGP", text, sizeof text), 0);
    EXPECT_EQ(ReadDirect3DRegistryValue(REG_DWORD, "Missing", &value, sizeof value), 0);

    win32::SetRegistryValue(kKey, "Name", REG_SZ, "abc", 4);
    EXPECT_EQ(ReadDirect3DRegistryValue(REG_SZ, "Name", text, sizeof text), 1);
    EXPECT_STREQ(text, "abc");

    win32::ClearSettings();
    EXPECT_EQ(ReadDirect3DRegistryValue(REG_SZ, "Name", text, sizeof text), 0);
}

} // namespace
