// Loading and saving the settings record in the registry. Main thread only.
#pragma once

#include <cstdint>

#include "base/product_names.h"

// Key under HKEY_CURRENT_USER that holds the value kOptionsValueName: kSettingsKeyPath, which
// the entry point sets before the first load; tests point it at a key of their own.
extern const char* settingsKeyPath;

// How a full-screen run uses several monitors (kMonitorsPrimaryOnly, kMonitorsSameOnEach,
// kMonitorsAcross), from the value kMonitorsValueName beside the record.
extern int32_t monitorsChoice;

// How sharp the video texture is (kDetailStandard, kDetailScreen), from the value
// kDetailValueName beside the record.
extern int32_t detailChoice;

// Whether the videos play in the list's order or shuffled (kOrderListed, kOrderShuffled), from
// the value kOrderValueName beside the record.
extern int32_t orderChoice;

// Defaults first, then the stored values over them. Registry failures are never reported.
void LoadOptions();

// Writes the whole record and the monitors, detail and order choices.
void SaveOptions();
