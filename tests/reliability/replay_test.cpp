// Replays the inputs kept for one fuzz target, its seed corpus and every
// past crasher, through the target's own code, one test per input. Built
// without libFuzzer, so the gcc builds (release and sanitizers) run them
// on every `make test`.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size);

namespace {

namespace fs = std::filesystem;

// The folders, '|'-separated, as the build names them.
std::vector<fs::path> InputFolders()
{
    std::vector<fs::path> folders;
    std::string list = R3AZ_FUZZ_INPUTS;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find('|', start);
        if (end == std::string::npos)
            end = list.size();
        if (end > start)
            folders.emplace_back(list.substr(start, end - start));
        start = end + 1;
    }
    return folders;
}

std::vector<fs::path> KeptInputs()
{
    std::vector<fs::path> inputs;
    for (const fs::path& folder : InputFolders()) {
        std::error_code error;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

std::vector<uint8_t> ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// "corpus_seed_01" or "crashers_crash_5e1a...": the folder and the file name
// with everything but letters and digits made '_'.
std::string TestName(const ::testing::TestParamInfo<fs::path>& info)
{
    std::string name = info.param.parent_path().filename().string() + "_" + info.param.filename().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

unsigned replayed = 0;

// One line the reliability script adds up: inputs replayed by this process.
class ReplayCount : public ::testing::Environment {
public:
    void TearDown() override { std::printf("reliability: inputs_replayed=%u\n", replayed); }
};

const auto* const countEnvironment = ::testing::AddGlobalTestEnvironment(new ReplayCount);

class Replay : public ::testing::TestWithParam<fs::path> {};

TEST_P(Replay, RunsClean)
{
    std::vector<uint8_t> bytes = ReadAll(GetParam());
    // Through a block of exactly the input's size, as libFuzzer hands it.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    EXPECT_EQ(LLVMFuzzerTestOneInput(exact.get(), bytes.size()), 0);
    ++replayed;
}

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Replay);
INSTANTIATE_TEST_SUITE_P(Kept, Replay, ::testing::ValuesIn(KeptInputs()), TestName);

} // namespace
