// Starting orvel.scr as the Windows host does and watching its windows and its end.
#include "saver_process.h"

#include <vector>

#include "base/product_names.h"

std::string orvelPath;

namespace {

struct WindowSearch {
  DWORD processId;
  const char* className;  // null: any class
  const char* title;      // null: any title
  bool visible;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId) return TRUE;
  char text[128] = {};
  if (search->className) {
    GetClassNameA(window, text, sizeof(text));
    if (lstrcmpA(text, search->className) != 0) return TRUE;
  }
  if (search->title) {
    GetWindowTextA(window, text, sizeof(text));
    if (lstrcmpA(text, search->title) != 0) return TRUE;
  }
  if (search->visible && !IsWindowVisible(window)) return TRUE;
  search->found = window;
  return FALSE;
}

std::string FolderOf(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? std::string(".") : path.substr(0, cut);
}

}  // namespace

void PumpFor(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(10);
  } while (GetTickCount() - start < milliseconds);
}

SaverProcess::SaverProcess(const std::string& arguments) {
  std::string commandLine = "\"" + orvelPath + "\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  std::vector<char> text(commandLine.begin(), commandLine.end());
  text.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  const std::string folder = FolderOf(orvelPath);
  if (!CreateProcessA(orvelPath.c_str(), text.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                      &info_))
    info_ = {};
}

SaverProcess::~SaverProcess() {
  if (info_.hProcess == nullptr) return;
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 5000);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

bool SaverProcess::WaitForExit(DWORD milliseconds, DWORD* exitCode) {
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD r = MsgWaitForMultipleObjects(1, &info_.hProcess, FALSE, 50, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) break;
    PumpFor(0);
    if (GetTickCount() - start > milliseconds) return false;
  }
  if (exitCode) GetExitCodeProcess(info_.hProcess, exitCode);
  return true;
}

HWND SaverProcess::WaitForWindow(DWORD milliseconds, bool visible) {
  const DWORD start = GetTickCount();
  do {
    if (HWND found = FindTopWindow(kSaverWindowClass, nullptr, visible)) return found;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0) return nullptr;
    PumpFor(50);
  } while (GetTickCount() - start < milliseconds);
  return nullptr;
}

HWND SaverProcess::FindTopWindow(const char* className, const char* title, bool visible) const {
  WindowSearch search = {info_.dwProcessId, className, title, visible, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}
