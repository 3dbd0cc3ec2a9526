// Command-line grammar of a screensaver started by the Windows host. Main thread only.
#pragma once

#include <cstdint>

enum class SaverMode : int32_t {
  Config = 0,
  Preview = 1,
  Saver = 2,
  Test = 3,
  ChangePassword = 4,
};

struct SaverArguments {
  SaverMode mode = SaverMode::Config;
  // Window number given after the mode letter; 0 when none was given. A number too large
  // for a window handle names no window and is reported as 0 as well.
  uint32_t hostWindow = 0;
};

// Parses the whole command line, program path first.
SaverArguments ParseSaverArguments(const char* commandLine);

inline bool IsFullScreenMode(SaverMode mode) { return mode == SaverMode::Saver || mode == SaverMode::Test; }
inline bool IsDrawingMode(SaverMode mode) { return mode == SaverMode::Preview || IsFullScreenMode(mode); }
