// The settings dialog: fills its controls from the settings record (bringing out-of-range
// values into range and writing them back), lets radio buttons, check boxes and colour
// buttons change the record at once, reads lists, sliders, the star count and the shuffle
// box on OK and then saves the whole record. Main thread only.
#include "settings/settings_dialog_win.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cstdio>

#include "base/scoped_win.h"
#include "resources/resource_ids.h"
#include "settings/common_controls_win.h"
#include "settings/common_dialogs_win.h"
#include "settings/link_control_win.h"
#include "settings/options_record.h"
#include "settings/options_registry_win.h"
#include "settings/settings_encoding.h"
#include "settings/video_list_dialog_win.h"

COLORREF customColors[16];

namespace {

// The controls that only one shape enables; labels, pictures, the radio buttons and the
// dialog's own buttons stay enabled.
constexpr int kCuboidGroup[] = {IDC_CUBOID_COUNT,   IDC_SHOW_BACKGROUND,   IDC_CUBOID_TRANSLUCENT,
                                IDC_ROTATION_SPEED, IDC_ROTATION_ANGLE,    IDC_BACKGROUND_COLOR,
                                IDC_BLEND_COLOR,    IDC_BACKGROUND_SWATCH, IDC_BLEND_SWATCH};
constexpr int kGridGroup[] = {IDC_GRID_STYLE, IDC_GRID_COLUMNS, IDC_GRID_ROWS};
constexpr int kStarGroup[] = {IDC_STAR_COUNT, IDC_STAR_COUNT_SPIN, IDC_STAR_TRANSLUCENT, IDC_STAR_SPEED, IDC_STAR_SIZE};

template <std::size_t N>
void EnableGroup(HWND dialog, const int (&ids)[N], bool enable) {
  for (int id : ids) EnableWindow(GetDlgItem(dialog, id), enable ? TRUE : FALSE);
}

void EnableShapeGroups(HWND dialog, int32_t shape) {
  EnableGroup(dialog, kCuboidGroup, shape == kShapeCuboid);
  EnableGroup(dialog, kGridGroup, shape == kShapeGrid);
  EnableGroup(dialog, kStarGroup, shape == kShapeStar);
}

LRESULT SendItem(HWND dialog, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendDlgItemMessageA(dialog, id, message, wParam, lParam);
}

void FillList(HWND dialog, int id, const char* const* items, int count, int selection) {
  SendItem(dialog, id, CB_RESETCONTENT);
  for (int i = 0; i < count; ++i) SendItem(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i]));
  SendItem(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(selection));
}

// A list of the numbers 1..count, decimal, in rising order.
void FillNumberList(HWND dialog, int id, int count, int selection) {
  SendItem(dialog, id, CB_RESETCONTENT);
  for (int i = 1; i <= count; ++i) {
    char text[12];
    std::snprintf(text, sizeof(text), "%d", i);
    SendItem(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  SendItem(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(selection));
}

int ListSelection(HWND dialog, int id) { return static_cast<int>(SendItem(dialog, id, CB_GETCURSEL)); }

void SetSliderRange(HWND dialog, int id, int low, int high) {
  SendItem(dialog, id, TBM_SETRANGE, FALSE, MAKELPARAM(low, high));
}

void SetSliderPosition(HWND dialog, int id, int32_t position) {
  SendItem(dialog, id, TBM_SETPOS, TRUE, static_cast<LPARAM>(position));
}

int32_t SliderPosition(HWND dialog, int id) { return static_cast<int32_t>(SendItem(dialog, id, TBM_GETPOS)); }

void CheckFromSwitch(HWND dialog, int id, uint8_t value) {
  CheckDlgButton(dialog, id, value != 0 ? BST_CHECKED : BST_UNCHECKED);
}

void SetPicture(HWND dialog, int id, int bitmap) {
  HBITMAP image = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmap));
  SendItem(dialog, id, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image));
}

// The statics do not own the pictures given to them; the dialog frees them as it goes.
void FreePicture(HWND dialog, int id) {
  HGDIOBJ image = reinterpret_cast<HGDIOBJ>(SendItem(dialog, id, STM_GETIMAGE, IMAGE_BITMAP));
  if (image != nullptr) DeleteObject(image);
}

constexpr int kPictureControls[] = {IDC_WEB_LINK, IDC_STEP1_PICTURE, IDC_STEP2_PICTURE, IDC_STEP3_PICTURE};

void InitSettingsDialog(HWND dialog) {
  SaverOptions& o = saverOptions;

  AttachLink(dialog, IDC_WEB_LINK, ORVEL_WEB_ADDRESS);

  o.shape = ClampShapeChoice(o.shape);
  CheckRadioButton(dialog, IDC_SHAPE_CUBOID, IDC_SHAPE_STAR, IDC_SHAPE_CUBOID + o.shape - kShapeCuboid);

  CheckFromSwitch(dialog, IDC_SHOW_BACKGROUND, o.showBackground);
  CheckFromSwitch(dialog, IDC_CUBOID_TRANSLUCENT, o.cuboidTranslucent);
  CheckFromSwitch(dialog, IDC_STAR_TRANSLUCENT, o.starTranslucent);

  SetDlgItemTextA(dialog, IDC_OWNER_NOTICE, ORVEL_OWNER_NOTICE);

  o.cuboidCount = ClampCuboidCountChoice(o.cuboidCount);
  FillNumberList(dialog, IDC_CUBOID_COUNT, kMaxCuboidCount, SelectionFromValue(o.cuboidCount));

  o.rotationAngle = ClampRotationAngleChoice(o.rotationAngle);
  FillList(dialog, IDC_ROTATION_ANGLE, kRotationAngleNames, kRotationAngleCount, SelectionFromValue(o.rotationAngle));

  FillList(dialog, IDC_GRID_STYLE, kGridStyleNames, 2, GridStyleSelection(o.gridStyle));

  o.gridColumns = ClampGridCountChoice(o.gridColumns);
  FillNumberList(dialog, IDC_GRID_COLUMNS, kMaxGridCount, SelectionFromValue(o.gridColumns));
  o.gridRows = ClampGridCountChoice(o.gridRows);
  FillNumberList(dialog, IDC_GRID_ROWS, kMaxGridCount, SelectionFromValue(o.gridRows));

  SetSliderRange(dialog, IDC_ROTATION_SPEED, kRotationSliderMin, kRotationSliderMax);
  SetSliderRange(dialog, IDC_STAR_SPEED, kStarSpeedMin, kStarSpeedMax);
  SetSliderRange(dialog, IDC_STAR_SIZE, kStarSizeMin, kStarSizeMax);
  SetSliderPosition(dialog, IDC_ROTATION_SPEED, RotationSliderPosition(o.rotationSpeed));
  SetSliderPosition(dialog, IDC_STAR_SPEED, TruncateToInt(o.starSpeed));
  SetSliderPosition(dialog, IDC_STAR_SIZE, TruncateToInt(o.starSize));

  // Setting the up-down's position also writes the number into its buddy, edit 1021.
  SendItem(dialog, IDC_STAR_COUNT_SPIN, UDM_SETBASE, 10);
  SendItem(dialog, IDC_STAR_COUNT_SPIN, UDM_SETRANGE, 0, MAKELPARAM(kStarCountMax, kStarCountMin));
  SendItem(dialog, IDC_STAR_COUNT_SPIN, UDM_SETPOS, 0, MAKELPARAM(StarCountSpinPosition(o.starCount), 0));
  SendItem(dialog, IDC_STAR_COUNT, EM_LIMITTEXT, kStarCountDigits);

  SetPicture(dialog, IDC_WEB_LINK, IDB_LINK);
  SetPicture(dialog, IDC_STEP1_PICTURE, IDB_STEP1);
  SetPicture(dialog, IDC_STEP2_PICTURE, IDB_STEP2);
  SetPicture(dialog, IDC_STEP3_PICTURE, IDB_STEP3);

  FillList(dialog, IDC_MONITORS, kMonitorsChoiceNames, kMonitorsChoiceCount, monitorsChoice);
  FillList(dialog, IDC_DETAIL, kDetailChoiceNames, kDetailChoiceCount, detailChoice);
  CheckDlgButton(dialog, IDC_SHUFFLE, orderChoice == kOrderShuffled ? BST_CHECKED : BST_UNCHECKED);

  EnableShapeGroups(dialog, o.shape);
}

void StoreSettings(HWND dialog) {
  SaverOptions& o = saverOptions;
  o.cuboidCount = ValueFromSelection(ListSelection(dialog, IDC_CUBOID_COUNT));
  o.gridColumns = ValueFromSelection(ListSelection(dialog, IDC_GRID_COLUMNS));
  o.gridRows = ValueFromSelection(ListSelection(dialog, IDC_GRID_ROWS));
  o.rotationAngle = ValueFromSelection(ListSelection(dialog, IDC_ROTATION_ANGLE));
  o.gridStyle = GridStyleFromSelection(ListSelection(dialog, IDC_GRID_STYLE));
  o.starSize = static_cast<float>(SliderPosition(dialog, IDC_STAR_SIZE));
  o.rotationSpeed = RotationSpeedFromSlider(SliderPosition(dialog, IDC_ROTATION_SPEED));
  o.starSpeed = static_cast<float>(SliderPosition(dialog, IDC_STAR_SPEED));
  char count[kStarCountDigits + 1] = {};
  GetDlgItemTextA(dialog, IDC_STAR_COUNT, count, sizeof(count));
  o.starCount = StarCountFromText(count);
  const int monitors = ListSelection(dialog, IDC_MONITORS);
  if (monitors >= 0 && monitors < kMonitorsChoiceCount) monitorsChoice = monitors;
  const int detail = ListSelection(dialog, IDC_DETAIL);
  if (detail >= 0 && detail < kDetailChoiceCount) detailChoice = detail;
  // Unlike the record's switches, the order is read on OK only, as the lists are.
  orderChoice = SendItem(dialog, IDC_SHUFFLE, BM_GETCHECK) == BST_CHECKED ? kOrderShuffled : kOrderListed;
}

void ChooseShape(HWND dialog, int32_t shape) {
  saverOptions.shape = shape;
  EnableShapeGroups(dialog, shape);
}

void PickColor(HWND dialog, uint32_t& field, int swatch) {
  CHOOSECOLORA request = {};
  request.lStructSize = sizeof(request);
  request.hwndOwner = dialog;
  request.rgbResult = field;
  request.lpCustColors = customColors;
  request.Flags = CC_RGBINIT;
  // A cancelled dialog leaves rgbResult at the starting colour, so the result needs no test.
  ChooseColourDialog(&request);
  field = request.rgbResult;
  InvalidateRect(GetDlgItem(dialog, swatch), nullptr, FALSE);
}

void OnCommand(HWND dialog, int id) {
  SaverOptions& o = saverOptions;
  switch (id) {
    case IDOK:
      StoreSettings(dialog);
      SaveOptions();
      EndDialog(dialog, 1);
      break;
    case IDCANCEL:
      EndDialog(dialog, 0);
      break;
    case IDC_ADD_VIDEOS:
      ShowVideoListDialog(dialog);
      break;
    case IDC_SHAPE_CUBOID:
      ChooseShape(dialog, kShapeCuboid);
      break;
    case IDC_SHAPE_GRID:
      ChooseShape(dialog, kShapeGrid);
      break;
    case IDC_SHAPE_STAR:
      ChooseShape(dialog, kShapeStar);
      break;
    case IDC_STAR_TRANSLUCENT:
      o.starTranslucent = ToggleSwitch(o.starTranslucent);
      break;
    case IDC_CUBOID_TRANSLUCENT:
      o.cuboidTranslucent = ToggleSwitch(o.cuboidTranslucent);
      break;
    case IDC_SHOW_BACKGROUND:
      o.showBackground = ToggleSwitch(o.showBackground);
      break;
    case IDC_BACKGROUND_COLOR:
      PickColor(dialog, o.backgroundColor, IDC_BACKGROUND_SWATCH);
      break;
    case IDC_BLEND_COLOR:
      PickColor(dialog, o.cuboidBlendColor, IDC_BLEND_SWATCH);
      break;
    default:
      break;
  }
}

void DrawSwatch(const DRAWITEMSTRUCT& item) {
  const COLORREF color =
      item.CtlID == IDC_BACKGROUND_SWATCH ? saverOptions.backgroundColor : saverOptions.cuboidBlendColor;
  const ScopedGdiObject<HBRUSH> brush(CreateSolidBrush(color));
  const ScopedSelection selected(item.hDC, brush.Get());  // deselected before the brush is deleted
  FillRect(item.hDC, &item.rcItem, brush.Get());
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitSettingsDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      OnCommand(dialog, LOWORD(wParam));
      return TRUE;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID == IDC_BACKGROUND_SWATCH || item->CtlID == IDC_BLEND_SWATCH) DrawSwatch(*item);
      return TRUE;
    }
    case WM_DESTROY:
      for (int id : kPictureControls) FreePicture(dialog, id);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR ShowSettingsDialog(HWND parent) {
  // The trackbars and the up-down are common controls: their classes must exist before
  // the template is turned into windows.
  RegisterCommonControls(ICC_BAR_CLASSES | ICC_UPDOWN_CLASS);
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SETTINGS), parent, SettingsDialogProc, 0);
}
