// Shared helpers of the video tests under Wine (see the header).
#include "video_test_support.h"

#include <cstdio>
#include <cstdlib>

#include "shell/com_ptr_win.h"
#include "shell/device_objects_win.h"
#include "video/texture_renderer_win.h"
#include "video/video_graph_win.h"

namespace {

HWND deviceWindow = nullptr;

int Widen5(int v) { return (v << 3) | (v >> 2); }

Texel Decode(const BYTE* texel, D3DFORMAT format) {
  if (format == D3DFMT_A1R5G5B5) {
    const int word = texel[0] | (texel[1] << 8);
    return {{Widen5((word >> 10) & 31), Widen5((word >> 5) & 31), Widen5(word & 31)}, (word & 0x8000) != 0};
  }
  return {{texel[2], texel[1], texel[0]}, texel[3] == 255};
}

D3DFORMAT TextureFormatNow() {
  D3DSURFACE_DESC description = {};
  videoTexture->GetLevelDesc(0, &description);
  return description.Format;
}

}  // namespace

void VideoDeviceTest::SetUpTestSuite() {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  deviceWindow = CreateWindowExA(0, "STATIC", "video test", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                                 nullptr, nullptr);
  ASSERT_NE(deviceWindow, nullptr);
  ASSERT_EQ(CreateSaverDevice(deviceWindow), S_OK);
  // The program makes frameDC once at start; a suite before this one may have freed it.
  if (frameDC == nullptr) frameDC = CreateCompatibleDC(nullptr);
  ASSERT_TRUE(CreateFrameSurface());
}

void VideoDeviceTest::TearDownTestSuite() {
  ReleaseVideoGraph();
  ReleaseFrameSurface();
  ReleaseDeviceObjects();
  if (deviceWindow) DestroyWindow(deviceWindow);
  deviceWindow = nullptr;
  CoUninitialize();
}

void VideoDeviceTest::UseTextureFormat(D3DFORMAT format) {
  ReleaseHolder(videoTexture);
  ASSERT_EQ(d3dDevice->CreateTexture(256, 256, 1, 0, format, D3DPOOL_MANAGED, &videoTexture), D3D_OK)
      << "format " << format;
}

namespace {

// The streaming thread locks the texture for each frame; a second lock fails meanwhile, so
// the tests try again until the frame's copy is done.
bool LockTexture(D3DLOCKED_RECT* locked, DWORD flags) {
  for (int attempt = 0; attempt < 5000; ++attempt) {
    if (SUCCEEDED(videoTexture->LockRect(0, locked, nullptr, flags))) return true;
    Sleep(1);
  }
  return false;
}

}  // namespace

Texel ReadTexel(int x, int y) { return ReadAllTexels()[y * 256 + x]; }

std::vector<Texel> ReadAllTexels() {
  std::vector<Texel> texels(256 * 256, Texel{{-1, -1, -1}, false});
  D3DLOCKED_RECT locked;
  if (!LockTexture(&locked, D3DLOCK_READONLY)) {
    ADD_FAILURE() << "videoTexture cannot be locked";
    return texels;
  }
  const D3DFORMAT format = TextureFormatNow();
  const int bytes = format == D3DFMT_A1R5G5B5 ? 2 : 4;
  for (int y = 0; y < 256; ++y) {
    const BYTE* row = static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch;
    for (int x = 0; x < 256; ++x) texels[y * 256 + x] = Decode(row + x * bytes, format);
  }
  videoTexture->UnlockRect(0);
  return texels;
}

void FillTexture(Rgb c) {
  D3DLOCKED_RECT locked;
  ASSERT_TRUE(LockTexture(&locked, 0));
  const D3DFORMAT format = TextureFormatNow();
  for (int y = 0; y < 256; ++y) {
    BYTE* row = static_cast<BYTE*>(locked.pBits) + y * locked.Pitch;
    for (int x = 0; x < 256; ++x) {
      if (format == D3DFMT_A1R5G5B5) {
        const int word = 0x8000 | (c.r >> 3) << 10 | (c.g >> 3) << 5 | (c.b >> 3);
        row[2 * x] = BYTE(word & 0xFF);
        row[2 * x + 1] = BYTE(word >> 8);
      } else {
        row[4 * x] = BYTE(c.b);
        row[4 * x + 1] = BYTE(c.g);
        row[4 * x + 2] = BYTE(c.r);
        row[4 * x + 3] = 255;
      }
    }
  }
  videoTexture->UnlockRect(0);
}

bool Near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

std::string Describe(Rgb c) {
  char text[48];
  std::snprintf(text, sizeof text, "(%d, %d, %d)", c.r, c.g, c.b);
  return text;
}

namespace {

struct Probe {
  int x, y;
  Rgb expected;
  const char* where;
};

// Row 0 is the bottom line of the picture: blue and white there, red and green at row 255.
const Probe kQuadrantProbes[] = {
    {64, 64, kBlue, "lower left"},   {192, 64, kWhite, "lower right"},
    {64, 192, kRed, "upper left"},   {192, 192, kGreen, "upper right"},
    {2, 2, kBlue, "bottom left corner"}, {253, 2, kWhite, "bottom right corner"},
    {2, 253, kRed, "top left corner"},   {253, 253, kGreen, "top right corner"},
};

}  // namespace

bool QuadrantsShown(int tolerance) {
  const std::vector<Texel> texels = ReadAllTexels();
  for (const Probe& p : kQuadrantProbes) {
    if (!Near(texels[p.y * 256 + p.x].color, p.expected, tolerance)) return false;
  }
  return true;
}

void ExpectQuadrants(int tolerance, const char* what) {
  const std::vector<Texel> texels = ReadAllTexels();
  for (const Probe& p : kQuadrantProbes) {
    const Texel t = texels[p.y * 256 + p.x];
    EXPECT_TRUE(Near(t.color, p.expected, tolerance))
        << what << ": " << p.where << " texel (" << p.x << ", " << p.y << ") is " << Describe(t.color)
        << ", expected " << Describe(p.expected);
    EXPECT_TRUE(t.opaque) << what << ": " << p.where;
  }
}

STDMETHODIMP TestSample::QueryInterface(REFIID iid, void** object) {
  if (iid == IID_IUnknown || iid == IID_IMediaSample) {
    *object = static_cast<IMediaSample*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP TestSample::GetPointer(BYTE** buffer) {
  *buffer = bytes_.data();
  return S_OK;
}

STDMETHODIMP TestSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
  if (!timed_) return VFW_E_SAMPLE_TIME_NOT_SET;
  *start = start_;
  *end = start_ + 400000;
  return S_OK;
}

STDMETHODIMP TestSample::GetMediaType(AM_MEDIA_TYPE** type) {
  *type = nullptr;
  return S_FALSE;
}

VideoType::VideoType(int width, int height, const GUID& subtype, const GUID& major, const GUID& format) {
  BITMAPINFOHEADER& h = info_.bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = 24;
  h.biCompression = BI_RGB;
  h.biSizeImage = ((width * 3 + 3) & ~3) * std::abs(height);
  type_.majortype = major;
  type_.subtype = subtype;
  type_.bFixedSizeSamples = TRUE;
  type_.lSampleSize = h.biSizeImage;
  type_.formattype = format;
  type_.cbFormat = sizeof info_;
  type_.pbFormat = reinterpret_cast<BYTE*>(&info_);
}

std::vector<BYTE> QuadrantsPicture(int width, int height, bool topDown) {
  const int stride = (width * 3 + 3) & ~3;
  std::vector<BYTE> bytes(size_t(stride) * height, 0);
  for (int line = 0; line < height; ++line) {       // line 0 is the top line of the picture
    const int row = topDown ? line : height - 1 - line;
    for (int x = 0; x < width; ++x) {
      const bool top = line < height / 2, left = x < width / 2;
      const Rgb c = top ? (left ? kRed : kGreen) : (left ? kBlue : kWhite);
      BYTE* p = &bytes[size_t(row) * stride + x * 3];
      p[0] = BYTE(c.b);
      p[1] = BYTE(c.g);
      p[2] = BYTE(c.r);
    }
  }
  return bytes;
}

std::string VideoInput(const char* name) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  folder.erase(folder.find_last_of('\\') + 1);
  return folder + "video-inputs\\" + name;
}

bool InputExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return true;
  ADD_FAILURE() << "missing test input " << path << " (made by the build: target video_test_inputs)";
  return false;
}

bool WaitFor(const std::function<bool()>& done, DWORD limitMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start > limitMs) return false;
    Sleep(5);
  }
}
