// The settings record in the real registry, under a key of the test's own.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "program_folder.h"
#include "settings/options_record.h"
#include "settings/options_registry_win.h"
#include "settings/settings_encoding.h"
#include "test_registry.h"

namespace {

class OptionsRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settingsKeyPath = key_.path();
    std::memset(&saverOptions, 0, sizeof(saverOptions));
  }
  void TearDown() override { settingsKeyPath = kSettingsKeyPath; }

  static std::string Bytes(const SaverOptions& o) { return std::string(reinterpret_cast<const char*>(&o), sizeof(o)); }
  static SaverOptions Defaults() {
    SaverOptions o;
    std::memset(&o, 0, sizeof(o));
    SetDefaultOptions(o);
    return o;
  }

  ScratchKey key_{"options"};
};

TEST_F(OptionsRegistryTest, FirstRunCreatesKeyButNoValue) {
  ASSERT_FALSE(key_.Exists());
  LoadOptions();
  EXPECT_TRUE(key_.Exists());
  bool found = true;
  key_.Read("Options", &found);
  EXPECT_FALSE(found);
  EXPECT_EQ(Bytes(saverOptions), Bytes(Defaults()));
}

TEST_F(OptionsRegistryTest, SaveThenLoadKeepsEveryByte) {
  // Every byte distinct from the defaults, gaps and reserved blocks included.
  for (std::size_t i = 0; i < sizeof(saverOptions); ++i)
    reinterpret_cast<unsigned char*>(&saverOptions)[i] = static_cast<unsigned char>(i * 7 + 1);
  TerminateVideoSlots(saverOptions);
  const std::string saved = Bytes(saverOptions);
  SaveOptions();

  DWORD type = 0;
  const std::string stored = key_.Read("Options", nullptr, &type);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(stored, saved);

  std::memset(&saverOptions, 0, sizeof(saverOptions));
  LoadOptions();
  EXPECT_EQ(Bytes(saverOptions), saved);
}

TEST_F(OptionsRegistryTest, SixtyByteValueRestoresScalarsOnly) {
  SaverOptions stored = Defaults();
  stored.shape = 3;
  stored.starCount = 123;
  stored.starSize = 7.0f;
  key_.Write("Options", &stored, 60);

  LoadOptions();
  EXPECT_EQ(saverOptions.shape, 3);
  EXPECT_EQ(saverOptions.starCount, 123);
  EXPECT_EQ(saverOptions.starSize, 7.0f);
  for (int slot = 1; slot <= 10; ++slot) EXPECT_STREQ(VideoFileSlot(saverOptions, slot), "") << slot;
}

TEST_F(OptionsRegistryTest, OverLongValueLeavesDefaults) {
  std::string tooLong(3000, '\x11');
  key_.Write("Options", tooLong.data(), static_cast<DWORD>(tooLong.size()));
  LoadOptions();
  EXPECT_EQ(Bytes(saverOptions), Bytes(Defaults()));
}

TEST_F(OptionsRegistryTest, UnterminatedSlotIsCut) {
  SaverOptions stored = Defaults();
  std::memset(stored.videoFiles2, 'q', sizeof(stored.videoFiles2));
  std::memset(stored.reserved1, 'r', sizeof(stored.reserved1));
  key_.Write("Options", &stored, sizeof(stored));

  LoadOptions();
  EXPECT_EQ(std::strlen(saverOptions.videoFiles2), 259u);
  EXPECT_EQ(saverOptions.reserved1[0], 'r');
}

TEST_F(OptionsRegistryTest, ValueOfAnotherTypeIsReadAnyway) {
  SaverOptions stored = Defaults();
  stored.gridRows = 17;
  key_.Write("Options", &stored, sizeof(stored), REG_NONE);
  LoadOptions();
  EXPECT_EQ(saverOptions.gridRows, 17);
}

// The monitors, detail and order choices sit beside the record as numbers of their own; a
// missing value or anything else there reads as the default, and the record is read as before.
TEST_F(OptionsRegistryTest, MonitorsDetailAndOrderValuesAreNumbersBesideTheRecord) {
  struct Case {
    const char* name;
    int32_t* choice;
    DWORD type;
    std::string bytes;
    int32_t want;
  };
  // clang-format off
  const Case cases[] = {{"Monitors", &monitorsChoice, REG_DWORD, std::string("\0\0\0\0", 4), 0},
                        {"Monitors", &monitorsChoice, REG_DWORD, std::string("\2\0\0\0", 4), 2},
                        {"Monitors", &monitorsChoice, REG_DWORD, std::string("\3\0\0\0", 4), 1},
                        {"Monitors", &monitorsChoice, REG_BINARY, std::string("\0\0\0\0", 4), 1},
                        {"Monitors", &monitorsChoice, REG_DWORD, std::string("\0\0", 2), 1},
                        {"Detail", &detailChoice, REG_DWORD, std::string("\0\0\0\0", 4), 0},
                        {"Detail", &detailChoice, REG_DWORD, std::string("\1\0\0\0", 4), 1},
                        {"Detail", &detailChoice, REG_DWORD, std::string("\2\0\0\0", 4), 1},
                        {"Detail", &detailChoice, REG_BINARY, std::string("\0\0\0\0", 4), 1},
                        {"Order", &orderChoice, REG_DWORD, std::string("\1\0\0\0", 4), 1},
                        {"Order", &orderChoice, REG_DWORD, std::string("\0\0\0\0", 4), 0},
                        {"Order", &orderChoice, REG_DWORD, std::string("\2\0\0\0", 4), 0},
                        {"Order", &orderChoice, REG_BINARY, std::string("\1\0\0\0", 4), 0},
                        {"Order", &orderChoice, REG_DWORD, std::string("\1\0", 2), 0}};
  // clang-format on
  SaverOptions stored = Defaults();
  stored.gridRows = 17;
  key_.Write("Options", &stored, sizeof(stored), REG_BINARY);
  // No value stored yet: each reads as its default, whatever the run held before.
  monitorsChoice = kMonitorsAcross;
  detailChoice = kDetailStandard;
  orderChoice = kOrderShuffled;
  LoadOptions();
  EXPECT_EQ(monitorsChoice, 1);
  EXPECT_EQ(detailChoice, 1);
  EXPECT_EQ(orderChoice, 0);
  for (const Case& c : cases) {
    key_.Write(c.name, c.bytes.data(), DWORD(c.bytes.size()), c.type);
    LoadOptions();
    EXPECT_EQ(*c.choice, c.want) << c.name << ": type " << c.type << ", " << c.bytes.size() << " bytes";
    EXPECT_EQ(saverOptions.gridRows, 17);
  }

  monitorsChoice = kMonitorsAcross;
  detailChoice = kDetailStandard;
  orderChoice = kOrderShuffled;
  SaveOptions();
  DWORD type = 0;
  EXPECT_EQ(key_.Read("Monitors", nullptr, &type), std::string("\2\0\0\0", 4));
  EXPECT_EQ(type, DWORD(REG_DWORD));
  EXPECT_EQ(key_.Read("Detail", nullptr, &type), std::string("\0\0\0\0", 4));
  EXPECT_EQ(type, DWORD(REG_DWORD));
  EXPECT_EQ(key_.Read("Order", nullptr, &type), std::string("\1\0\0\0", 4));
  EXPECT_EQ(type, DWORD(REG_DWORD));
  EXPECT_EQ(key_.Read("Options").size(), sizeof(SaverOptions));
}

#ifdef ORVEL_PEER_OPTIONS_COPIER
// Runs the 32-bit build's copier with `arguments`; its exit code, or ~0 when it did not run.
DWORD RunPeerCopier(const std::string& arguments) {
  std::string path = ORVEL_PEER_OPTIONS_COPIER;
  for (char& c : path)
    if (c == '/') c = '\\';
  return RunToEnd(path, arguments);
}

// On 64-bit Windows both builds share HKEY_CURRENT_USER\Software: a record saved by this
// build, loaded and saved again by the 32-bit one, comes back byte for byte and loads here
// to the same record.
TEST_F(OptionsRegistryTest, RecordCrossesToThe32BitBuildAndBack) {
  if (RunPeerCopier("") != 32) GTEST_SKIP() << "the 32-bit build does not run here: " << ORVEL_PEER_OPTIONS_COPIER;
  for (std::size_t i = 0; i < sizeof(saverOptions); ++i)
    reinterpret_cast<unsigned char*>(&saverOptions)[i] = static_cast<unsigned char>(i * 13 + 5);
  TerminateVideoSlots(saverOptions);
  const std::string saved = Bytes(saverOptions);
  SaveOptions();

  ScratchKey copy{"options-copy"};
  ASSERT_EQ(RunPeerCopier(std::string(key_.path()) + " " + copy.path()), 0u);
  bool found = false;
  const std::string stored = copy.Read("Options", &found);
  ASSERT_TRUE(found) << "the 32-bit build stored nothing";
  EXPECT_TRUE(stored == saved) << "the 32-bit build stored " << stored.size() << " other bytes";

  std::memset(&saverOptions, 0, sizeof(saverOptions));
  settingsKeyPath = copy.path();
  LoadOptions();
  EXPECT_TRUE(Bytes(saverOptions) == saved) << "this build loads another record";
}
#endif

}  // namespace
