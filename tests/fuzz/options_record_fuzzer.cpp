// Fuzz target: any stored settings value of 0 to 4000 bytes through the load path, then every
// clamp that the settings dialog and the scenes apply to what was loaded. The registry part of
// the load is played here: a value longer than the record fails the read and leaves the
// buffer undefined, so the buffer gets the value's first bytes and filler.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_require.h"
#include "scenes/cuboid_geometry.h"
#include "scenes/grid_geometry.h"
#include "scenes/scene_random.h"
#include "scenes/star_field.h"
#include "settings/options_record.h"
#include "settings/settings_encoding.h"

namespace {

bool InRange(int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; }
bool InRange(float value, float low, float high) { return value >= low && value <= high; }
bool Finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
bool Finite(const SceneVertex& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.u) && std::isfinite(v.v);
}

SaverOptions Load(const uint8_t* data, std::size_t size) {
  SaverOptions options;
  std::memset(&options, 0, sizeof(options));  // the record is zero from process start
  SetDefaultOptions(options);
  unsigned char buffer[kOptionsRecordSize];
  std::memset(buffer, 0xCC, sizeof(buffer));
  std::memcpy(buffer, data, size < sizeof(buffer) ? size : sizeof(buffer));
  const StoredValueRead how = size > kOptionsRecordSize ? StoredValueRead::TooLong : StoredValueRead::Read;
  ApplyStoredOptions(options, how, buffer, size);
  return options;
}

// The loaded record is the defaults with the value laid over them, except that a path slot
// with no terminator got one in its last byte.
void CheckLoaded(const SaverOptions& loaded, const uint8_t* data, std::size_t size) {
  SaverOptions laid;
  std::memset(&laid, 0, sizeof(laid));
  SetDefaultOptions(laid);
  if (size <= kOptionsRecordSize) std::memcpy(&laid, data, size);
  const auto* got = reinterpret_cast<const unsigned char*>(&loaded);
  const auto* want = reinterpret_cast<const unsigned char*>(&laid);

  std::vector<bool> mayChange(kOptionsRecordSize, false);
  for (int slot = 1; slot <= static_cast<int>(kVideoSlotCount); ++slot) {
    const char* path = VideoFileSlot(loaded, slot);
    Require(std::memchr(path, '\0', kVideoPathSize) != nullptr, "every path slot is terminated");
    const char* before = VideoFileSlot(laid, slot);
    if (std::memchr(before, '\0', kVideoPathMaxLength) == nullptr)
      mayChange[static_cast<std::size_t>(before + kVideoPathMaxLength - reinterpret_cast<const char*>(&laid))] = true;
  }
  for (std::size_t i = 0; i < kOptionsRecordSize; ++i)
    Require(got[i] == want[i] || (mayChange[i] && got[i] == 0), "only an unterminated slot's last byte changes");
}

// What the settings dialog does with the record when it opens and when OK stores it; the
// trackbars and the number field keep their own ranges, as the controls do.
void CheckDialog(SaverOptions o) {
  const SaverOptions stored = o;
  o.shape = ClampShapeChoice(o.shape);
  o.cuboidCount = ClampCuboidCountChoice(o.cuboidCount);
  o.rotationAngle = ClampRotationAngleChoice(o.rotationAngle);
  o.gridColumns = ClampGridCountChoice(o.gridColumns);
  o.gridRows = ClampGridCountChoice(o.gridRows);
  Require(InRange(o.shape, 1, 3), "dialog shape 1..3");
  Require(InRange(o.cuboidCount, 1, 10), "dialog cuboid count 1..10");
  Require(InRange(o.rotationAngle, 1, 5), "dialog rotation angle 1..5");
  Require(InRange(o.gridColumns, 1, 20) && InRange(o.gridRows, 1, 20), "dialog grid counts 1..20");
  // A value already in range is shown as it is.
  if (InRange(stored.shape, 1, 3)) Require(o.shape == stored.shape, "shape kept");
  if (InRange(stored.cuboidCount, 1, 10)) Require(o.cuboidCount == stored.cuboidCount, "cuboid count kept");
  if (InRange(stored.gridRows, 1, 20)) Require(o.gridRows == stored.gridRows, "grid rows kept");

  Require(InRange(SelectionFromValue(o.cuboidCount), 0, kMaxCuboidCount - 1), "cuboid list item");
  Require(InRange(SelectionFromValue(o.rotationAngle), 0, kRotationAngleCount - 1), "angle list item");
  Require(InRange(SelectionFromValue(o.gridColumns), 0, kMaxGridCount - 1), "grid list item");
  Require(InRange(GridStyleSelection(o.gridStyle), 0, 1), "grid style item");

  const auto slider = [](int32_t position, int32_t low, int32_t high) {
    return position < low ? low : (position > high ? high : position);
  };
  const int32_t rotation = RotationSliderPosition(o.rotationSpeed);
  const int32_t speed = TruncateToInt(o.starSpeed);
  const int32_t size = TruncateToInt(o.starSize);
  if (InRange(o.rotationSpeed, 100.0f, 5000.0f)) Require(InRange(rotation, 100, 5000), "rotation slider");
  if (InRange(o.starSpeed, 2.0f, 1000.0f)) Require(InRange(speed, 2, 1000), "star speed slider");
  if (InRange(o.starSize, 2.0f, 10.0f)) Require(InRange(size, 2, 10), "star size slider");

  o.rotationSpeed = RotationSpeedFromSlider(slider(rotation, kRotationSliderMin, kRotationSliderMax));
  Require(InRange(o.rotationSpeed, 100.0f, 5000.0f), "stored rotation speed 100..5000");
  std::string count = std::to_string(StarCountSpinPosition(o.starCount));
  count.resize(count.size() < kStarCountDigits ? count.size() : kStarCountDigits);
  Require(InRange(StarCountFromText(count.c_str()), 10, 1000), "stored star count 10..1000");
}

// What each scene takes from the record as stored.
void CheckScenes(SaverOptions o) {
  SceneRandom random(static_cast<uint32_t>(o.starCount));

  const int32_t boxes = ClampBoxCount(o.cuboidCount);
  Require(InRange(boxes, 1, kBoxSlots), "box count 1..10");
  const float edge = BoxEdgeForCount(o.cuboidCount);
  Require(std::isfinite(edge) && edge > 0.0f, "box edge");
  const float divisor = ClampRotationDivisor(o.rotationSpeed);
  Require(InRange(divisor, 100.0f, 5000.0f), "rotation divisor 100..5000");
  for (uint32_t ms : {0u, 1u, 86400000u, UINT32_MAX})
    Require(std::isfinite(RotationAngleAt(ms, divisor)), "rotation angle finite");
  const BoxAxes axes = ChooseBoxAxes(o.rotationAngle, DrawBoxAxes(random));
  Require(InRange(o.rotationAngle, 1, 5), "rotation angle corrected to 1..5");
  for (const Vec3& axis : axes) Require(Finite(axis), "box axis finite");
  Require(ColorRefToArgb(o.backgroundColor) >> 24 == 0xFF && ColorRefToArgb(o.cuboidBlendColor) >> 24 == 0xFF,
          "colours opaque");

  const GridLayout grid = MakeGridLayout(1024, 768, o.gridColumns, o.gridRows, o.gridStyle);
  Require(InRange(grid.tileColumns, 1, 20) && InRange(grid.tileRows, 1, 20), "tile counts 1..20");
  const std::vector<SceneVertex> gridVertices = BuildGridVertices(grid);
  const std::vector<uint16_t> gridIndices = BuildGridIndices(grid);
  Require(gridVertices.size() == GridVertexCount(grid) && gridIndices.size() == GridIndexCount(grid),
          "grid list sizes");
  for (const SceneVertex& v : gridVertices) Require(Finite(v), "grid vertex finite");
  for (uint16_t index : gridIndices) Require(index < gridVertices.size(), "grid index names a vertex");

  const StarSettings stars = MakeStarSettings(o.starCount, o.starSpeed, o.starSize, o.starTranslucent);
  Require(InRange(stars.starTotal, 1, kMaxStars), "star total 1..1000");
  Require(InRange(stars.starHalfSize, 2.0f, 10.0f), "star size 2..10");
  Require(InRange(stars.starPace, 2.0f, 1000.0f), "star pace 2..1000");
  StarField field;
  Require(field.Init(stars, random), "star records allocated");
  std::vector<SceneVertex> starVertices(field.VertexCount());
  field.WriteInitialVertices(starVertices.data());
  field.Advance(random, starVertices.data());
  for (const SceneVertex& v : starVertices) Require(Finite(v), "star vertex finite");
  for (uint16_t index : field.BuildIndices()) Require(index < starVertices.size(), "star index names a vertex");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size > 4000) return 0;
  const SaverOptions loaded = Load(data, size);
  CheckLoaded(loaded, data, size);
  CheckDialog(loaded);
  CheckScenes(loaded);
  return 0;
}
