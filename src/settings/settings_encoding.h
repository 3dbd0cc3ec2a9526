// How the settings dialog shows the fields of the settings record in its controls and reads
// them back: the clamps applied when the dialog opens, the list and slider encodings, the
// star count typed as text, the byte switches, and which form of a picked path a video slot
// stores. Pure functions, called on the main thread by the settings dialogs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "settings/options_record.h"

// Ends of the controls' ranges.
constexpr int kMaxCuboidCount = 10;
constexpr int kMaxGridCount = 20;  // columns and rows alike
constexpr int kRotationSliderMin = 100;
constexpr int kRotationSliderMax = 5000;
constexpr int kStarSpeedMin = 2;
constexpr int kStarSpeedMax = 1000;
constexpr int kStarSizeMin = 2;
constexpr int kStarSizeMax = 10;
constexpr int32_t kStarCountMin = 10;
constexpr int32_t kStarCountMax = 1000;
constexpr std::size_t kStarCountDigits = 4;  // the number field takes four characters

// List texts in the order the lists show them; item i stands for the value i + 1.
constexpr int kRotationAngleCount = 5;
extern const char* const kRotationAngleNames[kRotationAngleCount];  // "Left" .. "Random"
extern const char* const kGridStyleNames[2];                        // "Normal", "Funny"

// The clamps the dialog writes back into the record when it opens.
int32_t ClampShapeChoice(int32_t shape);          // <= 1 -> 1, >= 3 -> 3
int32_t ClampCuboidCountChoice(int32_t count);    // 1 .. 10
int32_t ClampRotationAngleChoice(int32_t angle);  // 1 .. 5
int32_t ClampGridCountChoice(int32_t count);      // 1 .. 20, columns and rows

// A 1-based value and the 0-based list item that shows it.
inline int SelectionFromValue(int32_t value) { return value - 1; }
inline int32_t ValueFromSelection(int selection) { return selection + 1; }

// `gridStyle` is a flag: any non-zero value shows "Normal" (item 0), zero shows "Funny".
int GridStyleSelection(uint8_t gridStyle);
uint8_t GridStyleFromSelection(int selection);  // item 0 -> 1, any other -> 0

// The float-to-integer conversion of the slider encodings: truncation toward zero. Values
// the 32-bit integer cannot hold (and NaN) give INT32_MIN, as the processor's truncating
// conversion does, so a damaged record never makes the conversion undefined; the slider
// then brings the position into its range.
int32_t TruncateToInt(float value);

// The rotation-speed slider runs from "slow" (5000) at the left to "fast" (100) at the
// right: position = 5100 - rotationSpeed, truncated toward zero, and back.
int32_t RotationSliderPosition(float rotationSpeed);
float RotationSpeedFromSlider(int32_t position);

// The star count as typed: at most the first four characters are read as a decimal number
// (leading blanks and one sign allowed, reading stops at the first non-digit, no digits
// count as 0); then <= 10 gives 10 and >= 1000 gives 1000.
int32_t StarCountFromText(const char* text);

// The up-down control holds 16-bit positions: the low 16 bits of starCount.
uint16_t StarCountSpinPosition(int32_t starCount);

// The `Monitors` value stored beside the record: the scene on the primary monitor only
// (black on the others), the same picture on each monitor, or one picture across them all.
// Item i of the dialog's list stands for the value i.
constexpr int32_t kMonitorsPrimaryOnly = 0;
constexpr int32_t kMonitorsSameOnEach = 1;
constexpr int32_t kMonitorsAcross = 2;
constexpr int kMonitorsChoiceCount = 3;
extern const char* const kMonitorsChoiceNames[kMonitorsChoiceCount];

// The value as the registry gave it: anything but a stored 32-bit number from 0 to 2 (missing,
// another type or size, out of range) gives the default, the same picture on each monitor.
int32_t MonitorsChoiceFromStored(bool storedAsNumber, uint32_t value);

// The `Detail` value stored beside the record: the video texture at a fixed 256 x 256, or
// sized to the screen so that the picture is as sharp as the screen shows it. Item i of the
// dialog's list stands for the value i.
constexpr int32_t kDetailStandard = 0;
constexpr int32_t kDetailScreen = 1;
constexpr int kDetailChoiceCount = 2;
extern const char* const kDetailChoiceNames[kDetailChoiceCount];

// The value as the registry gave it: anything but a stored 32-bit number 0 or 1 (missing,
// another type or size, out of range) gives the default, the texture sized to the screen.
int32_t DetailChoiceFromStored(bool storedAsNumber, uint32_t value);

// The `Order` value stored beside the record: the videos play in the list's order, or
// shuffled. The dialog's "Shuffle" check box is ticked for the second.
constexpr int32_t kOrderListed = 0;
constexpr int32_t kOrderShuffled = 1;

// The value as the registry gave it: anything but a stored 32-bit number 0 or 1 (missing,
// another type or size, out of range) gives the default, the list's order.
int32_t OrderChoiceFromStored(bool storedAsNumber, uint32_t value);

// The form of a picked file or folder that a video slot stores: the path itself where the
// ANSI code page holds it in at most kVideoPathMaxLength bytes, else its short (8.3) form
// under the same condition, else none (null: the row keeps what it had and the user is
// told). A form is absent where it did not convert to the code page without loss or could
// not be had (no short name on the volume).
const std::string* StoredPathForm(const std::optional<std::string>& path, const std::optional<std::string>& shortPath);

// A check-box click on a byte switch: 0 becomes 1, anything else becomes 0.
uint8_t ToggleSwitch(uint8_t value);
