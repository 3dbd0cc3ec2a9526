// The video list dialog: shows the ten path slots in edits, lets the user fill a row through
// the file-open dialog, and copies the edits back into the slots on OK only. The paths reach
// the registry when the settings dialog saves. Main thread only.
#include "settings/video_list_dialog_win.h"

#include <cstddef>

#include "resources/resource_ids.h"
#include "settings/common_dialogs_win.h"
#include "settings/options_record.h"

namespace {

// Edits and buttons by row (row 1 first). Row 2's edit is out of sequence in the template.
constexpr int kRowEdits[kVideoSlotCount] = {IDC_VIDEO_EDIT1, IDC_VIDEO_EDIT2, IDC_VIDEO_EDIT3, IDC_VIDEO_EDIT4,
                                            IDC_VIDEO_EDIT5, IDC_VIDEO_EDIT6, IDC_VIDEO_EDIT7, IDC_VIDEO_EDIT8,
                                            IDC_VIDEO_EDIT9, IDC_VIDEO_EDIT10};
constexpr int kRowButtons[kVideoSlotCount] = {
    IDC_VIDEO_BROWSE1, IDC_VIDEO_BROWSE2, IDC_VIDEO_BROWSE3, IDC_VIDEO_BROWSE4, IDC_VIDEO_BROWSE5,
    IDC_VIDEO_BROWSE6, IDC_VIDEO_BROWSE7, IDC_VIDEO_BROWSE8, IDC_VIDEO_BROWSE9, IDC_VIDEO_BROWSE10};

// Pairs of display text and pattern, ended by an empty pair.
const char kVideoFilters[] =
    "Video Files(*.avi; *.mpg; *.mpeg)\0*.avi;*.mpg;*.mpeg;\0"
    "AVI File\0*.avi\0"
    "MPG File\0*.mpg\0"
    "MPEG File\0*.mpeg\0"
    // What plays through Media Foundation where DirectShow has no splitter for it.
    "All Video Files\0*.mp4;*.m4v;*.mov;*.wmv;*.mkv;*.avi;*.mpg;*.mpeg\0"
    "All Files\0*.*\0";

// The structure as Windows 9x and NT 4 know it, without the later extension fields: it ends
// with the template name (76 bytes in the 32-bit build, 136 in the 64-bit one).
constexpr DWORD kOpenRequestSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
static_assert(sizeof(void*) != 4 || kOpenRequestSize == 76, "the 32-bit old form is 76 bytes");
static_assert(kOpenRequestSize < sizeof(OPENFILENAMEA), "the extension fields are left out");

// Row (0-based) of a "Browse..." button, or -1.
int BrowseRow(int id) {
  for (std::size_t row = 0; row < kVideoSlotCount; ++row)
    if (kRowButtons[row] == id) return static_cast<int>(row);
  return -1;
}

void Browse(HWND dialog, int row) {
  char file[kVideoPathSize];
  OPENFILENAMEA request = VideoOpenRequest(dialog, file);
  if (!OpenFileDialog(&request)) return;
  SetDlgItemTextA(dialog, kRowEdits[row], file);
}

void InitVideoList(HWND dialog) {
  for (std::size_t row = 0; row < kVideoSlotCount; ++row)
    SetDlgItemTextA(dialog, kRowEdits[row], VideoFileSlot(saverOptions, static_cast<int>(row) + 1));
}

void StoreVideoList(HWND dialog) {
  // A buffer of the slot's size keeps at most 259 characters and the terminator.
  for (std::size_t row = 0; row < kVideoSlotCount; ++row)
    GetDlgItemTextA(dialog, kRowEdits[row], VideoFileSlot(saverOptions, static_cast<int>(row) + 1),
                    static_cast<int>(kVideoPathSize));
}

INT_PTR CALLBACK VideoListDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      InitVideoList(dialog);
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == IDOK) {
        StoreVideoList(dialog);
        EndDialog(dialog, 1);
        return TRUE;
      }
      if (id == IDCANCEL) {
        EndDialog(dialog, 1);
        return TRUE;
      }
      const int row = BrowseRow(id);
      if (row < 0) return FALSE;
      Browse(dialog, row);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

OPENFILENAMEA VideoOpenRequest(HWND owner, char* file) {
  OPENFILENAMEA request = {};
  request.lStructSize = kOpenRequestSize;
  request.hwndOwner = owner;
  request.lpstrFilter = kVideoFilters;
  request.nFilterIndex = 1;
  file[0] = '\0';
  request.lpstrFile = file;
  request.nMaxFile = kVideoPathSize;
  request.lpstrTitle = "Open Media File...";
  request.lpstrDefExt = "mpg";
  request.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  return request;
}

INT_PTR ShowVideoListDialog(HWND parent) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_VIDEO_LIST), parent, VideoListDialogProc, 0);
}
