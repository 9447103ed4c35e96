// Settings: the file format, the profile reader and its defaults.
#include "win32.h"
#include "tests/support/process_state.h"
#include "win32_testing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A settings file in the temporary folder, removed afterwards.
class SettingsFile {
public:
    explicit SettingsFile(const std::string& text)
    {
        char name[] = "/tmp/r3az-settings-XXXXXX";
        int descriptor = mkstemp(name);
        path = name;
        std::ofstream(path) << text;
        close(descriptor);
    }
    ~SettingsFile() { std::remove(path.c_str()); }
    const char* Path() const { return path.c_str(); }

private:
    std::string path;
};

class Settings : public ::testing::Test {
protected:
    void SetUp() override { ResetProcessState(StartingSettings::Empty); }
    void TearDown() override { ResetProcessState(); }
};

DWORD QueryDword(const char* key, const char* name, LONG* status = nullptr)
{
    HKEY opened = nullptr;
    LONG result = RegOpenKeyA(HKEY_LOCAL_MACHINE, key, &opened);
    DWORD value = 0xFFFFFFFF;
    if (result == ERROR_SUCCESS) {
        DWORD size = sizeof value;
        DWORD type = REG_NONE;
        result = RegQueryValueExA(opened, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(opened);
    }
    if (status != nullptr)
        *status = result;
    return value;
}

TEST_F(Settings, FileGivesProfileAndRegistry)
{
    SettingsFile file("; the library's debug level\n"
                      "[profile:Direct3D]\n"
                      "debug = 3\n"
                      "\n"
                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dazuvidar\\Direct3D]\r\n"
                      "DisableMMX = dword:1\r\n"
                      "R3AZ = dword:0x10\n"
                      "Name = sz:some text\n"
                      "Quoted = sz:\"  padded  \"\n"
                      "Blob = hex:01,02, ff\n"
                      "# done\n");
    ASSERT_TRUE(win32::LoadSettingsFile(file.Path()));
    EXPECT_EQ(GetProfileIntA("Direct3D", "debug", 0), 3u);
    EXPECT_EQ(QueryDword("SOFTWARE\\Dazuvidar\\Direct3D", "DisableMMX"), 1u);
    EXPECT_EQ(QueryDword("SOFTWARE\\Dazuvidar\\Direct3D", "R3AZ"), 16u);

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Dazuvidar\\Direct3D", &key), ERROR_SUCCESS);
    char text[64];
    DWORD size = sizeof text;
    DWORD type = 0;
    ASSERT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 10u); // with its terminating zero
    EXPECT_STREQ(text, "some text");
    size = sizeof text;
    RegQueryValueExA(key, "Quoted", nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    EXPECT_STREQ(text, "  padded  ");
    BYTE blob[8];
    size = sizeof blob;
    ASSERT_EQ(RegQueryValueExA(key, "Blob", nullptr, &type, blob, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    ASSERT_EQ(size, 3u);
    EXPECT_EQ(blob[0], 0x01);
    EXPECT_EQ(blob[1], 0x02);
    EXPECT_EQ(blob[2], 0xFF);
    RegCloseKey(key);
}

TEST_F(Settings, NamesMatchWithoutRegardToCase)
{
    SettingsFile file("[PROFILE:direct3d]\nDEBUG=2\n[hklm\\software\\dazuvidar\\direct3d]\nr3az=dword:3\n");
    ASSERT_TRUE(win32::LoadSettingsFile(file.Path()));
    EXPECT_EQ(GetProfileIntA("Direct3D", "debug", 0), 2u);
    EXPECT_EQ(QueryDword("SOFTWARE\\Dazuvidar\\Direct3D", "R3AZ"), 3u);
    EXPECT_EQ(QueryDword("Software\\Dazuvidar\\Direct3D", "r3az"), 3u);
    EXPECT_EQ(QueryDword("software/dazuvidar//direct3d\\", "R3Az"), 3u);
}

TEST_F(Settings, BadLinesAreReportedAndTheRestApplied)
{
    SettingsFile file("stray = 1\n"
                      "[profile:Direct3D]\n"
                      "no equals sign\n"
                      "debug = 5\n"
                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\n"
                      "A = dword:12z\n"
                      "B = word:1\n"
                      "C = hex:1,xyz\n"
                      "D = 4\n"
                      "E = dword:99999999999\n"
                      "F = dword:7\n"
                      "[nowhere]\n"
                      "G = 1\n");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(win32::LoadSettingsFile(file.Path()));
    std::string errors = testing::internal::GetCapturedStderr();
    for (const char* line : {"line 1:", "line 3:", "line 6:", "line 7:", "line 8:", "line 9:", "line 10:", "line 12:"})
        EXPECT_NE(errors.find(line), std::string::npos) << line << " in\n" << errors;
    EXPECT_EQ(errors.find("line 13:"), std::string::npos) << "a refused section is reported once";
    EXPECT_EQ(GetProfileIntA("Direct3D", "debug", 0), 5u);
    EXPECT_EQ(QueryDword("SOFTWARE\\X", "F"), 7u);
    LONG status;
    QueryDword("SOFTWARE\\X", "A", &status);
    EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
}

TEST_F(Settings, MissingFileIsAFailure)
{
    testing::internal::CaptureStderr();
    EXPECT_FALSE(win32::LoadSettingsFile("/nonexistent/r3az/settings.ini"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("/nonexistent/r3az/settings.ini"), std::string::npos);
    EXPECT_FALSE(win32::LoadSettingsFile(nullptr));
}

TEST_F(Settings, ProfileIntReadsLikeWindows)
{
    const std::pair<const char*, UINT> cases[] = {
        {"3", 3},          {"  42", 42},       {"12abc", 12},   {"abc", 0},          {"0x1F", 31},
        {"0X10", 16},      {"-1", 0xFFFFFFFF}, {"+7", 7},       {"4294967295", 0xFFFFFFFF}, {"007", 7},
        {"\"5\"", 0},      {"1 2", 1},
    };
    for (auto [text, expected] : cases) {
        win32::SetProfileString("Direct3D", "debug", text);
        EXPECT_EQ(GetProfileIntA("Direct3D", "debug", 99), expected) << text;
    }
    // Missing or empty values give the default.
    win32::SetProfileString("Direct3D", "debug", "");
    EXPECT_EQ(GetProfileIntA("Direct3D", "debug", 99), 99u);
    win32::RemoveProfileKey("Direct3D", "debug");
    EXPECT_EQ(GetProfileIntA("Direct3D", "debug", 99), 99u);
    EXPECT_EQ(GetProfileIntA("Direct3D", "debug", -2), 0xFFFFFFFEu);
    EXPECT_EQ(GetProfileIntA("Elsewhere", "debug", 4), 4u);
    EXPECT_EQ(GetProfileIntA(nullptr, "debug", 4), 4u);
}

TEST_F(Settings, FileValuesAreUnquoted)
{
    SettingsFile file("[profile:Direct3D]\ndebug = \"7\"\n");
    ASSERT_TRUE(win32::LoadSettingsFile(file.Path()));
    EXPECT_EQ(GetProfileIntA("Direct3D", "debug", 0), 7u);
}

TEST_F(Settings, ClearForgetsEverything)
{
    win32::SetProfileString("Direct3D", "debug", "1");
    win32::SetRegistryDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\Dazuvidar\\Direct3D", "R3AZ", 1);
    win32::ClearSettings();
    EXPECT_EQ(GetProfileIntA("Direct3D", "debug", 0), 0u);
    HKEY key;
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Dazuvidar\\Direct3D", &key), ERROR_FILE_NOT_FOUND);
}

// The file is read at the first use of any setting; these run in a fresh
// process so that nothing has used the settings yet.
class SettingsAtStart : public Settings {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(SettingsAtStart, FileNamedByTheEnvironmentIsReadLazily)
{
    SettingsFile file("[profile:Direct3D]\ndebug = 6\n");
    EXPECT_EXIT(
        {
            setenv("R3AZ_SETTINGS", file.Path(), 1);
            int debug = int(GetProfileIntA("Direct3D", "debug", 0));
            std::remove(file.Path()); // the child's own copy: its destructor never runs
            std::_Exit(debug);
        },
        testing::ExitedWithCode(6), "");
}

TEST_F(SettingsAtStart, EmptyVariableMeansNoFile)
{
    EXPECT_EXIT(
        {
            setenv("R3AZ_SETTINGS", "", 1);
            setenv("XDG_CONFIG_HOME", "/nonexistent", 1);
            std::_Exit(int(GetProfileIntA("Direct3D", "debug", 9)));
        },
        testing::ExitedWithCode(9), "");
}

TEST_F(SettingsAtStart, DefaultLocationUnderTheConfigFolder)
{
    char folder[] = "/tmp/r3az-config-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::string sub = std::string(folder) + "/r3az";
    ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
    std::string path = sub + "/settings.ini";
    std::ofstream(path) << "[profile:Direct3D]\ndebug = 4\n";
    EXPECT_EXIT(
        {
            unsetenv("R3AZ_SETTINGS");
            setenv("XDG_CONFIG_HOME", folder, 1);
            int debug = int(GetProfileIntA("Direct3D", "debug", 0));
            std::remove(path.c_str());
            rmdir(sub.c_str());
            rmdir(folder);
            std::_Exit(debug);
        },
        testing::ExitedWithCode(4), "");
    std::remove(path.c_str());
    rmdir(sub.c_str());
    rmdir(folder);
}

TEST_F(SettingsAtStart, TestCallsOverrideTheFile)
{
    SettingsFile file("[profile:Direct3D]\ndebug = 6\n");
    EXPECT_EXIT(
        {
            setenv("R3AZ_SETTINGS", file.Path(), 1);
            win32::SetProfileString("Direct3D", "debug", "2");
            int debug = int(GetProfileIntA("Direct3D", "debug", 0));
            std::remove(file.Path());
            std::_Exit(debug);
        },
        testing::ExitedWithCode(2), "");
}

TEST_F(SettingsAtStart, MissingNamedFileIsReported)
{
    EXPECT_EXIT(
        {
            setenv("R3AZ_SETTINGS", "/nonexistent/settings.ini", 1);
            std::_Exit(int(GetProfileIntA("Direct3D", "debug", 8)));
        },
        testing::ExitedWithCode(8), "cannot read /nonexistent/settings.ini");
}

} // namespace
