// Link controls: subclassed statics that show the hand cursor and open their address with
// the shell on a button press. The record lives in a movable global block so that it can
// hang off the control as a window property and be freed with the control. Main thread only
// (the thread that owns the dialog).
#include "settings/link_control_win.h"

#include <cstring>

#include "base/scoped_win.h"
#include "resources/resource_ids.h"
#include "settings/common_dialogs_win.h"

const char kLinkProperty[] = "href_dat";

namespace {

char* CopyAddress(const char* address) {
  const std::size_t size = std::strlen(address) + 1;
  char* copy = new char[size];
  std::memcpy(copy, address, size);
  return copy;
}

// Locks the record's block for as long as the object lives.
class LockedRecord {
 public:
  explicit LockedRecord(HGLOBAL block) : block_(block), record_(static_cast<LinkRecord*>(GlobalLock(block))) {}
  ~LockedRecord() {
    if (record_ != nullptr) GlobalUnlock(block_);
  }
  LockedRecord(const LockedRecord&) = delete;
  LockedRecord& operator=(const LockedRecord&) = delete;

  LinkRecord* operator->() const { return record_; }
  explicit operator bool() const { return record_ != nullptr; }

 private:
  HGLOBAL block_;
  LinkRecord* record_;
};

HGLOBAL LinkBlock(HWND window) { return static_cast<HGLOBAL>(GetPropA(window, kLinkProperty)); }

void FreeLink(HWND window, HGLOBAL block) {
  RemovePropA(window, kLinkProperty);
  {
    LockedRecord record(block);
    if (record) delete[] record->address;
  }
  GlobalFree(block);
}

}  // namespace

void AttachLink(HWND dialog, int id, const char* address) {
  HWND control = GetDlgItem(dialog, id);
  SetWindowTextA(control, address);

  if (HGLOBAL existing = LinkBlock(control)) {
    LockedRecord record(existing);
    if (!record) return;
    delete[] record->address;
    record->address = CopyAddress(address);
    return;
  }

  ScopedGlobalMemory block(GlobalAlloc(GMEM_MOVEABLE, sizeof(LinkRecord)));
  if (!block) return;
  {
    LockedRecord record(block.Get());
    if (!record) return;
    record->address = CopyAddress(address);
    record->previousProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(control, GWLP_WNDPROC));
    record->reserved1 = 0;
    record->reserved2 = 0;
  }
  SetPropA(control, kLinkProperty, block.Release());  // the control owns it from here
  SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LinkWndProc));
}

LRESULT CALLBACK LinkWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HGLOBAL block = LinkBlock(window);
  if (block == nullptr) return DefWindowProcA(window, message, wParam, lParam);

  const char* address = nullptr;
  WNDPROC previous = nullptr;
  {
    LockedRecord record(block);
    if (!record) return DefWindowProcA(window, message, wParam, lParam);
    address = record->address;
    previous = record->previousProc;
  }

  switch (message) {
    case WM_SETCURSOR:
      SetCursor(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_LINK_HAND)));
      return TRUE;
    case WM_NCHITTEST:
      // A picture static lets the mouse through to the dialog; a link must receive it.
      return HTCLIENT;
    case WM_LBUTTONDOWN: {
      HWND owner = GetParent(window);
      ShellOpen(owner != nullptr ? owner : window, address);
      break;
    }
    case WM_DESTROY:
      FreeLink(window, block);
      break;
    default:
      break;
  }
  return CallWindowProcA(previous, window, message, wParam, lParam);
}
