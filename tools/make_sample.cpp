// Build tool: writes the fallback sample video "ov_Sample.avi" and, on request, plain test
// videos (a solid colour or four coloured quadrants, any size, rate and length, with or without
// a PCM track). Runs on the build machine only; single-threaded.
//
// The sample's picture tells at a glance how a texture has been turned: sky above ground, the
// sun in the upper left corner, a red bar with an arrow pointing up on the left edge. All
// motion has the length of the clip as its period, so the last frame leads into the first.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "avi_writer.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

const char kUsage[] =
    "usage: make_sample [OUTPUT]\n"
    "         writes the sample animation (default OUTPUT: ov_Sample.avi)\n"
    "       make_sample --pattern solid|quadrants|halves [options] OUTPUT\n"
    "         --color RRGGBB        colour of the solid pattern (default 808080)\n"
    "         --size WxH            picture size (default 320x240)\n"
    "         --fps N[/D]           frame rate (default 25)\n"
    "         --seconds S           length (default 2)\n"
    "         --pcm RATE[:CH[:BITS]] add a 440 Hz PCM tone (default 1 channel, 16 bits)\n"
    "         --top-down            store the rows top line first\n"
    "         --yuv CODE            store raw YUV (BT.601, limited range) instead of RGB:\n"
    "                               YUY2, UYVY, YV12, I420 or NV12 (even sizes only)\n"
    "       Quadrants: red upper left, green upper right, blue lower left, white lower right.\n";

struct Rgb {
  double r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

double Clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

// Coverage of a disc edge one pixel wide, so that moving shapes do not shimmer.
double DiscCoverage(double x, double y, double cx, double cy, double radius) {
  return Clamp01(radius - std::hypot(x - cx, y - cy) + 0.5);
}

uint8_t ToByte(double v) { return uint8_t(std::lround(Clamp01(v / 255.0) * 255.0)); }

// A picture under construction: top line first, B, G, R per pixel, packed rows.
class Picture {
 public:
  Picture(int width, int height) : width_(width), height_(height), bytes_(size_t(width) * height * 3) {}
  int Width() const { return width_; }
  int Height() const { return height_; }
  size_t RowBytes() const { return size_t(width_) * 3; }
  const uint8_t* Data() const { return bytes_.data(); }
  void Set(int x, int y, Rgb c) {
    uint8_t* p = &bytes_[(size_t(y) * width_ + x) * 3];
    p[0] = ToByte(c.b);
    p[1] = ToByte(c.g);
    p[2] = ToByte(c.r);
  }

 private:
  int width_;
  int height_;
  std::vector<uint8_t> bytes_;
};

// ---- The sample animation -------------------------------------------------------------

constexpr int kSampleWidth = 192;
constexpr int kSampleHeight = 144;
constexpr uint32_t kSampleRate = 20;
constexpr int kSampleFrames = 80;  // four seconds

// One frame at phase t in [0, 1): the whole clip is one period.
Rgb SamplePixel(double x, double y, double t, double w, double h) {
  const double horizon = 0.62 * h;
  Rgb c;
  if (y < horizon) {
    // Sky: deep blue at the top, pale near the horizon.
    c = Mix({20, 40, 130}, {175, 215, 250}, y / horizon);
    // Sun in the upper left corner with a soft glow.
    const double sunX = 0.2 * w, sunY = 0.22 * h, sunR = 0.1 * h;
    const double d = std::hypot(x - sunX, y - sunY);
    c = Mix(c, {255, 250, 210}, 0.5 * Clamp01(1.0 - (d - sunR) / (1.2 * sunR)));
    c = Mix(c, {255, 220, 40}, DiscCoverage(x, y, sunX, sunY, sunR));
    // A cloud drifting right and wrapping round once per clip.
    const double span = w + 0.5 * w;
    const double cloudX = std::fmod(w + t * span, span) - 0.25 * w;
    const double cloudY = 0.3 * h;
    double cover = 0;
    for (double dx : {-0.07 * w, 0.0, 0.07 * w}) {
      cover = std::fmax(cover, DiscCoverage(x, y, cloudX + dx, cloudY + (dx == 0 ? -0.03 * h : 0), 0.07 * h));
    }
    c = Mix(c, {245, 245, 250}, 0.9 * cover);
  } else {
    // Ground: light green at the horizon, dark at the bottom, with furrows coming closer.
    const double depth = (y - horizon) / (h - horizon);
    c = Mix({90, 170, 70}, {25, 70, 25}, depth);
    const double furrow = std::sin(2 * kPi * (4.0 / (0.15 + depth) - 4.0 * t));
    if (furrow > 0.6) c = Mix(c, {40, 90, 30}, 0.5);
  }
  // A ball that crosses the picture and bounces twice per clip, with its shadow.
  const double ballX = 0.55 * w + 0.3 * w * std::sin(2 * kPi * t);
  const double ballR = 0.07 * h;
  const double ground = 0.8 * h;
  const double ballY = ground - ballR - 0.38 * h * std::fabs(std::sin(2 * kPi * t));
  const double shadowDx = (x - ballX) / (1.2 * ballR), shadowDy = (y - ground) / (0.3 * ballR);
  if (shadowDx * shadowDx + shadowDy * shadowDy < 1) c = Mix(c, {0, 0, 0}, 0.35);
  const double ball = DiscCoverage(x, y, ballX, ballY, ballR);
  const double shade = Clamp01(0.5 + ((ballX - x) + (ballY - y)) / (3 * ballR));  // lit from the upper left
  c = Mix(c, Mix({120, 20, 140}, {255, 120, 255}, shade), ball);
  // Left edge: a red bar with an arrowhead pointing up, kept a few pixels in from the edge
  // so that the whole arrowhead shows.
  const double barLeft = 0.03 * w, barRight = 0.07 * w, barMid = 0.5 * (barLeft + barRight);
  const double arrowTop = 0.04 * h, arrowBase = 0.17 * h, arrowHalf = 0.055 * w;
  const bool inBar = x >= barLeft && x < barRight && y >= arrowBase;
  const bool inArrow =
      y >= arrowTop && y < arrowBase && std::fabs(x - barMid) <= arrowHalf * (y - arrowTop) / (arrowBase - arrowTop);
  if (inBar || inArrow) c = {230, 20, 20};
  return c;
}

void DrawSampleFrame(Picture& picture, double t) {
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      picture.Set(x, y, SamplePixel(x + 0.5, y + 0.5, t, picture.Width(), picture.Height()));
    }
  }
}

bool WriteSample(const std::string& path) {
  AviVideoFormat video;
  video.width = kSampleWidth;
  video.height = kSampleHeight;
  video.rate = kSampleRate;
  video.scale = 1;
  AviWriter writer;
  if (!writer.Open(path, video)) return false;
  Picture picture(kSampleWidth, kSampleHeight);
  for (int frame = 0; frame < kSampleFrames; ++frame) {
    DrawSampleFrame(picture, double(frame) / kSampleFrames);
    if (!writer.AddFrame(picture.Data(), picture.RowBytes())) return false;
  }
  return writer.Close();
}

// ---- Test videos ----------------------------------------------------------------------

struct TestVideoRequest {
  std::string pattern;
  Rgb color{128, 128, 128};
  AviVideoFormat video;
  double seconds = 2.0;
  bool withAudio = false;
  AviAudioFormat audio;
  std::string output;
};

void DrawTestPattern(Picture& picture, const TestVideoRequest& request) {
  const int w = picture.Width(), h = picture.Height();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      Rgb c = request.color;
      if (request.pattern == "quadrants") {
        const bool left = x < w / 2 + (w % 2), top = y < h / 2 + (h % 2);
        c = top ? (left ? Rgb{255, 0, 0} : Rgb{0, 255, 0}) : (left ? Rgb{0, 0, 255} : Rgb{255, 255, 255});
      } else if (request.pattern == "halves") {
        c = x < w / 2 ? Rgb{255, 0, 0} : Rgb{0, 0, 255};
      }
      picture.Set(x, y, c);
    }
  }
}

// Sample frames of sound that belong to video frame `frame`: the tone runs at the same
// clock as the picture, so each chunk covers exactly the frame it follows.
uint64_t AudioFramesBefore(uint64_t frame, const TestVideoRequest& request) {
  return frame * request.video.scale * request.audio.sampleRate / request.video.rate;
}

std::vector<uint8_t> Tone(uint64_t first, uint64_t count, const AviAudioFormat& audio) {
  std::vector<uint8_t> bytes;
  bytes.reserve(count * AviAudioBlockBytes(audio));
  for (uint64_t i = first; i < first + count; ++i) {
    const double value = 0.25 * std::sin(2 * kPi * 440.0 * double(i) / audio.sampleRate);
    for (int ch = 0; ch < audio.channels; ++ch) {
      if (audio.bitsPerSample == 8) {
        bytes.push_back(uint8_t(128 + std::lround(value * 127)));
      } else {
        const int16_t s = int16_t(std::lround(value * 32767));
        bytes.push_back(uint8_t(s & 0xFF));
        bytes.push_back(uint8_t((s >> 8) & 0xFF));
      }
    }
  }
  return bytes;
}

// The picture as one raw frame of `code`: BT.601 limited range, each chroma sample the mean
// of the pixels it covers (2x1 for the packed codes, 2x2 for the planar ones).
std::vector<uint8_t> YuvFrame(const Picture& picture, const std::string& code) {
  const int w = picture.Width(), h = picture.Height();
  const auto pixel = [&](int x, int y) {
    const uint8_t* p = picture.Data() + (size_t(y) * w + x) * 3;
    return Rgb{double(p[2]), double(p[1]), double(p[0])};
  };
  const auto luma = [](Rgb c) { return ToByte(16 + (65.481 * c.r + 128.553 * c.g + 24.966 * c.b) / 255); };
  const auto cb = [](Rgb c) { return ToByte(128 + (-37.797 * c.r - 74.203 * c.g + 112.0 * c.b) / 255); };
  const auto cr = [](Rgb c) { return ToByte(128 + (112.0 * c.r - 93.786 * c.g - 18.214 * c.b) / 255); };
  std::vector<uint8_t> frame;
  if (code == "YUY2" || code == "UYVY") {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; x += 2) {
        const Rgb mean = Mix(pixel(x, y), pixel(x + 1, y), 0.5);
        const uint8_t y0 = luma(pixel(x, y)), y1 = luma(pixel(x + 1, y));
        if (code == "YUY2") {
          frame.insert(frame.end(), {y0, cb(mean), y1, cr(mean)});
        } else {
          frame.insert(frame.end(), {cb(mean), y0, cr(mean), y1});
        }
      }
    return frame;
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) frame.push_back(luma(pixel(x, y)));
  std::vector<uint8_t> blue, red;
  for (int y = 0; y < h; y += 2)
    for (int x = 0; x < w; x += 2) {
      const Rgb mean = Mix(Mix(pixel(x, y), pixel(x + 1, y), 0.5), Mix(pixel(x, y + 1), pixel(x + 1, y + 1), 0.5), 0.5);
      blue.push_back(cb(mean));
      red.push_back(cr(mean));
    }
  if (code == "NV12") {
    for (size_t i = 0; i < blue.size(); ++i) frame.insert(frame.end(), {blue[i], red[i]});
  } else {
    const bool redFirst = code == "YV12";
    frame.insert(frame.end(), redFirst ? red.begin() : blue.begin(), redFirst ? red.end() : blue.end());
    frame.insert(frame.end(), redFirst ? blue.begin() : red.begin(), redFirst ? blue.end() : red.end());
  }
  return frame;
}

bool WriteTestVideo(const TestVideoRequest& request) {
  AviWriter writer;
  if (!writer.Open(request.output, request.video, request.withAudio ? &request.audio : nullptr)) {
    return false;
  }
  Picture picture(request.video.width, request.video.height);
  DrawTestPattern(picture, request);
  const bool yuv = request.video.yuvCode[0] != '\0';
  const std::vector<uint8_t> yuvFrame = yuv ? YuvFrame(picture, request.video.yuvCode) : std::vector<uint8_t>();
  const uint64_t frames = uint64_t(std::llround(request.seconds * request.video.rate / request.video.scale));
  for (uint64_t frame = 0; frame < frames; ++frame) {
    const bool added = yuv ? writer.AddRawFrame(yuvFrame.data(), yuvFrame.size())
                           : writer.AddFrame(picture.Data(), picture.RowBytes());
    if (!added) return false;
    if (!request.withAudio) continue;
    const uint64_t first = AudioFramesBefore(frame, request);
    const uint64_t count = AudioFramesBefore(frame + 1, request) - first;
    if (count == 0) continue;
    const std::vector<uint8_t> tone = Tone(first, count, request.audio);
    if (!writer.AddAudio(tone.data(), tone.size())) return false;
  }
  return writer.Close();
}

// ---- Command line ---------------------------------------------------------------------

bool ParseUnsigned(const std::string& text, uint32_t& value) {
  if (text.empty() || text.size() > 9) return false;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return false;
  }
  value = uint32_t(std::strtoul(text.c_str(), nullptr, 10));
  return true;
}

bool ParseSize(const std::string& text, AviVideoFormat& video) {
  const size_t cross = text.find('x');
  uint32_t w = 0, h = 0;
  if (cross == std::string::npos || !ParseUnsigned(text.substr(0, cross), w) ||
      !ParseUnsigned(text.substr(cross + 1), h)) {
    return false;
  }
  video.width = int32_t(w);
  video.height = int32_t(h);
  return true;
}

bool ParseRate(const std::string& text, AviVideoFormat& video) {
  const size_t slash = text.find('/');
  video.scale = 1;
  if (slash == std::string::npos) return ParseUnsigned(text, video.rate) && video.rate > 0;
  return ParseUnsigned(text.substr(0, slash), video.rate) && ParseUnsigned(text.substr(slash + 1), video.scale) &&
         video.rate > 0 && video.scale > 0;
}

bool ParseColor(const std::string& text, Rgb& color) {
  if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
    return false;
  }
  const unsigned long v = std::strtoul(text.c_str(), nullptr, 16);
  color = {double((v >> 16) & 0xFF), double((v >> 8) & 0xFF), double(v & 0xFF)};
  return true;
}

bool ParsePcm(const std::string& text, AviAudioFormat& audio) {
  std::vector<std::string> parts(1);
  for (char ch : text) {
    if (ch == ':') {
      parts.emplace_back();
    } else {
      parts.back() += ch;
    }
  }
  if (parts.size() > 3) return false;
  uint32_t rate = 0, channels = 1, bits = 16;
  if (!ParseUnsigned(parts[0], rate) || rate == 0) return false;
  if (parts.size() > 1 && !ParseUnsigned(parts[1], channels)) return false;
  if (parts.size() > 2 && !ParseUnsigned(parts[2], bits)) return false;
  if (channels < 1 || channels > 8 || (bits != 8 && bits != 16)) return false;
  audio.sampleRate = rate;
  audio.channels = uint16_t(channels);
  audio.bitsPerSample = uint16_t(bits);
  return true;
}

bool ParseSeconds(const std::string& text, double& seconds) {
  char* end = nullptr;
  seconds = std::strtod(text.c_str(), &end);
  return !text.empty() && end != nullptr && *end == '\0' && seconds > 0 && seconds <= 3600;
}

bool ParseTestRequest(int argc, char** argv, TestVideoRequest& request) {
  request.video.width = 320;
  request.video.height = 240;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--top-down") {
      request.video.topDown = true;
    } else if (arg == "--yuv" && hasValue) {
      const std::string code = argv[++i];
      if (code.size() != 4) return false;
      std::memcpy(request.video.yuvCode, code.c_str(), 5);
    } else if (arg == "--pattern" && hasValue) {
      request.pattern = argv[++i];
    } else if (arg == "--color" && hasValue) {
      if (!ParseColor(argv[++i], request.color)) return false;
    } else if (arg == "--size" && hasValue) {
      if (!ParseSize(argv[++i], request.video)) return false;
    } else if (arg == "--fps" && hasValue) {
      if (!ParseRate(argv[++i], request.video)) return false;
    } else if (arg == "--seconds" && hasValue) {
      if (!ParseSeconds(argv[++i], request.seconds)) return false;
    } else if (arg == "--pcm" && hasValue) {
      if (!ParsePcm(argv[++i], request.audio)) return false;
      request.withAudio = true;
    } else if (arg.rfind("--", 0) == 0 || !request.output.empty()) {
      return false;
    } else {
      request.output = arg;
    }
  }
  return (request.pattern == "solid" || request.pattern == "quadrants" || request.pattern == "halves") &&
         !request.output.empty();
}

int Fail(const std::string& path) {
  std::fprintf(stderr, "make_sample: cannot write %s\n", path.c_str());
  std::remove(path.c_str());  // a half-written file must not pass for a finished one
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc <= 2 && (argc < 2 || std::strncmp(argv[1], "--", 2) != 0)) {
    const std::string path = argc == 2 ? argv[1] : "ov_Sample.avi";
    return WriteSample(path) ? 0 : Fail(path);
  }
  TestVideoRequest request;
  if (!ParseTestRequest(argc, argv, request)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return WriteTestVideo(request) ? 0 : Fail(request.output);
}
