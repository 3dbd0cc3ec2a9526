// Loading and saving the settings record in the registry. Main thread only.
#pragma once

#include "base/product_names.h"

// Key under HKEY_CURRENT_USER that holds the value kOptionsValueName: kSettingsKeyPath, which
// the entry point sets before the first load; tests point it at a key of their own.
extern const char* settingsKeyPath;

// Defaults first, then the stored value over them. Registry failures are never reported.
void LoadOptions();

// Writes the whole record.
void SaveOptions();
