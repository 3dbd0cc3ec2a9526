// Tests of the AVI writer: its files are read back with a small RIFF reader of the test's
// own and every header field, chunk, index entry and stored row is checked against values
// worked out here from the picture size, rate and sound format.
#include "avi_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

// ---- A RIFF reader independent of the writer ------------------------------------------

struct Chunk {
  std::string id;        // four characters
  uint32_t size = 0;     // as stored
  size_t headerAt = 0;   // file offset of the id
  size_t dataAt = 0;     // file offset of the data (after the list type for lists)
  std::string listType;  // for RIFF and LIST
  std::vector<Chunk> children;
};

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
int32_t I32(const std::vector<uint8_t>& b, size_t at) { return int32_t(U32(b, at)); }
std::string Text4(const std::vector<uint8_t>& b, size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); }

// Reads the chunks that exactly fill [begin, end); records a failure and stops on any chunk
// that does not fit.
void ReadChunks(const std::vector<uint8_t>& b, size_t begin, size_t end, std::vector<Chunk>& out) {
  size_t at = begin;
  while (at < end) {
    ASSERT_LE(at + 8, end) << "chunk header at " << at << " runs past its list";
    Chunk c;
    c.id = Text4(b, at);
    c.size = U32(b, at + 4);
    c.headerAt = at;
    c.dataAt = at + 8;
    const size_t dataEnd = c.dataAt + c.size;
    ASSERT_LE(dataEnd, end) << "chunk '" << c.id << "' at " << at << " runs past its list";
    if (c.id == "LIST") {
      ASSERT_GE(c.size, 4u);
      c.listType = Text4(b, c.dataAt);
      c.dataAt += 4;
      ReadChunks(b, c.dataAt, dataEnd, c.children);
    }
    at = dataEnd + (c.size & 1);
    out.push_back(c);
  }
  ASSERT_EQ(at, end) << "fill byte runs past its list";
}

const Chunk* Find(const std::vector<Chunk>& chunks, const std::string& id, const std::string& listType = "",
                  int nth = 0) {
  for (const Chunk& c : chunks) {
    if (c.id == id && c.listType == listType && nth-- == 0) return &c;
  }
  return nullptr;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TempFile {
 public:
  explicit TempFile(const std::string& name) : path_(::testing::TempDir() + "video_avi_writer_" + name + ".avi") {}
  ~TempFile() { std::remove(path_.c_str()); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// ---- Cases ------------------------------------------------------------------------------

struct AudioCase {
  uint32_t sampleRate;
  uint16_t channels;
  uint16_t bits;
};

struct FileCase {
  const char* name;
  int32_t width;
  int32_t height;
  uint32_t rate;
  uint32_t scale;
  int frames;
  bool topDown;
  bool withAudio;
  AudioCase audio;
  uint32_t expectedStride;        // worked out by hand: width * 3 filled up to 4
  uint32_t expectedMicroseconds;  // per frame
};

const FileCase kFileCases[] = {
    {"Small_NoFill", 4, 3, 25, 1, 3, false, false, {}, 12, 40000},
    {"Qvga", 320, 240, 25, 1, 5, false, false, {}, 960, 40000},
    {"Odd_321x241", 321, 241, 25, 1, 4, false, false, {}, 964, 40000},
    {"Odd_1x1", 1, 1, 15, 1, 2, false, false, {}, 4, 66667},
    {"Odd_2x5", 2, 5, 30000, 1001, 3, false, false, {}, 8, 33367},
    {"Odd_3x2", 3, 2, 1, 2, 1, false, false, {}, 12, 2000000},
    {"TopDown_17x9", 17, 9, 25, 1, 3, true, false, {}, 52, 40000},
    {"NoFrames", 16, 16, 25, 1, 0, false, false, {}, 48, 40000},
    {"Pcm16Mono", 320, 240, 25, 1, 6, false, true, {22050, 1, 16}, 960, 40000},
    {"Pcm16Stereo_Odd", 321, 241, 24, 1, 5, false, true, {44100, 2, 16}, 964, 41667},
    // 11025 / 15 = 735 samples per frame: odd-sized chunks that need a fill byte.
    {"Pcm8Mono_OddChunks", 33, 7, 15, 1, 4, false, true, {11025, 1, 8}, 100, 66667},
    // About 30 MB: streamed, sizes still add up.
    {"Pal_WithSound", 720, 576, 25, 1, 25, false, true, {48000, 2, 16}, 2160, 40000},
};

// Pixel of frame f: differs by column, row and frame, so a row stored in the wrong place,
// a mirrored row or a frame out of order is caught.
uint8_t PixelByte(int frame, int x, int y, int channel) { return uint8_t(x * 3 + channel + y * 29 + frame * 71); }

std::vector<uint8_t> TopDownFrame(const FileCase& c, int frame, size_t rowBytes) {
  std::vector<uint8_t> pixels(rowBytes * c.height, 0xEE);  // 0xEE: the caller's row gap
  for (int y = 0; y < c.height; ++y) {
    for (int x = 0; x < c.width; ++x) {
      for (int ch = 0; ch < 3; ++ch) pixels[y * rowBytes + x * 3 + ch] = PixelByte(frame, x, y, ch);
    }
  }
  return pixels;
}

uint32_t SoundBytesOfFrame(const FileCase& c, int frame) {
  // Sample frames from the start of frame to the start of the next, at the picture's clock.
  const uint64_t before = uint64_t(frame) * c.scale * c.audio.sampleRate / c.rate;
  const uint64_t after = uint64_t(frame + 1) * c.scale * c.audio.sampleRate / c.rate;
  return uint32_t(after - before) * c.audio.channels * (c.audio.bits / 8);
}

// Writes the case: each frame followed by its sound chunk, frame rows given with a gap of
// 5 bytes so that the writer's own row fill is what ends up in the file.
bool WriteCase(const FileCase& c, const std::string& path) {
  AviVideoFormat video;
  video.width = c.width;
  video.height = c.height;
  video.rate = c.rate;
  video.scale = c.scale;
  video.topDown = c.topDown;
  AviAudioFormat audio;
  audio.sampleRate = c.audio.sampleRate;
  audio.channels = c.audio.channels;
  audio.bitsPerSample = c.audio.bits;
  AviWriter writer;
  if (!writer.Open(path, video, c.withAudio ? &audio : nullptr)) return false;
  const size_t rowBytes = size_t(c.width) * 3 + 5;
  for (int f = 0; f < c.frames; ++f) {
    const std::vector<uint8_t> pixels = TopDownFrame(c, f, rowBytes);
    if (!writer.AddFrame(pixels.data(), rowBytes)) return false;
    if (!c.withAudio) continue;
    std::vector<uint8_t> sound(SoundBytesOfFrame(c, f), uint8_t(f + 1));
    if (!writer.AddAudio(sound.data(), sound.size())) return false;
  }
  return writer.Close();
}

// Each case is written and read back once and shared by all the checks on it; an empty
// result means the writer failed.
const std::vector<uint8_t>& WrittenFile(const FileCase& c) {
  static std::map<std::string, std::vector<uint8_t>> files;
  const auto found = files.find(c.name);
  if (found != files.end()) return found->second;
  const TempFile file(c.name);
  std::vector<uint8_t> bytes;
  if (WriteCase(c, file.Path())) bytes = ReadFile(file.Path());
  return files[c.name] = std::move(bytes);
}

class AviFileTest : public ::testing::TestWithParam<FileCase> {
 protected:
  void SetUp() override {
    ASSERT_GE(bytes_.size(), 12u) << "the writer failed";
    ASSERT_EQ(Text4(bytes_, 0), "RIFF");
    ASSERT_EQ(Text4(bytes_, 8), "AVI ");
    ASSERT_EQ(U32(bytes_, 4), bytes_.size() - 8) << "RIFF size";
    ASSERT_NO_FATAL_FAILURE(ReadChunks(bytes_, 12, bytes_.size(), top_));
    hdrl_ = Find(top_, "LIST", "hdrl");
    movi_ = Find(top_, "LIST", "movi");
    idx1_ = Find(top_, "idx1");
    ASSERT_NE(hdrl_, nullptr);
    ASSERT_NE(movi_, nullptr);
    ASSERT_NE(idx1_, nullptr);
  }

  uint32_t FrameBytes() const { return GetParam().expectedStride * uint32_t(GetParam().height); }
  uint32_t BlockBytes() const { return GetParam().audio.channels * (GetParam().audio.bits / 8u); }
  uint32_t TotalSoundBytes() const {
    uint32_t total = 0;
    for (int f = 0; f < GetParam().frames; ++f) total += SoundBytesOfFrame(GetParam(), f);
    return total;
  }

  const std::vector<uint8_t>& bytes_ = WrittenFile(GetParam());
  std::vector<Chunk> top_;
  const Chunk* hdrl_ = nullptr;
  const Chunk* movi_ = nullptr;
  const Chunk* idx1_ = nullptr;
};

TEST_P(AviFileTest, TopLevelHasHeadersThenDataThenIndex) {
  ASSERT_EQ(top_.size(), 3u);
  EXPECT_EQ(top_[0].listType, "hdrl");
  EXPECT_EQ(top_[1].listType, "movi");
  EXPECT_EQ(top_[2].id, "idx1");
}

TEST_P(AviFileTest, MainHeader) {
  const FileCase& c = GetParam();
  const Chunk* avih = Find(hdrl_->children, "avih");
  ASSERT_NE(avih, nullptr);
  ASSERT_EQ(avih->size, 56u);
  const size_t a = avih->dataAt;
  EXPECT_EQ(U32(bytes_, a + 0), c.expectedMicroseconds);
  const uint32_t flags = U32(bytes_, a + 12);
  EXPECT_EQ(flags & 0x10, 0x10u) << "has index";
  EXPECT_EQ((flags & 0x100) != 0, c.withAudio) << "interleaved";
  EXPECT_EQ(U32(bytes_, a + 16), uint32_t(c.frames));
  EXPECT_EQ(U32(bytes_, a + 20), 0u);
  EXPECT_EQ(U32(bytes_, a + 24), c.withAudio ? 2u : 1u);
  EXPECT_GE(U32(bytes_, a + 28), FrameBytes()) << "suggested buffer";
  EXPECT_EQ(I32(bytes_, a + 32), c.width);
  EXPECT_EQ(I32(bytes_, a + 36), c.height);
  // A reader that plans its buffers by the byte rate must not be told less than the video.
  EXPECT_GE(uint64_t(U32(bytes_, a + 4)) * c.scale, uint64_t(FrameBytes()) * c.rate);
}

TEST_P(AviFileTest, VideoStream) {
  const FileCase& c = GetParam();
  const Chunk* strl = Find(hdrl_->children, "LIST", "strl", 0);
  ASSERT_NE(strl, nullptr);
  const Chunk* strh = Find(strl->children, "strh");
  const Chunk* strf = Find(strl->children, "strf");
  ASSERT_NE(strh, nullptr);
  ASSERT_NE(strf, nullptr);
  ASSERT_EQ(strh->size, 56u);
  const size_t h = strh->dataAt;
  EXPECT_EQ(Text4(bytes_, h), "vids");
  EXPECT_EQ(U32(bytes_, h + 20), c.scale);
  EXPECT_EQ(U32(bytes_, h + 24), c.rate);
  EXPECT_EQ(U32(bytes_, h + 28), 0u) << "start";
  EXPECT_EQ(U32(bytes_, h + 32), uint32_t(c.frames)) << "length";
  EXPECT_GE(U32(bytes_, h + 36), FrameBytes()) << "suggested buffer";
  EXPECT_EQ(U16(bytes_, h + 52), c.width) << "frame rectangle right";
  EXPECT_EQ(U16(bytes_, h + 54), c.height) << "frame rectangle bottom";

  ASSERT_EQ(strf->size, 40u);
  const size_t f = strf->dataAt;
  EXPECT_EQ(U32(bytes_, f + 0), 40u);
  EXPECT_EQ(I32(bytes_, f + 4), c.width);
  EXPECT_EQ(I32(bytes_, f + 8), c.topDown ? -c.height : c.height);
  EXPECT_EQ(U16(bytes_, f + 12), 1) << "planes";
  EXPECT_EQ(U16(bytes_, f + 14), 24) << "bits per pixel";
  EXPECT_EQ(U32(bytes_, f + 16), 0u) << "BI_RGB";
  EXPECT_EQ(U32(bytes_, f + 20), FrameBytes()) << "image size";
}

TEST_P(AviFileTest, SoundStream) {
  const FileCase& c = GetParam();
  const Chunk* strl = Find(hdrl_->children, "LIST", "strl", 1);
  if (!c.withAudio) {
    EXPECT_EQ(strl, nullptr);
    return;
  }
  ASSERT_NE(strl, nullptr);
  const Chunk* strh = Find(strl->children, "strh");
  const Chunk* strf = Find(strl->children, "strf");
  ASSERT_NE(strh, nullptr);
  ASSERT_NE(strf, nullptr);
  const uint32_t block = BlockBytes();
  const size_t h = strh->dataAt;
  EXPECT_EQ(Text4(bytes_, h), "auds");
  // Rate over scale is the sample rate; the length counts sample frames.
  EXPECT_EQ(uint64_t(U32(bytes_, h + 24)), uint64_t(c.audio.sampleRate) * U32(bytes_, h + 20));
  EXPECT_EQ(U32(bytes_, h + 32), TotalSoundBytes() / block) << "length";
  EXPECT_EQ(U32(bytes_, h + 44), block) << "sample size";

  ASSERT_GE(strf->size, 16u);
  const size_t f = strf->dataAt;
  EXPECT_EQ(U16(bytes_, f + 0), 1) << "PCM";
  EXPECT_EQ(U16(bytes_, f + 2), c.audio.channels);
  EXPECT_EQ(U32(bytes_, f + 4), c.audio.sampleRate);
  EXPECT_EQ(U32(bytes_, f + 8), c.audio.sampleRate * block) << "bytes per second";
  EXPECT_EQ(U16(bytes_, f + 12), block) << "block align";
  EXPECT_EQ(U16(bytes_, f + 14), c.audio.bits);
  if (strf->size >= 18) {
    EXPECT_EQ(U16(bytes_, f + 16), 0) << "extra format bytes";
  }
}

TEST_P(AviFileTest, DataChunksComeInOrderWithTheirSizes) {
  const FileCase& c = GetParam();
  std::vector<std::string> expectedIds;
  std::vector<uint32_t> expectedSizes;
  for (int f = 0; f < c.frames; ++f) {
    expectedIds.push_back("00db");
    expectedSizes.push_back(FrameBytes());
    if (!c.withAudio) continue;
    expectedIds.push_back("01wb");
    expectedSizes.push_back(SoundBytesOfFrame(c, f));
  }
  ASSERT_EQ(movi_->children.size(), expectedIds.size());
  for (size_t i = 0; i < expectedIds.size(); ++i) {
    EXPECT_EQ(movi_->children[i].id, expectedIds[i]) << "chunk " << i;
    EXPECT_EQ(movi_->children[i].size, expectedSizes[i]) << "chunk " << i;
  }
}

TEST_P(AviFileTest, IndexPointsAtEachChunk) {
  const std::vector<Chunk>& chunks = movi_->children;
  ASSERT_EQ(idx1_->size, 16u * chunks.size());
  const size_t moviFourcc = movi_->dataAt - 4;
  for (size_t i = 0; i < chunks.size(); ++i) {
    const size_t e = idx1_->dataAt + 16 * i;
    EXPECT_EQ(Text4(bytes_, e), chunks[i].id) << "entry " << i;
    EXPECT_EQ(U32(bytes_, e + 4) & 0x10, 0x10u) << "entry " << i << " key frame";
    EXPECT_EQ(moviFourcc + U32(bytes_, e + 8), chunks[i].headerAt) << "entry " << i << " offset";
    EXPECT_EQ(U32(bytes_, e + 12), chunks[i].size) << "entry " << i << " size";
  }
}

TEST_P(AviFileTest, FramesAreStoredRowByRowWithZeroFill) {
  const FileCase& c = GetParam();
  const uint32_t stride = c.expectedStride;
  int frame = 0;
  for (const Chunk& chunk : movi_->children) {
    if (chunk.id != "00db") continue;
    for (int stored = 0; stored < c.height; ++stored) {
      // Bottom-up: the first stored row is the picture's bottom line.
      const int y = c.topDown ? stored : c.height - 1 - stored;
      const size_t row = chunk.dataAt + size_t(stored) * stride;
      for (int x = 0; x < c.width; ++x) {
        for (int ch = 0; ch < 3; ++ch) {
          ASSERT_EQ(bytes_[row + x * 3 + ch], PixelByte(frame, x, y, ch))
              << "frame " << frame << " stored row " << stored << " column " << x << " channel " << ch;
        }
      }
      for (uint32_t i = uint32_t(c.width) * 3; i < stride; ++i) {
        ASSERT_EQ(bytes_[row + i], 0) << "frame " << frame << " stored row " << stored << " fill byte";
      }
    }
    ++frame;
  }
  EXPECT_EQ(frame, c.frames);
}

TEST_P(AviFileTest, SoundChunksHoldTheirBytesAndAZeroFillWhenOdd) {
  int frame = 0;
  for (const Chunk& chunk : movi_->children) {
    if (chunk.id != "01wb") continue;
    ++frame;
    for (uint32_t i = 0; i < chunk.size; ++i) {
      ASSERT_EQ(bytes_[chunk.dataAt + i], uint8_t(frame)) << "sound chunk " << frame << " byte " << i;
    }
    if (chunk.size & 1) {
      EXPECT_EQ(bytes_[chunk.dataAt + chunk.size], 0) << "fill byte of sound chunk " << frame;
    }
  }
  EXPECT_EQ(frame, GetParam().withAudio ? GetParam().frames : 0);
}

INSTANTIATE_TEST_SUITE_P(Files, AviFileTest, ::testing::ValuesIn(kFileCases),
                         [](const ::testing::TestParamInfo<FileCase>& info) { return std::string(info.param.name); });

// ---- Refused input ----------------------------------------------------------------------

struct BadFormat {
  const char* name;
  AviVideoFormat video;
  bool withAudio;
  AviAudioFormat audio;
};

AviVideoFormat Video(int32_t w, int32_t h, uint32_t rate = 25, uint32_t scale = 1) {
  AviVideoFormat v;
  v.width = w;
  v.height = h;
  v.rate = rate;
  v.scale = scale;
  return v;
}

AviAudioFormat Audio(uint32_t rate, uint16_t channels, uint16_t bits) {
  AviAudioFormat a;
  a.sampleRate = rate;
  a.channels = channels;
  a.bitsPerSample = bits;
  return a;
}

const BadFormat kBadFormats[] = {
    {"ZeroWidth", Video(0, 10), false, {}},
    {"ZeroHeight", Video(10, 0), false, {}},
    {"NegativeHeight", Video(10, -10), false, {}},
    {"TooWide", Video(32768, 10), false, {}},
    {"TooTall", Video(10, 32768), false, {}},
    {"FrameOverAGigabyte", Video(32767, 32767), false, {}},
    {"ZeroRate", Video(10, 10, 0, 1), false, {}},
    {"ZeroScale", Video(10, 10, 25, 0), false, {}},
    {"ZeroSampleRate", Video(10, 10), true, Audio(0, 1, 16)},
    {"NoChannels", Video(10, 10), true, Audio(22050, 0, 16)},
    {"TwelveBits", Video(10, 10), true, Audio(22050, 1, 12)},
};

class BadFormatTest : public ::testing::TestWithParam<BadFormat> {};

TEST_P(BadFormatTest, OpenRefusesAndCreatesNoFile) {
  const BadFormat& b = GetParam();
  TempFile file(std::string("bad_") + b.name);
  AviWriter writer;
  EXPECT_FALSE(writer.Open(file.Path(), b.video, b.withAudio ? &b.audio : nullptr));
  EXPECT_FALSE(writer.IsOpen());
  EXPECT_FALSE(std::ifstream(file.Path()).good());
}

INSTANTIATE_TEST_SUITE_P(Formats, BadFormatTest, ::testing::ValuesIn(kBadFormats),
                         [](const ::testing::TestParamInfo<BadFormat>& info) { return std::string(info.param.name); });

TEST(AviWriter, RefusesCallsThatDoNotFitTheOpenFile) {
  TempFile file("misuse");
  const std::vector<uint8_t> pixels(10 * 3 * 4, 0x40);
  const std::vector<uint8_t> sound(64, 0);
  AviWriter writer;
  EXPECT_FALSE(writer.AddFrame(pixels.data(), 30)) << "not open";
  EXPECT_FALSE(writer.Close()) << "not open";

  const AviAudioFormat stereo16 = Audio(8000, 2, 16);
  ASSERT_TRUE(writer.Open(file.Path(), Video(10, 4), &stereo16));
  EXPECT_FALSE(writer.Open(file.Path(), Video(10, 4))) << "already open";
  EXPECT_FALSE(writer.AddFrame(pixels.data(), 29)) << "rows shorter than the picture";
  EXPECT_FALSE(writer.AddFrame(nullptr, 30));
  EXPECT_FALSE(writer.AddAudio(sound.data(), 0)) << "empty chunk";
  EXPECT_FALSE(writer.AddAudio(sound.data(), 6)) << "not whole sample frames";
  EXPECT_TRUE(writer.AddFrame(pixels.data(), 30));
  EXPECT_TRUE(writer.AddAudio(sound.data(), 8));
  EXPECT_EQ(writer.FrameCount(), 1u);
  EXPECT_EQ(writer.AudioBytes(), 8u);
  EXPECT_TRUE(writer.Close());
  EXPECT_FALSE(writer.AddFrame(pixels.data(), 30)) << "closed";

  // The refused calls left no trace: one frame chunk and one sound chunk.
  const std::vector<uint8_t> bytes = ReadFile(file.Path());
  std::vector<Chunk> top;
  ASSERT_NO_FATAL_FAILURE(ReadChunks(bytes, 12, bytes.size(), top));
  const Chunk* movi = Find(top, "LIST", "movi");
  ASSERT_NE(movi, nullptr);
  ASSERT_EQ(movi->children.size(), 2u);
  EXPECT_EQ(movi->children[0].size, 32u * 4);  // 30 bytes a row, filled to 32
  EXPECT_EQ(movi->children[1].size, 8u);
}

TEST(AviWriter, SoundWithoutASoundStreamIsRefused) {
  TempFile file("no_sound_stream");
  const std::vector<uint8_t> sound(64, 0);
  AviWriter writer;
  ASSERT_TRUE(writer.Open(file.Path(), Video(8, 8)));
  EXPECT_FALSE(writer.AddAudio(sound.data(), sound.size()));
  EXPECT_TRUE(writer.Close());
}

TEST(AviWriter, OpenFailsWhenTheFolderDoesNotExist) {
  AviWriter writer;
  EXPECT_FALSE(writer.Open(::testing::TempDir() + "no_such_folder_for_avi/x.avi", Video(8, 8)));
  EXPECT_FALSE(writer.IsOpen());
}

TEST(AviWriter, DestructorFinishesAnOpenFile) {
  TempFile file("destructor");
  {
    AviWriter writer;
    ASSERT_TRUE(writer.Open(file.Path(), Video(4, 2)));
    const std::vector<uint8_t> pixels(12 * 2, 0x11);
    ASSERT_TRUE(writer.AddFrame(pixels.data(), 12));
  }
  const std::vector<uint8_t> bytes = ReadFile(file.Path());
  ASSERT_GE(bytes.size(), 12u);
  EXPECT_EQ(U32(bytes, 4), bytes.size() - 8);
  std::vector<Chunk> top;
  ASSERT_NO_FATAL_FAILURE(ReadChunks(bytes, 12, bytes.size(), top));
  EXPECT_NE(Find(top, "idx1"), nullptr);
}

}  // namespace
