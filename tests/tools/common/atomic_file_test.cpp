// The shared atomic writer: what it leaves behind on success, on failure
// and when a signal ends the program mid-write.
#include "tools/common/atomic_file.h"
#include "tools/common/temporary_file.h"

#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <png.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

class AtomicFile : public test_support::FolderTest {
protected:
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static std::string Read(const fs::path& path)
    {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
};

const std::vector<uint8_t> kBytes = {'n', 'e', 'w'};

TEST_F(AtomicFile, WritesReplacesAndLeavesOnlyTheTarget)
{
    struct Case {
        std::string name;
        const char* before; // nullptr: no file there yet
    };
    const Case cases[] = {
        {"plain.bin", nullptr},
        {"old.bin", "old content, longer than the new"},
        // The longest name a Linux file system takes: the temporary's
        // name must not grow with it.
        {std::string(251, 'n') + ".dds", nullptr},
        {std::string(255, 'x'), "old"},
    };
    // An ordinary new file's permissions, where mkstemp alone gives 0600.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const auto expected = fs::perms(0666 & ~mask);
    for (const Case& c : cases) {
        const fs::path target = folder_ / c.name;
        if (c.before != nullptr)
            std::ofstream(target) << c.before;
        std::string reason;
        EXPECT_TRUE(tools::WriteFileAtomically(target.string(), kBytes, reason)) << c.name.size() << ": " << reason;
        EXPECT_EQ(Read(target), "new") << c.name.size();
        EXPECT_EQ(fs::status(target).permissions(), expected) << c.name.size();
        EXPECT_EQ(Names(), std::vector<std::string>{c.name}) << "nothing but the target";
        fs::remove(target);
    }
}

TEST_F(AtomicFile, FailureKeepsTheTargetAndRemovesTheTemporary)
{
    fs::create_directories(folder_ / "folder" / "inside");
    std::ofstream(folder_ / "kept.txt") << "kept";
    struct Case {
        std::string target;
        const char* reason;
    };
    const Case cases[] = {
        {"missing/out.png", "cannot create: No such file or directory"},
        {"kept.txt/out.png", "cannot create: Not a directory"},
        {"folder", "cannot replace: Is a directory"},
        {std::string(256, 'n'), "cannot replace: File name too long"},
    };
    for (const Case& c : cases) {
        std::string reason;
        EXPECT_FALSE(tools::WriteFileAtomically((folder_ / c.target).string(), kBytes, reason)) << c.target;
        EXPECT_EQ(reason, c.reason) << c.target;
        EXPECT_EQ(Names(), (std::vector<std::string>{"folder", "kept.txt"})) << c.target;
        EXPECT_EQ(Read(folder_ / "kept.txt"), "kept");
    }
}

// A child makes temporaries and is sent each signal; its files must be
// gone and the signal, not an exit code, must have ended it. With many
// threads the files are made at once, as r3aztex's workers make them.
TEST_F(AtomicFile, SignalsRemoveTheTemporariesAndStillEndTheProgram)
{
    struct Case {
        int signal;
        int threads;
    };
    const Case cases[] = {{SIGINT, 1}, {SIGTERM, 1}, {SIGHUP, 1}, {SIGTERM, 30}};
    for (const Case& c : cases) {
        const std::string name = std::string(strsignal(c.signal)) + ", " + std::to_string(c.threads) + " threads";
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // As a shell starts a program, whatever the test runner set.
            std::signal(c.signal, SIG_DFL);
            tools::RemoveTemporariesOnSignals();
            std::atomic<int> made{0};
            std::atomic<bool> failed{false};
            std::vector<std::thread> threads;
            for (int t = 0; t < c.threads; ++t)
                threads.emplace_back([&] {
                    tools::TemporaryFile files[2];
                    for (tools::TemporaryFile& file : files)
                        if (!file.Create(folder_.string()) || ::write(file.Descriptor(), "part", 4) != 4)
                            failed = true;
                    ++made;
                    ::pause(); // holds its files until the signal ends the program
                });
            while (made < c.threads)
                std::this_thread::yield();
            if (failed || ::kill(::getpid(), c.signal) != 0)
                ::_exit(100);
            ::pause();
            ::_exit(101); // the signal should have ended the program
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status)) << name << ": exit " << WEXITSTATUS(status);
        if (WIFSIGNALED(status)) {
            EXPECT_EQ(WTERMSIG(status), c.signal) << name;
        }
        EXPECT_EQ(Names(), std::vector<std::string>{}) << name;
    }
}

// A picture the tool can read, made with libpng's simplified writer.
std::vector<uint8_t> SmallPng()
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = 8;
    image.height = 8;
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(8 * 8 * 4, 200);
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr);
    std::vector<uint8_t> png(size);
    if (!png_image_write_to_memory(&image, png.data(), &size, 0, pixels.data(), 0, nullptr))
        png.clear();
    return png;
}

TEST_F(AtomicFile, R3aztexWritesAnOutputWithA250CharacterName)
{
    std::string reason;
    ASSERT_TRUE(tools::WriteFileAtomically((folder_ / "in.png").string(), SmallPng(), reason)) << reason;
    const std::string output = std::string(246, 'o') + ".dds";
    const std::string command = std::string(R3AZTEX_PROGRAM) + " convert " + (folder_ / "in.png").string() +
                                " -o " + (folder_ / output).string() + " > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_GT(fs::file_size(folder_ / output), 128u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"in.png", output}));
}

} // namespace
