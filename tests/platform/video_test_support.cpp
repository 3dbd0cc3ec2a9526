// Shared helpers of the video tests under Wine (see the header).
#include "video_test_support.h"

#include <cstdio>
#include <cstdlib>

#include <fstream>
#include <iterator>

#include "base/com_ptr_win.h"
#include "program_folder.h"
#include "avi_writer.h"
#include "scenes/device_objects_win.h"
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
  deviceWindow = CreateWindowExA(0, "STATIC", "video test", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
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
  ReadTextureFormat();
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

namespace {

struct Probe {
  int x, y;
  Rgb expected;
  const char* where;
};

// Row 0 is the bottom line of the picture: blue and white there, red and green at row 255.
const Probe kQuadrantProbes[] = {
    {64, 64, kBlue, "lower left"},     {192, 64, kWhite, "lower right"},       {64, 192, kRed, "upper left"},
    {192, 192, kGreen, "upper right"}, {2, 2, kBlue, "bottom left corner"},    {253, 2, kWhite, "bottom right corner"},
    {2, 253, kRed, "top left corner"}, {253, 253, kGreen, "top right corner"},
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
        << what << ": " << p.where << " texel (" << p.x << ", " << p.y << ") is " << Describe(t.color) << ", expected "
        << Describe(p.expected);
    EXPECT_TRUE(t.opaque) << what << ": " << p.where;
  }
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
  for (int line = 0; line < height; ++line) {  // line 0 is the top line of the picture
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

std::string VideoInput(const char* name) { return ProgramFile(std::string("video-inputs\\") + name); }

bool InputExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return true;
  ADD_FAILURE() << "missing test input " << path << " (made by the build: target video_test_inputs)";
  return false;
}

namespace {

std::string TempPath(const char* name) {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + name;
}

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

void PutNumber(std::string& bytes, std::size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = char((value >> (8 * i)) & 0xFF);
}

// A small file of our own writer whose headers then claim `width` x `height` frames.
std::string ClaimingSize(const std::string& path, uint32_t width, uint32_t height) {
  AviVideoFormat format;
  format.width = 16;
  format.height = 16;
  AviWriter writer;
  std::vector<uint8_t> frame(16 * 3 * 16, 0x80);
  if (!writer.Open(path, format) || !writer.AddFrame(frame.data(), 16 * 3) || !writer.Close()) return std::string();
  std::string bytes = Bytes(path);
  const std::size_t main = bytes.find("avih"), stream = bytes.find("strf");
  if (main == std::string::npos || stream == std::string::npos) return std::string();
  PutNumber(bytes, main + 8 + 32, width);  // dwWidth, dwHeight of the main header
  PutNumber(bytes, main + 8 + 36, height);
  PutNumber(bytes, stream + 8 + 4, width);  // biWidth, biHeight of the stream format
  PutNumber(bytes, stream + 8 + 8, height);
  Put(path, bytes);
  return bytes;
}

}  // namespace

BadInputs::BadInputs() {
  const std::string sample = Bytes(VideoInput("quad_320x240.avi"));
  auto file = [&](const char* what, const char* name, const std::string& bytes) {
    const std::string path = TempPath(name);
    Put(path, bytes);
    files_.push_back(path);
    inputs_.push_back({what, path});
  };
  inputs_.push_back({"empty path", ""});
  inputs_.push_back({"missing file", TempPath("orvel-no-such-file.avi")});
  file("empty file", "orvel-bad-empty.avi", "");
  file("text named .avi", "orvel-bad-text.avi", "This is not a video.\r\nJust some words.\r\n");
  file("AVI cut inside its headers", "orvel-bad-cut.avi", sample.substr(0, 200));
  const std::size_t movi = sample.find("movi");
  file("AVI of headers only", "orvel-bad-headers.avi", sample.substr(0, movi == std::string::npos ? 0 : movi + 4));

  const std::string huge = TempPath("orvel-bad-huge.avi");
  files_.push_back(huge);
  if (!ClaimingSize(huge, 100000, 100000).empty()) inputs_.push_back({"frames claimed 100000 x 100000", huge});

  const std::string folder = TempPath("orvel-bad-folder.avi");
  CreateDirectoryA(folder.c_str(), nullptr);
  folders_.push_back(folder);
  inputs_.push_back({"folder named like a video", folder});

  const std::string locked = TempPath("orvel-bad-locked.avi");
  CopyFileA(VideoInput("quad_160x120_short.avi").c_str(), locked.c_str(), FALSE);
  files_.push_back(locked);
  locked_ = CreateFileA(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  inputs_.push_back({"file that cannot be read", locked});

  const std::string longest = TempPath("") + std::string(259, 'v');
  inputs_.push_back({"260 characters", longest.substr(0, 256) + ".avi"});
  inputs_.push_back({"300 characters", longest + std::string(37, 'x') + ".avi"});

  // A name outside the ANSI code page: its ANSI form (question marks) names no file.
  wchar_t folderW[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folderW);
  unrepresentable_ = std::wstring(folderW) + L"\x0432\x0438\x0434\x0435\x043e.avi";
  const std::string playable = VideoInput("quad_160x120_short.avi");
  CopyFileW(std::wstring(playable.begin(), playable.end()).c_str(), unrepresentable_.c_str(), FALSE);
  char ansi[MAX_PATH] = {};
  WideCharToMultiByte(CP_ACP, 0, unrepresentable_.c_str(), -1, ansi, MAX_PATH, nullptr, nullptr);
  inputs_.push_back({"name outside the ANSI code page", ansi});
}

BadInputs::~BadInputs() {
  if (locked_ != INVALID_HANDLE_VALUE) CloseHandle(locked_);
  for (const std::string& f : files_) DeleteFileA(f.c_str());
  for (const std::string& f : folders_) RemoveDirectoryA(f.c_str());
  DeleteFileW(unrepresentable_.c_str());
}
