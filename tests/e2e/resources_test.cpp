// The resources linked into orvel.scr, read back through the platform's own loaders: icon
// sizes, the link cursor's hot spot and shape, the dialog pictures, manifest, the name the
// screensaver list shows, and version.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/scoped_win.h"
#include "saver_process.h"

namespace {

// orvel.scr mapped as data: its resources can be loaded without running its code.
class ScreensaverImage {
 public:
  ScreensaverImage() : module_(LoadLibraryExA(orvelPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  HMODULE get() const { return module_.Get(); }

 private:
  ScopedLibrary module_;
};

// A memory DC holding a square picture filled with one colour.
class Canvas {
 public:
  Canvas(int size, COLORREF fill) : dc_(CreateCompatibleDC(nullptr)) {
    bitmap_.Reset(CreateCompatibleBitmap(ScopedWindowDc(nullptr).Get(), size, size));
    old_ = SelectObject(dc_, bitmap_.Get());
    const ScopedGdiObject<HBRUSH> brush(CreateSolidBrush(fill));
    RECT all = {0, 0, size, size};
    FillRect(dc_, &all, brush.Get());
  }
  ~Canvas() {
    SelectObject(dc_, old_);  // the bitmap is deleted after this, out of the DC
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  HDC dc() const { return dc_; }

 private:
  HDC dc_;
  ScopedGdiObject<HBITMAP> bitmap_;
  HGDIOBJ old_;
};

TEST(Resources, IconOneHoldsThreeSizesOf32BitImages) {
  ScreensaverImage image;
  ASSERT_NE(image.get(), nullptr);
  HRSRC group = FindResourceA(image.get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14));
  ASSERT_NE(group, nullptr);
  auto* directory = static_cast<BYTE*>(LockResource(LoadResource(image.get(), group)));
  for (int size : {16, 32, 48}) {
    SCOPED_TRACE(size);
    // The loader's own choice for this size must be an image drawn at exactly this size;
    // a missing size would silently be stretched from a neighbour.
    int id = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
    HRSRC found = FindResourceA(image.get(), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3));
    ASSERT_NE(found, nullptr);
    auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(image.get(), found)));
    EXPECT_EQ(header->biWidth, size);
    EXPECT_EQ(header->biHeight, 2 * size);  // colour and mask
    EXPECT_EQ(header->biBitCount, 32);
  }
}

TEST(Resources, IconOneDrawsTheCubeWithTransparentCorners) {
  ScreensaverImage image;
  ASSERT_NE(image.get(), nullptr);
  for (int size : {16, 32, 48}) {
    SCOPED_TRACE(size);
    HICON icon = static_cast<HICON>(LoadImageA(image.get(), MAKEINTRESOURCEA(1), IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr);
    const COLORREF magenta = RGB(255, 0, 255);
    Canvas canvas(size, magenta);
    DrawIconEx(canvas.dc(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    // The cube leaves the top-left corner free; the middle is covered.
    EXPECT_EQ(GetPixel(canvas.dc(), 0, 0), magenta);
    EXPECT_NE(GetPixel(canvas.dc(), size / 2, size / 2), magenta);
    DestroyIcon(icon);
  }
}

TEST(Resources, LinkCursorIsAHandWithItsHotSpotAtTheFingertip) {
  ScreensaverImage image;
  ASSERT_NE(image.get(), nullptr);
  HCURSOR cursor = static_cast<HCURSOR>(LoadImageA(image.get(), MAKEINTRESOURCEA(110), IMAGE_CURSOR, 32, 32, 0));
  ASSERT_NE(cursor, nullptr);
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(cursor, &info));
  const ScopedGdiObject<HBITMAP> colour(info.hbmColor), mask(info.hbmMask);  // ours to delete
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 12u);
  EXPECT_EQ(info.yHotspot, 1u);

  const COLORREF green = RGB(0, 128, 0);
  Canvas canvas(32, green);
  DrawIconEx(canvas.dc(), 0, 0, cursor, 32, 32, 0, nullptr, DI_NORMAL);
  // The fingertip is the hand's top pixel: black outline there, white inside it, nothing
  // above it, and the background shows through beside the finger.
  EXPECT_EQ(GetPixel(canvas.dc(), 12, 1), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(canvas.dc(), 12, 3), RGB(255, 255, 255));
  for (int x = 0; x < 32; ++x) EXPECT_EQ(GetPixel(canvas.dc(), x, 0), green) << "x " << x;
  EXPECT_EQ(GetPixel(canvas.dc(), 5, 1), green);
  EXPECT_EQ(GetPixel(canvas.dc(), 20, 3), green);
  DestroyCursor(cursor);
}

struct PictureCase {
  int id;
  int width;
  int height;
  int bits;
};

TEST(Resources, DialogPicturesHaveTheirSizesDepthsAndTheDialogGrey) {
  ScreensaverImage image;
  ASSERT_NE(image.get(), nullptr);
  const PictureCase cases[] = {{106, 94, 17, 24}, {116, 40, 17, 8}, {117, 40, 17, 8}, {118, 40, 17, 8}};
  for (const PictureCase& c : cases) {
    SCOPED_TRACE(c.id);
    const ScopedGdiObject<HBITMAP> bitmap(
        static_cast<HBITMAP>(LoadImageA(image.get(), MAKEINTRESOURCEA(c.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_NE(bitmap.Get(), nullptr);
    DIBSECTION dib = {};
    ASSERT_EQ(GetObjectA(bitmap.Get(), sizeof(dib), &dib), static_cast<int>(sizeof(dib)));
    EXPECT_EQ(dib.dsBmih.biWidth, c.width);
    EXPECT_EQ(dib.dsBmih.biHeight, c.height);
    EXPECT_EQ(dib.dsBmih.biBitCount, c.bits);

    // The pictures sit on the dialog without a visible box: every border pixel is the
    // dialog's face colour, and something else (the text) is drawn inside.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap.Get());
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    int borderMisses = 0;
    for (int x = 0; x < c.width; ++x)
      borderMisses += (GetPixel(dc, x, 0) != face) + (GetPixel(dc, x, c.height - 1) != face);
    for (int y = 0; y < c.height; ++y)
      borderMisses += (GetPixel(dc, 0, y) != face) + (GetPixel(dc, c.width - 1, y) != face);
    EXPECT_EQ(borderMisses, 0);
    int ink = 0;
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) ink += GetPixel(dc, x, y) != face;
    EXPECT_GT(ink, 40);
    SelectObject(dc, old);
    DeleteDC(dc);
  }
}

TEST(Resources, ManifestIsEmbeddedAsResourceOne) {
  ScreensaverImage image;
  ASSERT_NE(image.get(), nullptr);
  HRSRC found = FindResourceA(image.get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_NE(found, nullptr);
  const char* text = static_cast<const char*>(LockResource(LoadResource(image.get(), found)));
  std::string manifest(text, SizeofResource(image.get(), found));
  EXPECT_NE(manifest.find("name=\"Quorda.OrvelScreen\""), std::string::npos);
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
  // One manifest serves the 32-bit and the 64-bit build: a named architecture that is not the
  // process's own stops Windows from starting the program.
  EXPECT_NE(manifest.find("processorArchitecture=\"*\""), std::string::npos);
  // Aware of each monitor's scale (Windows 10 and 11; Windows 8.1 and older read dpiAware),
  // so the back buffer is in physical pixels and the system never stretches the picture.
  // Wine stretches no program, so only the declaration can be checked here.
  EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
  EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
}

TEST(Resources, StringOneIsTheNameInTheScreensaverList) {
  ScreensaverImage image;
  ASSERT_NE(image.get(), nullptr);
  char name[64] = {};
  EXPECT_EQ(LoadStringA(image.get(), 1, name, sizeof(name)), 13);
  EXPECT_STREQ(name, "Or vel Screen");
}

TEST(Resources, VersionInformationNamesTheProduct) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(orvelPath.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(orvelPath.c_str(), 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);

  WORD* translation = nullptr;
  ASSERT_TRUE(
      VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x0409);
  EXPECT_EQ(translation[1], 1252);

  const struct {
    const char* key;
    const char* value;
  } strings[] = {{"CompanyName", "Quorda"},        {"FileDescription", "Or vel Screen 1.0"},
                 {"ProductName", "Or vel Screen"}, {"OriginalFilename", "orvel.scr"},
                 {"InternalName", "orvel"},        {"FileVersion", "1.0.0.0"}};
  for (const auto& s : strings) {
    std::string path = std::string("\\StringFileInfo\\040904E4\\") + s.key;
    char* value = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) << s.key;
    EXPECT_STREQ(value, s.value) << s.key;
  }
}

}  // namespace
