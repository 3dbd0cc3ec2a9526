// Folders read with FindFirstFile. Threads as in the header.
#include "video/folder_reader_win.h"

#include <windows.h>

#include <string>

#include "base/system_library_win.h"

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide names are UTF-16");

bool Skipped(const char16_t* name) { return name[0] == u'.' && (name[1] == 0 || (name[1] == u'.' && name[2] == 0)); }

FolderEntry EntryOf(const NameText& name, DWORD attributes) {
  FolderEntry entry;
  entry.name = name;
  entry.folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  entry.link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  return entry;
}

bool ReadWide(const NameText& path, std::vector<FolderEntry>* entries) {
  typedef HANDLE(WINAPI * FindFirstProc)(const wchar_t*, WIN32_FIND_DATAW*);
  typedef BOOL(WINAPI * FindNextProc)(HANDLE, WIN32_FIND_DATAW*);
  // Looked up, not imported: the 9x family's kernel32 has the wide calls only as stubs, and
  // the program imports nothing the oldest systems lack.
  static const auto findFirst = LookUp<FindFirstProc>(GetModuleHandleA("kernel32.dll"), "FindFirstFileW");
  static const auto findNext = LookUp<FindNextProc>(GetModuleHandleA("kernel32.dll"), "FindNextFileW");
  if (findFirst == nullptr || findNext == nullptr) return false;
  const std::wstring pattern = std::wstring(path.begin(), path.end()) + L"\\*";
  WIN32_FIND_DATAW found;
  const HANDLE search = findFirst(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;  // an empty folder
  do {
    const char16_t* name = reinterpret_cast<const char16_t*>(found.cFileName);
    if (!Skipped(name)) entries->push_back(EntryOf(name, found.dwFileAttributes));
  } while (findNext(search, &found));
  FindClose(search);
  return true;
}

// ANSI names through the code page, both ways: on the 9x family a name read here converts
// back to the same bytes when the file is opened.
NameText Widened(const char* text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (length <= 1) return NameText();
  std::wstring wide(size_t(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
  wide.resize(size_t(length - 1));
  return NameText(wide.begin(), wide.end());
}

bool ReadAnsi(const NameText& path, std::vector<FolderEntry>* entries) {
  const std::wstring wide(path.begin(), path.end());
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return false;
  std::string pattern(size_t(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &pattern[0], length, nullptr, nullptr);
  pattern.resize(size_t(length - 1));
  pattern += "\\*";
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    const NameText name = Widened(found.cFileName);
    if (!name.empty() && !Skipped(name.c_str())) entries->push_back(EntryOf(name, found.dwFileAttributes));
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return true;
}

}  // namespace

bool SystemTakesWideNames() { return (GetVersion() & 0x80000000u) == 0; }

bool SystemFolderReader::Read(const NameText& path, std::vector<FolderEntry>* entries) {
  entries->clear();
  return SystemTakesWideNames() ? ReadWide(path, entries) : ReadAnsi(path, entries);
}
