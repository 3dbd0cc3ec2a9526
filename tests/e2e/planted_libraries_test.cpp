// orvel.scr beside libraries named like the system libraries it loads at run time (d3d8,
// winmm, msvfw32, comctl32), with Wine told to prefer a library in the program's folder for
// each, as Windows does for every library that is not a KnownDLL. In a full-screen run, the
// settings dialog and a preview, the system's own libraries are the ones loaded (the settings
// dialog's comctl32 the side-by-side store's version 6, which the manifest asks for), no
// planted one ever is, and the run ends as it always does. Test thread only.
#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/product_names.h"
#include "saver_process.h"
#include "saver_screen.h"
#include "scoped_registry_value.h"

namespace {

constexpr DWORD kWaitTime = 20000;  // bounds against a hang, not timing assertions
const char kSettingsCaption[] = "Or vel screen 1.0  Settings";
const char* const kLibraries[] = {"d3d8.dll", "winmm.dll", "msvfw32.dll", "comctl32.dll"};

std::string Lower(std::string text) {
  CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::string SystemFile(const char* name) {
  char folder[MAX_PATH] = {};
  GetSystemDirectoryA(folder, MAX_PATH);
  return Lower(std::string(folder) + "\\" + name);
}

// The files of the modules the process has loaded now, in lower case.
std::vector<std::string> LoadedModules(DWORD process) {
  std::vector<std::string> files;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process);
  if (snapshot == INVALID_HANDLE_VALUE) return files;
  MODULEENTRY32 module = {};
  module.dwSize = sizeof(module);
  for (BOOL more = Module32First(snapshot, &module); more; more = Module32Next(snapshot, &module))
    files.push_back(Lower(module.szExePath));
  CloseHandle(snapshot);
  return files;
}

bool Contains(const std::vector<std::string>& files, const std::string& file) {
  for (const std::string& f : files)
    if (f == file) return true;
  return false;
}

// Whether one of `files` is comctl32 version 6 of the side-by-side store, in the folder the
// store names after the assembly: <windows>\winsxs\<arch>_microsoft.windows.common-controls_
// <public key token>_6.<...>\comctl32.dll.
bool HasThemedControls(const std::vector<std::string>& files) {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string store = Lower(std::string(windows) + "\\winsxs\\");
  const std::string assembly = "_microsoft.windows.common-controls_6595b64144ccf1df_6.";
  const std::string file = "\\comctl32.dll";
  for (const std::string& f : files) {
    if (f.compare(0, store.size(), store) != 0 || f.find(assembly) == std::string::npos) continue;
    if (f.size() > file.size() && f.compare(f.size() - file.size(), file.size(), file) == 0) return true;
  }
  return false;
}

// A copy of orvel.scr and the four recording libraries in a folder of the test's own, with
// Wine told to look in the program's folder first for each of the four.
class PlantedFolder {
 public:
  PlantedFolder() : folder_(ProgramFolder() + "\\planted-run") {
    CreateDirectoryA(folder_.c_str(), nullptr);
    ok_ = CopyFileA(orvelPath.c_str(), (folder_ + "\\orvel.scr").c_str(), FALSE);
    for (const char* name : kLibraries) {
      ok_ = ok_ && CopyFileA(ProgramFile(std::string("planted\\") + name).c_str(), Path(name).c_str(), FALSE);
      const std::string library(name, std::string(name).find('.'));
      overrides_.push_back(std::make_unique<ScopedRegistryValue>(
          HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\orvel.scr\\DllOverrides", library.c_str()));
      overrides_.back()->WriteText("native,builtin");
    }
  }
  ~PlantedFolder() {
    ClearMarkers();
    DeleteFileA(Path("orvel.scr").c_str());
    for (const char* name : kLibraries) DeleteFileA(Path(name).c_str());
    RemoveDirectoryA(folder_.c_str());
  }
  PlantedFolder(const PlantedFolder&) = delete;
  PlantedFolder& operator=(const PlantedFolder&) = delete;

  bool ok() const { return ok_; }
  std::string Path(const char* name) const { return folder_ + "\\" + name; }
  // Left by a planted library's start-up code.
  std::string Marker(const char* name) const { return Path(name) + ".loaded"; }
  void ClearMarkers() const {
    for (const char* name : kLibraries) DeleteFileA(Marker(name).c_str());
  }

  std::unique_ptr<SaverProcess> Start(const std::string& arguments) const {
    const std::string realOrvel = orvelPath;
    orvelPath = Path("orvel.scr");
    auto process = std::make_unique<SaverProcess>(arguments);
    orvelPath = realOrvel;
    return process;
  }

 private:
  std::string folder_;
  bool ok_ = false;
  std::vector<std::unique_ptr<ScopedRegistryValue>> overrides_;
};

struct RunCase {
  const char* name;
  const char* arguments;                 // "%" stands for the host window's number
  std::vector<const char*> systemLoads;  // what the mode loads from the system folder
  bool themedControls;                   // the mode loads comctl32 from the side-by-side store
};

HWND HostWindow() {
  return CreateWindowExA(0, "STATIC", "preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 320, 240, nullptr,
                         nullptr, nullptr, nullptr);
}

// The window the mode shows: the full-screen window, the settings dialog or the preview.
HWND WaitForRunWindow(const RunCase& c, SaverProcess& saver, HWND host) {
  if (c.arguments[1] == 's') return saver.WaitForWindow(kWaitTime);
  HWND found = nullptr;
  WaitPumping(
      [&] {
        found = c.arguments[1] == 'c' ? saver.FindTopWindow(nullptr, kSettingsCaption, true)
                                      : FindWindowExA(host, nullptr, kSaverWindowClass, nullptr);
        return found != nullptr && IsWindowVisible(found);
      },
      kWaitTime);
  return found;
}

// Ends the run as the user or the host would: a key, Cancel, the host's box going away.
void EndRun(const RunCase& c, HWND window, HWND host) {
  if (c.arguments[1] == 's') PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
  if (c.arguments[1] == 'c') PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
  if (c.arguments[1] == 'p') DestroyWindow(host);
}

TEST(PlantedLibraries, NeverLoadedInAnyMode) {
  // The cuboids, whose clock is winmm's, on a video that plays.
  SaverOptions options = OneTileGridOf(RunInput("solid_red.avi"));
  options.shape = kShapeCuboid;
  const StoredOptions stored(options);
  const PlantedFolder folder;
  ASSERT_TRUE(folder.ok());

  const RunCase cases[] = {
      {"full screen", "/s", {"d3d8.dll", "msvfw32.dll", "winmm.dll"}, false},
      // The manifest asks for the common controls version 6, which Wine, like Windows from
      // XP on, keeps in its side-by-side store.
      {"settings", "/c", {}, true},
      {"preview", "/p %", {"d3d8.dll", "msvfw32.dll", "winmm.dll"}, false},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.name);
    folder.ClearMarkers();
    HWND host = HostWindow();
    ASSERT_NE(host, nullptr);
    std::string arguments = c.arguments;
    if (arguments.back() == '%')
      arguments.replace(arguments.size() - 1, 1, std::to_string(reinterpret_cast<UINT_PTR>(host)));
    auto saver = folder.Start(arguments);
    ASSERT_TRUE(saver->started());
    HWND window = WaitForRunWindow(c, *saver, host);
    ASSERT_NE(window, nullptr) << "the run did not come up";

    // What the mode needs is loaded by the time its window is up, or soon after (the
    // cuboids' clock with their first frame).
    std::vector<std::string> modules;
    WaitPumping(
        [&] {
          modules = LoadedModules(saver->id());
          for (const char* name : c.systemLoads)
            if (!Contains(modules, SystemFile(name))) return false;
          return !c.themedControls || HasThemedControls(modules);
        },
        kWaitTime);
    for (const char* name : c.systemLoads) EXPECT_TRUE(Contains(modules, SystemFile(name))) << name;
    if (c.themedControls) {
      EXPECT_TRUE(HasThemedControls(modules)) << "no comctl32 of the side-by-side store";
    }
    for (const char* name : kLibraries) EXPECT_FALSE(Contains(modules, Lower(folder.Path(name)))) << name;

    EndRun(c, window, host);
    DWORD code = 1234;
    EXPECT_TRUE(saver->WaitForExit(kWaitTime, &code)) << "the run did not end";
    EXPECT_EQ(code, 0u);
    if (IsWindow(host)) DestroyWindow(host);
    for (const char* name : kLibraries)
      EXPECT_EQ(GetFileAttributesA(folder.Marker(name).c_str()), INVALID_FILE_ATTRIBUTES) << name << " was loaded";
  }
}

}  // namespace
