// The settings dialog under Wine: the real template, the real controls and colour dialog,
// driven from a second thread through messages, and the record read back from the real
// registry under a key of the test's own.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/scoped_win.h"
#include "settings/link_control_win.h"
#include "settings/options_record.h"
#include "settings/options_registry_win.h"
#include "settings/settings_dialog_win.h"
#include "settings_dialog_driver.h"
#include "test_registry.h"

namespace {

using namespace dialog_driver;

const char kCaption[] = "Or vel screen 1.0  Settings";

// Control ids written out as numbers, so that a wrong name in the code cannot hide here.
constexpr int kCuboidGroup[] = {1041, 1029, 1028, 1031, 1035, 1033, 1034, 1038, 1039};
constexpr int kGridGroup[] = {1008, 1019, 1020};
constexpr int kStarGroup[] = {1021, 1022, 1023, 1024, 1025};
constexpr int kNeverDisabled[] = {1, 2, 1000, 1003, 1004, 1005, 1006, 1081, 1082, 1083, 1092};

SaverOptions Defaults() {
  SaverOptions o;
  std::memset(&o, 0, sizeof(o));
  SetDefaultOptions(o);
  return o;
}

std::string Bytes(const SaverOptions& o) { return std::string(reinterpret_cast<const char*>(&o), sizeof(o)); }

class SettingsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settingsKeyPath = key_.path();
    saverOptions = Defaults();
  }
  void TearDown() override { settingsKeyPath = kSettingsKeyPath; }

  // Opens the dialog on this thread and hands it to `drive` on a second thread.
  INT_PTR Run(const std::function<void(HWND dialog, DWORD thread)>& drive, HWND owner = nullptr) {
    return RunModal([owner] { return ShowSettingsDialog(owner); },
                    [&](DWORD thread) {
                      HWND dialog = WaitForDialog(thread, kCaption);
                      ASSERT_NE(dialog, nullptr) << "the settings dialog did not open";
                      drive(dialog, thread);
                    });
  }

  // Stores `record` as the registry value and loads it, as the entry point does.
  void StoreAndLoad(const SaverOptions& record) {
    key_.Write("Options", &record, sizeof(record));
    std::memset(&saverOptions, 0, sizeof(saverOptions));
    LoadOptions();
  }

  // The stored value; fails the test unless it is exactly one record long.
  SaverOptions Saved() {
    bool found = false;
    const std::string bytes = key_.Read("Options", &found);
    SaverOptions o;
    std::memset(&o, 0, sizeof(o));
    EXPECT_TRUE(found) << "nothing was saved";
    EXPECT_EQ(bytes.size(), sizeof(o));
    if (bytes.size() == sizeof(o)) std::memcpy(&o, bytes.data(), sizeof(o));
    return o;
  }

  bool SomethingSaved() {
    bool found = false;
    key_.Read("Options", &found);
    return found;
  }

  ScratchKey key_{"settings-dialog"};
};

void ExpectGroups(HWND dialog, int shape) {
  for (int id : kCuboidGroup) EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog, id)) != 0, shape == 1) << "id " << id;
  for (int id : kGridGroup) EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog, id)) != 0, shape == 2) << "id " << id;
  for (int id : kStarGroup) EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog, id)) != 0, shape == 3) << "id " << id;
  for (int id : kNeverDisabled) EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, id))) << "id " << id;
  EXPECT_EQ(IsChecked(dialog, 1004), shape == 1);
  EXPECT_EQ(IsChecked(dialog, 1005), shape == 2);
  EXPECT_EQ(IsChecked(dialog, 1006), shape == 3);
}

int SliderPos(HWND dialog, int id) { return static_cast<int>(SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0)); }

// ---------------------------------------------------------------------------------------
// Initialisation

struct OpeningCase {
  const char* name;
  int32_t shape, cuboidCount, gridColumns, gridRows, rotationAngle;
  uint8_t gridStyle;
  float rotationSpeed, starSpeed, starSize;
  int32_t starCount;
  // What the dialog shows and writes back.
  int shownShape;
  const char *cuboids, *columns, *rows, *angle, *style;
  int rotationThumb, speedThumb, sizeThumb;
  const char* starText;
};

void PrintTo(const OpeningCase& c, std::ostream* os) { *os << c.name; }

class SettingsDialogOpening : public SettingsDialogTest, public ::testing::WithParamInterface<OpeningCase> {};

TEST_P(SettingsDialogOpening, ShowsClampedValuesAndWritesThemBack) {
  const OpeningCase& c = GetParam();
  SaverOptions record = Defaults();
  record.shape = c.shape;
  record.cuboidCount = c.cuboidCount;
  record.gridColumns = c.gridColumns;
  record.gridRows = c.gridRows;
  record.rotationAngle = c.rotationAngle;
  record.gridStyle = c.gridStyle;
  record.rotationSpeed = c.rotationSpeed;
  record.starSpeed = c.starSpeed;
  record.starSize = c.starSize;
  record.starCount = c.starCount;
  StoreAndLoad(record);

  const INT_PTR result = Run([&](HWND dialog, DWORD) {
    ExpectGroups(dialog, c.shownShape);
    EXPECT_EQ(SelectedText(dialog, 1041), c.cuboids);
    EXPECT_EQ(SelectedText(dialog, 1019), c.columns);
    EXPECT_EQ(SelectedText(dialog, 1020), c.rows);
    EXPECT_EQ(SelectedText(dialog, 1035), c.angle);
    EXPECT_EQ(SelectedText(dialog, 1008), c.style);
    EXPECT_EQ(SliderPos(dialog, 1031), c.rotationThumb);
    EXPECT_EQ(SliderPos(dialog, 1024), c.speedThumb);
    EXPECT_EQ(SliderPos(dialog, 1025), c.sizeThumb);
    EXPECT_EQ(ItemText(dialog, 1021), c.starText);

    // The clamps are written back while the dialog is open, before any OK.
    EXPECT_EQ(saverOptions.shape, c.shownShape);
    EXPECT_EQ(saverOptions.cuboidCount, std::atoi(c.cuboids));
    EXPECT_EQ(saverOptions.gridColumns, std::atoi(c.columns));
    EXPECT_EQ(saverOptions.gridRows, std::atoi(c.rows));
    const std::vector<std::string> angles = {"Left", "Right", "Up", "Down", "Random"};
    const int angle = 1 + static_cast<int>(std::find(angles.begin(), angles.end(), c.angle) - angles.begin());
    EXPECT_EQ(saverOptions.rotationAngle, angle);
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(result, 0);
  // Cancel saves nothing: the stored value is still the one written before.
  EXPECT_EQ(key_.Read("Options"), Bytes(record));
}

// clang-format off
const OpeningCase kOpeningCases[] = {
    {"Defaults", 1, 6, 10, 10, 5, 0, 800.0f, 350.0f, 5.0f, 800,  //
     1, "6", "10", "10", "Random", "Funny", 4300, 350, 5, "800"},
    {"ShapeZeroAndOutOfRangeCounts", 0, 25, 0, 33, 9, 0, 100.0f, 2.0f, 10.0f, 1000,  //
     1, "10", "1", "20", "Random", "Funny", 5000, 2, 10, "1000"},
    {"ShapeSevenAndLowEnds", 7, -3, 20, 1, 0, 1, 5000.0f, 1000.0f, 2.0f, 10,  //
     3, "1", "20", "1", "Left", "Normal", 100, 1000, 2, "10"},
    {"GridAndFlagStyle", 2, 1, 7, 13, 3, 0x80, 799.5f, 351.9f, 7.9f, 123,  //
     2, "1", "7", "13", "Up", "Normal", 4300, 351, 7, "123"},
    // Out of the sliders' and the spin's ranges: the controls bring the positions in.
    {"SlidersClampThemselves", 3, 10, 10, 10, 2, 0, 9000.0f, 5000.0f, 50.0f, 5,  //
     3, "10", "10", "10", "Right", "Funny", 100, 1000, 10, "10"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(SettingsRecords, SettingsDialogOpening, ::testing::ValuesIn(kOpeningCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsDialogTest, ListsSlidersSpinAndPicturesAreSetUp) {
  Run([&](HWND dialog, DWORD) {
    const std::vector<std::string> ten = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};
    std::vector<std::string> twenty = ten;
    for (int i = 11; i <= 20; ++i) twenty.push_back(std::to_string(i));
    EXPECT_EQ(ListItems(dialog, 1041), ten);
    EXPECT_EQ(ListItems(dialog, 1019), twenty);
    EXPECT_EQ(ListItems(dialog, 1020), twenty);
    EXPECT_EQ(ListItems(dialog, 1035), (std::vector<std::string>{"Left", "Right", "Up", "Down", "Random"}));
    EXPECT_EQ(ListItems(dialog, 1008), (std::vector<std::string>{"Normal", "Funny"}));

    const struct { int id, low, high; } ranges[] = {{1031, 100, 5000}, {1024, 2, 1000}, {1025, 2, 10}};
    for (const auto& r : ranges) {
      EXPECT_EQ(SendDlgItemMessageA(dialog, r.id, TBM_GETRANGEMIN, 0, 0), r.low) << r.id;
      EXPECT_EQ(SendDlgItemMessageA(dialog, r.id, TBM_GETRANGEMAX, 0, 0), r.high) << r.id;
    }

    int low = 0, high = 0;
    SendDlgItemMessageA(dialog, 1022, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, 10);
    EXPECT_EQ(high, 1000);
    EXPECT_EQ(SendDlgItemMessageA(dialog, 1022, UDM_GETBASE, 0, 0), 10);
    EXPECT_EQ(reinterpret_cast<HWND>(SendDlgItemMessageA(dialog, 1022, UDM_GETBUDDY, 0, 0)), GetDlgItem(dialog, 1021));
    EXPECT_EQ(SendDlgItemMessageA(dialog, 1021, EM_GETLIMITTEXT, 0, 0), 4);

    EXPECT_EQ(ItemText(dialog, 1092), ORVEL_OWNER_NOTICE);

    const struct {
      int id, width, height, bits;
    } pictures[] = {{1000, 94, 17, 24}, {1081, 40, 17, 8}, {1082, 40, 17, 8}, {1083, 40, 17, 8}};
    for (const auto& p : pictures) {
      auto image = reinterpret_cast<HBITMAP>(SendDlgItemMessageA(dialog, p.id, STM_GETIMAGE, IMAGE_BITMAP, 0));
      ASSERT_NE(image, nullptr) << p.id;
      BITMAP info = {};
      ASSERT_NE(GetObjectA(image, sizeof(info), &info), 0) << p.id;
      EXPECT_EQ(info.bmWidth, p.width) << p.id;
      EXPECT_EQ(info.bmHeight, p.height) << p.id;
    }
    Click(dialog, IDCANCEL);
  });
}

TEST_F(SettingsDialogTest, ShapeButtonsSwitchTheGroupsAtOnce) {
  Run([&](HWND dialog, DWORD) {
    ExpectGroups(dialog, 1);
    const struct { int button, shape; } clicks[] = {{1005, 2}, {1006, 3}, {1004, 1}, {1006, 3}, {1005, 2}};
    for (const auto& c : clicks) {
      Click(dialog, c.button);
      SCOPED_TRACE(c.button);
      ExpectGroups(dialog, c.shape);
      EXPECT_EQ(saverOptions.shape, c.shape);
    }
    Click(dialog, IDOK);
  });
  EXPECT_EQ(Saved().shape, 2);
}

TEST_F(SettingsDialogTest, ShapeZeroIsSavedAsCuboidOnOk) {
  SaverOptions record = Defaults();
  record.shape = 0;
  StoreAndLoad(record);
  const INT_PTR result = Run([&](HWND dialog, DWORD) { Click(dialog, IDOK); });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Saved().shape, 1);
}

// ---------------------------------------------------------------------------------------
// OK

TEST_F(SettingsDialogTest, StarCountIsReadFromFourCharactersAndClamped) {
  const struct {
    const char* typed;
    int32_t saved;
  } cases[] = {{"5", 10}, {"9999", 1000}, {"", 10}, {"500", 500}, {"00500", 50}, {"10", 10}, {"999", 999}};
  for (const auto& c : cases) {
    saverOptions = Defaults();
    saverOptions.shape = 3;
    Run([&](HWND dialog, DWORD) {
      SetItemText(dialog, 1021, c.typed);
      Click(dialog, IDOK);
    });
    EXPECT_EQ(Saved().starCount, c.saved) << '"' << c.typed << '"';
  }
}

TEST_F(SettingsDialogTest, RotationThumbEndsSaveFastestAndSlowest) {
  const struct {
    WPARAM key;
    int position;
    float saved;
  } cases[] = {{VK_END, 5000, 100.0f}, {VK_HOME, 100, 5000.0f}};
  for (const auto& c : cases) {
    saverOptions = Defaults();
    Run([&](HWND dialog, DWORD) {
      HWND slider = GetDlgItem(dialog, 1031);
      SendMessageA(slider, WM_KEYDOWN, c.key, 0);
      SendMessageA(slider, WM_KEYUP, c.key, 0);
      EXPECT_EQ(SliderPos(dialog, 1031), c.position);
      Click(dialog, IDOK);
    });
    EXPECT_EQ(Saved().rotationSpeed, c.saved) << "key " << c.key;
  }
}

TEST_F(SettingsDialogTest, OkReadsListsAndSliders) {
  Run([&](HWND dialog, DWORD) {
    SendDlgItemMessageA(dialog, 1041, CB_SETCURSEL, 2, 0);   // "3"
    SendDlgItemMessageA(dialog, 1019, CB_SETCURSEL, 19, 0);  // "20"
    SendDlgItemMessageA(dialog, 1020, CB_SETCURSEL, 0, 0);   // "1"
    SendDlgItemMessageA(dialog, 1035, CB_SETCURSEL, 1, 0);   // "Right"
    SendDlgItemMessageA(dialog, 1008, CB_SETCURSEL, 0, 0);   // "Normal"
    SendDlgItemMessageA(dialog, 1031, TBM_SETPOS, TRUE, 1234);
    SendDlgItemMessageA(dialog, 1024, TBM_SETPOS, TRUE, 777);
    SendDlgItemMessageA(dialog, 1025, TBM_SETPOS, TRUE, 9);
    SetItemText(dialog, 1021, "321");
    Click(dialog, IDOK);
  });
  const SaverOptions saved = Saved();
  EXPECT_EQ(saved.cuboidCount, 3);
  EXPECT_EQ(saved.gridColumns, 20);
  EXPECT_EQ(saved.gridRows, 1);
  EXPECT_EQ(saved.rotationAngle, 2);
  EXPECT_EQ(saved.gridStyle, 1);
  EXPECT_EQ(saved.rotationSpeed, 3866.0f);  // 5100 - 1234
  EXPECT_EQ(saved.starSpeed, 777.0f);
  EXPECT_EQ(saved.starSize, 9.0f);
  EXPECT_EQ(saved.starCount, 321);
}

// The monitors and picture lists show the stored choice (a damaged one as the default), OK
// stores the one picked, Cancel nothing.
TEST_F(SettingsDialogTest, MonitorsAndPictureListsRoundTripTheirValues) {
  struct Case {
    const char* value;
    int list;
    std::string stored;  // the value's four bytes
    const char* shown;
    int picked;
    bool ok;
    std::string saved;
  };
  const std::string zero("\0\0\0\0", 4), one("\1\0\0\0", 4), two("\2\0\0\0", 4), seven("\7\0\0\0", 4);
  // clang-format off
  const Case cases[] = {{"Monitors", 1094, zero, "Primary only", 1, true, one},
                        {"Monitors", 1094, one, "Same picture on each", 2, true, two},
                        {"Monitors", 1094, two, "One picture across all", 0, true, zero},
                        {"Monitors", 1094, seven, "Same picture on each", 2, true, two},
                        {"Monitors", 1094, one, "Same picture on each", 0, false, one},
                        {"Detail", 1096, zero, "Standard (256 x 256)", 1, true, one},
                        {"Detail", 1096, one, "As sharp as the screen", 0, true, zero},
                        {"Detail", 1096, seven, "As sharp as the screen", 0, true, zero},
                        {"Detail", 1096, one, "As sharp as the screen", 0, false, one}};
  // clang-format on
  for (const Case& c : cases) {
    key_.Write(c.value, c.stored.data(), 4, REG_DWORD);
    LoadOptions();
    Run([&](HWND dialog, DWORD) {
      EXPECT_EQ(SelectedText(dialog, c.list), c.shown);
      SendDlgItemMessageA(dialog, c.list, CB_SETCURSEL, WPARAM(c.picked), 0);
      Click(dialog, c.ok ? IDOK : IDCANCEL);
    });
    EXPECT_EQ(key_.Read(c.value), c.saved) << c.value << ": " << c.shown << " then item " << c.picked;
  }
}

// The shuffle box shows the stored order (a damaged one as the list's order), OK stores what
// it shows, Cancel nothing.
TEST_F(SettingsDialogTest, ShuffleBoxRoundTripsTheOrderValue) {
  struct Case {
    std::string stored;  // the value's four bytes
    bool shown, click, ok;
    std::string saved;
  };
  const std::string zero("\0\0\0\0", 4), one("\1\0\0\0", 4), seven("\7\0\0\0", 4);
  // clang-format off
  const Case cases[] = {{zero, false, true, true, one},
                        {one, true, true, true, zero},
                        {one, true, false, true, one},
                        {seven, false, false, true, zero},
                        {zero, false, true, false, zero}};
  // clang-format on
  for (const Case& c : cases) {
    key_.Write("Order", c.stored.data(), 4, REG_DWORD);
    LoadOptions();
    Run([&](HWND dialog, DWORD) {
      EXPECT_EQ(IsChecked(dialog, 1097), c.shown);
      if (c.click) Click(dialog, 1097);
      Click(dialog, c.ok ? IDOK : IDCANCEL);
    });
    EXPECT_EQ(key_.Read("Order"), c.saved)
        << int(c.stored[0]) << (c.click ? ", clicked" : "") << (c.ok ? ", OK" : ", Cancel");
  }
}

TEST_F(SettingsDialogTest, OkWritesTheWholeRecordKeepingReservedBytesAndGaps) {
  SaverOptions record = Defaults();
  record.shape = 0;
  record.gridStyle = 2;
  const uint8_t gapFill[] = {0x11, 0x22, 0x33};
  std::memcpy(record.gap5, gapFill, 3);
  std::memcpy(record.gap22, gapFill, 2);
  std::memcpy(record.gap45, gapFill, 3);
  std::memcpy(record.gap53, gapFill, 3);
  record.starReserved = 0x5A;
  for (uint8_t* block : {record.reserved1, record.reserved2, record.reserved3, record.reserved4})
    for (int i = 0; i < 24; ++i) block[i] = static_cast<uint8_t>(0xA0 + i);
  for (int slot = 1; slot <= 10; ++slot) {
    char* path = VideoFileSlot(record, slot);
    // Bytes after the terminator, up to the slot's last one, are kept too: loading cuts
    // only a slot that has no terminator at all.
    std::memset(path, 'z', kVideoPathSize);
    std::snprintf(path, 40, "C:\\videos\\clip%d.avi", slot);
  }
  StoreAndLoad(record);

  Run([&](HWND dialog, DWORD) { Click(dialog, IDOK); });

  SaverOptions expected = record;
  expected.shape = 1;      // clamped at opening
  expected.gridStyle = 1;  // any non-zero style is shown and saved as "Normal"
  bool found = false;
  const std::string stored = key_.Read("Options", &found);
  ASSERT_TRUE(found);
  ASSERT_EQ(stored.size(), 2756u);
  const std::string want = Bytes(expected);
  for (std::size_t i = 0; i < want.size(); ++i) ASSERT_EQ(stored[i], want[i]) << "byte " << i;
}

// ---------------------------------------------------------------------------------------
// Check boxes and Cancel

TEST_F(SettingsDialogTest, CheckBoxesChangeMemoryAtOnceButCancelSavesNothing) {
  SaverOptions record = Defaults();
  record.showBackground = 7;  // not a clean 1: still shown ticked, and a click clears it
  record.cuboidTranslucent = 0;
  record.starTranslucent = 1;
  StoreAndLoad(record);

  const INT_PTR result = Run([&](HWND dialog, DWORD) {
    EXPECT_TRUE(IsChecked(dialog, 1029));
    EXPECT_FALSE(IsChecked(dialog, 1028));
    EXPECT_TRUE(IsChecked(dialog, 1023));

    Click(dialog, 1029);
    EXPECT_EQ(saverOptions.showBackground, 0);
    EXPECT_FALSE(IsChecked(dialog, 1029));
    Click(dialog, 1029);
    EXPECT_EQ(saverOptions.showBackground, 1);
    Click(dialog, 1029);
    EXPECT_EQ(saverOptions.showBackground, 0);

    Click(dialog, 1028);
    EXPECT_EQ(saverOptions.cuboidTranslucent, 1);
    EXPECT_TRUE(IsChecked(dialog, 1028));

    Click(dialog, 1006);  // the star check box is enabled only for the star field
    Click(dialog, 1023);
    EXPECT_EQ(saverOptions.starTranslucent, 0);
    EXPECT_EQ(saverOptions.shape, 3);
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(key_.Read("Options"), Bytes(record)) << "Cancel must not save";
  // The clicks stay in memory.
  EXPECT_EQ(saverOptions.showBackground, 0);
  EXPECT_EQ(saverOptions.cuboidTranslucent, 1);
  EXPECT_EQ(saverOptions.starTranslucent, 0);
  EXPECT_EQ(saverOptions.shape, 3);
}

TEST_F(SettingsDialogTest, CancelWithoutAnyStoredValueLeavesNone) {
  Run([&](HWND dialog, DWORD) {
    Click(dialog, 1029);
    SendDlgItemMessageA(dialog, 1041, CB_SETCURSEL, 0, 0);
    Click(dialog, IDCANCEL);
  });
  EXPECT_FALSE(SomethingSaved());
  EXPECT_EQ(saverOptions.cuboidCount, 6) << "lists reach memory only through OK";
}

TEST_F(SettingsDialogTest, ClosingTheWindowCancels) {
  Run([&](HWND dialog, DWORD) {
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitForClosed(dialog));
  });
  EXPECT_FALSE(SomethingSaved());
}

// ---------------------------------------------------------------------------------------
// Colours

// The colour dialog's red, green and blue fields.
constexpr int kRedField = 706, kGreenField = 707, kBlueField = 708;
constexpr int kAddCustomColour = 0x2c8;
constexpr int kCustomColourBoxes = 0x2d1;

void TypeColour(HWND colourDialog, int r, int g, int b) {
  SetItemText(colourDialog, kRedField, std::to_string(r));
  SetItemText(colourDialog, kGreenField, std::to_string(g));
  SetItemText(colourDialog, kBlueField, std::to_string(b));
}

COLORREF SwatchPixel(HWND dialog, int id) {
  HWND swatch = GetDlgItem(dialog, id);
  RECT client;
  GetClientRect(swatch, &client);
  return GetPixel(ScopedWindowDc(swatch).Get(), client.right / 2, client.bottom / 2);
}

bool SwatchShows(HWND dialog, int id, COLORREF colour) {
  return WaitFor([&] { return SwatchPixel(dialog, id) == colour; }, 5000);
}

TEST_F(SettingsDialogTest, SwatchesShowTheColours) {
  saverOptions.backgroundColor = 0x00204060;
  saverOptions.cuboidBlendColor = 0x00A0C0E0;
  Run([&](HWND dialog, DWORD) {
    EXPECT_TRUE(SwatchShows(dialog, 1038, 0x00204060)) << std::hex << SwatchPixel(dialog, 1038);
    EXPECT_TRUE(SwatchShows(dialog, 1039, 0x00A0C0E0)) << std::hex << SwatchPixel(dialog, 1039);
    Click(dialog, IDCANCEL);
  });
}

TEST_F(SettingsDialogTest, ColourDialogCancelKeepsAndOkStoresTheColour) {
  const COLORREF start = 0x008C5F00;  // the default background colour
  const COLORREF chosen = RGB(18, 52, 86);
  Run([&](HWND dialog, DWORD thread) {
    ClickOpening(dialog, 1033);
    HWND colour = WaitForOwnedDialog(thread, dialog);
    ASSERT_NE(colour, nullptr) << "no colour dialog";
    // It starts from the field's colour.
    EXPECT_EQ(ItemText(colour, kRedField), std::to_string(GetRValue(start)));
    EXPECT_EQ(ItemText(colour, kGreenField), std::to_string(GetGValue(start)));
    EXPECT_EQ(ItemText(colour, kBlueField), std::to_string(GetBValue(start)));
    TypeColour(colour, 18, 52, 86);
    Click(colour, IDCANCEL);
    ASSERT_TRUE(WaitForClosed(colour, dialog));
    EXPECT_EQ(saverOptions.backgroundColor, start);
    EXPECT_TRUE(SwatchShows(dialog, 1038, start)) << std::hex << SwatchPixel(dialog, 1038);

    ClickOpening(dialog, 1033);
    colour = WaitForOwnedDialog(thread, dialog);
    ASSERT_NE(colour, nullptr);
    TypeColour(colour, 18, 52, 86);
    Click(colour, IDOK);
    ASSERT_TRUE(WaitForClosed(colour, dialog));
    EXPECT_EQ(saverOptions.backgroundColor, chosen);
    EXPECT_TRUE(SwatchShows(dialog, 1038, chosen)) << std::hex << SwatchPixel(dialog, 1038);
    EXPECT_EQ(saverOptions.cuboidBlendColor, 0x006161AFu) << "the other colour is untouched";
    Click(dialog, IDCANCEL);
  });
  // Chosen in memory at once, saved only by OK.
  EXPECT_FALSE(SomethingSaved());

  Run([&](HWND dialog, DWORD) { Click(dialog, IDOK); });
  EXPECT_EQ(Saved().backgroundColor, chosen);
}

TEST_F(SettingsDialogTest, BothColourButtonsShareTheCustomColours) {
  const COLORREF custom = RGB(200, 10, 90);
  Run([&](HWND dialog, DWORD thread) {
    // Add a custom colour in the background colour's dialog and cancel it...
    ClickOpening(dialog, 1033);
    HWND colour = WaitForOwnedDialog(thread, dialog);
    ASSERT_NE(colour, nullptr);
    TypeColour(colour, 200, 10, 90);
    SendMessageA(colour, WM_COMMAND, kAddCustomColour, 0);
    Click(colour, IDCANCEL);
    ASSERT_TRUE(WaitForClosed(colour, dialog));
    EXPECT_EQ(customColors[0], custom);

    // ...and pick it from the first custom box in the blend colour's dialog.
    ClickOpening(dialog, 1034);
    colour = WaitForOwnedDialog(thread, dialog);
    ASSERT_NE(colour, nullptr);
    const RECT boxes = RectInParent(GetDlgItem(colour, kCustomColourBoxes));
    SendMessageA(colour, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(boxes.left + 3, boxes.top + 3));
    SendMessageA(colour, WM_LBUTTONUP, 0, MAKELPARAM(boxes.left + 3, boxes.top + 3));
    Click(colour, IDOK);
    ASSERT_TRUE(WaitForClosed(colour, dialog));
    EXPECT_EQ(saverOptions.cuboidBlendColor, custom);
    EXPECT_TRUE(SwatchShows(dialog, 1039, custom)) << std::hex << SwatchPixel(dialog, 1039);
    Click(dialog, IDOK);
  });
  EXPECT_EQ(Saved().cuboidBlendColor, custom);
  EXPECT_EQ(Saved().backgroundColor, 0x008C5F00u);
}

// ---------------------------------------------------------------------------------------
// Video list, link, owner

TEST_F(SettingsDialogTest, AddVideoFilesOpensTheListAndOkSavesThePaths) {
  Run([&](HWND dialog, DWORD thread) {
    ClickOpening(dialog, 1003);
    HWND list = WaitForOwnedDialog(thread, dialog);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(TextOf(list), "Choose your favorite videos");
    SetItemText(list, 1061, "C:\\videos\\first.avi");
    SetItemText(list, 1069, "D:\\last one.mpeg");
    Click(list, IDOK);
    ASSERT_TRUE(WaitForClosed(list, dialog));
    EXPECT_STREQ(saverOptions.videoFiles1, "C:\\videos\\first.avi");
    EXPECT_TRUE(SomethingSaved() == false) << "the list alone does not save";
    Click(dialog, IDOK);
  });
  const SaverOptions saved = Saved();
  EXPECT_STREQ(saved.videoFiles1, "C:\\videos\\first.avi");
  EXPECT_STREQ(saved.videoFiles10, "D:\\last one.mpeg");
}

TEST_F(SettingsDialogTest, LinkPictureIsALinkUntilTheDialogCloses) {
  // Watches the link control's WM_DESTROY from outside the link's own procedure.
  static WNDPROC linkProc;
  static bool destroySeen;
  static bool propertyLeft;
  destroySeen = false;
  propertyLeft = true;
  struct Watch {
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
      const LRESULT result = CallWindowProcA(linkProc, window, message, wParam, lParam);
      if (message == WM_DESTROY) {
        destroySeen = true;
        propertyLeft = GetPropA(window, "href_dat") != nullptr;
      }
      return result;
    }
  };

  Run([&](HWND dialog, DWORD) {
    HWND link = GetDlgItem(dialog, 1000);
    auto block = static_cast<HGLOBAL>(GetPropA(link, "href_dat"));
    ASSERT_NE(block, nullptr);
    auto* record = static_cast<LinkRecord*>(GlobalLock(block));
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->address, ORVEL_WEB_ADDRESS);
    EXPECT_NE(record->previousProc, &LinkWndProc);
    GlobalUnlock(block);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(link, GWLP_WNDPROC)), &LinkWndProc);
    // The picture static takes the mouse: a hand and a hit in its client area.
    EXPECT_EQ(SendMessageA(link, WM_NCHITTEST, 0, 0), HTCLIENT);
    EXPECT_EQ(SendMessageA(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);

    linkProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(link, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Watch::Proc)));
    Click(dialog, IDCANCEL);
  });
  EXPECT_TRUE(destroySeen);
  EXPECT_FALSE(propertyLeft) << "the link record must be gone once the control is destroyed";
}

TEST_F(SettingsDialogTest, HostWindowOwnsTheDialog) {
  HWND host = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_NE(host, nullptr);
  Run(
      [&](HWND dialog, DWORD) {
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), host);
        EXPECT_FALSE(IsWindowEnabled(host)) << "modal to its owner";
        Click(dialog, IDCANCEL);
      },
      host);
  EXPECT_TRUE(IsWindowEnabled(host));
  DestroyWindow(host);
}

// ---------------------------------------------------------------------------------------
// The template

constexpr DWORD kUpDown = UDS_AUTOBUDDY | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_SETBUDDYINT | UDS_NOTHOUSANDS;

constexpr DWORD T = WS_TABSTOP;

const Control kSettingsControls[] = {
    {1, "Button", BS_DEFPUSHBUTTON, T, "&OK"},
    {2, "Button", BS_PUSHBUTTON, T, "&Cancel"},
    {1000, "Static", SS_BITMAP, SS_SUNKEN, nullptr},
    {1003, "Button", BS_PUSHBUTTON, T, "&Add video files..."},
    {-1, "Button", BS_GROUPBOX, 0, ""},
    {-1, "Button", BS_GROUPBOX, 0, ""},
    {-1, "Button", BS_GROUPBOX, 0, ""},
    {1004, "Button", BS_AUTORADIOBUTTON, T | WS_GROUP, "Cuboid"},
    {1005, "Button", BS_AUTORADIOBUTTON, T, "Grid"},
    {1006, "Button", BS_AUTORADIOBUTTON, T, "Star"},
    {1008, "ComboBox", CBS_DROPDOWNLIST, T, nullptr},
    {1019, "ComboBox", CBS_DROPDOWNLIST, T, nullptr},
    {1020, "ComboBox", CBS_DROPDOWNLIST, T, nullptr},
    {-1, "Static", SS_LEFT, 0, "display style"},
    {-1, "Static", SS_LEFT, 0, "grid column"},
    {-1, "Static", SS_LEFT, 0, "grid row"},
    {1021, "Edit", 0, T | ES_NUMBER, nullptr},
    {1022, "msctls_updown32", 0, T | kUpDown, nullptr},
    {1023, "Button", BS_AUTOCHECKBOX, T, "translucent"},
    {1024, "msctls_trackbar32", 0, T | TBS_NOTICKS, nullptr},
    {1025, "msctls_trackbar32", 0, T | TBS_NOTICKS, nullptr},
    {-1, "Static", SS_LEFT, 0, "number of stars (10-1000)"},
    {-1, "Static", SS_LEFT, 0, "speed of stars"},
    {-1, "Static", SS_LEFT, 0, "size of stars"},
    {-1, "Static", SS_LEFT, 0, "slow"},
    {-1, "Static", SS_LEFT, 0, "fast"},
    {-1, "Static", SS_LEFT, 0, "small"},
    {-1, "Static", SS_LEFT, 0, "large"},
    {-1, "Static", SS_LEFT, 0, "number of cuboids"},
    {1028, "Button", BS_AUTOCHECKBOX, T, "cuboid translucent"},
    {1029, "Button", BS_AUTOCHECKBOX, T, "show background"},
    {1033, "Button", BS_PUSHBUTTON, T, "&background color"},
    {1034, "Button", BS_PUSHBUTTON, T, "c&uboid blend color"},
    {1031, "msctls_trackbar32", 0, T | TBS_NOTICKS, nullptr},
    {-1, "Static", SS_LEFT, 0, "rotation speed"},
    {-1, "Static", SS_LEFT, 0, "slow"},
    {-1, "Static", SS_LEFT, 0, "fast"},
    {-1, "Static", SS_LEFT, 0, "rotation angle"},
    {1035, "ComboBox", CBS_DROPDOWNLIST, T, nullptr},
    {1038, "Button", BS_OWNERDRAW, T, ""},
    {1039, "Button", BS_OWNERDRAW, T, ""},
    {1041, "ComboBox", CBS_DROPDOWNLIST, T, nullptr},
    {1092, "Static", SS_RIGHT, 0, ORVEL_OWNER_NOTICE},
    {-1, "Static", SS_LEFT, 0, "Choose one of the three shapes below."},
    {-1, "Static", SS_LEFT, 0, "Click 'Add video files' button to choose your favorite videos."},
    {1081, "Static", SS_BITMAP, 0, nullptr},
    {1082, "Static", SS_BITMAP, 0, nullptr},
    {1083, "Static", SS_BITMAP, 0, nullptr},
    {-1, "Static", SS_LEFT, 0, "Adjust the settings according to the selected shape."},
    {1093, "Static", SS_LEFT, 0, "Monitors:"},
    {1094, "ComboBox", CBS_DROPDOWNLIST, T, nullptr},
    {1097, "Button", BS_AUTOCHECKBOX, T, "Shuffle"},
    {1095, "Static", SS_LEFT, 0, "Picture:"},
    {1096, "ComboBox", CBS_DROPDOWNLIST, T, nullptr},
};

TEST_F(SettingsDialogTest, TemplateMatchesTheTable) {
  Run([&](HWND dialog, DWORD) {
    EXPECT_EQ(TextOf(dialog), kCaption);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
    const DWORD want = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    EXPECT_EQ(style & want, want) << std::hex << style;
    EXPECT_TRUE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);

    // Centred on the screen.
    RECT frame;
    GetWindowRect(dialog, &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    // The font is Arial.
    auto font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    LOGFONTA face = {};
    ASSERT_NE(GetObjectA(font, sizeof(face), &face), 0);
    EXPECT_STREQ(face.lfFaceName, "Arial");

    ExpectControls(dialog, kSettingsControls, sizeof(kSettingsControls) / sizeof(kSettingsControls[0]));

    // The swatches have a modal-frame edge.
    for (int id : {1038, 1039}) EXPECT_TRUE(GetWindowLongA(GetDlgItem(dialog, id), GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    // The spin sits at the right of its buddy and level with it.
    const RECT spin = RectInParent(GetDlgItem(dialog, 1022));
    const RECT buddy = RectInParent(GetDlgItem(dialog, 1021));
    EXPECT_LE(buddy.right, spin.left + 2);
    EXPECT_GE(buddy.right, spin.left - 2);
    EXPECT_LT(spin.top, buddy.bottom);
    EXPECT_GT(spin.bottom, buddy.top);
    Click(dialog, IDCANCEL);
  });
}

}  // namespace
