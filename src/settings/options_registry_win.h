// Loading and saving the settings record in the registry. Main thread only.
#pragma once

// Key under HKEY_CURRENT_USER that holds the value "Options". The entry point sets it
// before the first load; tests point it at a key of their own.
extern const char* settingsKeyPath;
extern const char kSettingsKeyPath[];  // "Software\Quorda\Orvel Screen 1.0"

// Defaults first, then the stored value over them. Registry failures are never reported.
void LoadOptions();

// Writes the whole record.
void SaveOptions();
