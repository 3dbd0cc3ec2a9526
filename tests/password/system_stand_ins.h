// The password stand-ins put where the saver looks for the real libraries: the system
// folder of the prefix (the one GetSystemDirectory names for a program of this build), for
// the length of a test. Wine's own MPR.DLL there is moved aside meanwhile and put back;
// programs named orvel.scr are told to prefer the file there to Wine's built-in library.
// Test thread only.
#pragma once

#include <windows.h>

#include <string>

#include "scoped_registry_value.h"

class SystemStandIns {
 public:
  // `from`: the folder that holds the built PASSWORD.CPL and MPR.DLL.
  explicit SystemStandIns(const std::string& from) {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    system_ = system;
    PutBack();  // what a test that died half-way left behind
    nativeFirst_.WriteText("native,builtin");
    MoveFileExA(Path("MPR.DLL").c_str(), Saved().c_str(), MOVEFILE_REPLACE_EXISTING);
    ok_ = CopyFileA((from + "\\PASSWORD.CPL").c_str(), Path("PASSWORD.CPL").c_str(), FALSE) &&
          CopyFileA((from + "\\MPR.DLL").c_str(), Path("MPR.DLL").c_str(), FALSE);
  }
  ~SystemStandIns() { PutBack(); }
  SystemStandIns(const SystemStandIns&) = delete;
  SystemStandIns& operator=(const SystemStandIns&) = delete;

  bool ok() const { return ok_; }
  std::string Path(const char* name) const { return system_ + "\\" + name; }

 private:
  std::string Saved() const { return Path("mpr.dll.orvel-saved"); }

  void PutBack() const {
    DeleteFileA(Path("PASSWORD.CPL").c_str());
    if (GetFileAttributesA(Saved().c_str()) != INVALID_FILE_ATTRIBUTES)
      MoveFileExA(Saved().c_str(), Path("MPR.DLL").c_str(), MOVEFILE_REPLACE_EXISTING);
  }

  std::string system_;
  bool ok_ = false;
  ScopedRegistryValue nativeFirst_{HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\orvel.scr\\DllOverrides", "mpr"};
};
