// Fuzz target: the settings dialog's encodings on any values: float fields of any bit pattern
// (NaN, infinities, huge), any slider and list values, any typed star count.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_require.h"
#include "settings/settings_encoding.h"

namespace {

bool InRange(int64_t value, int64_t low, int64_t high) { return value >= low && value <= high; }

float FloatFromBits(uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof(value));
  return value;
}

void CheckTruncation(float value) {
  const int32_t truncated = TruncateToInt(value);
  if (std::isnan(value) || std::fabs(static_cast<double>(value)) >= 2147483648.0) {
    // -2^31 lands here too, and INT32_MIN is also its truncation.
    Require(truncated == INT32_MIN, "unrepresentable float gives INT32_MIN");
  } else {
    Require(static_cast<double>(truncated) == std::trunc(static_cast<double>(value)), "truncation toward zero");
  }
}

void CheckRotation(float speed, int32_t position) {
  const int32_t fromSpeed = RotationSliderPosition(speed);
  if (speed >= 100.0f && speed <= 5000.0f) Require(InRange(fromSpeed, 100, 5000), "slider from speed 100..5000");
  const float fromPosition = RotationSpeedFromSlider(position);
  if (InRange(position, kRotationSliderMin, kRotationSliderMax)) {
    Require(fromPosition == static_cast<float>(5100 - position), "speed is 5100 - position");
    Require(RotationSliderPosition(fromPosition) == position, "slider position comes back");
  }
}

void CheckStarCount(const std::string& typed, int32_t starCount) {
  const int32_t count = StarCountFromText(typed.c_str());
  Require(InRange(count, kStarCountMin, kStarCountMax), "star count 10..1000");
  const std::string shown = std::string(typed.c_str()).substr(0, kStarCountDigits);
  Require(StarCountFromText(shown.c_str()) == count, "only four characters are read");
  if (!shown.empty() && shown.find_first_not_of("0123456789") == std::string::npos) {
    const long number = std::stol(shown);
    Require(count == (number <= 10 ? 10 : (number >= 1000 ? 1000 : number)), "digits read as a decimal number");
  }
  if (InRange(starCount, kStarCountMin, kStarCountMax))
    Require(StarCountSpinPosition(starCount) == starCount, "up-down shows the count");
}

void CheckChoices(int32_t value, uint8_t flag, int selection) {
  struct Choice {
    int32_t (*clamp)(int32_t);
    int32_t high;
  };
  const Choice choices[] = {{ClampShapeChoice, 3},
                            {ClampCuboidCountChoice, kMaxCuboidCount},
                            {ClampRotationAngleChoice, kRotationAngleCount},
                            {ClampGridCountChoice, kMaxGridCount}};
  for (const Choice& choice : choices) {
    const int32_t clamped = choice.clamp(value);
    Require(InRange(clamped, 1, choice.high), "choice in its list");
    if (InRange(value, 1, choice.high)) Require(clamped == value, "choice in range is kept");
    else Require(clamped == (value < 1 ? 1 : choice.high), "choice out of range takes the nearest end");
  }
  const int item = GridStyleSelection(flag);
  Require(InRange(item, 0, 1), "grid style item 0 or 1");
  Require(GridStyleFromSelection(item) == (flag != 0 ? 1 : 0), "grid style flag comes back");
  Require(GridStyleFromSelection(selection) <= 1, "grid style flag 0 or 1");
  const uint8_t toggled = ToggleSwitch(flag);
  Require(toggled <= 1 && (toggled == 1) == (flag == 0), "switch flips between 0 and 1");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const float speed = FloatFromBits(input.ConsumeIntegral<uint32_t>());
  const float other = FloatFromBits(input.ConsumeIntegral<uint32_t>());
  const int32_t position = input.ConsumeIntegral<int32_t>();
  const int32_t value = input.ConsumeIntegral<int32_t>();
  const uint8_t flag = input.ConsumeIntegral<uint8_t>();
  const int selection = input.ConsumeIntegral<int>();
  const std::string typed = input.ConsumeRemainingBytesAsString();

  CheckTruncation(speed);
  CheckTruncation(other);
  CheckRotation(speed, position);
  CheckStarCount(typed, value);
  CheckChoices(value, flag, selection);
  return 0;
}
