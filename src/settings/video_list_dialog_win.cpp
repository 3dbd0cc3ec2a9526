// The video list dialog: shows the ten path slots in edits, lets the user fill a row through
// the file-open dialog or the shell's folder picker, and copies the edits back into the slots
// on OK only. The paths reach the registry when the settings dialog saves. Main thread only.
#include "settings/video_list_dialog_win.h"

#include <cstddef>

#include "base/com_ptr_win.h"
#include "base/system_library_win.h"
#include "resources/resource_ids.h"
#include "settings/common_dialogs_win.h"
#include "settings/options_record.h"
#include "settings/settings_encoding.h"

namespace {

// Edits and buttons by row (row 1 first). Row 2's edit is out of sequence in the template.
constexpr int kRowEdits[kVideoSlotCount] = {IDC_VIDEO_EDIT1, IDC_VIDEO_EDIT2, IDC_VIDEO_EDIT3, IDC_VIDEO_EDIT4,
                                            IDC_VIDEO_EDIT5, IDC_VIDEO_EDIT6, IDC_VIDEO_EDIT7, IDC_VIDEO_EDIT8,
                                            IDC_VIDEO_EDIT9, IDC_VIDEO_EDIT10};
constexpr int kRowBrowseButtons[kVideoSlotCount] = {
    IDC_VIDEO_BROWSE1, IDC_VIDEO_BROWSE2, IDC_VIDEO_BROWSE3, IDC_VIDEO_BROWSE4, IDC_VIDEO_BROWSE5,
    IDC_VIDEO_BROWSE6, IDC_VIDEO_BROWSE7, IDC_VIDEO_BROWSE8, IDC_VIDEO_BROWSE9, IDC_VIDEO_BROWSE10};
constexpr int kRowFolderButtons[kVideoSlotCount] = {
    IDC_VIDEO_FOLDER1, IDC_VIDEO_FOLDER2, IDC_VIDEO_FOLDER3, IDC_VIDEO_FOLDER4, IDC_VIDEO_FOLDER5,
    IDC_VIDEO_FOLDER6, IDC_VIDEO_FOLDER7, IDC_VIDEO_FOLDER8, IDC_VIDEO_FOLDER9, IDC_VIDEO_FOLDER10};

// Pairs of display text and pattern, ended by an empty pair.
const char kVideoFilters[] =
    "Video Files(*.avi; *.mpg; *.mpeg)\0*.avi;*.mpg;*.mpeg;\0"
    "AVI File\0*.avi\0"
    "MPG File\0*.mpg\0"
    "MPEG File\0*.mpeg\0"
    // What plays through Media Foundation where DirectShow has no splitter for it.
    "All Video Files\0*.mp4;*.m4v;*.mov;*.wmv;*.mkv;*.avi;*.mpg;*.mpeg\0"
    "All Files\0*.*\0";
const char kOpenTitle[] = "Open Media File...";
const char kDefaultExtension[] = "mpg";
const char kFolderTitle[] = "Choose a folder of videos.";

// Told when a picked name has no form a slot can hold; the row then keeps what it had.
const char kFileRefused[] = "This file's name cannot be stored here. Choose its folder with Folder... instead.";
const char kFolderRefused[] = "This folder's name cannot be stored here.";

// The structure as Windows 9x and NT 4 know it, without the later extension fields: it ends
// with the template name (76 bytes in the 32-bit build, 136 in the 64-bit one).
constexpr DWORD kOpenRequestSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
static_assert(sizeof(void*) != 4 || kOpenRequestSize == 76, "the 32-bit old form is 76 bytes");
static_assert(kOpenRequestSize < sizeof(OPENFILENAMEA), "the extension fields are left out");
static_assert(offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(LPCWSTR) == kOpenRequestSize, "the wide form is alike");

template <typename Request, typename Char>
Request OpenRequest(HWND owner, Char* file, const Char* filters, const Char* title, const Char* extension) {
  Request request = {};
  request.lStructSize = kOpenRequestSize;
  request.hwndOwner = owner;
  request.lpstrFilter = filters;
  request.nFilterIndex = 1;
  file[0] = '\0';
  request.lpstrFile = file;
  request.nMaxFile = kVideoPathSize;
  request.lpstrTitle = title;
  request.lpstrDefExt = extension;
  request.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  return request;
}

// The same request for GetOpenFileNameW. Its texts are ASCII, so each byte widens to the
// character of the same number; the filters with every terminator, the closing pair's too.
class WideOpenRequest {
 public:
  WideOpenRequest(HWND owner, wchar_t* file)
      : filters_(kVideoFilters, kVideoFilters + sizeof(kVideoFilters)),
        title_(kOpenTitle, kOpenTitle + sizeof(kOpenTitle) - 1),
        extension_(kDefaultExtension, kDefaultExtension + sizeof(kDefaultExtension) - 1),
        request_(OpenRequest<OPENFILENAMEW>(owner, file, filters_.c_str(), title_.c_str(), extension_.c_str())) {}
  WideOpenRequest(const WideOpenRequest&) = delete;
  WideOpenRequest& operator=(const WideOpenRequest&) = delete;

  OPENFILENAMEW* Get() { return &request_; }

 private:
  const std::wstring filters_, title_, extension_;
  OPENFILENAMEW request_;
};

// The 9x family names its files in the ANSI code page, so its ANSI calls return every name
// whole; the NT family's ANSI calls replace what the code page lacks.
bool OnNtFamily() { return (GetVersion() & 0x80000000u) == 0; }

// `text` converted to the ANSI code page with `flags`; false where the call refuses them.
bool Narrow(const std::wstring& text, DWORD flags, BOOL* replaced, std::string& ansi) {
  const int size = WideCharToMultiByte(CP_ACP, flags, text.c_str(), -1, nullptr, 0, nullptr, replaced);
  if (size <= 0) return false;
  ansi.assign(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(CP_ACP, flags, text.c_str(), -1, &ansi[0], size, nullptr, replaced) != size) return false;
  ansi.resize(static_cast<std::size_t>(size) - 1);
  return true;
}

std::wstring Widen(const std::string& ansi) {
  const int size = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &text[0], size);
  text.resize(static_cast<std::size_t>(size) - 1);
  return text;
}

// `text` in the ANSI code page, where no character is lost on the way: none replaced by the
// default character and none by a look-alike (which would name another file).
std::optional<std::string> AnsiForm(const std::wstring& text) {
  std::string ansi;
  BOOL replaced = FALSE;
  if (Narrow(text, WC_NO_BEST_FIT_CHARS, &replaced, ansi)) {
    if (replaced) return std::nullopt;
    return ansi;
  }
  // NT 4 knows no WC_NO_BEST_FIT_CHARS, and a UTF-8 code page takes neither it nor the
  // replaced flag: there the text is whole when it converts back unchanged.
  if (Narrow(text, 0, nullptr, ansi) && Widen(ansi) == text) return ansi;
  return std::nullopt;
}

typedef DWORD(WINAPI* ShortPathProc)(const wchar_t* path, wchar_t* shortPath, DWORD size);

// The short (8.3) form of an existing file's or folder's path; none where the call fails or
// the form is longer than MAX_PATH. A volume that keeps no short names gives the path back
// as it is, which then converts no better than before.
std::optional<std::wstring> ShortForm(const std::wstring& path) {
  // Looked up: the 32-bit program imports no wide call (the 9x family's are stubs).
  static const auto shorten = LookUp<ShortPathProc>(GetModuleHandleA("kernel32.dll"), "GetShortPathNameW");
  if (shorten == nullptr) return std::nullopt;
  wchar_t buffer[MAX_PATH];
  const DWORD length = shorten(path.c_str(), buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  return std::wstring(buffer, length);
}

// Row (0-based) of a button among `buttons`, or -1.
int RowOf(const int (&buttons)[kVideoSlotCount], int id) {
  for (std::size_t row = 0; row < kVideoSlotCount; ++row)
    if (buttons[row] == id) return static_cast<int>(row);
  return -1;
}

// Tells the user why the row keeps what it had, in a box titled as the list.
void Refuse(HWND dialog, const char* text) {
  char caption[64] = {};
  SendMessageA(dialog, WM_GETTEXT, sizeof(caption), reinterpret_cast<LPARAM>(caption));
  MessageBoxA(dialog, text, caption, MB_OK | MB_ICONINFORMATION);
}

void PutPickedPath(HWND dialog, int row, const wchar_t* path, const char* refusal) {
  const std::optional<std::string> stored = StoredFormOfPath(path);
  if (!stored) {
    Refuse(dialog, refusal);
    return;
  }
  SetDlgItemTextA(dialog, kRowEdits[row], stored->c_str());
}

void Browse(HWND dialog, int row) {
  if (OnNtFamily()) {
    wchar_t file[kVideoPathSize];
    WideOpenRequest request(dialog, file);
    if (OpenFileDialog(request.Get())) PutPickedPath(dialog, row, file, kFileRefused);
    return;
  }
  char file[kVideoPathSize];
  OPENFILENAMEA request = VideoOpenRequest(dialog, file);
  if (OpenFileDialog(&request)) SetDlgItemTextA(dialog, kRowEdits[row], file);
}

void PickFolder(HWND dialog, int row) {
  const ComApartment apartment;  // the picker's tree is made of the shell's COM objects
  BROWSEINFOA request = {};
  request.hwndOwner = dialog;
  request.lpszTitle = kFolderTitle;
  request.ulFlags = BIF_RETURNONLYFSDIRS;
  const ShellItemList folder = BrowseForFolder(&request);
  if (!folder) return;
  // A path longer than MAX_PATH is not handed out at all.
  if (OnNtFamily()) {
    wchar_t path[MAX_PATH];
    if (FolderPath(folder, path)) PutPickedPath(dialog, row, path, kFolderRefused);
    else Refuse(dialog, kFolderRefused);
    return;
  }
  char path[MAX_PATH];
  if (FolderPath(folder, path)) SetDlgItemTextA(dialog, kRowEdits[row], path);
  else Refuse(dialog, kFolderRefused);
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

// A row's "Browse..." or "Folder..." button; false for any other control.
bool OnRowButton(HWND dialog, int id) {
  int row = RowOf(kRowBrowseButtons, id);
  if (row >= 0) {
    Browse(dialog, row);
    return true;
  }
  row = RowOf(kRowFolderButtons, id);
  if (row < 0) return false;
  PickFolder(dialog, row);
  return true;
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
      return OnRowButton(dialog, id) ? TRUE : FALSE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

OPENFILENAMEA VideoOpenRequest(HWND owner, char* file) {
  return OpenRequest<OPENFILENAMEA>(owner, file, kVideoFilters, kOpenTitle, kDefaultExtension);
}

std::optional<std::string> StoredFormOfPath(const wchar_t* path) {
  const std::wstring picked(path);
  const std::optional<std::string> longForm = AnsiForm(picked);
  std::optional<std::string> shortForm;
  if (const std::optional<std::wstring> shortPath = ShortForm(picked)) shortForm = AnsiForm(*shortPath);
  const std::string* stored = StoredPathForm(longForm, shortForm);
  if (stored == nullptr) return std::nullopt;
  return *stored;
}

INT_PTR ShowVideoListDialog(HWND parent) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_VIDEO_LIST), parent, VideoListDialogProc, 0);
}
