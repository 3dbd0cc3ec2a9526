// Starting orvel.scr as the Windows host does and watching its windows and its end.
#include "saver_process.h"

#include <vector>

#include "base/product_names.h"
#include "window_search.h"

std::string orvelPath;

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? std::string(".") : path.substr(0, cut);
}

}  // namespace

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
  HWND found = nullptr;
  WaitPumping(
      [&] {
        found = FindTopWindow(kSaverWindowClass, nullptr, visible);
        return found != nullptr || WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0;
      },
      milliseconds);
  return found;
}

HWND SaverProcess::FindTopWindow(const char* className, const char* title, bool visible) const {
  return ::FindTopWindow(info_.dwProcessId, className, title, visible);
}
