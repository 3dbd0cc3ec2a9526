// The link control under Wine on a window of the test's own: cursor, hit testing, opening
// the address through the real shell (a probe program of the test's own stands in for a
// web address), a second attach, and the clean-up on destruction.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/scoped_win.h"
#include "program_folder.h"
#include "settings/link_control_win.h"

namespace {

constexpr int kLinkId = 1000;

// A copy of the probe program under a name of its own, and the semaphore it releases when
// the shell starts it.
class Probe {
 public:
  explicit Probe(const char* name) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    path_ = std::string(temp) + name;
    copied_ = CopyFileA(ProgramFile("link_probe.exe").c_str(), path_.c_str(), FALSE) != 0;
    started_ = CreateSemaphoreA(nullptr, 0, 100, (std::string("orvel-link-probe-") + name).c_str());
  }
  ~Probe() {
    CloseHandle(started_);
    // The probe may still be ending; its file goes once it has.
    for (int i = 0; i < 50 && !DeleteFileA(path_.c_str()); ++i) Sleep(100);
  }
  Probe(const Probe&) = delete;
  Probe& operator=(const Probe&) = delete;

  bool ready() const { return copied_ && started_ != nullptr; }
  const std::string& path() const { return path_; }

  // Waits for one start; false when none came within the bound.
  bool Started(DWORD timeout = 20000) const { return WaitForSingleObject(started_, timeout) == WAIT_OBJECT_0; }

 private:
  std::string path_;
  bool copied_ = false;
  HANDLE started_ = nullptr;
};

class LinkControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog_ = CreateWindowExA(0, "STATIC", "dialog", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr,
                              nullptr, nullptr);
    ASSERT_NE(dialog_, nullptr);
    // A picture static, like the settings dialog's: on its own it lets the mouse through.
    link_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BITMAP, 10, 10, 94, 17, dialog_,
                            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kLinkId)), nullptr, nullptr);
    ASSERT_NE(link_, nullptr);
    staticProc_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(link_, GWLP_WNDPROC));
  }
  void TearDown() override {
    if (IsWindow(dialog_)) DestroyWindow(dialog_);
  }

  LinkRecord Record() const {
    LinkRecord copy = {};
    auto block = static_cast<HGLOBAL>(GetPropA(link_, "href_dat"));
    if (block == nullptr) return copy;
    // Two pointers and two 32-bit words: 16 bytes in the 32-bit build.
    EXPECT_EQ(GlobalSize(block), sizeof(void*) == 4 ? 16u : 24u);
    EXPECT_EQ(GlobalFlags(block) & GMEM_DISCARDED, 0u);
    auto* record = static_cast<LinkRecord*>(GlobalLock(block));
    if (record != nullptr) copy = *record;
    GlobalUnlock(block);
    return copy;
  }

  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageA(link_, message, wParam, lParam);
  }

  HWND dialog_ = nullptr;
  HWND link_ = nullptr;
  WNDPROC staticProc_ = nullptr;
};

TEST_F(LinkControlTest, HandCursorAndClientHitTesting) {
  EXPECT_EQ(Send(WM_NCHITTEST, 0, MAKELPARAM(20, 20)), HTTRANSPARENT)
      << "a plain picture static lets the mouse through";

  AttachLink(dialog_, kLinkId, "http://link.invalid/");
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(link_, GWLP_WNDPROC)), &LinkWndProc);
  EXPECT_EQ(Send(WM_NCHITTEST, 0, MAKELPARAM(20, 20)), HTCLIENT);

  SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));  // the arrow, so a change shows
  EXPECT_EQ(Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(link_), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
  HCURSOR hand = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(110));
  ASSERT_NE(hand, nullptr);
  EXPECT_EQ(GetCursor(), hand);

  // The cursor resource: 32 x 32, pointing with the index fingertip at (12, 1).
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(hand, &info));
  const ScopedGdiObject<HBITMAP> colour(info.hbmColor), mask(info.hbmMask);  // ours to delete
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 12u);
  EXPECT_EQ(info.yHotspot, 1u);
  BITMAP maskBits = {};
  GetObjectA(mask.Get(), sizeof(maskBits), &maskBits);
  EXPECT_EQ(maskBits.bmWidth, 32);
}

TEST_F(LinkControlTest, RecordHoldsACopyOfTheAddressAndThePreviousProcedure) {
  std::string address = "http://copy.invalid/";
  AttachLink(dialog_, kLinkId, address.c_str());
  address[7] = 'X';  // the record keeps its own copy
  const LinkRecord record = Record();
  ASSERT_NE(record.address, nullptr);
  EXPECT_STREQ(record.address, "http://copy.invalid/");
  EXPECT_EQ(record.previousProc, staticProc_);
  EXPECT_EQ(record.reserved1, 0u);
  EXPECT_EQ(record.reserved2, 0u);
}

TEST_F(LinkControlTest, OnePressOpensTheAddressOnce) {
  Probe probe("orvel_link_probe_a.exe");
  ASSERT_TRUE(probe.ready());
  AttachLink(dialog_, kLinkId, probe.path().c_str());

  Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_TRUE(probe.Started()) << "the press did not open " << probe.path();
  Send(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  Send(WM_MOUSEMOVE, 0, MAKELPARAM(6, 6));
  EXPECT_FALSE(probe.Started(2000)) << "opened more than once, or on the release";

  Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_TRUE(probe.Started()) << "each press opens the address";
}

TEST_F(LinkControlTest, SecondAttachChangesTheAddressWithoutSubclassingAgain) {
  Probe first("orvel_link_probe_b.exe");
  Probe second("orvel_link_probe_c.exe");
  ASSERT_TRUE(first.ready() && second.ready());
  AttachLink(dialog_, kLinkId, first.path().c_str());
  HANDLE block = GetPropA(link_, "href_dat");

  AttachLink(dialog_, kLinkId, second.path().c_str());
  EXPECT_EQ(GetPropA(link_, "href_dat"), block) << "the same record";
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(link_, GWLP_WNDPROC)), &LinkWndProc);
  const LinkRecord record = Record();
  EXPECT_EQ(record.previousProc, staticProc_) << "subclassed twice: the link would call itself";
  EXPECT_STREQ(record.address, second.path().c_str());

  Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_TRUE(second.Started());
  EXPECT_FALSE(first.Started(2000)) << "the old address was opened";
}

TEST_F(LinkControlTest, AttachSetsTheControlText) {
  DestroyWindow(link_);
  link_ = CreateWindowExA(0, "STATIC", "old", WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 10, 200, 17, dialog_,
                          reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kLinkId)), nullptr, nullptr);
  AttachLink(dialog_, kLinkId, "http://text.invalid/");
  char text[64] = {};
  GetWindowTextA(link_, text, sizeof(text));
  EXPECT_STREQ(text, "http://text.invalid/");
  AttachLink(dialog_, kLinkId, "http://again.invalid/");
  GetWindowTextA(link_, text, sizeof(text));
  EXPECT_STREQ(text, "http://again.invalid/");
}

// Sees WM_DESTROY after the link's own procedure has handled it.
WNDPROC watchedProc;
bool destroyed;
bool propertyLeft;
LRESULT CALLBACK Watch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallWindowProcA(watchedProc, window, message, wParam, lParam);
  if (message == WM_DESTROY) {
    destroyed = true;
    propertyLeft = GetPropA(window, "href_dat") != nullptr;
  }
  return result;
}

TEST_F(LinkControlTest, DestroyRemovesTheRecord) {
  AttachLink(dialog_, kLinkId, "http://gone.invalid/");
  destroyed = false;
  propertyLeft = true;
  watchedProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(link_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Watch)));
  DestroyWindow(dialog_);
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(propertyLeft);
}

TEST_F(LinkControlTest, WithoutItsRecordTheDefaultProcedureAnswers) {
  // A static answers WM_GETDLGCODE with DLGC_STATIC; the default procedure with 0. A message
  // that reaches the link procedure after the record is gone gets the default answer.
  EXPECT_EQ(Send(WM_GETDLGCODE), DLGC_STATIC);
  EXPECT_EQ(CallWindowProcA(&LinkWndProc, link_, WM_GETDLGCODE, 0, 0), 0);
}

}  // namespace
