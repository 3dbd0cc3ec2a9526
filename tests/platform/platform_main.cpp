// Entry of the Wine platform tests: real windows, registry, device and graphs.
#include <windows.h>

#include <gtest/gtest.h>

#include "shell/saver_window_win.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  instanceHandle = GetModuleHandleA(nullptr);
  return RUN_ALL_TESTS();
}
