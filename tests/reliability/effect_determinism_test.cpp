// The effect renders the same frames for the same seed and time steps,
// every time: within one process (a fresh engine each run) and across
// processes (the host run twice writes byte-identical pictures). Frames are
// hashed over every mip level, so the box-filtered chain is covered too.
#include "tests/reliability/effect_life.h"

#include "d3d8_testing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

namespace reliability {
namespace {

namespace fs = std::filesystem;

struct Case {
    const char* name;
    LifeScript script;
    UINT pitchPadding;
};

std::ostream& operator<<(std::ostream& out, const Case& c) { return out << c.name; }

const Case kCases[] = {
    {"Plain", {"width=64\nheight=48\nnumparticles=300", 8, 1.0f / 60.0f, 7}, 0},
    {"Mipmaps", {"width=64\nheight=64\nnumparticles=200\nmipmaps=1\nspeed=120", 8, 1.0f / 30.0f, 7}, 0},
    {"MipmapsOddSizesPaddedRows", {"width=37\nheight=21\nnumparticles=150\nmipmaps=1\nlifetime=0.5", 8, 0.1f, 11}, 12},
};

class EffectDeterminism : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override
    {
        FreshEngine();
        d3d8::SetPitchPadding(GetParam().pitchPadding);
    }
    void TearDown() override
    {
        d3d8::SetPitchPadding(0);
        FreshEngine();
    }

    std::vector<uint64_t> Frames(unsigned seed)
    {
        LifeScript script = GetParam().script;
        script.seed = seed;
        LifeOutcome outcome = RunLife(script, FrameHashes::Take);
        EXPECT_EQ(outcome.created, S_OK);
        EXPECT_TRUE(TakeLeftovers(0).Clean());
        FreshEngine();
        d3d8::SetPitchPadding(GetParam().pitchPadding);
        return outcome.frameHashes;
    }
};

TEST_P(EffectDeterminism, SameSeedSameFramesOnEveryRun)
{
    const unsigned seed = GetParam().script.seed;
    std::vector<uint64_t> first = Frames(seed);
    ASSERT_EQ(first.size(), GetParam().script.frames);
    for (int run = 0; run < 3; ++run)
        EXPECT_EQ(Frames(seed), first) << "run " << run + 2;
    // The hashes see the picture: it changes from frame to frame.
    EXPECT_GT(std::set<uint64_t>(first.begin(), first.end()).size(), first.size() / 2);
}

TEST_P(EffectDeterminism, AnotherSeedGivesOtherFrames)
{
    const unsigned seed = GetParam().script.seed;
    EXPECT_NE(Frames(seed), Frames(seed + 1));
}

INSTANTIATE_TEST_SUITE_P(Effect, EffectDeterminism, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& instance) { return std::string(instance.param.name); });

std::vector<char> FileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the host into `folder`; its exit code.
int RunHost(const fs::path& folder)
{
    std::string command = "\"";
    command += MIROLAN_PLAY_PATH;
    command += "\" --seed 5 --frames 24 --every 6 --dt 0.05";
    command += " --param width=40 --param height=40 --param numparticles=120 --param mipmaps=1";
    command += " --out \"";
    command += folder.string();
    command += "\" > /dev/null 2>&1";
    return std::system(command.c_str());
}

TEST(HostDeterminism, TwoProcessesWriteIdenticalPictures)
{
    const fs::path base = fs::temp_directory_path() / ("r3az-determinism-" + std::to_string(::getpid()));
    fs::remove_all(base);
    ASSERT_EQ(RunHost(base / "first"), 0);
    ASSERT_EQ(RunHost(base / "second"), 0);
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(base / "first"))
        files.push_back(entry.path().filename());
    EXPECT_GT(files.size(), 4u) << "frames, mip levels and the contact sheet";
    for (const fs::path& file : files) {
        ASSERT_TRUE(fs::exists(base / "second" / file)) << file;
        EXPECT_EQ(FileBytes(base / "first" / file), FileBytes(base / "second" / file)) << file << " differs";
    }
    fs::remove_all(base);
}

} // namespace
} // namespace reliability
