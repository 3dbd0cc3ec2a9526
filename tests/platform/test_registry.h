// A registry key of the test's own under HKEY_CURRENT_USER, deleted with everything in it
// when the test ends, so that tests never see each other's settings.
#pragma once

#include <windows.h>

#include <string>

class ScratchKey {
 public:
  explicit ScratchKey(const char* name) : path_(std::string("Software\\OrvelTests\\") + name) { Delete(); }
  ~ScratchKey() { Delete(); }
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  const char* path() const { return path_.c_str(); }

  bool Exists() const {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }

  // Writes a raw value of any size and type.
  void Write(const char* value, const void* data, DWORD size, DWORD type = REG_BINARY) const {
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, value, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
  }

  // Reads a value; an empty string when it is missing. `found` tells the two apart.
  std::string Read(const char* value, bool* found = nullptr, DWORD* type = nullptr) const {
    std::string data(8192, '\0');
    DWORD size = static_cast<DWORD>(data.size());
    DWORD t = 0;
    HKEY key;
    LONG r = RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &key);
    if (r == ERROR_SUCCESS) {
      r = RegQueryValueExA(key, value, nullptr, &t, reinterpret_cast<BYTE*>(&data[0]), &size);
      RegCloseKey(key);
    }
    if (found) *found = r == ERROR_SUCCESS;
    if (type) *type = t;
    data.resize(r == ERROR_SUCCESS ? size : 0);
    return data;
  }

 private:
  void Delete() const {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
      char name[256];
      DWORD length = sizeof(name);
      while (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        RegDeleteKeyA(key, name);
        length = sizeof(name);
      }
      RegCloseKey(key);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
  }

  std::string path_;
};
