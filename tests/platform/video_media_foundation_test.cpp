// Files played the Media Foundation way: DirectShow is switched off for these tests (Wine's
// DirectShow plays MP4 too), so BuildVideoGraph has to take the source reader, on H.264 MP4
// files that ffmpeg made from our own pictures.
#include <windows.h>

#include <mfidl.h>
#include <mfreadwrite.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "program_folder.h"
#include "scenes/device_objects_win.h"
#include "video/media_foundation_win.h"
#include "video/video_graph_win.h"
#include "video_test_support.h"

namespace {

class MediaFoundationTest : public VideoDeviceTest {
 protected:
  void SetUp() override { videoGraphTriesDirectShow = false; }
  void TearDown() override {
    ReleaseVideoGraph();
    mediaFoundationSampleRead = nullptr;
    videoGraphTriesDirectShow = true;
  }

  static void ExpectNothingHeld() {
    EXPECT_FALSE(MediaFoundationVideoHeld());
    EXPECT_EQ(videoGraph.graphBuilder, nullptr);
    EXPECT_EQ(videoGraph.mediaEvent, nullptr);
  }
};

TEST_F(MediaFoundationTest, TheQuadrantsReachTheTextureTheRightWayUp) {
  const std::string path = VideoInput("quad_h264.mp4");
  ASSERT_TRUE(InputExists(path));
  FillTexture({12, 34, 56});
  ASSERT_EQ(BuildVideoGraph(path.c_str()), S_OK);
  EXPECT_TRUE(MediaFoundationVideoHeld());
  EXPECT_EQ(videoGraph.graphBuilder, nullptr) << "one way plays at a time";
  EXPECT_TRUE(WaitFor([] { return QuadrantsShown(40); })) << "no frame arrived";
  ExpectQuadrants(40, "quad_h264.mp4");
  ReleaseVideoGraph();
  ExpectNothingHeld();
}

TEST_F(MediaFoundationTest, EachSolidColourFillsTheTexture) {
  const struct {
    const char* file;
    Rgb colour;
  } cases[] = {{"solid_red.mp4", kRed}, {"solid_green.mp4", kGreen}, {"solid_blue.mp4", kBlue}};
  for (const auto& c : cases) {
    const std::string path = RunInput(c.file);
    ASSERT_TRUE(InputExists(path));
    FillTexture({12, 34, 56});
    ASSERT_EQ(BuildVideoGraph(path.c_str()), S_OK) << c.file;
    EXPECT_TRUE(WaitFor([&] { return Near(ReadTexel(128, 128).color, c.colour, 12); }))
        << c.file << " shows " << Describe(ReadTexel(128, 128).color);
    for (const Texel& texel : ReadAllTexels()) {
      if (!Near(texel.color, c.colour, 12) || !texel.opaque) {
        ADD_FAILURE() << c.file << ": a texel of " << Describe(texel.color);
        break;
      }
    }
    ReleaseVideoGraph();
  }
}

TEST_F(MediaFoundationTest, ASingleFileLoopsWithModeOne) {
  // First half: quadrants; second half: upside down (blue at the top left).
  const std::string path = VideoInput("two_halves.mp4");
  ASSERT_TRUE(InputExists(path));
  ASSERT_EQ(BuildVideoGraph(path.c_str()), S_OK);
  auto pollShows = [&](Rgb wanted) {
    return WaitFor([&] {
      PollVideoEnd(1);  // rewinds at the end
      return Near(ReadTexel(64, 192).color, wanted, 40);
    });
  };
  ASSERT_TRUE(pollShows(kRed)) << "first half never shown";
  ASSERT_TRUE(pollShows(kBlue)) << "second half never shown";
  EXPECT_TRUE(pollShows(kRed)) << "the file did not start again";
  EXPECT_TRUE(pollShows(kBlue)) << "frames stopped after the rewind";
}

// A rewind is taken at once, not left waiting for the end, from where it would start the
// video again right after its end was reported.
TEST_F(MediaFoundationTest, ARewindWhilePlayingStartsAgainAtOnce) {
  const std::string path = VideoInput("two_halves.mp4");
  ASSERT_TRUE(InputExists(path));
  ASSERT_EQ(BuildVideoGraph(path.c_str()), S_OK);
  ASSERT_TRUE(WaitFor([] { return Near(ReadTexel(64, 192).color, kBlue, 40); })) << "second half never shown";
  RewindVideo(videoGraph);
  EXPECT_TRUE(WaitFor([] { return Near(ReadTexel(64, 192).color, kRed, 40); })) << "the first half never came back";
  bool completed = false;
  EXPECT_FALSE(TakeVideoEnd(videoGraph, &completed)) << "an end reported for the video just started again";
}

// What the reads from the tenth on are made to answer: the file breaks in its middle.
struct ReadFault {
  const char* what;
  HRESULT result;
  DWORD flags;
};
const ReadFault* readFault = nullptr;
volatile LONG readsSeen = 0;

void BreakFromTheTenthRead(HRESULT* result, DWORD* flags) {
  if (InterlockedIncrement(&readsSeen) < 10) return;
  *result = readFault->result;
  *flags |= readFault->flags;
}

TEST_F(MediaFoundationTest, AReadErrorIsABrokenEndAndNothingIsReadAfterIt) {
  const std::string path = VideoInput("quad_h264.mp4");  // 50 frames: the tenth read is in its middle
  ASSERT_TRUE(InputExists(path));
  const ReadFault faults[] = {{"a failed read", E_FAIL, 0}, {"the reader's error", S_OK, MF_SOURCE_READERF_ERROR}};
  for (const ReadFault& fault : faults) {
    readFault = &fault;
    readsSeen = 0;
    mediaFoundationSampleRead = BreakFromTheTenthRead;
    ASSERT_EQ(BuildVideoGraph(path.c_str()), S_OK) << fault.what;
    bool completed = true;
    ASSERT_TRUE(WaitFor([&] { return TakeVideoEnd(videoGraph, &completed); })) << fault.what << ": no end";
    EXPECT_FALSE(completed) << fault.what << " taken for the end of the stream";
    const LONG readsAtTheEnd = readsSeen;
    // A rewind must not start the dead reader again, nor hide that it is broken.
    RewindVideo(videoGraph);
    completed = true;
    EXPECT_TRUE(TakeVideoEnd(videoGraph, &completed) && !completed) << fault.what << ": the rewind hid the error";
    EXPECT_FALSE(WaitFor([&] { return readsSeen != readsAtTheEnd; }, 300)) << fault.what << ": read on after it";
    ReleaseVideoGraph();
  }
}

TEST_F(MediaFoundationTest, TheEndIsReportedOncePerEnd) {
  const std::string path = RunInput("solid_red.mp4");  // one second long
  ASSERT_TRUE(InputExists(path));
  ASSERT_EQ(BuildVideoGraph(path.c_str()), S_OK);
  EXPECT_FALSE(PollVideoEnd(0));
  ASSERT_TRUE(WaitFor([] { return PollVideoEnd(2); })) << "the end never came";
  for (int i = 0; i < 20; ++i) {
    EXPECT_FALSE(PollVideoEnd(2)) << "the same end again, poll " << i;
    Sleep(10);
  }
}

// The run loop's switching, as it does it: on each end, release and build the next file.
TEST_F(MediaFoundationTest, ThreeFilesPlayInTurn) {
  const char* files[] = {"solid_red.mp4", "solid_green.mp4", "solid_blue.mp4"};
  const Rgb colours[] = {kRed, kGreen, kBlue};
  for (const char* file : files) ASSERT_TRUE(InputExists(RunInput(file)));
  for (int turn = 0; turn < 4; ++turn) {
    const int index = turn % 3;
    ReleaseVideoGraph();
    FillTexture({12, 34, 56});
    ASSERT_EQ(BuildVideoGraph(RunInput(files[index]).c_str()), S_OK) << files[index];
    EXPECT_TRUE(WaitFor([&] { return Near(ReadTexel(128, 128).color, colours[index], 12); })) << files[index];
    EXPECT_TRUE(WaitFor([] { return PollVideoEnd(2); })) << files[index] << " never ended";
  }
}

TEST_F(MediaFoundationTest, ATruncatedFileIsSkipped) {
  const std::string path = VideoInput("quad_h264_cut.mp4");
  ASSERT_TRUE(InputExists(VideoInput("quad_h264.mp4")));
  std::ifstream in(VideoInput("quad_h264.mp4"), std::ios::binary);
  const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The fast-start file has its index at the front: cut into the index itself.
  std::ofstream(path, std::ios::binary) << whole.substr(0, 600);
  EXPECT_LT(BuildVideoGraph(path.c_str()), 0);
  EXPECT_FALSE(MediaFoundationVideoHeld());
  EXPECT_FALSE(PollVideoEnd(2));
  ReleaseVideoGraph();
  ExpectNothingHeld();

  // The next good file plays.
  FillTexture({12, 34, 56});
  ASSERT_EQ(BuildVideoGraph(RunInput("solid_blue.mp4").c_str()), S_OK);
  EXPECT_TRUE(WaitFor([] { return Near(ReadTexel(128, 128).color, kBlue, 12); }));
  DeleteFileA(path.c_str());
}

TEST_F(MediaFoundationTest, NoFrameReachesTheTextureAfterARelease) {
  const std::string path = VideoInput("quad_h264.mp4");
  ASSERT_TRUE(InputExists(path));
  // Released at different moments of a frame: while decoding, converting or waiting.
  DWORD longestMs = 0;
  for (int cycle = 0; cycle < 12; ++cycle) {
    ASSERT_EQ(BuildVideoGraph(path.c_str()), S_OK);
    Sleep(DWORD(cycle * 7));
    const DWORD before = GetTickCount();
    ReleaseVideoGraph();
    longestMs = std::max(longestMs, GetTickCount() - before);
    ExpectNothingHeld();
    FillTexture({200, 100, 50});
    Sleep(120);  // several frame periods of the file
    EXPECT_TRUE(Near(ReadTexel(128, 128).color, {200, 100, 50}, 0)) << "cycle " << cycle;
  }
  std::printf("figure: media foundation release, longest of 12: %lu ms\n", static_cast<unsigned long>(longestMs));
}

// A file the platform takes too long to open is given up on: the build fails with the
// failure of the way not taken, nothing of it is held, and the next file plays. (That a
// reader left behind cannot draw is the frame surface's rule: only the shown producer writes.)
TEST_F(MediaFoundationTest, AnOpeningThatTakesTooLongIsGivenUpOn) {
  const std::string path = VideoInput("quad_h264.mp4");
  ASSERT_TRUE(InputExists(path));
  const DWORD limit = mediaFoundationOpenLimitMs;
  mediaFoundationOpenLimitMs = 0;
  EXPECT_EQ(BuildVideoGraph(path.c_str()), VFW_E_UNSUPPORTED_STREAM) << "the failure of the way not taken";
  mediaFoundationOpenLimitMs = limit;
  EXPECT_FALSE(MediaFoundationVideoHeld());
  ReleaseVideoGraph();
  ASSERT_EQ(BuildVideoGraph(RunInput("solid_green.mp4").c_str()), S_OK);
  EXPECT_TRUE(WaitFor([] { return Near(ReadTexel(128, 128).color, kGreen, 12); }));
}

TEST_F(MediaFoundationTest, BadInputsAreRefusedByBothWays) {
  videoGraphTriesDirectShow = true;
  BadInputs bad;
  for (const BadInput& c : bad.list()) {
    EXPECT_LT(BuildVideoGraph(c.path.c_str()), 0) << c.what;
    EXPECT_FALSE(MediaFoundationVideoHeld()) << c.what;
    ReleaseVideoGraph();
    ExpectNothingHeld();
  }
}

}  // namespace
