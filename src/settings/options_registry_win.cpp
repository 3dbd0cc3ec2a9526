// Loading and saving the settings record in the registry. Main thread only.
#include "settings/options_registry_win.h"

#include <windows.h>

#include "base/product_names.h"
#include "base/scoped_win.h"
#include "settings/options_record.h"
#include "settings/settings_encoding.h"

const char* settingsKeyPath = kSettingsKeyPath;
int32_t monitorsChoice = kMonitorsSameOnEach;
int32_t detailChoice = kDetailScreen;
int32_t orderChoice = kOrderListed;

static HKEY OpenSettingsKey() {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

// Whether `name` holds a 32-bit number; `value` is meaningful only when it does.
static bool ReadStoredNumber(HKEY key, const char* name, uint32_t& value) {
  DWORD number = 0;
  DWORD type = REG_NONE;
  DWORD size = sizeof(number);
  const bool read =
      RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&number), &size) == ERROR_SUCCESS &&
      type == REG_DWORD && size == sizeof(number);
  value = number;
  return read;
}

static int32_t ReadMonitorsChoice(HKEY key) {
  uint32_t value = 0;
  const bool number = ReadStoredNumber(key, kMonitorsValueName, value);
  return MonitorsChoiceFromStored(number, value);
}

static int32_t ReadDetailChoice(HKEY key) {
  uint32_t value = 0;
  const bool number = ReadStoredNumber(key, kDetailValueName, value);
  return DetailChoiceFromStored(number, value);
}

static int32_t ReadOrderChoice(HKEY key) {
  uint32_t value = 0;
  const bool number = ReadStoredNumber(key, kOrderValueName, value);
  return OrderChoiceFromStored(number, value);
}

static void WriteNumber(HKEY key, const char* name, int32_t choice) {
  const DWORD number = DWORD(choice);
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
}

void LoadOptions() {
  SetDefaultOptions(saverOptions);
  monitorsChoice = kMonitorsSameOnEach;
  detailChoice = kDetailScreen;
  orderChoice = kOrderListed;
  ScopedRegistryKey key(OpenSettingsKey());
  if (!key) {
    TerminateVideoSlots(saverOptions);
    return;
  }
  monitorsChoice = ReadMonitorsChoice(key.Get());
  detailChoice = ReadDetailChoice(key.Get());
  orderChoice = ReadOrderChoice(key.Get());
  // Read into a buffer of our own: after a failed read of an over-long value the registry
  // leaves the buffer undefined, and the defaults must stand.
  unsigned char stored[kOptionsRecordSize];
  DWORD type = REG_BINARY;
  DWORD size = sizeof(stored);
  const LONG result = RegQueryValueExA(key.Get(), kOptionsValueName, nullptr, &type, stored, &size);
  StoredValueRead how = StoredValueRead::Missing;
  if (result == ERROR_SUCCESS) how = StoredValueRead::Read;
  else if (result == ERROR_MORE_DATA) how = StoredValueRead::TooLong;
  ApplyStoredOptions(saverOptions, how, stored, size);
}

void SaveOptions() {
  ScopedRegistryKey key(OpenSettingsKey());
  if (!key) return;
  RegSetValueExA(key.Get(), kOptionsValueName, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&saverOptions),
                 sizeof(saverOptions));
  WriteNumber(key.Get(), kMonitorsValueName, monitorsChoice);
  WriteNumber(key.Get(), kDetailValueName, detailChoice);
  WriteNumber(key.Get(), kOrderValueName, orderChoice);
}
