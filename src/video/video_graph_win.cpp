// The video graph: build, end-of-video polling, release. Main thread only.
#include "video/video_graph_win.h"

#include <cstring>
#include <new>
#include <vector>

#include "base/com_ptr_win.h"
#include "video/avi_probe.h"
#include "video/texture_renderer_win.h"

VideoGraph videoGraph;

namespace {

const WCHAR kRendererName[] = L"TEXTURERENDERER";
const WCHAR kSourceName[] = L"SOURCE";
const WCHAR kRendererPin[] = L"In";
const WCHAR kSourcePin[] = L"Output";

void Rewind() {
  if (videoGraph.mediaPosition) videoGraph.mediaPosition->put_CurrentPosition(0.0);
}

// Whether the file is refused on what its start shows: an empty file, an AVI file claiming
// a picture larger than the renderer takes, or an AVI file that ends inside its headers or
// before its first frame (each would be refused by the graph anyway; some splitters now and
// then never get that far with them). A file that cannot be read is left to the graph,
// which reports it in its own way.
bool RefusedByItsStart(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::vector<uint8_t> head(kAviProbeBytes);
  DWORD read = 0;
  LARGE_INTEGER size = {};
  const BOOL ok = ReadFile(file, head.data(), DWORD(head.size()), &read, nullptr) && GetFileSizeEx(file, &size);
  CloseHandle(file);
  if (!ok) return false;
  if (read == 0) return true;
  const AviClaim claim = ProbeAviHeader(head.data(), read, size.QuadPart == LONGLONG(read));
  return claim == AviClaim::Implausible || claim == AviClaim::Incomplete;
}

}  // namespace

HRESULT BuildVideoGraph(const char* path) {
  if (path == nullptr) path = "";
  // The path buffer below holds 259 characters; a longer path is refused before anything
  // is made rather than cut to a different file's name.
  if (strnlen(path, kLongestVideoPath + 1) > kLongestVideoPath) {
    return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  }

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

  if (RefusedByItsStart(narrow)) return VFW_E_INVALID_FILE_FORMAT;

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
  return FAILED(result) ? result : S_OK;   // S_FALSE: still changing state, but started
}

bool PollVideoEnd(int mode) {
  if (videoGraph.mediaEvent == nullptr || mode == 0) return false;
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
  if (videoGraph.mediaControl) {
    // Stop returns once streaming has ended, so the renderer is idle before it is freed.
    videoGraph.mediaControl->Stop();
    ReleaseHolder(videoGraph.mediaControl);
  }
  ReleaseHolder(videoGraph.mediaEvent);
  ReleaseHolder(videoGraph.mediaPosition);
  ReleaseHolder(videoGraph.graphBuilder);
}
