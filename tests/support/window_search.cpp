// Top-level window search. Any thread.
#include "window_search.h"

namespace {

struct WindowSearch {
  DWORD processId;
  const char* className;
  const char* title;
  bool visibleOnly;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (search->processId != 0 && owner != search->processId) return TRUE;
  char text[128] = {};
  if (search->className) {
    GetClassNameA(window, text, sizeof(text));
    if (lstrcmpA(text, search->className) != 0) return TRUE;
  }
  if (search->title) {
    GetWindowTextA(window, text, sizeof(text));
    if (lstrcmpA(text, search->title) != 0) return TRUE;
  }
  if (search->visibleOnly && !IsWindowVisible(window)) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

HWND FindTopWindow(DWORD processId, const char* className, const char* title, bool visibleOnly) {
  WindowSearch search = {processId, className, title, visibleOnly, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}
