// Encodings and clamps between the settings record and the settings dialogs' controls.
// Pure functions, called on the main thread.
#include "settings/settings_encoding.h"

#include <cmath>
#include <initializer_list>
#include <limits>

#include "base/clamp.h"

const char* const kRotationAngleNames[kRotationAngleCount] = {"Left", "Right", "Up", "Down", "Random"};
const char* const kGridStyleNames[2] = {"Normal", "Funny"};
const char* const kMonitorsChoiceNames[kMonitorsChoiceCount] = {"Primary only", "Same picture on each",
                                                                "One picture across all"};
const char* const kDetailChoiceNames[kDetailChoiceCount] = {"Standard (256 x 256)", "As sharp as the screen"};

int32_t ClampShapeChoice(int32_t shape) { return ClampInt(shape, kShapeCuboid, kShapeStar); }
int32_t ClampCuboidCountChoice(int32_t count) { return ClampInt(count, 1, kMaxCuboidCount); }
int32_t ClampRotationAngleChoice(int32_t angle) { return ClampInt(angle, 1, kRotationAngleCount); }
int32_t ClampGridCountChoice(int32_t count) { return ClampInt(count, 1, kMaxGridCount); }

int32_t MonitorsChoiceFromStored(bool storedAsNumber, uint32_t value) {
  if (!storedAsNumber || value > uint32_t(kMonitorsAcross)) return kMonitorsSameOnEach;
  return int32_t(value);
}

int32_t DetailChoiceFromStored(bool storedAsNumber, uint32_t value) {
  if (!storedAsNumber || value > uint32_t(kDetailScreen)) return kDetailScreen;
  return int32_t(value);
}

int32_t OrderChoiceFromStored(bool storedAsNumber, uint32_t value) {
  if (!storedAsNumber || value > uint32_t(kOrderShuffled)) return kOrderListed;
  return int32_t(value);
}

// The slots are read by the ANSI calls of every Windows the program runs on, so a name the
// code page changes, or one cut to the slot, would name another file or none.
const std::string* StoredPathForm(const std::optional<std::string>& path, const std::optional<std::string>& shortPath) {
  for (const std::optional<std::string>* form : {&path, &shortPath})
    if (form->has_value() && (*form)->size() <= kVideoPathMaxLength) return &form->value();
  return nullptr;
}

int GridStyleSelection(uint8_t gridStyle) { return gridStyle != 0 ? 0 : 1; }
uint8_t GridStyleFromSelection(int selection) { return selection == 0 ? 1 : 0; }

int32_t TruncateToInt(float value) {
  // 2^31 is exactly representable as a float; everything below it in magnitude truncates
  // into range (-2^31 itself included).
  constexpr float kLimit = 2147483648.0f;
  if (std::isnan(value) || value >= kLimit || value < -kLimit) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

int32_t RotationSliderPosition(float rotationSpeed) {
  // Computed in float, as the stored value is a float: (5000 - speed) + 100.
  return TruncateToInt(static_cast<float>(kRotationSliderMax) - rotationSpeed + static_cast<float>(kRotationSliderMin));
}

float RotationSpeedFromSlider(int32_t position) {
  // In 64 bits: a position far outside the slider's range must not overflow.
  return static_cast<float>(int64_t{kRotationSliderMax} - position + kRotationSliderMin);
}

int32_t StarCountFromText(const char* text) {
  int32_t number = 0;
  if (text != nullptr) {
    std::size_t i = 0;
    auto more = [&] { return i < kStarCountDigits && text[i] != '\0'; };
    while (more() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (more() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    for (; more() && IsDigit(text[i]); ++i) number = number * 10 + (text[i] - '0');
    if (negative) number = -number;
  }
  return ClampInt(number, kStarCountMin, kStarCountMax);
}

uint16_t StarCountSpinPosition(int32_t starCount) { return static_cast<uint16_t>(starCount & 0xFFFF); }

uint8_t ToggleSwitch(uint8_t value) { return value == 0 ? 1 : 0; }
