// Entry of the Wine platform tests: real windows, registry, device and graphs.
#include <windows.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
