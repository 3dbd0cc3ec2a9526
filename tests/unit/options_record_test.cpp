// The settings record: its defaults byte for byte, and how a stored value is laid over them.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "settings/options_record.h"

namespace {

uint32_t ReadU32(const std::vector<unsigned char>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

std::vector<unsigned char> Bytes(const SaverOptions& o) {
  const auto* p = reinterpret_cast<const unsigned char*>(&o);
  return std::vector<unsigned char>(p, p + sizeof(o));
}

SaverOptions Defaults() {
  SaverOptions o;
  std::memset(&o, 0, sizeof(o));
  SetDefaultOptions(o);
  return o;
}

TEST(OptionsRecord, DefaultsByteForByte) {
  const std::vector<unsigned char> b = Bytes(Defaults());
  ASSERT_EQ(b.size(), 2756u);

  struct Field {
    std::size_t offset;
    uint32_t value;  // little-endian 32-bit reading at the offset
  };
  const Field words[] = {
      {0, 1},            // shape: cuboids
      {8, 10},           // gridColumns
      {12, 10},          // gridRows
      {16, 6},           // cuboidCount
      {24, 0x008C5F00},  // backgroundColor
      {28, 0x006161AF},  // cuboidBlendColor
      {32, 0x44480000},  // rotationSpeed 800.0f
      {36, 5},           // rotationAngle: random
      {40, 800},         // starCount
      {48, 0x43AF0000},  // starSpeed 350.0f
      {56, 0x40A00000},  // starSize 5.0f
  };
  for (const Field& f : words) EXPECT_EQ(ReadU32(b, f.offset), f.value) << "offset " << f.offset;
  EXPECT_EQ(b[4], 0) << "gridStyle: Funny";
  EXPECT_EQ(b[20], 0) << "cuboidTranslucent";
  EXPECT_EQ(b[21], 1) << "showBackground";
  EXPECT_EQ(b[44], 0) << "starTranslucent";
  EXPECT_EQ(b[52], 0) << "starReserved";

  // Everything from the first path slot on is zero: slots, reserved blocks, nothing else.
  for (std::size_t i = 60; i < b.size(); ++i) ASSERT_EQ(b[i], 0) << "byte " << i;
  for (std::size_t gap : {5u, 6u, 7u, 22u, 23u, 45u, 46u, 47u, 53u, 54u, 55u}) EXPECT_EQ(b[gap], 0) << gap;
}

TEST(OptionsRecord, DefaultsResetNamedFieldsButNotGaps) {
  SaverOptions o;
  std::memset(&o, 0xAB, sizeof(o));
  SetDefaultOptions(o);
  const std::vector<unsigned char> b = Bytes(o);
  EXPECT_EQ(b[5], 0xAB) << "a gap keeps what it held";
  EXPECT_EQ(b[61], 0xAB) << "only the first byte of a slot is cleared";
  for (int slot = 1; slot <= 10; ++slot) EXPECT_STREQ(VideoFileSlot(o, slot), "") << slot;
  for (std::size_t block : {580u, 1124u, 1668u, 2212u})
    for (std::size_t i = 0; i < 24; ++i) ASSERT_EQ(b[block + i], 0) << "reserved " << block;
  EXPECT_EQ(o.shape, 1);
  EXPECT_EQ(o.starSize, 5.0f);
}

TEST(OptionsRecord, SlotsAreNumberedInStoredOrder) {
  const std::size_t expected[] = {60, 320, 604, 864, 1148, 1408, 1692, 1952, 2236, 2496};
  SaverOptions o;
  for (int slot = 1; slot <= 10; ++slot) {
    const char* p = VideoFileSlot(o, slot);
    EXPECT_EQ(static_cast<std::size_t>(p - reinterpret_cast<const char*>(&o)), expected[slot - 1]) << slot;
  }
  EXPECT_EQ(VideoFileSlot(o, 0), nullptr);
  EXPECT_EQ(VideoFileSlot(o, 11), nullptr);
  EXPECT_EQ(VideoFileSlot(o, -1), nullptr);
}

// A stored value of each length is laid over the defaults.
struct StoredCase {
  const char* name;
  StoredValueRead how;
  std::size_t size;
  bool scalarsFromStore;
  bool slotsFromStore;
};

class StoredValueTest : public ::testing::TestWithParam<StoredCase> {};

TEST_P(StoredValueTest, LaysOverDefaults) {
  const StoredCase& c = GetParam();
  // A stored record that differs from the defaults everywhere.
  SaverOptions stored = Defaults();
  stored.shape = 2;
  stored.gridColumns = 3;
  stored.starSize = 9.0f;
  std::strcpy(stored.videoFiles1, "C:\\first.avi");
  std::strcpy(stored.videoFiles10, "C:\\last.mpg");
  stored.reserved2[7] = 0x5A;

  SaverOptions o = Defaults();
  ApplyStoredOptions(o, c.how, &stored, c.size);

  EXPECT_EQ(o.shape, c.scalarsFromStore ? 2 : 1);
  EXPECT_EQ(o.gridColumns, c.scalarsFromStore ? 3 : 10);
  EXPECT_EQ(o.starSize, c.scalarsFromStore ? 9.0f : 5.0f);
  EXPECT_STREQ(o.videoFiles1, c.slotsFromStore ? "C:\\first.avi" : "");
  EXPECT_STREQ(o.videoFiles10, c.slotsFromStore ? "C:\\last.mpg" : "");
  EXPECT_EQ(o.reserved2[7], c.slotsFromStore ? 0x5A : 0);
}

const StoredCase kStored[] = {
    {"whole", StoredValueRead::Read, 2756, true, true},
    {"scalarsOnly60", StoredValueRead::Read, 60, true, false},
    {"empty", StoredValueRead::Read, 0, false, false},
    {"missing", StoredValueRead::Missing, 0, false, false},
    {"tooLong", StoredValueRead::TooLong, 3000, false, false},
    {"sizeBeyondRecordIsCapped", StoredValueRead::Read, 5000, true, true},
};

INSTANTIATE_TEST_SUITE_P(Lengths, StoredValueTest, ::testing::ValuesIn(kStored),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OptionsRecord, UnterminatedSlotsAreCutTo259Characters) {
  SaverOptions stored = Defaults();
  for (int slot = 1; slot <= 10; ++slot) std::memset(VideoFileSlot(stored, slot), 'a' + slot, 260);
  // A 259-character path keeps its own terminator.
  std::memset(stored.videoFiles4, 'z', 259);
  stored.videoFiles4[259] = '\0';

  SaverOptions o = Defaults();
  ApplyStoredOptions(o, StoredValueRead::Read, &stored, sizeof(stored));
  for (int slot = 1; slot <= 10; ++slot) {
    const char* path = VideoFileSlot(o, slot);
    EXPECT_EQ(std::strlen(path), 259u) << slot;
    EXPECT_EQ(path[258], slot == 4 ? 'z' : 'a' + slot) << slot;
  }
  // What follows a slot is untouched by the cut.
  EXPECT_EQ(o.reserved1[0], 0);
}

TEST(OptionsRecord, BytesAfterASlotsTerminatorAreKept) {
  // No zero byte anywhere, then slots 1..9 end at different places with the rest of the slot
  // still holding bytes (as after a shorter path replaced a longer one); slot 10 never ends.
  SaverOptions stored;
  auto* raw = reinterpret_cast<unsigned char*>(&stored);
  for (std::size_t i = 0; i < sizeof(stored); ++i) raw[i] = static_cast<unsigned char>(i % 251 + 1);
  const std::size_t terminators[9] = {0, 1, 12, 100, 200, 257, 258, 259, 3};
  for (int slot = 1; slot <= 9; ++slot) VideoFileSlot(stored, slot)[terminators[slot - 1]] = '\0';

  SaverOptions expected = stored;
  expected.videoFiles10[259] = '\0';

  SaverOptions o = Defaults();
  ApplyStoredOptions(o, StoredValueRead::Read, &stored, sizeof(stored));
  const std::vector<unsigned char> got = Bytes(o), want = Bytes(expected);
  for (std::size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], want[i]) << "byte " << i;
}

}  // namespace
