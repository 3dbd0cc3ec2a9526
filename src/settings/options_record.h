// The settings record: one packed little-endian block of 2756 bytes, stored whole as the
// registry value "Options". Its layout is the stored format, so every offset is checked
// at compile time. Main thread only (the streaming thread never reads settings).
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t kOptionsRecordSize = 2756;
constexpr std::size_t kVideoSlotCount = 10;
constexpr std::size_t kVideoPathSize = 260;  // bytes per slot, terminator included
constexpr std::size_t kVideoPathMaxLength = kVideoPathSize - 1;

// The shapes, as `shape` stores them (the settings dialog's radio buttons in this order).
constexpr int32_t kShapeCuboid = 1;
constexpr int32_t kShapeGrid = 2;
constexpr int32_t kShapeStar = 3;

#pragma pack(push, 1)
struct SaverOptions {
  int32_t shape;      // kShapeCuboid, kShapeGrid, anything else the star field
  uint8_t gridStyle;  // nonzero "Normal", zero "Funny"
  uint8_t gap5[3];
  int32_t gridColumns;
  int32_t gridRows;
  int32_t cuboidCount;
  uint8_t cuboidTranslucent;
  uint8_t showBackground;
  uint8_t gap22[2];
  uint32_t backgroundColor;   // COLORREF 0x00BBGGRR
  uint32_t cuboidBlendColor;  // COLORREF 0x00BBGGRR
  float rotationSpeed;        // milliseconds per radian, larger is slower
  int32_t rotationAngle;      // 1 Left, 2 Right, 3 Up, 4 Down, 5 Random
  int32_t starCount;
  uint8_t starTranslucent;
  uint8_t gap45[3];
  float starSpeed;
  uint8_t starReserved;
  uint8_t gap53[3];
  float starSize;
  // The ten path slots come in pairs, each of the first four pairs followed by a
  // reserved block; use VideoFileSlot() to address them by number.
  char videoFiles1[kVideoPathSize];
  char videoFiles2[kVideoPathSize];
  uint8_t reserved1[24];
  char videoFiles3[kVideoPathSize];
  char videoFiles4[kVideoPathSize];
  uint8_t reserved2[24];
  char videoFiles5[kVideoPathSize];
  char videoFiles6[kVideoPathSize];
  uint8_t reserved3[24];
  char videoFiles7[kVideoPathSize];
  char videoFiles8[kVideoPathSize];
  uint8_t reserved4[24];
  char videoFiles9[kVideoPathSize];
  char videoFiles10[kVideoPathSize];
};
#pragma pack(pop)

static_assert(sizeof(SaverOptions) == kOptionsRecordSize, "stored record size");
static_assert(offsetof(SaverOptions, shape) == 0, "layout");
static_assert(offsetof(SaverOptions, gridStyle) == 4, "layout");
static_assert(offsetof(SaverOptions, gridColumns) == 8, "layout");
static_assert(offsetof(SaverOptions, gridRows) == 12, "layout");
static_assert(offsetof(SaverOptions, cuboidCount) == 16, "layout");
static_assert(offsetof(SaverOptions, cuboidTranslucent) == 20, "layout");
static_assert(offsetof(SaverOptions, showBackground) == 21, "layout");
static_assert(offsetof(SaverOptions, backgroundColor) == 24, "layout");
static_assert(offsetof(SaverOptions, cuboidBlendColor) == 28, "layout");
static_assert(offsetof(SaverOptions, rotationSpeed) == 32, "layout");
static_assert(offsetof(SaverOptions, rotationAngle) == 36, "layout");
static_assert(offsetof(SaverOptions, starCount) == 40, "layout");
static_assert(offsetof(SaverOptions, starTranslucent) == 44, "layout");
static_assert(offsetof(SaverOptions, starSpeed) == 48, "layout");
static_assert(offsetof(SaverOptions, starReserved) == 52, "layout");
static_assert(offsetof(SaverOptions, starSize) == 56, "layout");
static_assert(offsetof(SaverOptions, videoFiles1) == 60, "layout");
static_assert(offsetof(SaverOptions, videoFiles2) == 320, "layout");
static_assert(offsetof(SaverOptions, reserved1) == 580, "layout");
static_assert(offsetof(SaverOptions, videoFiles3) == 604, "layout");
static_assert(offsetof(SaverOptions, videoFiles4) == 864, "layout");
static_assert(offsetof(SaverOptions, reserved2) == 1124, "layout");
static_assert(offsetof(SaverOptions, videoFiles5) == 1148, "layout");
static_assert(offsetof(SaverOptions, videoFiles6) == 1408, "layout");
static_assert(offsetof(SaverOptions, reserved3) == 1668, "layout");
static_assert(offsetof(SaverOptions, videoFiles7) == 1692, "layout");
static_assert(offsetof(SaverOptions, videoFiles8) == 1952, "layout");
static_assert(offsetof(SaverOptions, reserved4) == 2212, "layout");
static_assert(offsetof(SaverOptions, videoFiles9) == 2236, "layout");
static_assert(offsetof(SaverOptions, videoFiles10) == 2496, "layout");

// The one record of the process. All zero at start, like any static object.
extern SaverOptions saverOptions;

// Path slot 1..10 in the order the dialogs show and the run loop tries them; null for any
// other number.
char* VideoFileSlot(SaverOptions& options, int slot);
const char* VideoFileSlot(const SaverOptions& options, int slot);

// Writes the defaults: every named field, the first byte of each path slot, the reserved
// blocks. Gaps and the rest of each slot keep what they held.
void SetDefaultOptions(SaverOptions& options);

// What the registry read of the stored value reported.
enum class StoredValueRead {
  Missing,  // no key or no value: the defaults stand
  Read,     // `size` bytes were read (at most the record's size)
  TooLong,  // the value is longer than the record: the read failed, defaults stand
};

// Lays a stored value over a record that holds the defaults: a shorter value replaces only
// the bytes it holds. Afterwards every path slot is terminated (TerminateVideoSlots), so a
// damaged value can never make a reader run past a slot's end.
void ApplyStoredOptions(SaverOptions& options, StoredValueRead how, const void* bytes, std::size_t size);

// Cuts a path slot with no terminator in its 260 bytes to 259 characters; a slot that has
// one keeps every byte, those after the terminator too.
void TerminateVideoSlots(SaverOptions& options);
