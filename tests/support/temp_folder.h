// A fresh folder for each test that writes files, named after the test and
// the process so that parallel runs never meet, removed with everything in
// it afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace test_support {

// A fresh folder for one test, removed with everything in it afterwards.
class TempFolder {
public:
    TempFolder()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("test-") + std::to_string(::getpid()) + "-" + info->test_suite_name() +
                           "-" + info->name();
        for (char& c : name)
            if (c == '/')
                c = '_';
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A test fixture with its fresh folder.
class FolderTest : public ::testing::Test {
protected:
    TempFolder temp_;
    const std::filesystem::path folder_ = temp_.Path();
};

} // namespace test_support
