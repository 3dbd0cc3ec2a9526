// Command-line grammar of a screensaver started by the Windows host. Main thread only.
#include "shell/command_line.h"

#include "base/clamp.h"

namespace {

const char* SkipProgramPath(const char* p) {
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') ++p;
    return *p == '"' ? p + 1 : p;
  }
  while (*p != '\0' && *p != ' ') ++p;
  return *p == ' ' ? p + 1 : p;
}

// Reads the first run of decimal digits after `p`. Hosts pass 32-bit window handles, so a
// longer number cannot name a window; it yields 0 rather than a wrapped value that might
// happen to name an unrelated one.
uint32_t ReadWindowNumber(const char* p) {
  while (*p != '\0' && !IsDigit(*p)) ++p;
  uint64_t value = 0;
  for (; IsDigit(*p); ++p) {
    value = value * 10 + static_cast<uint64_t>(*p - '0');
    if (value > UINT32_MAX) return 0;
  }
  return static_cast<uint32_t>(value);
}

}  // namespace

SaverArguments ParseSaverArguments(const char* commandLine) {
  SaverArguments args;
  if (commandLine == nullptr) return args;

  const char* p = SkipProgramPath(commandLine);
  while (*p != '\0' && *p != '/' && *p != '-') ++p;
  if (*p == '\0') return args;  // no switch at all: configure

  const char letter = p[1];
  switch (letter | 0x20) {  // ASCII letters only; anything else falls to the default
    case 'a':
      args.mode = SaverMode::ChangePassword;
      break;
    case 'c':
      args.mode = SaverMode::Config;
      break;
    case 'p':
      args.mode = SaverMode::Preview;
      break;
    case 't':
      args.mode = SaverMode::Test;
      return args;
    default:
      args.mode = SaverMode::Saver;
      return args;
  }
  args.hostWindow = ReadWindowNumber(p + 2);
  return args;
}
