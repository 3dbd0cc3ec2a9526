// Writer of uncompressed AVI files: one 24-bit RGB (or raw YUV) video stream and, if asked for, one
// interleaved PCM sound stream, with an 'idx1' index. It makes the sample video and the test
// files; it is never used while the saver runs. Single-threaded: one writer per thread.
//
// The file is streamed: headers go out first with empty counts, chunks are appended as they
// come, and Close appends the index and rewrites the headers with the final counts, so only
// the index (16 bytes per chunk) is held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct AviVideoFormat {
  int32_t width = 0;   // pixels, 1 to 32767
  int32_t height = 0;  // pixels, 1 to 32767
  uint32_t rate = 25;  // frames per `scale` seconds: 30000/1001 is rate 30000, scale 1001
  uint32_t scale = 1;
  // Stores the rows top line first and says so with a negative height in the format; the
  // usual layout is bottom-up.
  bool topDown = false;
  // A raw YUV stream instead of RGB: "YUY2", "UYVY" (16 bits a pixel), "YV12", "I420" or
  // "NV12" (12); empty for RGB. Frames then go in whole with AddRawFrame; both sides even.
  char yuvCode[5] = {};
};

struct AviAudioFormat {
  uint32_t sampleRate = 22050;  // sample frames per second
  uint16_t channels = 1;        // 1 to 8
  uint16_t bitsPerSample = 16;  // 8 (unsigned) or 16 (signed)
};

// Bytes of one stored row: three per pixel, filled up to a multiple of four.
uint32_t AviRowStride(int32_t width);
// Bytes of one stored RGB frame; the size of every video chunk of an RGB stream.
uint32_t AviFrameBytes(int32_t width, int32_t height);
// Bytes of one stored frame of the stream `video` describes, RGB or YUV; 0 for a YUV code
// the writer does not know.
uint32_t AviStreamFrameBytes(const AviVideoFormat& video);
// Bytes of one sample frame (all channels); a sound chunk holds a whole number of them.
uint32_t AviAudioBlockBytes(const AviAudioFormat& audio);

class AviWriter {
 public:
  AviWriter() = default;
  ~AviWriter();  // closes an open file; a failure then goes unreported
  AviWriter(const AviWriter&) = delete;
  AviWriter& operator=(const AviWriter&) = delete;

  // Creates (or replaces) the file. Without `audio` the file has the video stream only.
  bool Open(const std::string& path, const AviVideoFormat& video, const AviAudioFormat* audio = nullptr);

  // One frame given as `height` rows of `width` pixels, top line first, each pixel B, G, R;
  // consecutive rows start `rowBytes` apart (at least width * 3). The writer stores the rows
  // in the file's order with their row fill.
  bool AddFrame(const uint8_t* pixels, std::size_t rowBytes);

  // One frame of a YUV stream as it is stored: exactly AviStreamFrameBytes bytes.
  bool AddRawFrame(const void* frame, std::size_t bytes);

  // One sound chunk of raw PCM: a non-zero, whole number of sample frames.
  bool AddAudio(const void* samples, std::size_t bytes);

  // Appends the index and writes the final headers. False if anything since Open failed;
  // the file is then incomplete and the caller decides whether to remove it.
  bool Close();

  bool IsOpen() const { return file_ != nullptr; }
  uint32_t FrameCount() const { return frameCount_; }
  uint64_t AudioBytes() const { return audioBytes_; }

 private:
  struct IndexEntry {
    uint32_t chunkId;
    uint32_t offset;  // of the chunk header, counted from the 'movi' fourcc
    uint32_t size;    // of the chunk data, without the fill byte
  };

  // Everything before the first chunk, up to and including the 'movi' fourcc.
  std::vector<uint8_t> Headers(uint32_t riffBytes, uint32_t moviBytes) const;
  bool AppendChunk(uint32_t chunkId, const void* data, std::size_t size);
  bool WriteBytes(const void* data, std::size_t size);

  std::FILE* file_ = nullptr;
  bool failed_ = false;
  AviVideoFormat video_;
  AviAudioFormat audio_;
  bool hasAudio_ = false;
  uint32_t frameCount_ = 0;
  uint64_t audioBytes_ = 0;
  uint32_t largestAudioChunk_ = 0;
  uint64_t fileBytes_ = 0;  // written so far
  uint64_t moviStart_ = 0;  // file offset of the 'movi' fourcc
  std::vector<IndexEntry> index_;
  std::vector<uint8_t> frameBuffer_;  // one stored frame, reused
};
