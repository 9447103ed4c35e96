// The record of state and draw calls.
#include "tests/support/device_test.h"

#include <string>
#include <vector>

namespace {

using DeviceCalls = DeviceTest;

TEST_F(DeviceCalls, StateAndDrawCallsAreRecordedInOrder)
{
    ComRef<IDirect3DTexture8> texture = MakeTexture(4, 4, 1, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8);
    d3d8::ClearCallLog();
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTexture(0, texture.Get());
    device->SetPixelShader(0);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    device->SetTexture(0, nullptr);
    const std::vector<std::string> expected = {
        "SetRenderState(27, 1)",
        "SetRenderState(19, 5)",
        "SetTextureStageState(0, 1, 4)",
        "SetTexture(0, " + d3d8::DescribeObject(texture.Get()) + ")",
        "SetPixelShader(0)",
        "DrawPrimitive(4, 0, 2)",
        "DrawIndexedPrimitive(4, 0, 4, 0, 2)",
        "SetTexture(0, null)",
    };
    EXPECT_EQ(d3d8::CallLog(), expected);
    d3d8::ClearCallLog();
    EXPECT_TRUE(d3d8::CallLog().empty());
}

TEST_F(DeviceCalls, BindingTakesNoReference)
{
    ComRef<IDirect3DTexture8> texture = MakeTexture(4, 4, 1, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8);
    device->SetTexture(0, texture.Get());
    EXPECT_EQ(texture.Detach()->Release(), 0u);
    device->SetTexture(0, nullptr);
    d3d8::ClearCallLog();
}

TEST_F(DeviceCalls, UnknownPrimitiveTypesAreRefused)
{
    d3d8::ClearCallLog();
    EXPECT_EQ(device->DrawPrimitive(D3DPRIMITIVETYPE(0), 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPRIMITIVETYPE(7), 0, 3, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d8::CallLog().size(), 2u);
    d3d8::ClearCallLog();
}

TEST(DeviceDescribe, PointersAreHexOrNull)
{
    EXPECT_EQ(d3d8::DescribeObject(nullptr), "null");
    EXPECT_EQ(d3d8::DescribeObject(reinterpret_cast<void*>(0xabc0)), "0xabc0");
}

} // namespace
