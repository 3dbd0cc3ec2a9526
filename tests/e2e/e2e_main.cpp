// Driver of the end-to-end tests: takes --orvel=<path of orvel.scr>, then runs the tests.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "saver_process.h"

extern std::string slowFilePath;

namespace {

// The build passes a Unix path; under Wine the root of the Unix file system is drive Z:.
std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--orvel=", 8) == 0) orvelPath = WindowsPath(argv[i] + 8);
    else if (std::strncmp(argv[i], "--slow-file=", 12) == 0) slowFilePath = WindowsPath(argv[i] + 12);
  if (orvelPath.empty()) {
    std::fprintf(stderr, "usage: e2e_tests --orvel=<path of orvel.scr>\n");
    return 2;
  }
  return RUN_ALL_TESTS();
}
