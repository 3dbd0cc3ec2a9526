// Writer of uncompressed AVI files (sample video, test files). Single-threaded.
//
// Layout written:
//   RIFF 'AVI '
//     LIST 'hdrl'  avih, LIST 'strl' (strh 'vids', strf BITMAPINFOHEADER)
//                        [LIST 'strl' (strh 'auds', strf WAVEFORMATEX)]
//     LIST 'movi'  '00db' and '01wb' chunks in the order they were added
//     idx1         one entry per chunk, offsets counted from the 'movi' fourcc
// All numbers little-endian; chunk data is followed by a fill byte when its size is odd.
#include "avi_writer.h"

#include <cstring>
#include <utility>

namespace {

constexpr uint32_t FourCC(const char (&text)[5]) {
  return uint32_t(uint8_t(text[0])) | uint32_t(uint8_t(text[1])) << 8 | uint32_t(uint8_t(text[2])) << 16 |
         uint32_t(uint8_t(text[3])) << 24;
}

constexpr uint32_t kVideoChunkId = FourCC("00db");
constexpr uint32_t kAudioChunkId = FourCC("01wb");

constexpr uint32_t kHasIndex = 0x10;        // AVIF_HASINDEX
constexpr uint32_t kIsInterleaved = 0x100;  // AVIF_ISINTERLEAVED
constexpr uint32_t kKeyFrame = 0x10;        // AVIIF_KEYFRAME
constexpr uint16_t kWaveFormatPcm = 1;

constexpr uint32_t kMainHeaderBytes = 56;
constexpr uint32_t kStreamHeaderBytes = 56;
constexpr uint32_t kBitmapHeaderBytes = 40;
constexpr uint32_t kWaveFormatBytes = 18;

// Many readers take RIFF sizes as signed, and the patching seeks with a long.
constexpr uint64_t kMaxFileBytes = 0x7FFFFFFF;

class ByteSink {
 public:
  void U16(uint16_t value) {
    bytes_.push_back(uint8_t(value));
    bytes_.push_back(uint8_t(value >> 8));
  }
  void U32(uint32_t value) {
    U16(uint16_t(value));
    U16(uint16_t(value >> 16));
  }
  void I32(int32_t value) { U32(uint32_t(value)); }
  void Tag(const char (&text)[5]) { U32(FourCC(text)); }
  std::vector<uint8_t>& Bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

uint32_t RoundedDiv(uint64_t numerator, uint64_t denominator) {
  return uint32_t((numerator + denominator / 2) / denominator);
}

// Bits a pixel of a known YUV code takes; 0 for any other.
int YuvBits(const char* code) {
  for (const char* packed : {"YUY2", "UYVY"})
    if (std::strcmp(code, packed) == 0) return 16;
  for (const char* planar : {"YV12", "I420", "NV12"})
    if (std::strcmp(code, planar) == 0) return 12;
  return 0;
}

uint32_t CodeOf(const char* code) {
  return uint32_t(uint8_t(code[0])) | uint32_t(uint8_t(code[1])) << 8 | uint32_t(uint8_t(code[2])) << 16 |
         uint32_t(uint8_t(code[3])) << 24;
}

bool ValidVideo(const AviVideoFormat& video) {
  if (video.width < 1 || video.width > 32767 || video.height < 1 || video.height > 32767) return false;
  if (video.yuvCode[0] != '\0' && (YuvBits(video.yuvCode) == 0 || video.width % 2 || video.height % 2)) return false;
  if (video.rate == 0 || video.scale == 0) return false;
  // A single frame has to fit in a file, with room to spare for the headers.
  const uint64_t stride = (uint64_t(video.width) * 3 + 3) & ~uint64_t(3);
  return stride * uint64_t(video.height) < kMaxFileBytes / 2;
}

bool ValidAudio(const AviAudioFormat& audio) {
  return audio.sampleRate > 0 && audio.channels >= 1 && audio.channels <= 8 &&
         (audio.bitsPerSample == 8 || audio.bitsPerSample == 16);
}

// Writes a stream header; `rectRight`/`rectBottom` are the picture size, 0 for sound.
void StreamHeader(ByteSink& out, const char (&type)[5], uint32_t handler, uint32_t scale, uint32_t rate,
                  uint32_t length, uint32_t bufferSize, uint32_t sampleSize, int16_t rectRight, int16_t rectBottom) {
  out.Tag("strh");
  out.U32(kStreamHeaderBytes);
  out.Tag(type);
  out.U32(handler);
  out.U32(0);  // flags
  out.U16(0);  // priority
  out.U16(0);  // language
  out.U32(0);  // initial frames
  out.U32(scale);
  out.U32(rate);
  out.U32(0);  // start
  out.U32(length);
  out.U32(bufferSize);
  out.U32(0xFFFFFFFF);  // quality: the reader's default
  out.U32(sampleSize);
  out.U16(0);
  out.U16(0);
  out.U16(uint16_t(rectRight));
  out.U16(uint16_t(rectBottom));
}

}  // namespace

uint32_t AviRowStride(int32_t width) { return (uint32_t(width) * 3 + 3) & ~3u; }

uint32_t AviFrameBytes(int32_t width, int32_t height) { return AviRowStride(width) * uint32_t(height); }

uint32_t AviStreamFrameBytes(const AviVideoFormat& video) {
  if (video.yuvCode[0] == '\0') return AviFrameBytes(video.width, video.height);
  return uint32_t(uint64_t(video.width) * video.height * YuvBits(video.yuvCode) / 8);
}

uint32_t AviAudioBlockBytes(const AviAudioFormat& audio) {
  return uint32_t(audio.channels) * (audio.bitsPerSample / 8u);
}

AviWriter::~AviWriter() {
  if (IsOpen()) Close();
}

bool AviWriter::Open(const std::string& path, const AviVideoFormat& video, const AviAudioFormat* audio) {
  if (IsOpen()) return false;
  if (!ValidVideo(video)) return false;
  if (audio != nullptr && !ValidAudio(*audio)) return false;

  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) return false;

  failed_ = false;
  video_ = video;
  hasAudio_ = audio != nullptr;
  audio_ = hasAudio_ ? *audio : AviAudioFormat{};
  frameCount_ = 0;
  audioBytes_ = 0;
  largestAudioChunk_ = 0;
  fileBytes_ = 0;
  index_.clear();
  frameBuffer_.assign(AviFrameBytes(video.width, video.height), 0);

  // The two outer sizes stay zero until Close knows them.
  const std::vector<uint8_t> headers = Headers(0, 0);
  if (!WriteBytes(headers.data(), headers.size())) {
    std::fclose(file_);
    file_ = nullptr;
    return false;
  }
  moviStart_ = fileBytes_ - 4;
  return true;
}

std::vector<uint8_t> AviWriter::Headers(uint32_t riffBytes, uint32_t moviBytes) const {
  const uint32_t frameBytes = AviStreamFrameBytes(video_);
  const bool yuv = video_.yuvCode[0] != '\0';
  const uint32_t blockBytes = hasAudio_ ? AviAudioBlockBytes(audio_) : 0;
  const uint32_t audioBytesPerSecond = hasAudio_ ? audio_.sampleRate * blockBytes : 0;
  const uint32_t videoStrlBytes = 4 + (8 + kStreamHeaderBytes) + (8 + kBitmapHeaderBytes);
  const uint32_t audioStrlBytes = 4 + (8 + kStreamHeaderBytes) + (8 + kWaveFormatBytes);
  const uint32_t hdrlBytes = 4 + (8 + kMainHeaderBytes) + (8 + videoStrlBytes) + (hasAudio_ ? 8 + audioStrlBytes : 0);

  ByteSink out;
  out.Tag("RIFF");
  out.U32(riffBytes);
  out.Tag("AVI ");

  out.Tag("LIST");
  out.U32(hdrlBytes);
  out.Tag("hdrl");

  out.Tag("avih");
  out.U32(kMainHeaderBytes);
  out.U32(RoundedDiv(uint64_t(1000000) * video_.scale, video_.rate));  // microseconds per frame
  out.U32(uint32_t((uint64_t(frameBytes) * video_.rate + video_.scale - 1) / video_.scale +
                   audioBytesPerSecond));  // max bytes per second
  out.U32(0);                              // padding granularity
  out.U32(kHasIndex | (hasAudio_ ? kIsInterleaved : 0));
  out.U32(frameCount_);
  out.U32(0);  // initial frames
  out.U32(hasAudio_ ? 2 : 1);
  out.U32(frameBytes > largestAudioChunk_ ? frameBytes : largestAudioChunk_);
  out.I32(video_.width);
  out.I32(video_.height);
  for (int i = 0; i < 4; ++i) out.U32(0);

  out.Tag("LIST");
  out.U32(videoStrlBytes);
  out.Tag("strl");
  StreamHeader(out, "vids", yuv ? CodeOf(video_.yuvCode) : FourCC("DIB "), video_.scale, video_.rate, frameCount_,
               frameBytes, 0, int16_t(video_.width), int16_t(video_.height));
  out.Tag("strf");
  out.U32(kBitmapHeaderBytes);
  out.U32(kBitmapHeaderBytes);
  out.I32(video_.width);
  out.I32(video_.topDown ? -video_.height : video_.height);
  out.U16(1);                                             // planes
  out.U16(uint16_t(yuv ? YuvBits(video_.yuvCode) : 24));  // bits per pixel
  out.U32(yuv ? CodeOf(video_.yuvCode) : 0);              // BI_RGB for RGB
  out.U32(frameBytes);
  out.U32(0);  // pixels per metre, both ways
  out.U32(0);
  out.U32(0);  // colours used
  out.U32(0);  // colours important

  if (hasAudio_) {
    out.Tag("LIST");
    out.U32(audioStrlBytes);
    out.Tag("strl");
    StreamHeader(out, "auds", 0, blockBytes, audioBytesPerSecond, uint32_t(audioBytes_ / blockBytes),
                 largestAudioChunk_, blockBytes, 0, 0);
    out.Tag("strf");
    out.U32(kWaveFormatBytes);
    out.U16(kWaveFormatPcm);
    out.U16(audio_.channels);
    out.U32(audio_.sampleRate);
    out.U32(audioBytesPerSecond);
    out.U16(uint16_t(blockBytes));
    out.U16(audio_.bitsPerSample);
    out.U16(0);  // no extra format bytes
  }

  out.Tag("LIST");
  out.U32(moviBytes);
  out.Tag("movi");
  return std::move(out.Bytes());
}

bool AviWriter::AddRawFrame(const void* frame, std::size_t bytes) {
  if (!IsOpen() || frame == nullptr || video_.yuvCode[0] == '\0' || bytes != AviStreamFrameBytes(video_)) return false;
  if (!AppendChunk(kVideoChunkId, frame, bytes)) return false;
  ++frameCount_;
  return true;
}

bool AviWriter::AddFrame(const uint8_t* pixels, std::size_t rowBytes) {
  if (!IsOpen() || pixels == nullptr || video_.yuvCode[0] != '\0') return false;
  const std::size_t pictureRowBytes = std::size_t(video_.width) * 3;
  if (rowBytes < pictureRowBytes) return false;

  const uint32_t stride = AviRowStride(video_.width);
  const int32_t height = video_.height;
  for (int32_t row = 0; row < height; ++row) {
    const int32_t storedRow = video_.topDown ? row : height - 1 - row;
    uint8_t* target = frameBuffer_.data() + std::size_t(storedRow) * stride;
    std::memcpy(target, pixels + std::size_t(row) * rowBytes, pictureRowBytes);
    // The row fill stays zero from Open: nothing else writes there.
  }
  if (!AppendChunk(kVideoChunkId, frameBuffer_.data(), frameBuffer_.size())) return false;
  ++frameCount_;
  return true;
}

bool AviWriter::AddAudio(const void* samples, std::size_t bytes) {
  if (!IsOpen() || !hasAudio_ || samples == nullptr || bytes == 0) return false;
  if (bytes % AviAudioBlockBytes(audio_) != 0) return false;
  if (!AppendChunk(kAudioChunkId, samples, bytes)) return false;
  audioBytes_ += bytes;
  if (bytes > largestAudioChunk_) largestAudioChunk_ = uint32_t(bytes);
  return true;
}

// A chunk that would take the file past its size limit is refused without touching the file,
// which then still closes as a complete, shorter file.
bool AviWriter::AppendChunk(uint32_t chunkId, const void* data, std::size_t size) {
  if (failed_) return false;
  const std::size_t filled = size + (size & 1);
  const uint64_t indexBytes = 8 + 16 * (index_.size() + 1);
  if (fileBytes_ + 8 + filled + indexBytes > kMaxFileBytes) return false;

  index_.push_back({chunkId, uint32_t(fileBytes_ - moviStart_), uint32_t(size)});
  ByteSink header;
  header.U32(chunkId);
  header.U32(uint32_t(size));
  WriteBytes(header.Bytes().data(), header.Bytes().size());
  WriteBytes(data, size);
  if (size & 1) {
    const uint8_t fill = 0;
    WriteBytes(&fill, 1);
  }
  return !failed_;
}

bool AviWriter::WriteBytes(const void* data, std::size_t size) {
  if (failed_) return false;
  if (std::fwrite(data, 1, size, file_) != size) failed_ = true;
  fileBytes_ += size;
  return !failed_;
}

bool AviWriter::Close() {
  if (!IsOpen()) return false;

  const uint64_t moviBytes = fileBytes_ - moviStart_;
  ByteSink index;
  index.Tag("idx1");
  index.U32(uint32_t(16 * index_.size()));
  for (const IndexEntry& entry : index_) {
    index.U32(entry.chunkId);
    index.U32(kKeyFrame);
    index.U32(entry.offset);
    index.U32(entry.size);
  }
  WriteBytes(index.Bytes().data(), index.Bytes().size());

  if (!failed_) {
    const std::vector<uint8_t> headers = Headers(uint32_t(fileBytes_ - 8), uint32_t(moviBytes));
    if (std::fseek(file_, 0, SEEK_SET) != 0 ||
        std::fwrite(headers.data(), 1, headers.size(), file_) != headers.size()) {
      failed_ = true;
    }
  }
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  index_.clear();
  index_.shrink_to_fit();
  frameBuffer_.clear();
  frameBuffer_.shrink_to_fit();
  return !failed_;
}
