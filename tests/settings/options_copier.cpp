// Loads the settings record from one key and saves it under another, through the saver's
// own LoadOptions and SaveOptions; the test that starts it (from the other Windows build)
// compares the two values. Without arguments it only answers with its pointer width in bits
// (32 or 64) as its exit code, so the test can tell a build that cannot run here from one
// that runs wrongly. Main thread only.
#include "settings/options_registry_win.h"

int main(int argc, char** argv) {
  if (argc == 1) return static_cast<int>(8 * sizeof(void*));
  if (argc != 3) return 2;
  settingsKeyPath = argv[1];
  LoadOptions();
  settingsKeyPath = argv[2];
  SaveOptions();
  return 0;
}
