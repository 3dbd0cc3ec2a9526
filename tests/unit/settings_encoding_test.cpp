// The settings dialog's encodings: clamps at opening, list and slider conversions, the star
// count typed as text and the byte switches. Expected values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "settings/settings_encoding.h"

namespace {

constexpr int32_t kMinInt = std::numeric_limits<int32_t>::min();
constexpr int32_t kMaxInt = std::numeric_limits<int32_t>::max();

struct ClampCase {
  int32_t in;
  int32_t shape, cuboids, angle, grid;  // expected from each clamp
};

TEST(SettingsEncoding, ClampsAtOpening) {
  const ClampCase cases[] = {
      {kMinInt, 1, 1, 1, 1}, {-1, 1, 1, 1, 1},   {0, 1, 1, 1, 1},         {1, 1, 1, 1, 1},    {2, 2, 2, 2, 2},
      {3, 3, 3, 3, 3},       {4, 3, 4, 4, 4},    {5, 3, 5, 5, 5},         {6, 3, 6, 5, 6},    {7, 3, 7, 5, 7},
      {9, 3, 9, 5, 9},       {10, 3, 10, 5, 10}, {11, 3, 10, 5, 11},      {19, 3, 10, 5, 19}, {20, 3, 10, 5, 20},
      {21, 3, 10, 5, 20},    {25, 3, 10, 5, 20}, {kMaxInt, 3, 10, 5, 20},
  };
  for (const ClampCase& c : cases) {
    EXPECT_EQ(ClampShapeChoice(c.in), c.shape) << c.in;
    EXPECT_EQ(ClampCuboidCountChoice(c.in), c.cuboids) << c.in;
    EXPECT_EQ(ClampRotationAngleChoice(c.in), c.angle) << c.in;
    EXPECT_EQ(ClampGridCountChoice(c.in), c.grid) << c.in;
  }
}

TEST(SettingsEncoding, ListItemsAndSelections) {
  const char* const angles[] = {"Left", "Right", "Up", "Down", "Random"};
  for (int i = 0; i < 5; ++i) EXPECT_STREQ(kRotationAngleNames[i], angles[i]);
  EXPECT_STREQ(kGridStyleNames[0], "Normal");
  EXPECT_STREQ(kGridStyleNames[1], "Funny");

  // Value 5 ("Random") is item 4; item 9 of the cuboid list is the value 10.
  EXPECT_EQ(SelectionFromValue(5), 4);
  EXPECT_EQ(SelectionFromValue(1), 0);
  EXPECT_EQ(ValueFromSelection(9), 10);
  EXPECT_EQ(ValueFromSelection(0), 1);
}

TEST(SettingsEncoding, GridStyleIsAFlagNotAnIndex) {
  struct Case {
    uint8_t stored;
    int selection;
  };
  const Case shown[] = {{0, 1}, {1, 0}, {2, 0}, {0x80, 0}, {0xFF, 0}};
  for (const Case& c : shown) EXPECT_EQ(GridStyleSelection(c.stored), c.selection) << int(c.stored);

  EXPECT_EQ(GridStyleFromSelection(0), 1);  // "Normal"
  EXPECT_EQ(GridStyleFromSelection(1), 0);  // "Funny"
  EXPECT_EQ(GridStyleFromSelection(-1), 0);
}

TEST(SettingsEncoding, RotationSliderRunsFromSlowToFast) {
  struct Case {
    float speed;
    int32_t position;
  };
  // clang-format off
  const Case cases[] = {
      {800.0f, 4300},   // the default
      {100.0f, 5000},   // fastest, at the right end
      {5000.0f, 100},   // slowest, at the left end
      {799.5f, 4300},   // 4300.5 truncates down
      {800.5f, 4299},   // 4299.5 truncates down
      {5100.0f, 0},
      {5100.5f, 0},     // -0.5 truncates toward zero, not down
      {5101.5f, -1},    // -1.5 truncates to -1
      {9000.0f, -3900}, // out of the slider's range: the slider itself clamps
      {-100.0f, 5200},
      {0.0f, 5100},
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(RotationSliderPosition(c.speed), c.position) << c.speed;

  const int32_t positions[][2] = {{100, 5000}, {5000, 100}, {4300, 800}, {2550, 2550}, {101, 4999}};
  for (const auto& p : positions) EXPECT_EQ(RotationSpeedFromSlider(p[0]), static_cast<float>(p[1])) << p[0];
  // Far outside the slider's range the result is still 5100 - position, without wrapping.
  EXPECT_EQ(RotationSpeedFromSlider(INT32_MIN), 2147488748.0f);
  EXPECT_EQ(RotationSpeedFromSlider(INT32_MAX), -2147478547.0f);
}

TEST(SettingsEncoding, TruncationTowardZeroAndUnrepresentableValues) {
  struct Case {
    float value;
    int32_t expected;
  };
  const Case cases[] = {
      {0.0f, 0},
      {-0.0f, 0},
      {2.9f, 2},
      {-2.9f, -2},
      {350.0f, 350},
      {1000.99f, 1000},
      {-2147483648.0f, kMinInt},
      {2147483520.0f, 2147483520},  // the largest float below 2^31
      {2147483648.0f, kMinInt},     // 2^31 does not fit
      {1e20f, kMinInt},
      {-1e20f, kMinInt},
      {std::numeric_limits<float>::infinity(), kMinInt},
      {-std::numeric_limits<float>::infinity(), kMinInt},
      {std::nanf(""), kMinInt},
  };
  for (const Case& c : cases) EXPECT_EQ(TruncateToInt(c.value), c.expected) << c.value;
}

TEST(SettingsEncoding, StarCountFromAtMostFourCharacters) {
  struct Case {
    const char* text;
    int32_t count;
  };
  // clang-format off
  const Case cases[] = {
      {"5", 10},      {"9999", 1000}, {"", 10},        {"500", 500},   {"10", 10},
      {"11", 11},     {"999", 999},   {"1000", 1000},  {"0", 10},      {"abc", 10},
      {"12ab", 12},   {"0500", 500},  {"00500", 50},   // only "0050" is read
      {"12345", 1000},                                 // "1234"
      {"  42", 42},   {"   42", 10},                   // the blanks use up the four characters
      {"+77", 77},    {"-5", 10},     {"-999", 10},
      {"9 9", 10},    {"4.5", 10},
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(StarCountFromText(c.text), c.count) << '"' << c.text << '"';
  EXPECT_EQ(StarCountFromText(nullptr), 10);
}

TEST(SettingsEncoding, StarCountSpinTakesTheLow16Bits) {
  EXPECT_EQ(StarCountSpinPosition(800), 800);
  EXPECT_EQ(StarCountSpinPosition(0x12345), 0x2345);
  EXPECT_EQ(StarCountSpinPosition(65536 + 10), 10);
  EXPECT_EQ(StarCountSpinPosition(-1), 0xFFFF);
}

TEST(SettingsEncoding, CheckBoxClickTogglesTheByte) {
  struct Case {
    uint8_t before, after;
  };
  const Case cases[] = {{0, 1}, {1, 0}, {2, 0}, {7, 0}, {0xFF, 0}};
  for (const Case& c : cases) EXPECT_EQ(ToggleSwitch(c.before), c.after) << int(c.before);
}

TEST(SettingsEncoding, MonitorsChoiceIsTheStoredNumberOrTheDefault) {
  struct Case {
    bool storedAsNumber;
    uint32_t value;
    int32_t want;
  };
  const Case cases[] = {
      {true, 0, kMonitorsPrimaryOnly}, {true, 1, kMonitorsSameOnEach},           {true, 2, kMonitorsAcross},
      {true, 3, kMonitorsSameOnEach},  {true, 0xFFFFFFFFu, kMonitorsSameOnEach}, {false, 0, kMonitorsSameOnEach},
      {false, 2, kMonitorsSameOnEach}};
  for (const Case& c : cases)
    EXPECT_EQ(MonitorsChoiceFromStored(c.storedAsNumber, c.value), c.want) << c.storedAsNumber << " " << c.value;
}

// A slot holds 259 bytes: the picked path itself where it converts and fits, else its short
// form on the same terms, else nothing.
TEST(SettingsEncoding, PickedPathStoresTheFirstFormThatConvertsAndFits) {
  const std::optional<std::string> none;
  const std::string fits = "C:\\" + std::string(256, 'a');  // 259 bytes
  const std::string over = fits + "b";                      // 260 bytes
  const std::string shortPath = "C:\\VIDEOS~1\\CLIP~1.AVI";
  struct Case {
    std::optional<std::string> path, shortPath;
    const char* want;  // "path", "short" or "none"
  };
  // clang-format off
  const Case cases[] = {
      {fits, shortPath, "path"},     // the name itself first, though a short one exists
      {over, shortPath, "short"},    // too long for the slot
      {none, shortPath, "short"},    // not in the code page
      {none, none, "none"},          // no short names on the volume
      {over, none, "none"},
      {none, over, "none"},          // the short form too long as well
  };
  // clang-format on
  for (const Case& c : cases) {
    const std::string* stored = StoredPathForm(c.path, c.shortPath);
    const std::string got = stored == nullptr ? "none" : c.path && stored == &*c.path ? "path" : "short";
    EXPECT_EQ(got, c.want) << (c.path ? c.path->size() : 0) << " / " << (c.shortPath ? c.shortPath->size() : 0);
  }
}

}  // namespace
