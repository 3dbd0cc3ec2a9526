// The names by which the program, its tests, benchmarks and tools find the same things: the
// settings key and value, the saver window's class and the single-run mutex. Portable.
#pragma once

// Under HKEY_CURRENT_USER.
inline constexpr char kSettingsKeyPath[] = "Software\\Quorda\\Orvel Screen 1.0";
inline constexpr char kOptionsValueName[] = "Options";
// Beside it, a REG_DWORD: how a full-screen run uses several monitors.
inline constexpr char kMonitorsValueName[] = "Monitors";
// Beside it, a REG_DWORD: the video texture at a fixed size or at the screen's.
inline constexpr char kDetailValueName[] = "Detail";
// Beside it, a REG_DWORD: the videos in the list's order or shuffled.
inline constexpr char kOrderValueName[] = "Order";
inline constexpr char kSaverWindowClass[] = "QuordaWndClass";
// Held by a full-screen run, so that a second one started meanwhile ends at once.
inline constexpr char kSingleRunMutexName[] = "Or vel Screen";
