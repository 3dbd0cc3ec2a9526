// The video graph: build, end-of-video polling, release. Main thread only.
#include "video/video_graph_win.h"

#include <cstring>
#include <new>
#include <vector>

#include "base/com_ptr_win.h"
#include "video/avi_probe.h"
#include "video/iso_probe.h"
#include "video/media_foundation_win.h"
#include "video/texture_renderer_win.h"

VideoGraph videoGraph;
bool videoGraphTriesDirectShow = true;

namespace {

const WCHAR kRendererName[] = L"TEXTURERENDERER";
const WCHAR kSourceName[] = L"SOURCE";
const WCHAR kRendererPin[] = L"In";
const WCHAR kSourcePin[] = L"Output";

void Rewind() {
  if (videoGraph.mediaPosition) videoGraph.mediaPosition->put_CurrentPosition(0.0);
}

// Reads up to `size` bytes at `offset` of an open file (calls that Windows 9x has too).
std::size_t ReadFileAt(HANDLE file, uint64_t offset, uint8_t* buffer, std::size_t size) {
  LONG high = LONG(offset >> 32);
  if (SetFilePointer(file, LONG(uint32_t(offset)), &high, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
      GetLastError() != NO_ERROR) {
    return 0;
  }
  DWORD read = 0;
  return ReadFile(file, buffer, DWORD(size), &read, nullptr) ? read : 0;
}

// Whether the file is refused on what its start shows: an empty file; an AVI file claiming
// a picture larger than the renderer takes, or one that ends inside its headers or before
// its first frame; an MP4 or QuickTime file that ends inside a box header or before its
// index is whole (each would be refused by the decoders anyway; some splitters now and then
// never get that far with them). A file that cannot be read is left to the graph, which
// reports it in its own way.
bool RefusedByItsStart(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD sizeHigh = 0;
  const DWORD sizeLow = GetFileSize(file, &sizeHigh);
  const bool sizeKnown = sizeLow != INVALID_FILE_SIZE || GetLastError() == NO_ERROR;
  const uint64_t size = uint64_t(sizeHigh) << 32 | sizeLow;
  std::vector<uint8_t> head(kAviProbeBytes);
  const std::size_t read = sizeKnown ? ReadFileAt(file, 0, head.data(), head.size()) : 0;
  bool refused = sizeKnown && size == 0;
  if (read > 0) {
    const AviClaim avi = ProbeAviHeader(head.data(), read, size == read);
    refused = avi == AviClaim::Implausible || avi == AviClaim::Incomplete;
    if (avi == AviClaim::NotAvi) {
      const auto readAt = [file](uint64_t offset, uint8_t* buffer, std::size_t bytes) {
        return ReadFileAt(file, offset, buffer, bytes);
      };
      refused = ProbeIsoBoxes(readAt, size) == IsoClaim::Incomplete;
    }
  }
  CloseHandle(file);
  return refused;
}

// The DirectShow graph for one file. `refused` tells the caller that the file was refused
// on what its start shows, so that no other way is tried with it either.
HRESULT BuildDirectShowGraph(const char* path, bool* refused) {
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              reinterpret_cast<void**>(&videoGraph.graphBuilder)))) {
    videoGraph.graphBuilder = nullptr;
    return E_FAIL;
  }
  IGraphBuilder* graph = videoGraph.graphBuilder;

  HRESULT result = S_OK;
  ComPtr<TextureRenderer> renderer(new (std::nothrow) TextureRenderer(nullptr, &result));
  if (!renderer) return E_OUTOFMEMORY;
  if (FAILED(result)) return result;

  result = graph->AddFilter(renderer.Get(), kRendererName);
  if (FAILED(result)) return result;

  char narrow[kLongestVideoPath + 1] = {};
  std::memcpy(narrow, path, std::strlen(path));
  WCHAR wide[kLongestVideoPath + 1] = {};
  MultiByteToWideChar(CP_ACP, 0, narrow, -1, wide, kLongestVideoPath + 1);

  if (RefusedByItsStart(narrow)) {
    *refused = true;
    return VFW_E_INVALID_FILE_FORMAT;
  }

  ComPtr<IBaseFilter> source;
  result = graph->AddSourceFilter(wide, kSourceName, source.Receive());
  if (FAILED(result)) return result;

  ComPtr<IPin> rendererPin;
  result = renderer->FindPin(kRendererPin, rendererPin.Receive());
  if (FAILED(result)) return result;

  ComPtr<IPin> sourcePin;
  result = source->FindPin(kSourcePin, sourcePin.Receive());
  if (FAILED(result)) return result;

  // The graph builder puts in the splitter and decoders that reach the renderer's one type.
  result = graph->Connect(sourcePin.Get(), rendererPin.Get());
  if (FAILED(result)) return result;

  // Every graph manager has these three; a missing one would show as a null holder.
  graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&videoGraph.mediaControl));
  graph->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(&videoGraph.mediaPosition));
  graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&videoGraph.mediaEvent));
  if (videoGraph.mediaControl == nullptr) return E_NOINTERFACE;

  result = videoGraph.mediaControl->Run();
  return FAILED(result) ? result : S_OK;  // S_FALSE: still changing state, but started
}

// Releases the DirectShow side of videoGraph (stopping it first).
void ReleaseDirectShowGraph() {
  if (videoGraph.mediaControl) {
    // Stop returns once streaming has ended, so the renderer is idle before it is freed.
    videoGraph.mediaControl->Stop();
    ReleaseHolder(videoGraph.mediaControl);
  }
  ReleaseHolder(videoGraph.mediaEvent);
  ReleaseHolder(videoGraph.mediaPosition);
  ReleaseHolder(videoGraph.graphBuilder);
}

}  // namespace

HRESULT BuildVideoGraph(const char* path) {
  if (path == nullptr) path = "";
  // The path buffer holds 259 characters; a longer path is refused before anything is made
  // rather than cut to a different file's name.
  if (strnlen(path, kLongestVideoPath + 1) > kLongestVideoPath) {
    return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  }
  bool refused = false;
  HRESULT built = VFW_E_UNSUPPORTED_STREAM;
  if (videoGraphTriesDirectShow) {
    built = BuildDirectShowGraph(path, &refused);
  } else if (RefusedByItsStart(path)) {
    return VFW_E_INVALID_FILE_FORMAT;
  }
  if (SUCCEEDED(built) || refused || path[0] == '\0') return built;
  // What DirectShow cannot open may still play through Media Foundation (MP4 and friends on
  // Windows 7 and later). The half-built graph then goes, so that one way plays at a time.
  if (FAILED(StartMediaFoundationVideo(path))) return built;
  ReleaseDirectShowGraph();
  return S_OK;
}

bool PollVideoEnd(int mode) {
  if (mode == 0) return false;
  if (MediaFoundationVideoHeld()) {
    // The end of a Media Foundation video counts as the graph's end of stream. Only a single
    // file is started again: on any other end the caller moves on and releases this video,
    // and a seek under way then would race the release inside the platform.
    const bool ended = TakeMediaFoundationVideoEnd();
    if (mode != 1) return ended;
    if (ended) RewindMediaFoundationVideo();
    return true;
  }
  if (videoGraph.mediaEvent == nullptr) return false;
  long code = 0;
  LONG_PTR first = 0, second = 0;
  const bool taken = SUCCEEDED(videoGraph.mediaEvent->GetEvent(&code, &first, &second, 0));
  if (mode == 1) {
    if (!taken) return true;
    if (code == EC_COMPLETE) Rewind();
    videoGraph.mediaEvent->FreeEventParams(code, first, second);
    return true;
  }
  if (!taken) return false;
  const bool ended = code == EC_COMPLETE;
  if (ended) Rewind();
  videoGraph.mediaEvent->FreeEventParams(code, first, second);
  return ended;
}

void ReleaseVideoGraph() {
  StopMediaFoundationVideo();
  ReleaseDirectShowGraph();
}
