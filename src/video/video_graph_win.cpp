// The video graph: build, end-of-video polling, release. The owning thread only.
#include "video/video_graph_win.h"

#include <cstring>
#include <new>
#include <vector>

#include "base/com_ptr_win.h"
#include "base/scoped_win.h"
#include "base/system_library_win.h"
#include "video/avi_probe.h"
#include "video/folder_reader_win.h"
#include "video/iso_probe.h"
#include "video/media_foundation_win.h"
#include "video/texture_renderer_win.h"

bool videoGraphTriesDirectShow = true;
void (*videoGraphRunning)(IGraphBuilder* graph) = nullptr;

namespace {

const WCHAR kRendererName[] = L"TEXTURERENDERER";
const WCHAR kSourceName[] = L"SOURCE";
const WCHAR kRendererPin[] = L"In";
const WCHAR kSourcePin[] = L"Output";

void Rewind(VideoGraph& graph) {
  if (graph.mediaPosition) graph.mediaPosition->put_CurrentPosition(0.0);
}

// The events that end a video: the end of the stream, and an error or abort that stopped it
// (a decoder or read error in the middle of a file would otherwise freeze its last picture).
bool EndsTheVideo(long code) {
  return code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_STREAM_ERROR_STOPPED || code == EC_USERABORT;
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

// Opens a file to read by its wide path: by the wide call on the NT family (looked up, as
// the 9x family has it only as a stub), through the code page on the 9x family.
HANDLE OpenToRead(const wchar_t* path) {
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | (SystemTakesWideNames() ? FILE_SHARE_DELETE : 0);
  if (SystemTakesWideNames()) {
    typedef HANDLE(WINAPI * CreateFileProc)(const wchar_t*, DWORD, DWORD, SECURITY_ATTRIBUTES*, DWORD, DWORD, HANDLE);
    static const auto createFile = LookUp<CreateFileProc>(GetModuleHandleA("kernel32.dll"), "CreateFileW");
    if (createFile == nullptr) return INVALID_HANDLE_VALUE;
    return createFile(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  char narrow[kLongestVideoPath + 1] = {};
  if (WideCharToMultiByte(CP_ACP, 0, path, -1, narrow, sizeof(narrow), nullptr, nullptr) == 0) {
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileA(narrow, GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Whether the file is refused on what its start shows: an empty file; an AVI file claiming
// a picture larger than the renderer takes, or one that ends inside its headers or before
// its first frame; an MP4 or QuickTime file that ends inside a box header or before its
// index is whole (each would be refused by the decoders anyway; some splitters now and then
// never get that far with them). A file that cannot be read is left to the graph, which
// reports it in its own way.
bool RefusedByItsStart(const wchar_t* path) {
  const ScopedKernelHandle opened(OpenToRead(path));
  if (!opened) return false;
  const HANDLE file = opened.Get();
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
  return refused;
}

// The DirectShow graph for one file. `refused` tells the caller that the file was refused
// on what its start shows, so that no other way is tried with it either.
HRESULT BuildDirectShowGraph(VideoGraph& video, const wchar_t* path, bool* refused) {
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              reinterpret_cast<void**>(&video.graphBuilder)))) {
    video.graphBuilder = nullptr;
    return E_FAIL;
  }
  IGraphBuilder* graph = video.graphBuilder;

  HRESULT result = S_OK;
  ComPtr<TextureRenderer> renderer(new (std::nothrow) TextureRenderer(nullptr, &result, video.producer));
  if (!renderer) return E_OUTOFMEMORY;
  if (FAILED(result)) return result;

  result = graph->AddFilter(renderer.Get(), kRendererName);
  if (FAILED(result)) return result;
  video.renderer = renderer.Get();
  video.renderer->AddRef();

  if (RefusedByItsStart(path)) {
    *refused = true;
    return VFW_E_INVALID_FILE_FORMAT;
  }

  ComPtr<IBaseFilter> source;
  result = graph->AddSourceFilter(path, kSourceName, source.Receive());
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
  graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&video.mediaControl));
  graph->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(&video.mediaPosition));
  graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&video.mediaEvent));
  if (video.mediaControl == nullptr) return E_NOINTERFACE;

  result = video.mediaControl->Run();
  if (FAILED(result)) return result;
  if (videoGraphRunning != nullptr) videoGraphRunning(graph);
  return S_OK;  // S_FALSE: still changing state, but started
}

// Releases the DirectShow side of the graph (stopping it first).
void ReleaseDirectShowGraph(VideoGraph& video) {
  if (video.mediaControl) {
    // Stop returns once streaming has ended, so the renderer is idle before it is freed.
    video.mediaControl->Stop();
    ReleaseHolder(video.mediaControl);
  }
  ReleaseHolder(video.mediaEvent);
  ReleaseHolder(video.mediaPosition);
  ReleaseHolder(video.renderer);
  ReleaseHolder(video.graphBuilder);
}

}  // namespace

HRESULT BuildVideoGraph(VideoGraph& graph, const char* path) {
  if (path == nullptr) path = "";
  // The path buffer holds 259 characters; a longer path is refused before anything is made
  // rather than cut to a different file's name.
  if (strnlen(path, kLongestVideoPath + 1) > kLongestVideoPath) {
    return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  }
  WCHAR wide[kLongestVideoPath + 1] = {};
  if (path[0] != '\0' && MultiByteToWideChar(CP_ACP, 0, path, -1, wide, kLongestVideoPath + 1) == 0) {
    return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
  }
  return BuildVideoGraph(graph, wide);
}

HRESULT BuildVideoGraph(VideoGraph& graph, const wchar_t* path) {
  if (path == nullptr) path = L"";
  if (wcslen(path) > kLongestVideoPath) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  bool refused = false;
  HRESULT built = VFW_E_UNSUPPORTED_STREAM;
  if (videoGraphTriesDirectShow) {
    built = BuildDirectShowGraph(graph, path, &refused);
  } else if (RefusedByItsStart(path)) {
    return VFW_E_INVALID_FILE_FORMAT;
  }
  if (SUCCEEDED(built) || refused || path[0] == '\0') return built;
  // What DirectShow cannot open may still play through Media Foundation (MP4 and friends on
  // Windows 7 and later). The half-built graph goes first, so that it cannot deliver a frame
  // while the reader does: one way plays at a time.
  ReleaseDirectShowGraph(graph);
  if (FAILED(StartMediaFoundationVideo(path, graph.producer, &graph.mediaFoundation))) return built;
  return S_OK;
}

bool TakeVideoEnd(VideoGraph& graph, bool* completed) {
  *completed = false;
  if (graph.mediaFoundation != nullptr) return TakeMediaFoundationVideoEnd(graph.mediaFoundation, completed);
  if (graph.mediaEvent == nullptr) return false;
  long code = 0;
  LONG_PTR first = 0, second = 0;
  if (FAILED(graph.mediaEvent->GetEvent(&code, &first, &second, 0))) return false;
  graph.mediaEvent->FreeEventParams(code, first, second);
  *completed = code == EC_COMPLETE;
  return EndsTheVideo(code);
}

void RewindVideo(VideoGraph& graph) {
  if (graph.mediaFoundation != nullptr) {
    RewindMediaFoundationVideo(graph.mediaFoundation);
  } else {
    Rewind(graph);
  }
}

bool PollVideoEnd(VideoGraph& graph, int mode) {
  if (mode == 0 || (graph.mediaEvent == nullptr && graph.mediaFoundation == nullptr)) return false;
  bool completed = false;
  const bool ended = TakeVideoEnd(graph, &completed);
  if (mode == 1) {
    if (completed) RewindVideo(graph);
    return true;
  }
  // Only a single file is started again through Media Foundation: on any other end the
  // caller moves on and releases the video, and a seek under way then would race the
  // release inside the platform.
  if (completed && graph.mediaFoundation == nullptr) RewindVideo(graph);
  return ended;
}

long VideoFramesDelivered(const VideoGraph& graph) {
  if (graph.mediaFoundation != nullptr) return MediaFoundationFramesDelivered(graph.mediaFoundation);
  return graph.renderer != nullptr ? graph.renderer->FramesRendered() : 0;
}

void ReleaseVideoGraph(VideoGraph& graph) {
  StopMediaFoundationVideo(graph.mediaFoundation);
  ReleaseDirectShowGraph(graph);
}
