// A registry key of the test's own under HKEY_CURRENT_USER, deleted with everything in it
// when the test ends, so that tests never see each other's settings.
#pragma once

#include <windows.h>

#include <string>

#include "base/scoped_win.h"

class ScratchKey {
 public:
  explicit ScratchKey(const char* name) : path_(std::string("Software\\OrvelTests\\") + name) { Delete(); }
  ~ScratchKey() { Delete(); }
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  const char* path() const { return path_.c_str(); }

  bool Exists() const {
    ScopedRegistryKey key;
    return RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
  }

  // Writes a raw value of any size and type.
  void Write(const char* value, const void* data, DWORD size, DWORD type = REG_BINARY) const {
    ScopedRegistryKey key;
    RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr);
    RegSetValueExA(key.Get(), value, 0, type, static_cast<const BYTE*>(data), size);
  }

  // Reads a value; an empty string when it is missing. `found` tells the two apart.
  std::string Read(const char* value, bool* found = nullptr, DWORD* type = nullptr) const {
    std::string data(8192, '\0');
    DWORD size = static_cast<DWORD>(data.size());
    DWORD t = 0;
    ScopedRegistryKey key;
    LONG r = RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, key.Receive());
    if (r == ERROR_SUCCESS)
      r = RegQueryValueExA(key.Get(), value, nullptr, &t, reinterpret_cast<BYTE*>(&data[0]), &size);
    if (found) *found = r == ERROR_SUCCESS;
    if (type) *type = t;
    data.resize(r == ERROR_SUCCESS ? size : 0);
    return data;
  }

 private:
  void Delete() const {
    ScopedRegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_ALL_ACCESS, key.Receive()) == ERROR_SUCCESS) {
      char name[256];
      DWORD length = sizeof(name);
      while (RegEnumKeyExA(key.Get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        RegDeleteKeyA(key.Get(), name);
        length = sizeof(name);
      }
      key.Reset();
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
  }

  std::string path_;
};
