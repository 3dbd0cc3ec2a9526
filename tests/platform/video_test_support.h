// Shared by the video tests under Wine: a real device with the frame surface for a whole
// suite, texel reading and writing, a media sample of the test's own, media types, the
// generated input files, and waiting with a bound.
#pragma once

#include <windows.h>

#include <d3d8.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "colour.h"
#include "poll.h"
#include "test_graph.h"
#include "test_sample.h"

// One texel of videoTexture, whatever its format: colour widened to 8 bits and whether its
// alpha is fully opaque.
struct Texel {
  Rgb color;
  bool opaque;
};

// Device, window, COM and frame surface for the tests of one suite.
class VideoDeviceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();

  // Replaces videoTexture with a new 256x256 managed texture of `format`.
  static void UseTextureFormat(D3DFORMAT format);
};

// Reads texels of videoTexture (level 0), x from the left, y counted from row 0.
Texel ReadTexel(int x, int y);
std::vector<Texel> ReadAllTexels();
// Fills videoTexture with one colour.
void FillTexture(Rgb color);
// The four quadrant centres and corners of a quadrants picture, as they must lie in the
// texture (row 0 is the bottom line): blue and white below, red and green above.
void ExpectQuadrants(int tolerance, const char* what);
bool QuadrantsShown(int tolerance);

// A 24-bit RGB video type with a VIDEOINFOHEADER of the given size; the format block lives
// as long as the object.
class VideoType {
 public:
  VideoType(int width, int height, const GUID& subtype = MEDIASUBTYPE_RGB24, const GUID& major = MEDIATYPE_Video,
            const GUID& format = FORMAT_VideoInfo);
  AM_MEDIA_TYPE* get() { return &type_; }
  VIDEOINFOHEADER& info() { return info_; }

 private:
  VIDEOINFOHEADER info_ = {};
  AM_MEDIA_TYPE type_ = {};
};

// A quadrants picture (red upper left, green upper right, blue lower left, white lower
// right) as 24-bit rows with 4-byte strides: bottom line first, or top line first.
std::vector<BYTE> QuadrantsPicture(int width, int height, bool topDown);

// Full path of a generated file in video-inputs beside the test program.
std::string VideoInput(const char* name);
// Fails the current test when the file is missing (the build makes them).
bool InputExists(const std::string& path);

// Inputs that no graph can play, made in the temporary folder: what a user may name in a
// path slot by mistake or what a hostile file may claim. The paths are ANSI, as in the
// settings record.
struct BadInput {
  std::string what;
  std::string path;
};
class BadInputs {
 public:
  BadInputs();   // makes the files; one of them is held open so that it cannot be read
  ~BadInputs();  // removes them
  BadInputs(const BadInputs&) = delete;
  BadInputs& operator=(const BadInputs&) = delete;
  const std::vector<BadInput>& list() const { return inputs_; }

 private:
  std::vector<BadInput> inputs_;
  std::vector<std::string> files_, folders_;
  std::wstring unrepresentable_;
  HANDLE locked_ = INVALID_HANDLE_VALUE;
};
