// The video list dialog under Wine: the real template, the real file-open dialog answered by
// filling its file-name field, the real folder picker told which folder to select, and the
// path slots of the record afterwards.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "settings/options_record.h"
#include "settings/video_list_dialog_win.h"
#include "settings_dialog_driver.h"

namespace {

using namespace dialog_driver;

const char kCaption[] = "Choose your favorite videos";
const char kOpenTitle[] = "Open Media File...";

// Edit and button of each row, written out as numbers (row 2's edit is out of sequence).
constexpr int kEdits[10] = {1061, 1080, 1062, 1063, 1064, 1065, 1066, 1067, 1068, 1069};
constexpr int kButtons[10] = {1070, 1071, 1072, 1073, 1074, 1075, 1076, 1077, 1078, 1079};
constexpr int kFolderButtons[10] = {1098, 1099, 1100, 1101, 1102, 1103, 1104, 1105, 1106, 1107};

// The file-open dialog's type list and file-name field.
constexpr int kFileTypes = 0x470;
constexpr int kFileNameCombo = 0x47c;
constexpr int kFileNameEdit = 0x480;

// The edit shows `path` (the file dialog may change the letter case of a path it was given).
bool ShowsPath(HWND dialog, int id, const std::string& path) {
  return WaitFor([&] { return lstrcmpiA(ItemText(dialog, id).c_str(), path.c_str()) == 0; }, 5000);
}

std::string Bytes(const SaverOptions& o) { return std::string(reinterpret_cast<const char*>(&o), sizeof(o)); }

std::wstring Widen(const std::string& ansi) {
  wchar_t text[1024] = {};
  MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, text, 1024);
  return text;
}

// A folder of the test's own with small files in it; removed with the object.
class ScratchFiles {
 public:
  ScratchFiles() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    folder_ = std::string(temp) + "orvel-video-list";
    CreateDirectoryA(folder_.c_str(), nullptr);
  }
  ~ScratchFiles() {
    for (auto made = madeWide_.rbegin(); made != madeWide_.rend(); ++made)
      if (!DeleteFileW(made->c_str())) RemoveDirectoryW(made->c_str());
    for (const std::string& file : files_) DeleteFileA(file.c_str());
    RemoveDirectoryA(folder_.c_str());
  }
  ScratchFiles(const ScratchFiles&) = delete;
  ScratchFiles& operator=(const ScratchFiles&) = delete;

  std::string Make(const char* name) {
    const std::string path = folder_ + "\\" + name;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, "RIFF", 4, &written, nullptr);
    CloseHandle(file);
    files_.push_back(path);
    return path;
  }

  // Makes the folders of `relative` (levels split by backslashes), and a file in the last
  // where its name ends in ".avi"; returns the whole path. Made through the "\\?\" form, so
  // that it may be longer than MAX_PATH.
  std::wstring MakeWide(const std::wstring& relative) {
    std::wstring path = L"\\\\?\\" + Widen(folder_);
    for (std::size_t start = 0; start < relative.size();) {
      const std::size_t end = std::min(relative.find(L'\\', start), relative.size());
      path += L"\\" + relative.substr(start, end - start);
      start = end + 1;
      const bool file = end == relative.size() && path.compare(path.size() - 4, 4, L".avi") == 0;
      if (file) {
        CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
      } else {
        CreateDirectoryW(path.c_str(), nullptr);
      }
      madeWide_.push_back(path);
    }
    return path.substr(4);
  }

 private:
  std::string folder_;
  std::vector<std::string> files_;
  std::vector<std::wstring> madeWide_;
};

class VideoListDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(&saverOptions, 0, sizeof(saverOptions));
    SetDefaultOptions(saverOptions);
    for (int slot = 1; slot <= 10; ++slot)
      std::snprintf(VideoFileSlot(saverOptions, slot), kVideoPathSize, "C:\\videos\\slot%d.avi", slot);
    std::memset(saverOptions.reserved1, 0x5C, sizeof(saverOptions.reserved1));
    before_ = saverOptions;
  }

  INT_PTR Run(const std::function<void(HWND dialog, DWORD thread)>& drive) {
    return RunModal([] { return ShowVideoListDialog(nullptr); },
                    [&](DWORD thread) {
                      HWND dialog = WaitForDialog(thread, kCaption);
                      ASSERT_NE(dialog, nullptr) << "the video list did not open";
                      drive(dialog, thread);
                    });
  }

  // Presses "Browse..." of a row (1-based) and returns the file-open dialog.
  static HWND Browse(HWND dialog, DWORD thread, int row) {
    ClickOpening(dialog, kButtons[row - 1]);
    HWND open = WaitForOwnedDialog(thread, dialog);
    if (open != nullptr) {
      EXPECT_EQ(TextOf(open), kOpenTitle);
    }
    return open;
  }

  // Types a name into the file-open dialog of `dialog` and presses its Open button. Wide, so
  // that the NT family's dialog takes names outside the ANSI code page too.
  static void Answer(HWND dialog, HWND open, const std::wstring& name) {
    HWND field = GetDlgItem(open, kFileNameCombo);
    if (field == nullptr) field = GetDlgItem(open, kFileNameEdit);
    ASSERT_NE(field, nullptr) << "no file-name field";
    SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    PostMessageA(open, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitForClosed(open, dialog)) << "the file-open dialog stayed open";
  }
  static void Answer(HWND dialog, HWND open, const std::string& name) { Answer(dialog, open, Widen(name)); }

  // Presses "Folder..." of a row (1-based), selects `folder` in the picker and presses OK.
  static void PickFolder(HWND dialog, DWORD thread, int row, const std::wstring& folder) {
    ClickOpening(dialog, kFolderButtons[row - 1]);
    HWND picker = WaitForOwnedDialog(thread, dialog);
    ASSERT_NE(picker, nullptr) << "no folder picker";
    SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
    PostMessageA(picker, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitForClosed(picker, dialog)) << "the folder picker stayed open";
  }

  SaverOptions before_;
  ScratchFiles files_;
};

TEST_F(VideoListDialogTest, RowsShowTheSlotsInOrder) {
  const INT_PTR result = Run([&](HWND dialog, DWORD) {
    for (int row = 1; row <= 10; ++row)
      EXPECT_EQ(ItemText(dialog, kEdits[row - 1]), VideoFileSlot(before_, row)) << "row " << row;
    Click(dialog, IDOK);
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Bytes(saverOptions), Bytes(before_)) << "OK without changes changes nothing";
}

TEST_F(VideoListDialogTest, BrowseFillsTheEditOfItsRow) {
  const std::string clip = files_.Make("clip.avi");
  const std::string movie = files_.Make("movie.mpg");
  Run([&](HWND dialog, DWORD thread) {
    HWND open = Browse(dialog, thread, 2);
    ASSERT_NE(open, nullptr);
    Answer(dialog, open, clip);
    EXPECT_TRUE(ShowsPath(dialog, 1080, clip)) << "row 2 is edit 1080: " << ItemText(dialog, 1080);

    open = Browse(dialog, thread, 3);
    ASSERT_NE(open, nullptr);
    Answer(dialog, open, movie);
    EXPECT_TRUE(ShowsPath(dialog, 1062, movie)) << "row 3 is edit 1062: " << ItemText(dialog, 1062);

    // Browsing changes only the edits; the slots follow on OK.
    EXPECT_STREQ(saverOptions.videoFiles2, before_.videoFiles2);
    Click(dialog, IDOK);
  });
  EXPECT_STRCASEEQ(saverOptions.videoFiles2, clip.c_str());
  EXPECT_STRCASEEQ(saverOptions.videoFiles3, movie.c_str());
  for (int slot : {1, 4, 5, 6, 7, 8, 9, 10})
    EXPECT_STREQ(VideoFileSlot(saverOptions, slot), VideoFileSlot(before_, slot)) << slot;
}

TEST_F(VideoListDialogTest, FileDialogOffersTheVideoFilters) {
  Run([&](HWND dialog, DWORD thread) {
    HWND open = Browse(dialog, thread, 1);
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(ListItems(open, kFileTypes),
              (std::vector<std::string>{"Video Files(*.avi; *.mpg; *.mpeg)", "AVI File", "MPG File", "MPEG File",
                                        "All Video Files", "All Files"}));
    EXPECT_EQ(Selection(open, kFileTypes), 0);
    // A cancelled file dialog leaves the row as it was.
    PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitForClosed(open, dialog));
    EXPECT_EQ(ItemText(dialog, 1061), before_.videoFiles1);
    Click(dialog, IDOK);
  });
  EXPECT_EQ(Bytes(saverOptions), Bytes(before_));
}

TEST_F(VideoListDialogTest, CancelAfterBrowsingLeavesAllSlots) {
  const std::string clip = files_.Make("kept-out.avi");
  const INT_PTR result = Run([&](HWND dialog, DWORD thread) {
    HWND open = Browse(dialog, thread, 1);
    ASSERT_NE(open, nullptr);
    Answer(dialog, open, clip);
    EXPECT_TRUE(ShowsPath(dialog, 1061, clip)) << ItemText(dialog, 1061);
    SetItemText(dialog, 1069, "typed by hand");
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(result, 1) << "Cancel ends the list with 1 as well";
  EXPECT_EQ(Bytes(saverOptions), Bytes(before_));
}

TEST_F(VideoListDialogTest, OkCutsLongPathsAndStoresClearedAndTypedOnes) {
  std::string longPath = "C:\\";
  while (longPath.size() < 300) longPath += "abcdefghij";
  longPath.resize(300);
  Run([&](HWND dialog, DWORD) {
    SetItemText(dialog, 1061, longPath);
    EXPECT_EQ(ItemText(dialog, 1061).size(), 300u) << "the edit itself holds the whole text";
    SetItemText(dialog, 1080, "");
    SetItemText(dialog, 1062, "Z:\\no such folder\\missing.mpeg");  // stored whether or not it exists
    Click(dialog, IDOK);
  });
  EXPECT_EQ(std::string(saverOptions.videoFiles1), longPath.substr(0, 259));
  EXPECT_STREQ(saverOptions.videoFiles2, "");
  EXPECT_STREQ(saverOptions.videoFiles3, "Z:\\no such folder\\missing.mpeg");
  // The reserved block right after slot 2 is not touched by the cut or the empty slot.
  EXPECT_EQ(std::memcmp(saverOptions.reserved1, before_.reserved1, sizeof(before_.reserved1)), 0);
  for (int slot = 4; slot <= 10; ++slot) EXPECT_STREQ(VideoFileSlot(saverOptions, slot), VideoFileSlot(before_, slot));
}

// On the NT family a picked name reaches its slot as the ANSI calls that play it will read it:
// the name itself where the code page holds it, else its short form, else nothing, and the
// user is told. Which branch a name outside the code page takes depends on whether the volume
// gives it a short name; Wine's drives do, but a short form longer than MAX_PATH is none.
TEST_F(VideoListDialogTest, PickedNamesReachTheSlotsAsTheAnsiCallsReadThem) {
  enum Stored { kAsPicked, kShortForm, kRefused };
  struct Case {
    const char* name;
    bool folder;            // "Folder..." instead of "Browse..."
    std::wstring relative;  // made below the scratch folder
    Stored want;
  };
  std::wstring deep;
  for (int level = 0; level < 40; ++level) deep += L"\x9752\\";  // each level's short form has 8 characters
  // clang-format off
  const Case cases[] = {{"e acute, in the code page", false, L"caf\x00e9.avi", kAsPicked},
                        {"outside the code page", false, L"\x9752.avi", kShortForm},
                        {"short form too long", false, deep + L"\x9753.avi", kRefused},
                        {"folder in the code page", true, L"caf\x00e9", kAsPicked},
                        {"folder outside the code page", true, L"\x9754", kShortForm},
                        {"folder's short form too long", true, deep.substr(0, deep.size() - 1), kRefused}};
  // clang-format on
  std::vector<std::wstring> picked;
  for (const Case& c : cases) picked.push_back(files_.MakeWide(c.relative));

  Run([&](HWND dialog, DWORD thread) {
    for (std::size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
      const Case& c = cases[i];
      const int row = static_cast<int>(i) + 1;
      SCOPED_TRACE(c.name);
      Stored want = c.want;
      wchar_t shortPath[MAX_PATH] = {};
      const DWORD shortLength = GetShortPathNameW(picked[i].c_str(), shortPath, MAX_PATH);
      if (want == kShortForm && (shortLength == 0 || lstrcmpiW(shortPath, picked[i].c_str()) == 0)) {
        std::printf("[          ] %s: the volume keeps no short name\n", c.name);
        want = kRefused;
      }
      if (c.folder) {
        PickFolder(dialog, thread, row, picked[i]);
      } else {
        HWND open = Browse(dialog, thread, row);
        ASSERT_NE(open, nullptr);
        Answer(dialog, open, picked[i]);
      }
      const std::wstring shown = Widen(ItemText(dialog, kEdits[i]));
      wchar_t named[1024] = {};
      switch (want) {
        case kAsPicked:
          EXPECT_EQ(lstrcmpiW(shown.c_str(), picked[i].c_str()), 0) << ItemText(dialog, kEdits[i]);
          break;
        case kShortForm:
          GetLongPathNameW(shown.c_str(), named, 1024);
          EXPECT_EQ(lstrcmpiW(named, picked[i].c_str()), 0) << ItemText(dialog, kEdits[i]) << " names another file";
          break;
        case kRefused: {
          HWND box = WaitForOwnedDialog(thread, dialog);
          ASSERT_NE(box, nullptr) << "the user is not told; the row shows " << ItemText(dialog, kEdits[i]);
          const char* told = c.folder
                                 ? "This folder's name cannot be stored here."
                                 : "This file's name cannot be stored here. Choose its folder with Folder... instead.";
          EXPECT_NE(FindWindowExA(box, nullptr, "Static", told), nullptr) << "not told: " << told;
          PostMessageA(box, WM_COMMAND, IDOK, 0);
          EXPECT_TRUE(WaitForClosed(box, dialog));
          EXPECT_EQ(ItemText(dialog, kEdits[i]), VideoFileSlot(before_, row)) << "the row keeps what it had";
          break;
        }
      }
    }
    Click(dialog, IDCANCEL);
  });
}

// A path longer than a slot (which the shell's pickers do not hand out under Wine) has no
// stored form either, where there is no short one: these paths do not exist.
TEST_F(VideoListDialogTest, PathsLongerThanASlotAreRefused) {
  const std::wstring fits = L"C:\\" + std::wstring(256, L'a');
  EXPECT_EQ(StoredFormOfPath(fits.c_str()), "C:\\" + std::string(256, 'a'));
  EXPECT_EQ(StoredFormOfPath((fits + L"a").c_str()), std::nullopt);
}

// What the file dialog itself shows of the request is tested through the dialog; these two
// are not: the Windows 9x / NT 4 form of the request (older systems refuse a larger one) and
// the filters, entries and closing empty pair.
TEST_F(VideoListDialogTest, OpenRequestIsTheOldFormWithTheVideoFilters) {
  char file[260];
  const OPENFILENAMEA request = VideoOpenRequest(nullptr, file);
  EXPECT_EQ(request.lStructSize, sizeof(void*) == 4 ? 76u : 136u);
  const char filters[] =
      "Video Files(*.avi; *.mpg; *.mpeg)\0*.avi;*.mpg;*.mpeg;\0AVI File\0*.avi\0MPG File\0*.mpg\0MPEG File\0*.mpeg\0"
      "All Video Files\0*.mp4;*.m4v;*.mov;*.wmv;*.mkv;*.avi;*.mpg;*.mpeg\0All Files\0*.*\0";
  ASSERT_NE(request.lpstrFilter, nullptr);
  EXPECT_EQ(std::memcmp(request.lpstrFilter, filters, sizeof(filters)), 0);
}

// A name typed without an extension: the file dialog completes it. (Wine takes the extension
// from the chosen filter's first pattern before the default extension, so choosing "MPG File"
// shows that its pattern is "*.mpg".)
TEST_F(VideoListDialogTest, NameWithoutExtensionGetsMpgFromTheMpgFilter) {
  const std::string movie = files_.Make("bare.mpg");
  files_.Make("bare");  // the dialog checks that the typed name exists before completing it
  Run([&](HWND dialog, DWORD thread) {
    HWND open = Browse(dialog, thread, 4);
    ASSERT_NE(open, nullptr);
    SendDlgItemMessageA(open, kFileTypes, CB_SETCURSEL, 2, 0);
    SendMessageA(open, WM_COMMAND, MAKEWPARAM(kFileTypes, CBN_SELENDOK),
                 reinterpret_cast<LPARAM>(GetDlgItem(open, kFileTypes)));
    Answer(dialog, open, movie.substr(0, movie.size() - 4));
    EXPECT_TRUE(ShowsPath(dialog, 1063, movie)) << ItemText(dialog, 1063);
    Click(dialog, IDOK);
  });
  EXPECT_STRCASEEQ(saverOptions.videoFiles4, movie.c_str());
}

const Control kVideoListControls[] = {
    {1, "Button", BS_DEFPUSHBUTTON, WS_TABSTOP, "OK"},
    {2, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Cancel"},
    {1061, "Edit", 0, WS_TABSTOP | ES_AUTOHSCROLL, nullptr},
    {1080, "Edit", 0, WS_TABSTOP | ES_AUTOHSCROLL, nullptr},
    {1062, "Edit", 0, WS_TABSTOP | ES_AUTOHSCROLL, nullptr},
    {1063, "Edit", 0, WS_TABSTOP | ES_AUTOHSCROLL, nullptr},
    {1064, "Edit", 0, WS_TABSTOP | ES_AUTOHSCROLL, nullptr},
    {1065, "Edit", 0, WS_TABSTOP | ES_AUTOHSCROLL, nullptr},
    {1066, "Edit", 0, WS_TABSTOP | ES_AUTOHSCROLL, nullptr},
    {1067, "Edit", 0, WS_TABSTOP | ES_AUTOHSCROLL, nullptr},
    {1068, "Edit", 0, WS_TABSTOP | ES_AUTOHSCROLL, nullptr},
    {1069, "Edit", 0, WS_TABSTOP | ES_AUTOHSCROLL, nullptr},
    {1070, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Browse..."},
    {1071, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Browse..."},
    {1072, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Browse..."},
    {1073, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Browse..."},
    {1074, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Browse..."},
    {1075, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Browse..."},
    {1076, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Browse..."},
    {1077, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Browse..."},
    {1078, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Browse..."},
    {1079, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Browse..."},
    {-1, "Static", SS_LEFT, 0, "Please select 1-10 video files"},
    {1098, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Folder..."},
    {1099, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Folder..."},
    {1100, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Folder..."},
    {1101, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Folder..."},
    {1102, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Folder..."},
    {1103, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Folder..."},
    {1104, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Folder..."},
    {1105, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Folder..."},
    {1106, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Folder..."},
    {1107, "Button", BS_PUSHBUTTON, WS_TABSTOP, "Folder..."},
};

TEST_F(VideoListDialogTest, TemplateMatchesTheTable) {
  Run([&](HWND dialog, DWORD) {
    const DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
    const DWORD want = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    EXPECT_EQ(style & want, want) << std::hex << style;
    auto font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    LOGFONTA face = {};
    ASSERT_NE(GetObjectA(font, sizeof(face), &face), 0);
    EXPECT_STREQ(face.lfFaceName, "Arial");

    ExpectControls(dialog, kVideoListControls, sizeof(kVideoListControls) / sizeof(kVideoListControls[0]));
    for (int id : kEdits) {
      HWND edit = GetDlgItem(dialog, id);
      EXPECT_TRUE(GetWindowLongA(edit, GWL_EXSTYLE) & WS_EX_STATICEDGE) << id;
      EXPECT_FALSE(GetWindowLongA(edit, GWL_STYLE) & WS_BORDER) << id;
    }
    Click(dialog, IDCANCEL);
  });
}

}  // namespace
