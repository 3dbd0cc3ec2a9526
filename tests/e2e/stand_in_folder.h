// A folder of the test's own, beside the test programs, holding a copy of orvel.scr and the
// password stand-ins, and starting that copy. Test thread only.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "saver_process.h"
#include "saver_screen.h"
#include "system_stand_ins.h"

// A copy of orvel.scr with the stand-in PASSWORD.CPL and MPR.DLL in the system folder,
// where the saver looks for the real ones on Windows 9x, and copies planted beside it, where
// it must never look.
class StandInFolder {
 public:
  StandInFolder() : folder_(ProgramFolder() + "\\password-run") {
    CreateDirectoryA(folder_.c_str(), nullptr);
    ok_ = system_.ok() && CopyFileA(orvelPath.c_str(), (folder_ + "\\orvel.scr").c_str(), FALSE);
    for (const char* name : kStandIns)
      ok_ = ok_ && CopyFileA((ProgramFolder() + "\\" + name).c_str(), (folder_ + "\\" + name).c_str(), FALSE);
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

  SystemStandIns system_{ProgramFolder()};
  std::string folder_;
  bool ok_ = false;
};
