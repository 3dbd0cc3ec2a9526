// One registry value set for the length of a test and put back as it was afterwards: the
// old data restored, or the value removed together with any keys made to hold it. Used for
// the user's password switch and for Wine's per-program settings. Test thread only.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class ScopedRegistryValue {
 public:
  ScopedRegistryValue(HKEY root, const char* path, const char* name) : root_(root), path_(path), name_(name) {
    existingPath_ = path_;
    while (!existingPath_.empty() && !KeyExists(existingPath_)) {
      const std::size_t cut = existingPath_.find_last_of('\\');
      existingPath_ = cut == std::string::npos ? std::string() : existingPath_.substr(0, cut);
    }
    HKEY key;
    if (RegOpenKeyExA(root_, path_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD size = 0;
    if (RegQueryValueExA(key, name_.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
      data_.resize(size);
      existed_ = RegQueryValueExA(key, name_.c_str(), nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
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
    HKEY key;
    if (RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
      return;
    RegSetValueExA(key, name_.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
  }
  void WriteNumber(DWORD value) const { Write(REG_DWORD, &value, sizeof(value)); }
  void WriteText(const char* text) const { Write(REG_SZ, text, static_cast<DWORD>(lstrlenA(text) + 1)); }

  void Remove() const {
    HKEY key;
    if (RegOpenKeyExA(root_, path_.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, name_.c_str());
    RegCloseKey(key);
  }

 private:
  bool KeyExists(const std::string& path) const {
    HKEY key;
    if (RegOpenKeyExA(root_, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }

  HKEY root_;
  std::string path_;
  std::string name_;
  std::string existingPath_;  // the deepest part of path_ that existed before
  bool existed_ = false;
  DWORD type_ = 0;
  std::vector<BYTE> data_;
};
