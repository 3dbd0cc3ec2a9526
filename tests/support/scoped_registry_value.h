// One registry value set for the length of a test and put back as it was afterwards: the
// old data restored, or the value removed together with any keys made to hold it. Used for
// the user's password switch, Wine's per-program settings and the saver's own settings.
// Test thread only.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/scoped_win.h"

class ScopedRegistryValue {
 public:
  ScopedRegistryValue(HKEY root, const char* path, const char* name) : root_(root), path_(path), name_(name) {
    existingPath_ = path_;
    while (!existingPath_.empty() && !KeyExists(existingPath_)) {
      const std::size_t cut = existingPath_.find_last_of('\\');
      existingPath_ = cut == std::string::npos ? std::string() : existingPath_.substr(0, cut);
    }
    ScopedRegistryKey key;
    if (RegOpenKeyExA(root_, path_.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), name_.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
      data_.resize(size);
      existed_ = RegQueryValueExA(key.Get(), name_.c_str(), nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
    }
  }

  ~ScopedRegistryValue() {
    if (existed_) {
      Write(type_, data_.data(), static_cast<DWORD>(data_.size()));
      return;
    }
    Remove();
    // Keys this holder made, deepest first; a key that something else filled meanwhile stays.
    std::string key = path_;
    while (key.size() > existingPath_.size()) {
      if (RegDeleteKeyA(root_, key.c_str()) != ERROR_SUCCESS) break;
      key = key.substr(0, key.find_last_of('\\'));
    }
  }

  ScopedRegistryValue(const ScopedRegistryValue&) = delete;
  ScopedRegistryValue& operator=(const ScopedRegistryValue&) = delete;

  void Write(DWORD type, const void* data, DWORD size) const {
    ScopedRegistryKey key;
    if (RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr) !=
        ERROR_SUCCESS)
      return;
    RegSetValueExA(key.Get(), name_.c_str(), 0, type, static_cast<const BYTE*>(data), size);
  }
  void WriteNumber(DWORD value) const { Write(REG_DWORD, &value, sizeof(value)); }
  void WriteText(const char* text) const { Write(REG_SZ, text, static_cast<DWORD>(lstrlenA(text) + 1)); }

  void Remove() const {
    ScopedRegistryKey key;
    if (RegOpenKeyExA(root_, path_.c_str(), 0, KEY_ALL_ACCESS, key.Receive()) != ERROR_SUCCESS) return;
    RegDeleteValueA(key.Get(), name_.c_str());
  }

 private:
  bool KeyExists(const std::string& path) const {
    ScopedRegistryKey key;
    return RegOpenKeyExA(root_, path.c_str(), 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
  }

  HKEY root_;
  std::string path_;
  std::string name_;
  std::string existingPath_;  // the deepest part of path_ that existed before
  bool existed_ = false;
  DWORD type_ = 0;
  std::vector<BYTE> data_;
};
