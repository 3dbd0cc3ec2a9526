// The saver's Direct3D device as Wine makes it, the seam that makes its creation fail, and
// the release of the five device objects.
#include <windows.h>

#include <d3d8.h>

#include <gtest/gtest.h>

#include "base/com_ptr_win.h"
#include "scenes/device_objects_win.h"

namespace {

IDirect3D8* WINAPI NoDirect3D(UINT) { return nullptr; }

class DeviceObjectsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = CreateWindowExA(0, "STATIC", "device test", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    direct3DCreate = SystemDirect3DCreate8;
    ReleaseDeviceObjects();
    DestroyWindow(window_);
  }
  static void ExpectAllEmpty() {
    EXPECT_EQ(direct3D, nullptr);
    EXPECT_EQ(d3dDevice, nullptr);
    EXPECT_EQ(videoTexture, nullptr);
    EXPECT_EQ(sceneVertexBuffer, nullptr);
    EXPECT_EQ(sceneIndexBuffer, nullptr);
  }

  HWND window_ = nullptr;
};

TEST_F(DeviceObjectsTest, DeviceIsAWindowedScreenSizedMultithreadedHalDevice) {
  ASSERT_EQ(CreateSaverDevice(window_), D3D_OK);
  ASSERT_NE(direct3D, nullptr);
  ASSERT_NE(d3dDevice, nullptr);

  D3DDEVICE_CREATION_PARAMETERS creation;
  ASSERT_EQ(d3dDevice->GetCreationParameters(&creation), D3D_OK);
  EXPECT_EQ(creation.AdapterOrdinal, 0u);
  EXPECT_EQ(creation.DeviceType, D3DDEVTYPE_HAL);
  EXPECT_EQ(creation.hFocusWindow, window_);
  EXPECT_EQ(creation.BehaviorFlags, 0x24u);

  D3DDISPLAYMODE mode;
  ASSERT_EQ(direct3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
  ComPtr<IDirect3DSurface8> backBuffer;
  ASSERT_EQ(d3dDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, backBuffer.Receive()), D3D_OK);
  D3DSURFACE_DESC description;
  backBuffer->GetDesc(&description);
  EXPECT_EQ(int(description.Width), GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(int(description.Height), GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(description.Format, mode.Format);
  EXPECT_EQ(description.MultiSampleType, D3DMULTISAMPLE_NONE);
  EXPECT_EQ(d3dDevice->GetBackBuffer(1, D3DBACKBUFFER_TYPE_MONO, backBuffer.Receive()), D3DERR_INVALIDCALL)
      << "exactly one back buffer";

  ComPtr<IDirect3DSurface8> depth;
  ASSERT_EQ(d3dDevice->GetDepthStencilSurface(depth.Receive()), D3D_OK);
  depth->GetDesc(&description);
  EXPECT_EQ(description.Format, D3DFMT_D16);
}

TEST_F(DeviceObjectsTest, MissingDirect3DFailsWithNothingMade) {
  direct3DCreate = NoDirect3D;
  EXPECT_EQ(CreateSaverDevice(window_), E_FAIL);
  ExpectAllEmpty();
}

TEST_F(DeviceObjectsTest, ReleaseEmptiesEveryHolderAndIsSafeWhenEmpty) {
  ReleaseDeviceObjects();
  ExpectAllEmpty();

  ASSERT_EQ(CreateSaverDevice(window_), D3D_OK);
  ASSERT_EQ(d3dDevice->CreateTexture(256, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &videoTexture), D3D_OK);
  ASSERT_EQ(d3dDevice->CreateVertexBuffer(24 * 4, 0, 0x142, D3DPOOL_MANAGED, &sceneVertexBuffer), D3D_OK);
  ASSERT_EQ(d3dDevice->CreateIndexBuffer(2 * 6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &sceneIndexBuffer), D3D_OK);
  // The test's own reference to the device shows that the release drops every other one.
  IDirect3DDevice8* device = d3dDevice;
  device->AddRef();

  ReleaseDeviceObjects();
  ExpectAllEmpty();
  EXPECT_EQ(device->Release(), 0u);
  ReleaseDeviceObjects();
  ExpectAllEmpty();
}

}  // namespace
