// A fresh engine for every test: kernel, tracker, heap and device start
// clean, and every test must leave nothing behind.
#pragma once

#include "platform/pwKernel/pwKernel_control.h"
#include "platform/pwMemLeak/pwMemLeak_control.h"
#include "tests/support/process_state.h"

#include "d3d8.h"
#include "d3d8_testing.h"
#include "win32_testing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

class EngineSession : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProcessState();
        m_heapBlocksBefore = win32::GlobalLiveBlocks();
    }

    void TearDown() override
    {
        win32::FailGlobalAllocAt(0);
        d3d8::ResetFaults();
        d3d8::SetPitchPadding(0);
        EXPECT_EQ(kwoMemLeakHost_LiveBlockCount(), 0u) << "blocks the tracker still holds";
        EXPECT_EQ(kwoHost_Shutdown(), 0u) << "textures nobody destroyed";
        EXPECT_EQ(d3d8::LiveObjects(), 0u) << "Direct3D objects still alive";
        EXPECT_EQ(win32::GlobalLiveBlocks(), m_heapBlocksBefore) << "global-heap blocks still allocated";
    }

    // The lines of the kernel's call log that start with `prefix`.
    static std::vector<std::string> KernelCalls(const std::string& prefix)
    {
        std::vector<std::string> calls;
        for (const std::string& line : kwoHost_CallLog())
            if (line.rfind(prefix, 0) == 0)
                calls.push_back(line);
        return calls;
    }

private:
    size_t m_heapBlocksBefore = 0;
};

// The pixels of one level of a texture, row by row without gaps, as 32-bit
// A8R8G8B8 values.
inline std::vector<uint32_t> ReadLevel(IDirect3DTexture8* texture, unsigned level)
{
    D3DSURFACE_DESC description{};
    EXPECT_EQ(texture->GetLevelDesc(level, &description), S_OK);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), S_OK);
    std::vector<uint32_t> pixels(size_t(description.Width) * description.Height);
    for (unsigned row = 0; row < description.Height; ++row)
        std::memcpy(&pixels[size_t(row) * description.Width], static_cast<char*>(locked.pBits) + row * locked.Pitch,
                    description.Width * 4);
    texture->UnlockRect(level);
    return pixels;
}
