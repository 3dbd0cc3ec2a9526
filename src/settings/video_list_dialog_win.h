// The video list dialog: ten path rows, each with a "Browse..." button that opens the
// file-open dialog and a "Folder..." button that opens the shell's folder picker. It edits
// the record's path slots in memory only. Main thread only.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <optional>
#include <string>

// Modal, from dialog resource 112, owned by `parent`. Returns the dialog's result, which
// callers ignore (OK and Cancel both end with 1).
INT_PTR ShowVideoListDialog(HWND parent);

// The file-open request of a "Browse..." button: the 76-byte form of the structure, the four
// video filters, title, default extension and flags, with `file` (260 bytes, emptied here)
// as the result buffer.
OPENFILENAMEA VideoOpenRequest(HWND owner, char* file);

// What a row stores for a file or folder picked on the NT family (`path`, wide, as the
// dialogs give it): the path in the ANSI code page, or its short (8.3) form, whichever
// StoredPathForm takes; none where neither converts without loss and fits a slot (the row
// then keeps what it had and the user is told).
std::optional<std::string> StoredFormOfPath(const wchar_t* path);
