// Measurements of the video platform paths under Wine; prints figures, asserts nothing.
// Single-threaded apart from the graphs' own streaming threads.
//
//   video_bench figures                the frame path's figures, one "figure: NAME VALUE"
//                                      line each: conversion / memcpy, our scaler beside
//                                      DrawDib (time by size, PSNR by picture), DoRenderSample
//   video_bench render                 time per frame of DoRenderSample, by source size
//   video_bench cycle FILE...          build + run + first frame + release, per file
//   video_bench leak ours|null FILE CYCLES STEP TOKEN
//                                      build/run/release cycles with our renderer or Wine's
//                                      Null Renderer; prints "CHECKPOINT n" every STEP cycles
//                                      and pauses, so that run-video-bench.sh can read the
//                                      process's memory and descriptors from outside;
//                                      FILE may be several paths joined by '|', played in turn
//   video_bench play dshow|mf FILE SECONDS
//                                      FILE played through DirectShow, or through Media
//                                      Foundation with DirectShow skipped, for SECONDS after
//                                      a second of warm-up: frames per second delivered into
//                                      the texture and process CPU per frame, as figures
//   video_bench play-null FILE SECONDS [TOKEN]
//                                      FILE into Wine's Null Renderer for SECONDS, rewound at
//                                      each end: the decode floor of the saver benchmark
#include <windows.h>

#include "bench_clock.h"
#include "scaler_pictures.h"
#include "test_graph.h"
#include "test_sample.h"

#include <d3d8.h>
#include <dshow.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/com_ptr_win.h"
#include "scenes/device_objects_win.h"
#include "video/frame_scaler.h"
#include "video/media_foundation_win.h"
#include "video/pixel_convert.h"
#include "video/texture_renderer_win.h"
#include "video/video_graph_win.h"

namespace {

// Wine's Null Renderer {C1F400A4-3F08-11D3-9F0B-006008039E37}.
const CLSID kNullRenderer = {0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

struct Summary {
  double mean, median, p95, max;
};

Summary Summarise(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  double sum = 0;
  for (double v : ms) sum += v;
  return {sum / ms.size(), ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 95 / 100)], ms.back()};
}

void Print(const char* what, const Summary& s) {
  std::printf("  %-34s mean %7.2f  median %7.2f  p95 %7.2f  max %7.2f ms\n", what, s.mean, s.median, s.p95, s.max);
}

// A moving diagonal gradient, so that consecutive frames differ.
std::vector<BYTE> GradientFrame(int width, int height, int shift) {
  const int stride = (width * 3 + 3) & ~3;
  std::vector<BYTE> bytes(size_t(stride) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      BYTE* p = &bytes[size_t(y) * stride + 3 * x];
      p[0] = BYTE(x + shift);
      p[1] = BYTE(y + shift);
      p[2] = BYTE(x + y);
    }
  }
  return bytes;
}

struct Session {
  HWND window = nullptr;
  bool ok = false;
  Session() {
    if (FAILED(CoInitialize(nullptr))) return;
    window = CreateWindowExA(0, "STATIC", "video bench", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
    ok = window && SUCCEEDED(CreateSaverDevice(window)) && CreateFrameSurface();
  }
  ~Session() {
    ReleaseVideoGraph();
    ReleaseFrameSurface();
    ReleaseDeviceObjects();
    if (window) DestroyWindow(window);
    CoUninitialize();
  }
};

BITMAPINFOHEADER SourceHeader(int width, int height) {
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  return header;
}

// Sets the renderer's type to uncompressed 24-bit RGB of the size, as a graph would.
HRESULT SetRgb24Type(TextureRenderer& renderer, int width, int height) {
  VIDEOINFOHEADER info = {};
  info.bmiHeader = SourceHeader(width, height);
  AM_MEDIA_TYPE type = {};
  type.majortype = MEDIATYPE_Video;
  type.subtype = MEDIASUBTYPE_RGB24;
  type.formattype = FORMAT_VideoInfo;
  type.cbFormat = sizeof info;
  type.pbFormat = reinterpret_cast<BYTE*>(&info);
  return renderer.SetMediaType(&type);
}

int Render() {
  Session session;
  if (!session.ok) return std::puts("no device"), 1;
  const struct { int width, height, frames; } sizes[] = {{320, 240, 400}, {720, 576, 300}, {1920, 1080, 120}};
  const D3DFORMAT formats[] = {D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5};
  for (D3DFORMAT format : formats) {
    ReleaseHolder(videoTexture);
    if (FAILED(d3dDevice->CreateTexture(256, 256, 1, 0, format, D3DPOOL_MANAGED, &videoTexture))) return 1;
    for (const auto& size : sizes) {
      HRESULT result = E_FAIL;
      ComPtr<TextureRenderer> renderer(new TextureRenderer(nullptr, &result));
      if (SetRgb24Type(*renderer.Get(), size.width, size.height) != S_OK) return 1;

      std::vector<TestSample> samples;
      for (int i = 0; i < 4; ++i) samples.emplace_back(GradientFrame(size.width, size.height, 17 * i));
      std::vector<double> whole, scale, upload;
      FrameScaler scaler;
      scaler.Prepare(size.width, size.height);
      for (int i = 0; i < size.frames; ++i) {
        TestSample& sample = samples[i % samples.size()];
        double t0 = NowMs();
        renderer->DoRenderSample(&sample);
        whole.push_back(NowMs() - t0);

        // The two halves of the same work, each on its own.
        BYTE* data = nullptr;
        sample.GetPointer(&data);
        t0 = NowMs();
        scaler.Scale(data, uint64_t(sample.GetActualDataLength()), size.width, size.height, frameBits);
        scale.push_back(NowMs() - t0);
        t0 = NowMs();
        D3DLOCKED_RECT locked;
        if (SUCCEEDED(videoTexture->LockRect(0, &locked, nullptr, 0))) {
          ConvertFrameToTexture(frameBits, static_cast<TextureFormat>(format), static_cast<uint8_t*>(locked.pBits),
                                locked.Pitch);
          videoTexture->UnlockRect(0);
        }
        upload.push_back(NowMs() - t0);
      }
      std::printf("%dx%d source, %s texture, %d frames\n", size.width, size.height,
                  format == D3DFMT_A8R8G8B8 ? "A8R8G8B8" : "A1R5G5B5", size.frames);
      Print("DoRenderSample", Summarise(whole));
      Print("  of which scaling", Summarise(scale));
      Print("  of which lock + convert + unlock", Summarise(upload));
    }
  }
  return 0;
}

// ---- Figures of the frame path ----------------------------------------------------------

void Figure(const std::string& name, double value) { std::printf("figure: %s %.3f\n", name.c_str(), value); }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Conversion of the frame surface over a memcpy of the texture's bytes, timed in turn in
// the same loop; each timing covers a batch, the clock being coarse next to 20 microseconds.
double ConvertRatio(TextureFormat format) {
  constexpr int kBatch = 25, kRounds = 80;
  std::vector<uint8_t> frame(kFrameBytes);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = uint8_t(i * 131 + (i >> 9));
  const std::ptrdiff_t pitch = std::ptrdiff_t(kFrameSide) * TextureTexelBytes(format);
  std::vector<uint8_t> texture(size_t(pitch) * kFrameSide), copySource(texture.size(), 0x5A);
  std::vector<double> convert, copy;
  for (int round = 0; round < kRounds; ++round) {
    double t0 = NowMs();
    for (int i = 0; i < kBatch; ++i) ConvertFrameToTexture(frame.data(), format, texture.data(), pitch);
    double t1 = NowMs();
    for (int i = 0; i < kBatch; ++i) {
      copySource[i] = uint8_t(round + i);  // a copy the compiler cannot fold away
      std::memcpy(texture.data(), copySource.data(), texture.size());
    }
    double t2 = NowMs();
    convert.push_back(t1 - t0);
    copy.push_back(t2 - t1);
  }
  return Median(convert) / Median(copy);
}

void DrawWithDrawDib(const std::vector<uint8_t>& source, int width, int height) {
  BITMAPINFOHEADER header = SourceHeader(width, height);
  DrawDibDraw(drawDib, frameDC, 0, 0, kFrameSide, kFrameSide, &header, const_cast<uint8_t*>(source.data()), 0, 0, width,
              height, 0);
  GdiFlush();
}

int Figures() {
  Session session;
  if (!session.ok) return std::puts("no device"), 1;
  Figure("convert.argb.ratio", ConvertRatio(TextureFormat::A8R8G8B8));
  Figure("convert.1555.ratio", ConvertRatio(TextureFormat::A1R5G5B5));

  const struct {
    int width, height, frames;
  } sizes[] = {{320, 240, 200}, {720, 576, 100}, {1920, 1080, 40}, {3840, 2160, 15}};
  double ours1080 = 0, drawDib1080 = 0;
  std::vector<uint8_t> frame(kFrameBytes);
  for (const auto& size : sizes) {
    const std::vector<uint8_t> source = scaler_pictures::MakeSource(size.width, size.height, scaler_pictures::Noise);
    FrameScaler scaler;
    scaler.Prepare(size.width, size.height);
    std::vector<double> ours, drawn;
    for (int i = 0; i < size.frames; ++i) {
      double t0 = NowMs();
      scaler.Scale(source.data(), source.size(), size.width, size.height, frame.data());
      double t1 = NowMs();
      DrawWithDrawDib(source, size.width, size.height);
      double t2 = NowMs();
      ours.push_back(t1 - t0);
      drawn.push_back(t2 - t1);
    }
    const std::string name = "scale." + std::to_string(size.width) + "x" + std::to_string(size.height);
    Figure(name + ".ours_ms", Median(ours));
    Figure(name + ".drawdib_ms", Median(drawn));
    if (size.width == 1920) ours1080 = Median(ours), drawDib1080 = Median(drawn);
  }
  Figure("scale.1920x1080.ratio", ours1080 / drawDib1080);

  using namespace scaler_pictures;
  for (const NamedPicture& picture : kQualityPictures) {
    const std::vector<uint8_t> source = MakeSource(kQualityWidth, kQualityHeight, picture.pixel);
    ScaleFrame(source.data(), source.size(), kQualityWidth, kQualityHeight, frame.data());
    Figure(std::string("quality.") + picture.name + ".ours_db", PsnrAgainstAreaMean(source, frame.data()));
    DrawWithDrawDib(source, kQualityWidth, kQualityHeight);
    Figure(std::string("quality.") + picture.name + ".drawdib_db", PsnrAgainstAreaMean(source, frameBits));
  }

  // The whole per-frame work of the renderer for an HD video, lock and unlock included.
  HRESULT result = E_FAIL;
  ComPtr<TextureRenderer> renderer(new TextureRenderer(nullptr, &result));
  if (SetRgb24Type(*renderer.Get(), 1920, 1080) != S_OK) return std::puts("the HD type was refused"), 1;
  TestSample sample(GradientFrame(1920, 1080, 5));
  std::vector<double> whole;
  for (int i = 0; i < 60; ++i) {
    const double t0 = NowMs();
    if (renderer->DoRenderSample(&sample) != S_OK) return std::puts("an HD frame was not drawn"), 1;
    whole.push_back(NowMs() - t0);
  }
  Figure("render.1920x1080.ms", Median(whole));
  return 0;
}

// Frames shown by the running graph's renderer.
LONG FramesOfRunningGraph() {
  ComPtr<IBaseFilter> filter;
  if (!videoGraph.graphBuilder ||
      FAILED(videoGraph.graphBuilder->FindFilterByName(L"TEXTURERENDERER", filter.Receive()))) {
    return -1;
  }
  return static_cast<TextureRenderer*>(filter.Get())->FramesRendered();
}

int Cycle(int argc, char** argv) {
  Session session;
  if (!session.ok) return std::puts("no device"), 1;
  const int kCycles = 10;
  for (int f = 0; f < argc; ++f) {
    std::vector<double> build, first, release, total;
    for (int i = 0; i <= kCycles; ++i) {  // cycle 0 warms the file and the libraries up
      const double t0 = NowMs();
      const HRESULT result = BuildVideoGraph(argv[f]);
      const double t1 = NowMs();
      if (result != S_OK) {
        std::printf("%s: build failed 0x%08lx\n", argv[f], result);
        ReleaseVideoGraph();
        break;
      }
      while (FramesOfRunningGraph() <= 0 && NowMs() - t1 < 10000) Sleep(1);
      const double t2 = NowMs();
      ReleaseVideoGraph();
      const double t3 = NowMs();
      if (i == 0) continue;
      build.push_back(t1 - t0);
      first.push_back(t2 - t1);
      release.push_back(t3 - t2);
      total.push_back(t3 - t0);
    }
    if (total.empty()) continue;
    const char* name = std::strrchr(argv[f], '\\');
    std::printf("%s (%d cycles)\n", name ? name + 1 : argv[f], kCycles);
    Print("build (incl. Run)", Summarise(build));
    Print("Run to first frame", Summarise(first));
    Print("stop + release", Summarise(release));
    Print("whole cycle", Summarise(total));
  }
  return 0;
}

// The same graph as BuildVideoGraph with Wine's Null Renderer in the renderer's place: the
// splitter that the graph chose for our renderer is put in by hand (the Null Renderer takes
// any type, so the graph builder would connect it straight to the file), and the null
// renderer is asked for 24-bit RGB, so that the splitter does the same work as for ours.
HRESULT BuildNullGraph(const char* path, const CLSID& splitterId) {
  IGraphBuilder* graph = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&graph));
  if (FAILED(hr)) return hr;
  videoGraph.graphBuilder = graph;
  ComPtr<IBaseFilter> null, splitter, source;
  if (FAILED(hr = CoCreateInstance(kNullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, null.ReceiveVoid())))
    return hr;
  if (FAILED(hr = CoCreateInstance(splitterId, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, splitter.ReceiveVoid())))
    return hr;
  WCHAR wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH);
  if (FAILED(hr = graph->AddFilter(null.Get(), L"NULL"))) return hr;
  if (FAILED(hr = graph->AddFilter(splitter.Get(), L"SPLITTER"))) return hr;
  if (FAILED(hr = graph->AddSourceFilter(wide, L"SOURCE", source.Receive()))) return hr;

  ComPtr<IPin> sourceOut, splitterIn, splitterOut, nullIn;
  ComPtr<IEnumPins> pins;
  if (FAILED(hr = source->FindPin(L"Output", sourceOut.Receive()))) return hr;
  splitter->EnumPins(pins.Receive());
  if (pins->Next(1, splitterIn.Receive(), nullptr) != S_OK) return E_FAIL;
  if (FAILED(hr = graph->ConnectDirect(sourceOut.Get(), splitterIn.Get(), nullptr))) return hr;
  pins->Reset();
  IPin* pin = nullptr;
  while (!splitterOut && pins->Next(1, &pin, nullptr) == S_OK) {
    PIN_DIRECTION direction;
    pin->QueryDirection(&direction);
    if (direction == PINDIR_OUTPUT) {
      splitterOut.Reset(pin);
    } else {
      pin->Release();
    }
  }
  if (!splitterOut) return E_FAIL;
  ComPtr<IEnumPins> nullPins;
  null->EnumPins(nullPins.Receive());
  if (nullPins->Next(1, nullIn.Receive(), nullptr) != S_OK) return E_FAIL;
  AM_MEDIA_TYPE rgb24 = {};
  rgb24.majortype = MEDIATYPE_Video;
  rgb24.subtype = MEDIASUBTYPE_RGB24;
  if (FAILED(hr = graph->ConnectDirect(splitterOut.Get(), nullIn.Get(), &rgb24))) return hr;

  graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&videoGraph.mediaControl));
  graph->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(&videoGraph.mediaPosition));
  graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&videoGraph.mediaEvent));
  hr = videoGraph.mediaControl->Run();
  return FAILED(hr) ? hr : S_OK;
}

// The class of the filter that the graph put between the file's source and our renderer.
// The class of the filter that BuildVideoGraph connected to the file source's output: the
// splitter (or parser) that the graph chose for the file.
bool FindSplitter(const char* path, CLSID* splitterId) {
  if (BuildVideoGraph(path) != S_OK) return false;
  bool found = false;
  ComPtr<IBaseFilter> source;
  ComPtr<IPin> sourceOut, splitterIn;
  if (SUCCEEDED(videoGraph.graphBuilder->FindFilterByName(L"SOURCE", source.Receive())) &&
      SUCCEEDED(source->FindPin(L"Output", sourceOut.Receive())) &&
      SUCCEEDED(sourceOut->ConnectedTo(splitterIn.Receive()))) {
    PIN_INFO info;
    if (SUCCEEDED(splitterIn->QueryPinInfo(&info)) && info.pFilter) {
      found = SUCCEEDED(info.pFilter->GetClassID(splitterId));
      info.pFilter->Release();
    }
  }
  ReleaseVideoGraph();
  return found;
}

int Leak(int argc, char** argv) {
  if (argc < 4) return 2;
  const bool ours = std::strcmp(argv[0], "ours") == 0;
  std::vector<std::string> paths;
  for (const char* p = argv[1];; ++p) {
    const char* bar = std::strchr(p, '|');
    paths.emplace_back(p, bar ? bar - p : std::strlen(p));
    if (bar == nullptr) break;
    p = bar;
  }
  const char* path = paths[0].c_str();
  const int cycles = std::atoi(argv[2]);
  const int step = std::max(1, std::atoi(argv[3]));
  Session session;
  if (!session.ok) return std::puts("no device"), 1;
  CLSID splitterId;
  if (!ours && !FindSplitter(path, &splitterId)) return std::puts("no splitter found"), 1;

  long framesSeen = 0;
  for (int i = 1; i <= cycles; ++i) {
    const char* file = paths[(i - 1) % paths.size()].c_str();
    const HRESULT result = ours ? BuildVideoGraph(file) : BuildNullGraph(file, splitterId);
    if (result != S_OK) {
      std::printf("cycle %d: build failed 0x%08lx\n", i, result);
      ReleaseVideoGraph();
      return 1;
    }
    Sleep(400);  // past the first frame, which comes 200 ms after Run
    if (ours) framesSeen += FramesOfRunningGraph() > 0 ? 1 : 0;
    ReleaseVideoGraph();
    if (i % step == 0) {
      std::printf("CHECKPOINT %d\n", i);
      std::fflush(stdout);
      Sleep(1500);  // quiet while the memory is read from outside
    }
  }
  if (ours) std::printf("cycles with frames: %ld of %d\n", framesSeen, cycles);
  std::puts("DONE");
  return 0;
}

// Plays the file into Wine's Null Renderer for a while, rewound at each end as the saver
// does: the decode floor that run-saver-bench.sh sets the saver's CPU time beside.
int PlayNull(const char* path, int seconds) {
  Session session;
  if (!session.ok) return std::puts("no device"), 1;
  CLSID splitterId;
  if (!FindSplitter(path, &splitterId)) return std::puts("no splitter found"), 1;
  const HRESULT result = BuildNullGraph(path, splitterId);
  if (result != S_OK) {
    std::printf("build failed 0x%08lx\n", result);
    ReleaseVideoGraph();
    return 1;
  }
  std::puts("PLAYING");
  const double end = NowMs() + 1000.0 * seconds;
  while (NowMs() < end) {
    PollVideoEnd(1);
    Sleep(10);
  }
  ReleaseVideoGraph();
  std::puts("DONE");
  return 0;
}

}  // namespace

// CPU time of the whole process (every thread, the decoders' among them), in milliseconds.
double ProcessCpuMs() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  auto ms = [](const FILETIME& t) { return double(uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 10000.0; };
  return ms(kernel) + ms(user);
}

long FramesShown() { return VideoFramesDelivered(videoGraph); }

int Play(const char* way, const char* path, int seconds) {
  Session session;
  if (!session.ok) return std::puts("no device"), 1;
  const bool directShow = std::strcmp(way, "dshow") == 0;
  videoGraphTriesDirectShow = directShow;
  const HRESULT built = BuildVideoGraph(path);
  if (FAILED(built) || (!directShow && !MediaFoundationVideoHeld())) {
    return std::printf("%s: not played the %s way (0x%08lx)\n", path, way, built), 1;
  }
  // The run loop's pace: poll every 10 ms, the file loops.
  auto runFor = [](double ms) {
    const double end = NowMs() + ms;
    while (NowMs() < end) {
      PollVideoEnd(1);
      Sleep(10);
    }
  };
  runFor(1000);
  const long frames0 = FramesShown();
  const double cpu0 = ProcessCpuMs(), t0 = NowMs();
  runFor(seconds * 1000.0);
  const long frames = FramesShown() - frames0;
  const double cpu = ProcessCpuMs() - cpu0, elapsed = NowMs() - t0;
  ReleaseVideoGraph();
  const std::string prefix = std::string("play.") + way + ".";
  Figure(prefix + "fps", frames * 1000.0 / elapsed);
  Figure(prefix + "cpu_ms_per_frame", frames > 0 ? cpu / frames : 0);
  Figure(prefix + "cpu_ms_per_s", cpu * 1000.0 / elapsed);
  return 0;
}

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc >= 2 && std::strcmp(argv[1], "figures") == 0) return Figures();
  if (argc >= 2 && std::strcmp(argv[1], "render") == 0) return Render();
  if (argc >= 3 && std::strcmp(argv[1], "cycle") == 0) return Cycle(argc - 2, argv + 2);
  if (argc >= 6 && std::strcmp(argv[1], "leak") == 0) return Leak(argc - 2, argv + 2);
  if (argc >= 5 && std::strcmp(argv[1], "play") == 0) return Play(argv[2], argv[3], std::atoi(argv[4]));
  if (argc >= 4 && std::strcmp(argv[1], "play-null") == 0) return PlayNull(argv[2], std::atoi(argv[3]));
  std::puts(
      "usage: video_bench figures | render | cycle FILE... | play dshow|mf FILE SECONDS | leak ours|null FILE CYCLES "
      "STEP TOKEN |\n"
      "       play-null FILE SECONDS [TOKEN]");
  return 2;
}
