// The common dialogs of comdlg32 and the shell's open verb and folder picker of shell32, looked
// up at run time in the system folder. Both libraries are KnownDLLs, but both import comctl32
// by name: imported by the program, they would be loaded, and that import resolved, before
// the entry point has loaded the system folder's comctl32 (PinSystemLibraries), and a system
// that does not redirect it (Wine does not) looks in the program's folder first. Main thread
// (the settings dialogs and their link control).
#pragma once

#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include <memory>

// GetOpenFileNameA; FALSE, as for a cancelled dialog, where comdlg32 cannot be loaded.
BOOL OpenFileDialog(OPENFILENAMEA* request);

// GetOpenFileNameW, for the NT family, whose file names the ANSI call cannot all return; FALSE,
// as for a cancelled dialog, where comdlg32 cannot be loaded.
BOOL OpenFileDialog(OPENFILENAMEW* request);

// ChooseColorA; FALSE, as for a cancelled dialog, where comdlg32 cannot be loaded.
BOOL ChooseColourDialog(CHOOSECOLORA* request);

// ShellExecuteA with the "open" verb for `address`, shown normally; nothing where shell32
// cannot be loaded.
void ShellOpen(HWND owner, const char* address);

// An item identifier list the shell allocated, given back to the task allocator with
// CoTaskMemFree (which needs no apartment).
struct ShellListRelease {
  void operator()(ITEMIDLIST* list) const { CoTaskMemFree(list); }
};
using ShellItemList = std::unique_ptr<ITEMIDLIST, ShellListRelease>;

// SHBrowseForFolderA; empty when cancelled or where shell32 cannot be loaded. The calling
// thread must be in an apartment.
ShellItemList BrowseForFolder(BROWSEINFOA* request);

// SHGetPathFromIDListA and SHGetPathFromIDListW into `path` (MAX_PATH characters): false for an
// item that is no file-system folder, a path that does not fit, or where shell32 cannot be
// loaded.
bool FolderPath(const ShellItemList& folder, char* path);
bool FolderPath(const ShellItemList& folder, wchar_t* path);
