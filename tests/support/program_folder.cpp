// The running program's folder. Any thread.
#include "program_folder.h"

#include <windows.h>

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of('\\'));
}

std::string ProgramFile(const std::string& relative) { return ProgramFolder() + "\\" + relative; }
