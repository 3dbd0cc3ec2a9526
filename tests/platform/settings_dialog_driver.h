// Drives modal dialogs the way a user would, through their windows and messages: the test's
// thread runs the dialog (a modal loop), a second thread finds the dialog, reads and sets
// its controls and presses its buttons. When the driving thread is done, anything still open
// on the dialog's thread is cancelled, so a failing test ends instead of hanging.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "poll.h"

namespace dialog_driver {

constexpr DWORD kWaitTime = 20000;  // bound against a hang, never a timing assertion

inline std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

inline std::string TextOf(HWND window) {
  const int length = GetWindowTextLengthA(window);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  GetWindowTextA(window, &text[0], length + 1);
  text.resize(std::strlen(text.c_str()));
  return text;
}

inline std::string ItemText(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

inline void SetItemText(HWND dialog, int id, const std::string& text) {
  SendDlgItemMessageA(dialog, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

inline bool IsDialogWindow(HWND window) { return ClassOf(window) == "#32770"; }

struct DialogSearch {
  HWND owner;
  std::vector<HWND> found;
};

inline BOOL CALLBACK CollectDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<DialogSearch*>(param);
  if (IsWindowVisible(window) && IsDialogWindow(window) &&
      (search->owner == nullptr || GetWindow(window, GW_OWNER) == search->owner))
    search->found.push_back(window);
  return TRUE;
}

// Visible dialogs of a thread, optionally only those owned by `owner`.
inline std::vector<HWND> ThreadDialogs(DWORD thread, HWND owner = nullptr) {
  DialogSearch search{owner, {}};
  EnumThreadWindows(thread, &CollectDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The visible dialog of `thread` with this caption, once its modal loop runs.
inline HWND WaitForDialog(DWORD thread, const char* caption) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        for (HWND window : ThreadDialogs(thread))
          if (TextOf(window) == caption) found = window;
        return found != nullptr;
      },
      kWaitTime);
  return found;
}

// The visible dialog that `owner` opened (a colour, file or child dialog).
inline HWND WaitForOwnedDialog(DWORD thread, HWND owner) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        const std::vector<HWND> owned = ThreadDialogs(thread, owner);
        if (!owned.empty()) found = owned.front();
        return found != nullptr;
      },
      kWaitTime);
  return found;
}

// Waits until a dialog opened from `owner` has been destroyed, and then until the code that
// opened it has finished with its result: a message sent to `owner` is handled only once the
// owner's own modal loop runs again.
inline bool WaitForClosed(HWND window, HWND owner) {
  if (!WaitFor([&] { return !IsWindow(window); }, kWaitTime)) return false;
  SendMessageA(owner, WM_NULL, 0, 0);
  return true;
}

// Waits until the dialog's window is gone.
inline bool WaitForClosed(HWND window) {
  return WaitFor([&] { return !IsWindow(window); }, kWaitTime);
}

// Presses a button and returns when its command has been handled.
inline void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Presses a button whose command opens a modal dialog of its own: returns at once.
inline void ClickOpening(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

inline bool IsChecked(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

inline int Selection(HWND dialog, int id) {
  return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}

inline std::vector<std::string> ListItems(HWND dialog, int id) {
  std::vector<std::string> items;
  const int count = static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[128] = {};
    SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    items.push_back(text);
  }
  return items;
}

inline std::string SelectedText(HWND dialog, int id) {
  const int selection = Selection(dialog, id);
  if (selection < 0) return "(none)";
  return ListItems(dialog, id)[static_cast<std::size_t>(selection)];
}

// Runs `show` (which opens a modal dialog) on the calling thread and `drive` on a second
// thread that is given the calling thread's id. Returns what `show` returned.
inline INT_PTR RunModal(const std::function<INT_PTR()>& show, const std::function<void(DWORD)>& drive) {
  const DWORD dialogThread = GetCurrentThreadId();
  std::atomic<bool> shown{false};
  std::thread driver([&] {
    drive(dialogThread);
    // Whatever the driver left open (after a failed expectation) is cancelled, innermost
    // dialogs included, until the modal call has returned.
    while (!shown) {
      for (HWND window : ThreadDialogs(dialogThread)) PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
      Sleep(100);
    }
  });
  const INT_PTR result = show();
  shown = true;
  driver.join();
  return result;
}

// A window's rectangle in its parent's client coordinates.
inline RECT RectInParent(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// ---------------------------------------------------------------------------------------
// A dialog template checked against its table, control by control: kinds, styles, texts and
// the tab order. Where the controls lie is the layout tests' business (at 96 and 144 DPI).

struct Control {
  int id;
  const char* cls;
  DWORD type;        // the class's kind bits: button and static kinds, the combo box kind
  DWORD flags;       // style bits that must be set; WS_TABSTOP and WS_GROUP must match exactly
  const char* text;  // null: not compared
};

inline DWORD TypeBits(const std::string& cls, DWORD style) {
  if (cls == "Button") return style & BS_TYPEMASK;
  if (cls == "Static") return style & SS_TYPEMASK;
  if (cls == "ComboBox") return style & 3;
  return 0;
}

// Compares the dialog's child windows, in creation (= tab) order, with the table.
inline void ExpectControls(HWND dialog, const Control* table, std::size_t count) {
  std::size_t index = 0;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT), ++index) {
    ASSERT_LT(index, count) << "more controls than the table has";
    const Control& c = table[index];
    SCOPED_TRACE("control " + std::to_string(index) + " (id " + std::to_string(c.id) + ")");
    const std::string cls = ClassOf(child);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
    EXPECT_EQ(GetDlgCtrlID(child) & 0xFFFF, c.id & 0xFFFF);
    EXPECT_STRCASEEQ(cls.c_str(), c.cls);
    EXPECT_EQ(TypeBits(cls, style), c.type);
    const DWORD must = c.flags & ~static_cast<DWORD>(WS_TABSTOP | WS_GROUP);
    EXPECT_EQ(style & must, must) << std::hex << style;
    DWORD tabAndGroup = c.flags & (WS_TABSTOP | WS_GROUP);
    // Auto radio buttons hand the tab stop to the checked button of their group.
    if (cls == "Button" && c.type == BS_AUTORADIOBUTTON)
      tabAndGroup = (tabAndGroup & ~WS_TABSTOP) | (IsChecked(dialog, c.id) ? WS_TABSTOP : 0);
    EXPECT_EQ(style & (WS_TABSTOP | WS_GROUP), tabAndGroup) << std::hex << style;
    if (cls == "ComboBox") {
      EXPECT_EQ(style & CBS_SORT, 0u) << "lists keep the order items are added in";
    }
    if (c.text != nullptr) {
      EXPECT_EQ(TextOf(child), c.text);
    }
  }
  EXPECT_EQ(index, count) << "fewer controls than the table has";
}

}  // namespace dialog_driver
