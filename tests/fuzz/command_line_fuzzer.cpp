// Fuzz target: any bytes as the command line the host starts the program with (a string ends
// at its first zero byte, as a real command line does).
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_require.h"
#include "shell/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const SaverArguments args = ParseSaverArguments(text.c_str());
  const std::string line = text.c_str();

  switch (args.mode) {
    case SaverMode::Config:
    case SaverMode::Preview:
    case SaverMode::ChangePassword:
      break;
    case SaverMode::Saver:
    case SaverMode::Test:
      Require(args.hostWindow == 0, "full-screen modes read no window number");
      break;
    default:
      Require(false, "mode is one of the five");
  }
  if (line.find_first_of("/-") == std::string::npos)
    Require(args.mode == SaverMode::Config && args.hostWindow == 0, "no switch: configure, no owner");
  // A window number is only ever read from the text, digit for digit.
  if (args.hostWindow != 0)
    Require(line.find(std::to_string(args.hostWindow)) != std::string::npos, "window number is in the text");
  return 0;
}
