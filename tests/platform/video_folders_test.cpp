// A folder slot's real folders under Wine: wide names listed as they are, natural order
// folder by folder, other files passed over, and the file count bounded.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "video/folder_reader_win.h"
#include "video_test_support.h"

namespace {

std::wstring Wide(const NameText& text) { return std::wstring(text.begin(), text.end()); }
NameText Name(const std::wstring& text) { return NameText(text.begin(), text.end()); }

// A fresh folder under the temporary folder, removed with everything in it afterwards.
class TempTree {
 public:
  explicit TempTree(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    root_ = std::wstring(folder) + name;
    Remove(root_);
    CreateDirectoryW(root_.c_str(), nullptr);
  }
  ~TempTree() { Remove(root_); }
  const std::wstring& Root() const { return root_; }
  void Folder(const std::wstring& relative) const { CreateDirectoryW((root_ + L"\\" + relative).c_str(), nullptr); }
  void File(const std::wstring& relative) const {
    const HANDLE file =
        CreateFileW((root_ + L"\\" + relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << "cannot make a file";
    CloseHandle(file);
  }

 private:
  static void Remove(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          Remove(path + L"\\" + name);
        } else {
          DeleteFileW((path + L"\\" + name).c_str());
        }
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
  }

  std::wstring root_;
};

TEST(VideoFolderReading, WideNamesInNaturalOrderFolderByFolder) {
  ASSERT_TRUE(SystemTakesWideNames());
  TempTree tree(L"orvel-folder-slot");
  tree.File(L"red.avi");
  tree.File(L"\x9752.avi");  // "blue" in Japanese, outside a Western code page
  tree.File(L"10.avi");
  tree.File(L"2.avi");
  tree.File(L"notes.txt");
  tree.Folder(L"sub");
  tree.File(L"sub\\white.wmv");
  tree.File(L"sub\\green.mpg");

  SystemFolderReader reader;
  const FolderListing listing = ListVideoFolder(reader, Name(tree.Root()));
  EXPECT_TRUE(listing.readable);
  std::vector<std::wstring> got;
  for (const NameText& path : listing.files) got.push_back(Wide(path).substr(tree.Root().size() + 1));
  const std::vector<std::wstring> expected = {L"2.avi",      L"10.avi",         L"red.avi",
                                              L"\x9752.avi", L"sub\\green.mpg", L"sub\\white.wmv"};
  EXPECT_EQ(got, expected);
  EXPECT_FALSE(ListVideoFolder(reader, Name(tree.Root() + L"\\gone")).readable);
}

TEST(VideoFolderReading, TenThousandAndOneFilesListTenThousand) {
  TempTree tree(L"orvel-folder-many");
  for (size_t i = 0; i <= kFolderFiles; ++i) tree.File(std::to_wstring(i) + L".avi");
  SystemFolderReader reader;
  const FolderListing listing = ListVideoFolder(reader, Name(tree.Root()));
  ASSERT_EQ(listing.files.size(), kFolderFiles);
  EXPECT_EQ(Wide(listing.files.back()).substr(tree.Root().size() + 1), L"9999.avi") << "natural order, cut at the end";
}

// A folder holding a link to itself (made on the Unix side at build time): the listing ends,
// with the file once when the link is seen as one, or once a level at most when it is not.
TEST(VideoFolderReading, ALinkLoopIsBounded) {
  const std::string folder = VideoInput("loop_folder");
  SystemFolderReader reader;
  const FolderListing listing = ListVideoFolder(reader, Name(std::wstring(folder.begin(), folder.end())));
  EXPECT_TRUE(listing.readable);
  EXPECT_GE(listing.files.size(), 1u);
  EXPECT_LE(listing.files.size(), size_t(kFolderLevels + 1));
}

}  // namespace
