// Module look-up: Windows names onto the project's shared libraries.
#include "d3d8.h"
#include "d3d8_testing.h"
#include "win32.h"

#include <gtest/gtest.h>

namespace {

// The test program links the device library, so it is loaded already.
TEST(Modules, LoadedDeviceLibraryIsFoundByItsWindowsName)
{
    HMODULE module = GetModuleHandleA("d3d8.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(GetModuleHandleA("D3D8.DLL"), module);
    EXPECT_EQ(GetModuleHandleA("d3d8"), module);
    auto mute = reinterpret_cast<void (*)(DWORD)>(GetProcAddress(module, "DebugSetMute"));
    ASSERT_NE(mute, nullptr);
    EXPECT_EQ(mute, &DebugSetMute);
    unsigned calls = d3d8::RuntimeMuteCalls();
    mute(1);
    EXPECT_EQ(d3d8::RuntimeMute(), 1u);
    mute(0);
    EXPECT_EQ(d3d8::RuntimeMute(), 0u);
    EXPECT_EQ(d3d8::RuntimeMuteCalls(), calls + 2);
    EXPECT_EQ(GetProcAddress(module, "NoSuchFunction"), nullptr);
}

TEST(Modules, KernelExportsItsDebuggerQuery)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    ASSERT_NE(kernel, nullptr);
    auto query = reinterpret_cast<BOOL (*)()>(GetProcAddress(kernel, "IsDebuggerPresent"));
    ASSERT_NE(query, nullptr);
    EXPECT_EQ(query, &IsDebuggerPresent);
}

TEST(Modules, MissingModulesAreNotFound)
{
    EXPECT_EQ(GetModuleHandleA("d3d8d.dll"), nullptr);
    EXPECT_EQ(LoadLibraryA("d3d8d.dll"), nullptr);
    EXPECT_EQ(GetModuleHandleA("nosuchmodule.dll"), nullptr);
    EXPECT_EQ(GetModuleHandleA(""), nullptr);
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
    EXPECT_EQ(GetProcAddress(nullptr, "DebugSetMute"), nullptr);
    EXPECT_FALSE(FreeLibrary(nullptr));
}

TEST(Modules, LoadLibraryTakesAReferenceThatFreeLibraryReturns)
{
    HMODULE loaded = LoadLibraryA("d3d8.dll");
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded, GetModuleHandleA("d3d8.dll"));
    EXPECT_NE(GetProcAddress(loaded, "SoftD3D8CreateDevice"), nullptr);
    EXPECT_TRUE(FreeLibrary(loaded));
    // Still linked into the program, so still there.
    EXPECT_NE(GetModuleHandleA("d3d8.dll"), nullptr);
}

TEST(Modules, OrdinalsAreNotLookedUp)
{
    HMODULE module = GetModuleHandleA("d3d8.dll");
    EXPECT_EQ(GetProcAddress(module, reinterpret_cast<LPCSTR>(uintptr_t(1))), nullptr);
}

TEST(Modules, NullNameIsTheProgram)
{
    HMODULE program = GetModuleHandleA(nullptr);
    EXPECT_NE(program, nullptr);
}

} // namespace
