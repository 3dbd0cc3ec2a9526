// The owners of base/ whose emptiness or undoing the platform decides: a kernel handle, a
// GDI selection and a COM apartment. Main thread of the platform tests.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/com_ptr_win.h"
#include "base/scoped_win.h"

namespace {

bool IsOpenHandle(HANDLE handle) {
  DWORD flags = 0;
  return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(ScopedKernelHandle, NullAndInvalidHandleValueHoldNothing) {
  // CreateFile reports a failure with INVALID_HANDLE_VALUE, which is also this process's
  // pseudo-handle: an owner that took it for a handle would close it.
  const ScopedKernelHandle missing(CreateFileA("Z:\\no such folder\\no such file", GENERIC_READ, 0, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_FALSE(missing);
  EXPECT_FALSE(ScopedKernelHandle(INVALID_HANDLE_VALUE));
  EXPECT_FALSE(ScopedKernelHandle(nullptr));
}

TEST(ScopedKernelHandle, ClosesWhatItHoldsAndNotWhatItHandedOn) {
  HANDLE closed = nullptr;
  HANDLE handedOn = nullptr;
  {
    const ScopedKernelHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    closed = event.Get();
    ScopedKernelHandle kept(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(kept);
    handedOn = kept.Release();
  }
  EXPECT_FALSE(IsOpenHandle(closed));
  EXPECT_TRUE(IsOpenHandle(handedOn));
  CloseHandle(handedOn);
}

TEST(ScopedSelection, PutsBackWhatWasSelectedSoTheObjectCanBeDeleted) {
  const ScopedWindowDc screen(nullptr);
  HDC dc = CreateCompatibleDC(screen.Get());
  ASSERT_NE(dc, nullptr);
  const HGDIOBJ initial = GetCurrentObject(dc, OBJ_BITMAP);
  HBITMAP bitmap = CreateCompatibleBitmap(screen.Get(), 4, 4);
  ASSERT_NE(bitmap, nullptr);
  {
    const ScopedSelection selected(dc, bitmap);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), bitmap);
  }
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), initial);
  EXPECT_NE(DeleteObject(bitmap), FALSE);
  DeleteDC(dc);
}

// COM counts its pairs: an apartment entered twice is left once per success, and one that
// was refused (the thread is in the multithreaded apartment) leaves that apartment alone.
TEST(ComApartment, LeavesOnlyWhatItEntered) {
  {
    const ComApartment outer;
    ASSERT_EQ(outer.Result(), S_OK);
    const ComApartment inner;
    EXPECT_EQ(inner.Result(), S_FALSE);
  }
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK) << "both pairs were left";
  {
    const ComApartment refused;
    EXPECT_EQ(refused.Result(), RPC_E_CHANGED_MODE);
  }
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE) << "the multithreaded apartment is still entered";
  CoUninitialize();
  CoUninitialize();
}

}  // namespace
