// Driver of the end-to-end tests: takes --orvel=<path of orvel.scr> and, optionally,
// --wine-version=<Wine's name of a Windows version> (win98: Wine reports Windows 98 to every
// program named orvel.scr for the whole run, and the setting is put back at the end), then
// runs the tests.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "saver_process.h"
#include "scoped_registry_value.h"
#include "program_folder.h"

extern std::string slowFilePath;
extern bool slowFileReadsHeld;
bool orvelSeesWindows98 = false;  // --wine-version=win98

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::unique_ptr<ScopedRegistryValue> version;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--orvel=", 8) == 0) orvelPath = WindowsPath(argv[i] + 8);
    if (std::strncmp(argv[i], "--slow-file=", 12) == 0) slowFilePath = WindowsPath(argv[i] + 12);
    if (std::strcmp(argv[i], "--reads-held") == 0) slowFileReadsHeld = true;
    if (std::strncmp(argv[i], "--wine-version=", 15) != 0) continue;
    version =
        std::make_unique<ScopedRegistryValue>(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\orvel.scr", "Version");
    version->WriteText(argv[i] + 15);
    orvelSeesWindows98 = std::strcmp(argv[i] + 15, "win98") == 0;
  }
  if (orvelPath.empty()) {
    std::fprintf(stderr, "usage: e2e_tests --orvel=<path of orvel.scr> [--wine-version=win98]\n");
    return 2;
  }
  return RUN_ALL_TESTS();
}
