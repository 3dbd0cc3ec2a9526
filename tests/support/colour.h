// One colour for every pixel the tests read back (texture, back buffer, screen) and one
// tolerance check. Any thread.
#pragma once

#include <string>

struct Rgb {
  int r, g, b;
};

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kWhite{255, 255, 255};

// Every channel within `tolerance` of the other's.
bool Near(Rgb a, Rgb b, int tolerance);
// "(r, g, b)", for failure messages.
std::string Describe(Rgb c);
