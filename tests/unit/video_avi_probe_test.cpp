// The look at an AVI file's headers before the decoders see it: files made by our own AVI
// writer, then changed the way a hostile file would be, and every cut of a real header, as
// the start of a longer file and as the whole file.
#include "video/avi_probe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "avi_writer.h"

namespace {

// A 16 x 16 video of two frames with a PCM sound stream after it, as bytes.
std::vector<uint8_t> WrittenAvi() {
  const std::string path = ::testing::TempDir() + "orvel-probe.avi";
  AviVideoFormat video;
  video.width = 16;
  video.height = 16;
  AviAudioFormat audio;
  AviWriter writer;
  std::vector<uint8_t> frame(16 * 3 * 16, 0x40);
  std::vector<uint8_t> sound(400, 0);
  EXPECT_TRUE(writer.Open(path, video, &audio));
  EXPECT_TRUE(writer.AddFrame(frame.data(), 16 * 3) && writer.AddAudio(sound.data(), sound.size()));
  EXPECT_TRUE(writer.AddFrame(frame.data(), 16 * 3) && writer.Close());
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(path.c_str());
  return bytes;
}

std::size_t Find(const std::vector<uint8_t>& bytes, const char* tag, std::size_t from = 0) {
  for (std::size_t i = from; i + 4 <= bytes.size(); ++i)
    if (std::equal(tag, tag + 4, bytes.begin() + i)) return i;
  return std::string::npos;
}

void Put(std::vector<uint8_t>& bytes, std::size_t at, int32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(uint32_t(value) >> (8 * i));
}

AviClaim Probe(const std::vector<uint8_t>& bytes, bool wholeFile = true) {
  return ProbeAviHeader(bytes.data(), bytes.size(), wholeFile);
}

struct ClaimCase {
  const char* name;
  const char* chunk;  // the first chunk of this name is changed (second, for "strf#2")
  std::size_t field;  // byte offset in the chunk's data
  int32_t value;
  AviClaim claim;
};

class AviClaims : public ::testing::TestWithParam<ClaimCase> {};

TEST_P(AviClaims, ByTheVideoStreamsSides) {
  const ClaimCase& c = GetParam();
  std::vector<uint8_t> bytes = WrittenAvi();
  ASSERT_EQ(Probe(bytes), AviClaim::Plausible) << "the file as written";
  const bool second = std::string(c.chunk) == "strf#2";
  std::size_t at = Find(bytes, second ? "strf" : c.chunk);
  if (second) at = Find(bytes, "strf", at + 4);
  ASSERT_NE(at, std::string::npos);
  Put(bytes, at + 8 + c.field, c.value);
  EXPECT_EQ(Probe(bytes), c.claim);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AviClaims,
    ::testing::Values(ClaimCase{"HugeStreamWidth", "strf", 4, 100000, AviClaim::Implausible},
                      ClaimCase{"HugeStreamHeight", "strf", 8, 100000, AviClaim::Implausible},
                      ClaimCase{"LargestSideStillPlausible", "strf", 4, 16384, AviClaim::Plausible},
                      ClaimCase{"ZeroWidth", "strf", 4, 0, AviClaim::Implausible},
                      ClaimCase{"NegativeWidth", "strf", 4, -16, AviClaim::Implausible},
                      ClaimCase{"TopDownIsPlausible", "strf", 8, -16, AviClaim::Plausible},
                      ClaimCase{"MostNegativeHeight", "strf", 8, INT32_MIN, AviClaim::Implausible},
                      ClaimCase{"HugeMainHeaderWidth", "avih", 32, 100000, AviClaim::Implausible},
                      ClaimCase{"ZeroMainHeaderSidesArePlausible", "avih", 36, 0, AviClaim::Plausible},
                      // The sound stream's format is no picture: its fields are not sides.
                      ClaimCase{"SoundFormatNotRead", "strf#2", 4, 100000, AviClaim::Plausible}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AviProbe, OtherFilesAreNotAvi) {
  const std::string riffWave = "RIFF\x04\x00\x00\x00WAVEfmt ";
  const std::string text = "This is not a video.";
  for (const std::string& s : {riffWave, text, std::string("RIFF")}) {
    const std::vector<uint8_t> bytes(s.begin(), s.end());
    EXPECT_EQ(Probe(bytes), AviClaim::NotAvi) << s;
  }
  EXPECT_EQ(ProbeAviHeader(nullptr, 100, true), AviClaim::NotAvi);
}

TEST(AviProbe, EveryCutOfTheHeadersIsReadOnlyAsFarAsItGoes) {
  std::vector<uint8_t> bytes = WrittenAvi();
  const std::size_t frames = Find(bytes, "movi");
  ASSERT_NE(frames, std::string::npos);
  Put(bytes, Find(bytes, "strf") + 8 + 4, 100000);
  const std::size_t claimEnd = Find(bytes, "strf") + 8 + 12;  // width and height both in
  for (std::size_t size = 0; size <= frames + 4; ++size) {
    // A copy of exactly `size` bytes, so that a read past them is caught by the sanitizers.
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + size);
    const AviClaim claim = Probe(cut, false);
    if (size < 12) EXPECT_EQ(claim, AviClaim::NotAvi) << size;
    else if (size < claimEnd) EXPECT_EQ(claim, AviClaim::Plausible) << size;
    else EXPECT_EQ(claim, AviClaim::Implausible) << size;
  }
}

TEST(AviProbe, AWholeFileIsIncompleteUntilItsFirstFrameBegins) {
  const std::vector<uint8_t> bytes = WrittenAvi();
  const std::size_t frames = Find(bytes, "movi");
  ASSERT_NE(frames, std::string::npos);
  const std::size_t firstFrameHeaderEnd = frames + 4 + 8;
  for (std::size_t size = 12; size <= firstFrameHeaderEnd + 16; ++size) {
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + size);
    EXPECT_EQ(Probe(cut, true), size < firstFrameHeaderEnd ? AviClaim::Incomplete : AviClaim::Plausible) << size;
    EXPECT_EQ(Probe(cut, false), AviClaim::Plausible) << size << ": the file may go on";
  }
  // Lists claiming no length, as writers that cannot seek leave them: the bytes decide.
  std::vector<uint8_t> unsized = bytes;
  Put(unsized, 4, 0);
  Put(unsized, frames - 4, 0);
  EXPECT_EQ(Probe(unsized), AviClaim::Plausible);
}

TEST(AviProbe, ChunkLengthsPastTheEndStopTheWalk) {
  std::vector<uint8_t> bytes = WrittenAvi();
  const std::size_t list = Find(bytes, "LIST");
  for (int32_t length : {-1, INT32_MAX, 3}) {
    std::vector<uint8_t> changed = bytes;
    Put(changed, list + 4, length);
    EXPECT_NE(Probe(changed), AviClaim::NotAvi) << length;  // an answer, and no read past the end
  }
}

}  // namespace
