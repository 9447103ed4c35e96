// Registry reads: handles, sizes, types and the too-small buffer.
#include "win32.h"
#include "tests/support/process_state.h"
#include "win32_testing.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr const char* kKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Dazuvidar\\Direct3D";
constexpr const char* kSubKey = "SOFTWARE\\Dazuvidar\\Direct3D";

class Registry : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProcessState(StartingSettings::Empty);
        win32::SetRegistryDword(kKey, "R3AZ", 3);
        win32::SetRegistryValue(kKey, "Name", REG_SZ, "text", 5);
        ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, kSubKey, &key), ERROR_SUCCESS);
    }
    void TearDown() override
    {
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        ResetProcessState();
    }
    HKEY key = nullptr;
};

TEST_F(Registry, DwordComesBackWithTypeAndSize)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = REG_NONE;
    ASSERT_EQ(RegQueryValueExA(key, "R3AZ", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
    EXPECT_EQ(value, 3u);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(type, REG_DWORD);
}

TEST_F(Registry, SizeAloneWithNullData)
{
    DWORD size = 0;
    DWORD type = REG_NONE;
    ASSERT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(type, REG_SZ);
    // Neither size nor data: only whether it exists.
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, TooSmallBufferIsMoreDataAndUntouched)
{
    char text[4] = {'x', 'x', 'x', 'x'};
    DWORD size = sizeof text;
    DWORD type = REG_NONE;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(std::memcmp(text, "xxxx", 4), 0);
    // A DWORD asked into two bytes.
    WORD small = 0;
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(key, "R3AZ", nullptr, nullptr, reinterpret_cast<BYTE*>(&small), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
}

TEST_F(Registry, LargerBufferGetsTheTrueSize)
{
    char text[32];
    DWORD size = sizeof text;
    ASSERT_EQ(RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 5u);
    EXPECT_STREQ(text, "text");
}

TEST_F(Registry, BadArguments)
{
    DWORD value;
    DWORD reserved = 0;
    DWORD size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "R3AZ", &reserved, nullptr, reinterpret_cast<BYTE*>(&value), &size),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExA(key, "R3AZ", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), nullptr),
              ERROR_INVALID_PARAMETER);
    int local;
    HKEY stranger = reinterpret_cast<HKEY>(&local);
    EXPECT_EQ(RegQueryValueExA(stranger, "R3AZ", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(stranger), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyA(stranger, "x", &stranger), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, kSubKey, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, KeysOpenStepByStep)
{
    HKEY software = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software", &software), ERROR_SUCCESS);
    HKEY direct3d = nullptr;
    ASSERT_EQ(RegOpenKeyA(software, "dazuvidar\\DIRECT3D", &direct3d), ERROR_SUCCESS);
    DWORD value = 0;
    DWORD size = 4;
    EXPECT_EQ(RegQueryValueExA(direct3d, "r3az", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(value, 3u);
    HKEY missing = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyA(software, "Dazuvidar\\Direct3", &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, kSubKey, &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(direct3d), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(direct3d), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(software), ERROR_SUCCESS);
}

TEST_F(Registry, DefaultValueHasNoName)
{
    win32::SetRegistryValue(kKey, "", REG_SZ, "d", 2);
    char text[4];
    DWORD size = sizeof text;
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
    EXPECT_STREQ(text, "d");
}

TEST_F(Registry, RemovedValueIsGone)
{
    win32::RemoveRegistryValue(kKey, "r3az");
    DWORD size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "R3AZ", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    // A value stored as text stays text.
    win32::SetRegistryValue(kKey, "R3AZ", REG_SZ, "3", 2);
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "R3AZ", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 2u);
}

} // namespace
