// A stand-in link target for the link control tests: started by the shell, it releases the
// semaphore "orvel-link-probe-<its file name>" once and ends. It has one thread.
#include <windows.h>

#include <cstring>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof(path));
  const char* name = std::strrchr(path, '\\');
  name = name != nullptr ? name + 1 : path;
  const std::string semaphore = std::string("orvel-link-probe-") + name;
  HANDLE started = OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, semaphore.c_str());
  if (started == nullptr) return 1;
  ReleaseSemaphore(started, 1, nullptr);
  CloseHandle(started);
  return 0;
}
