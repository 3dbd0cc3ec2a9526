// Loading and saving the settings record in the registry. Main thread only.
#include "settings/options_registry_win.h"

#include <windows.h>

#include "base/product_names.h"
#include "base/scoped_win.h"
#include "settings/options_record.h"
#include "settings/settings_encoding.h"

const char* settingsKeyPath = kSettingsKeyPath;
int32_t monitorsChoice = kMonitorsSameOnEach;

static HKEY OpenSettingsKey() {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

static int32_t ReadMonitorsChoice(HKEY key) {
  DWORD value = 0;
  DWORD type = REG_NONE;
  DWORD size = sizeof(value);
  const bool number = RegQueryValueExA(key, kMonitorsValueName, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                                       &size) == ERROR_SUCCESS &&
                      type == REG_DWORD && size == sizeof(value);
  return MonitorsChoiceFromStored(number, value);
}

void LoadOptions() {
  SetDefaultOptions(saverOptions);
  monitorsChoice = kMonitorsSameOnEach;
  ScopedRegistryKey key(OpenSettingsKey());
  if (!key) {
    TerminateVideoSlots(saverOptions);
    return;
  }
  monitorsChoice = ReadMonitorsChoice(key.Get());
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
  const DWORD monitors = DWORD(monitorsChoice);
  RegSetValueExA(key.Get(), kMonitorsValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&monitors),
                 sizeof(monitors));
}
