// What the end-to-end runs share: the generated solid-colour videos beside the test
// program, a one-tile grid record that fills the screen with a video, and reading the screen
// back. Test thread only.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "base/product_names.h"
#include "base/scoped_win.h"
#include "colour.h"
#include "program_folder.h"
#include "saver_process.h"
#include "scoped_registry_value.h"
#include "settings/options_record.h"

// Puts a settings record in the real key for one test and restores what was there.
class StoredOptions {
 public:
  explicit StoredOptions(const SaverOptions& options) { value_.Write(REG_BINARY, &options, sizeof(options)); }

 private:
  ScopedRegistryValue value_{HKEY_CURRENT_USER, kSettingsKeyPath, kOptionsValueName};
};

// Defaults with one screen-filling grid tile that shows `video`.
inline SaverOptions OneTileGridOf(const std::string& video) {
  SaverOptions o;
  std::memset(&o, 0, sizeof(o));
  SetDefaultOptions(o);
  o.shape = kShapeGrid;
  o.gridColumns = 1;
  o.gridRows = 1;
  o.videoFiles1[video.copy(o.videoFiles1, kVideoPathMaxLength)] = '\0';
  return o;
}

inline Rgb ScreenPixel(int x, int y) {
  const COLORREF got = GetPixel(ScopedWindowDc(nullptr).Get(), x, y);
  return {GetRValue(got), GetGValue(got), GetBValue(got)};
}

inline bool ScreenShows(int x, int y, COLORREF want) {
  return Near(ScreenPixel(x, y), Rgb{GetRValue(want), GetGValue(want), GetBValue(want)}, 39);
}

// Waits until every point shows the colour; the bound only keeps a broken build from
// hanging the run.
inline bool WaitForScreenColour(const POINT* points, int count, COLORREF want, DWORD bound = 15000) {
  return WaitPumping(
      [&] {
        for (int i = 0; i < count; ++i)
          if (!ScreenShows(points[i].x, points[i].y, want)) return false;
        return true;
      },
      bound);
}
