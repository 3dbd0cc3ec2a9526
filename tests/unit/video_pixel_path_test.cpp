// The choice of the pixel loops' code path: what CPUID leaf 1 reports (SSE2 is EDX bit 26,
// SSSE3 ECX bit 9, as Intel's manual gives them) and whether the system saves the SSE
// registers when it switches threads.
#include <gtest/gtest.h>

#include "video/pixel_path.h"

namespace {

constexpr uint32_t kSse2 = 1u << 26;
constexpr uint32_t kSsse3 = 1u << 9;

TEST(PixelPath, ChoiceNeedsTheProcessorAndTheSystem) {
  struct Case {
    const char* what;
    uint32_t edx;
    uint32_t ecx;
    bool systemSaves;
    PixelPath path;
  };
  // clang-format off
  const Case cases[] = {
      {"Pentium II",                     0,     0,      true,  PixelPath::Scalar},
      {"Pentium 4",                      kSse2, 0,      true,  PixelPath::Sse2},
      {"Core 2",                         kSse2, kSsse3, true,  PixelPath::Ssse3},
      {"Core 2 under Windows 95",        kSse2, kSsse3, false, PixelPath::Scalar},
      {"Pentium 4 under NT 4",           kSse2, 0,      false, PixelPath::Scalar},
      {"every other bit set, not SSE2", ~kSse2, ~0u,    true,  PixelPath::Scalar},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(c.path, ChoosePixelPath(c.edx, c.ecx, c.systemSaves)) << c.what;
  }
}

TEST(PixelPath, WindowsFrom98And2000SaveTheSseRegisters) {
  struct Case {
    const char* what;
    uint32_t major;
    uint32_t minor;
    bool saves;
  };
  // clang-format off
  const Case cases[] = {
      {"Windows 95",   4, 0,  false},
      {"NT 4.0",       4, 0,  false},
      {"NT 3.51",      3, 51, false},
      {"Windows 98",   4, 10, true},
      {"Windows ME",   4, 90, true},
      {"Windows 2000", 5, 0,  true},
      {"Windows XP",   5, 1,  true},
      {"Windows 10",  10, 0,  true},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(c.saves, WindowsVersionSavesSse(c.major, c.minor)) << c.what;
  }
}

}  // namespace
