// Edits the stored settings of orvel.scr from a script (run.sh, the whole-saver benchmarks):
// the program's defaults with the given fields, written by the program's own settings code,
// and a copy of the stored value kept and put back, so that a user's settings survive a run.
// Windows program, run under Wine; single-threaded.
//
//   orvel_settings set [KEY=VALUE ...]   defaults, then the given fields, stored
//       shape cols rows style cubes cube-translucent background rotation-speed angle
//       stars star-translucent star-speed star-size, and video=PATH (once per slot, in order);
//       monitors (0, 1 or 2), detail (0 or 1) and order (0 listed, 1 shuffled) set the
//       values beside it, which otherwise keep their choices
//   orvel_settings save FILE             copies the stored value into FILE (exit 3: none stored)
//   orvel_settings restore FILE          stores FILE's bytes as the value again
//   orvel_settings delete                removes the value
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/product_names.h"
#include "base/scoped_win.h"
#include "settings/options_record.h"
#include "settings/options_registry_win.h"

namespace {

// The settings key, created when missing; null when it cannot be opened.
class RegKey {
 public:
  RegKey() {
    RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                    key_.Receive(), nullptr);
  }
  HKEY Get() const { return key_.Get(); }

 private:
  ScopedRegistryKey key_;
};

bool StoreValue(const void* bytes, DWORD size) {
  RegKey key;
  return key.Get() && RegSetValueExA(key.Get(), kOptionsValueName, 0, REG_BINARY, static_cast<const BYTE*>(bytes),
                                     size) == ERROR_SUCCESS;
}

// Every field a case may set, as the text it is given in. False for an unknown key or a
// value that is not a number; ten video paths at most.
bool SetField(SaverOptions& options, const std::string& key, const std::string& value, int& nextSlot) {
  if (key == "video") {
    char* slot = VideoFileSlot(options, nextSlot++);
    if (slot == nullptr || value.size() > kVideoPathMaxLength) return false;
    std::memcpy(slot, value.c_str(), value.size() + 1);
    return true;
  }
  char* end = nullptr;
  const double number = std::strtod(value.c_str(), &end);
  if (value.empty() || *end != '\0') return false;
  const int32_t whole = static_cast<int32_t>(number);
  if (key == "shape") options.shape = whole;
  else if (key == "style") options.gridStyle = static_cast<uint8_t>(whole);
  else if (key == "cols") options.gridColumns = whole;
  else if (key == "rows") options.gridRows = whole;
  else if (key == "cubes") options.cuboidCount = whole;
  else if (key == "cube-translucent") options.cuboidTranslucent = static_cast<uint8_t>(whole);
  else if (key == "background") options.showBackground = static_cast<uint8_t>(whole);
  else if (key == "rotation-speed") options.rotationSpeed = static_cast<float>(number);
  else if (key == "angle") options.rotationAngle = whole;
  else if (key == "stars") options.starCount = whole;
  else if (key == "star-translucent") options.starTranslucent = static_cast<uint8_t>(whole);
  else if (key == "star-speed") options.starSpeed = static_cast<float>(number);
  else if (key == "star-size") options.starSize = static_cast<float>(number);
  else if (key == "monitors") monitorsChoice = whole;
  else if (key == "detail") detailChoice = whole;
  else if (key == "order") orderChoice = whole;
  else return false;
  return true;
}

int SetOptions(int argc, char** argv) {
  LoadOptions();  // for the stored monitors, detail and order choices, which SaveOptions writes back
  SetDefaultOptions(saverOptions);
  int nextSlot = 1;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    const size_t eq = arg.find('=');
    if (eq == std::string::npos || !SetField(saverOptions, arg.substr(0, eq), arg.substr(eq + 1), nextSlot)) {
      std::fprintf(stderr, "bad setting: %s\n", argv[i]);
      return 2;
    }
  }
  SaveOptions();  // the program's own writer, to the program's own key
  ScopedRegistryKey key;
  DWORD size = 0;
  const bool stored =
      RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS &&
      RegQueryValueExA(key.Get(), kOptionsValueName, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS &&
      size == sizeof(saverOptions);
  if (!stored) return std::fputs("cannot store the value\n", stderr), 1;
  return 0;
}

int SaveValue(const char* file) {
  RegKey key;
  std::vector<BYTE> bytes(64 * 1024);
  DWORD size = static_cast<DWORD>(bytes.size());
  DWORD type = 0;
  if (!key.Get() ||
      RegQueryValueExA(key.Get(), kOptionsValueName, nullptr, &type, bytes.data(), &size) != ERROR_SUCCESS)
    return 3;
  FILE* out = std::fopen(file, "wb");
  if (out == nullptr) return 1;
  const bool ok = std::fwrite(bytes.data(), 1, size, out) == size;
  return (std::fclose(out) == 0 && ok) ? 0 : 1;
}

int RestoreValue(const char* file) {
  FILE* in = std::fopen(file, "rb");
  if (in == nullptr) return 1;
  std::vector<BYTE> bytes(64 * 1024);
  const size_t size = std::fread(bytes.data(), 1, bytes.size(), in);
  std::fclose(in);
  return StoreValue(bytes.data(), static_cast<DWORD>(size)) ? 0 : 1;
}

int DeleteValue() {
  RegKey key;
  if (!key.Get()) return 1;
  const LONG result = RegDeleteValueA(key.Get(), kOptionsValueName);
  return (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "set") return SetOptions(argc - 2, argv + 2);
  if (command == "save" && argc == 3) return SaveValue(argv[2]);
  if (command == "restore" && argc == 3) return RestoreValue(argv[2]);
  if (command == "delete" && argc == 2) return DeleteValue();
  std::fputs("usage: orvel_settings set [KEY=VALUE ...] | save FILE | restore FILE | delete\n", stderr);
  return 2;
}
