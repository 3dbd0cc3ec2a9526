// comdlg32's dialogs and shell32's open verb from the system folder; both libraries stay
// loaded once looked up. Main thread.
#include "settings/common_dialogs_win.h"

#include "base/system_library_win.h"

namespace {

typedef BOOL(WINAPI* OpenFileProc)(OPENFILENAMEA* request);
typedef BOOL(WINAPI* ChooseColourProc)(CHOOSECOLORA* request);
typedef HINSTANCE(WINAPI* ShellExecuteProc)(HWND owner, const char* verb, const char* file, const char* parameters,
                                            const char* folder, INT show);

}  // namespace

BOOL OpenFileDialog(OPENFILENAMEA* request) {
  static const auto open = LookUpSystemProc<OpenFileProc>("comdlg32.dll", "GetOpenFileNameA");
  return open != nullptr ? open(request) : FALSE;
}

BOOL ChooseColourDialog(CHOOSECOLORA* request) {
  static const auto choose = LookUpSystemProc<ChooseColourProc>("comdlg32.dll", "ChooseColorA");
  return choose != nullptr ? choose(request) : FALSE;
}

void ShellOpen(HWND owner, const char* address) {
  static const auto execute = LookUpSystemProc<ShellExecuteProc>("shell32.dll", "ShellExecuteA");
  if (execute != nullptr) execute(owner, "open", address, nullptr, nullptr, SW_SHOWNORMAL);
}
