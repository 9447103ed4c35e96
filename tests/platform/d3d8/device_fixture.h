// A software device for each test, and the checks every device test ends
// with: nothing alive, nothing locked, no fault left armed.
#pragma once

#include "d3d8.h"
#include "d3d8_testing.h"

#include <gtest/gtest.h>

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        d3d8::ResetFaults();
        d3d8::SetPitchPadding(0);
        ASSERT_EQ(d3d8::LiveObjects(), 0u) << "an earlier test left objects alive";
        ASSERT_EQ(SoftD3D8CreateDevice(&device), D3D_OK);
    }

    void TearDown() override
    {
        d3d8::ResetFaults();
        d3d8::SetPitchPadding(0);
        if (device != nullptr)
            device->Release();
        EXPECT_EQ(d3d8::LockedObjects(), 0u);
        EXPECT_EQ(d3d8::LiveObjects(), 0u);
    }

    IDirect3DTexture8* MakeTexture(UINT width, UINT height, UINT levels, D3DFORMAT format,
                                   D3DPOOL pool = D3DPOOL_MANAGED, DWORD usage = 0)
    {
        IDirect3DTexture8* texture = nullptr;
        EXPECT_EQ(device->CreateTexture(width, height, levels, usage, format, pool, &texture), D3D_OK);
        return texture;
    }

    IDirect3DSurface8* MakeImage(UINT width, UINT height, D3DFORMAT format)
    {
        IDirect3DSurface8* surface = nullptr;
        EXPECT_EQ(device->CreateImageSurface(width, height, format, &surface), D3D_OK);
        return surface;
    }

    IDirect3DDevice8* device = nullptr;
};
