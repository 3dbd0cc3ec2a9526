// A folder of the test's own, beside the test programs, holding a copy of orvel.scr and the
// password stand-ins, and starting that copy. Test thread only.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "saver_process.h"
#include "saver_screen.h"
#include "scoped_registry_value.h"

// A copy of orvel.scr beside the stand-in PASSWORD.CPL and MPR.DLL, so that the normal
// search finds them as it would find the system's libraries on Windows 9x. Wine has no
// PASSWORD.CPL of its own; its own MPR.DLL would come first, so programs named orvel.scr
// are told to prefer the one beside them while the folder exists.
class StandInFolder {
 public:
  StandInFolder() : folder_(ThisProgramsFolder() + "\\password-run") {
    nativeFirst_.WriteText("native,builtin");
    CreateDirectoryA(folder_.c_str(), nullptr);
    ok_ = CopyFileA(orvelPath.c_str(), (folder_ + "\\orvel.scr").c_str(), FALSE);
    for (const char* name : kStandIns)
      ok_ = ok_ && CopyFileA((ThisProgramsFolder() + "\\" + name).c_str(), (folder_ + "\\" + name).c_str(), FALSE);
  }
  ~StandInFolder() {
    DeleteFileA((folder_ + "\\orvel.scr").c_str());
    for (const char* name : kStandIns) DeleteFileA((folder_ + "\\" + name).c_str());
    RemoveDirectoryA(folder_.c_str());
  }
  StandInFolder(const StandInFolder&) = delete;
  StandInFolder& operator=(const StandInFolder&) = delete;

  bool ok() const { return ok_; }
  const std::string& path() const { return folder_; }

  // Starts the copy in the folder. (Wine hands a child the WINEDLLOVERRIDES that its parent
  // was started with, whatever the parent sets meanwhile; hence the per-program setting.)
  std::unique_ptr<SaverProcess> Start(const std::string& arguments) const {
    const std::string realOrvel = orvelPath;
    orvelPath = folder_ + "\\orvel.scr";
    auto process = std::make_unique<SaverProcess>(arguments);
    orvelPath = realOrvel;
    return process;
  }

 private:
  static constexpr const char* kStandIns[] = {"PASSWORD.CPL", "MPR.DLL"};

  std::string folder_;
  bool ok_ = false;
  ScopedRegistryValue nativeFirst_{HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\orvel.scr\\DllOverrides", "mpr"};
};
