// comdlg32's dialogs and shell32's open verb and folder picker from the system folder; both
// libraries stay loaded once looked up. Main thread.
#include "settings/common_dialogs_win.h"

#include "base/system_library_win.h"

namespace {

typedef BOOL(WINAPI* OpenFileProc)(OPENFILENAMEA* request);
typedef BOOL(WINAPI* WideOpenFileProc)(OPENFILENAMEW* request);
typedef BOOL(WINAPI* ChooseColourProc)(CHOOSECOLORA* request);
typedef HINSTANCE(WINAPI* ShellExecuteProc)(HWND owner, const char* verb, const char* file, const char* parameters,
                                            const char* folder, INT show);
typedef ITEMIDLIST*(WINAPI* BrowseForFolderProc)(BROWSEINFOA* request);
typedef BOOL(WINAPI* FolderPathProc)(const ITEMIDLIST* folder, char* path);
typedef BOOL(WINAPI* WideFolderPathProc)(const ITEMIDLIST* folder, wchar_t* path);

}  // namespace

BOOL OpenFileDialog(OPENFILENAMEA* request) {
  static const auto open = LookUpSystemProc<OpenFileProc>("comdlg32.dll", "GetOpenFileNameA");
  return open != nullptr ? open(request) : FALSE;
}

BOOL OpenFileDialog(OPENFILENAMEW* request) {
  static const auto open = LookUpSystemProc<WideOpenFileProc>("comdlg32.dll", "GetOpenFileNameW");
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

ShellItemList BrowseForFolder(BROWSEINFOA* request) {
  static const auto browse = LookUpSystemProc<BrowseForFolderProc>("shell32.dll", "SHBrowseForFolderA");
  return ShellItemList(browse != nullptr ? browse(request) : nullptr);
}

bool FolderPath(const ShellItemList& folder, char* path) {
  static const auto read = LookUpSystemProc<FolderPathProc>("shell32.dll", "SHGetPathFromIDListA");
  return read != nullptr && read(folder.get(), path) != FALSE;
}

bool FolderPath(const ShellItemList& folder, wchar_t* path) {
  static const auto read = LookUpSystemProc<WideFolderPathProc>("shell32.dll", "SHGetPathFromIDListW");
  return read != nullptr && read(folder.get(), path) != FALSE;
}
