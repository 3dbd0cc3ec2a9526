// Starting orvel.scr as the Windows host does and watching its windows and its end.
#pragma once

#include <windows.h>

#include <string>

#include "poll.h"

// Full path of orvel.scr, from the driver's --orvel= argument.
extern std::string orvelPath;

class SaverProcess {
 public:
  // Starts "<orvel.scr> <arguments>" in the folder of orvel.scr.
  explicit SaverProcess(const std::string& arguments);
  ~SaverProcess();
  SaverProcess(const SaverProcess&) = delete;
  SaverProcess& operator=(const SaverProcess&) = delete;

  bool started() const { return info_.hProcess != nullptr; }
  DWORD id() const { return info_.dwProcessId; }

  // Waits for the process to end (pumping this thread's messages meanwhile); true when it
  // ended within the time, with its exit code in `exitCode`.
  bool WaitForExit(DWORD milliseconds, DWORD* exitCode = nullptr);

  // The process's top-level window of the saver class, once it is visible (or any, when
  // `visible` is false); null when none appeared in time.
  HWND WaitForWindow(DWORD milliseconds, bool visible = true);

  // A top-level window of the process with the class and title given (null: any), now.
  HWND FindTopWindow(const char* className, const char* title, bool visible) const;

 private:
  PROCESS_INFORMATION info_ = {};
};
