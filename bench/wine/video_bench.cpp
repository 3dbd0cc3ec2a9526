// Measurements of the video platform paths under Wine; prints figures, asserts nothing.
// Single-threaded apart from the graphs' own streaming threads and the Media Foundation
// reader's, which draw the frames.
//
// A figure is only printed of work that happened: frames count when they reached the texture
// (frames_drawn.h), and anything refused on the way (no device, a type, a frame not drawn, a
// file played the other way) prints one line "failed: why" instead, and the program exits 1.
//
//   video_bench figures                the frame path's figures, one "figure: NAME VALUE"
//                                      line each: conversion / memcpy, our scaler beside
//                                      DrawDib (time by size, PSNR by picture), DoRenderSample
//   video_bench render                 time per frame of DoRenderSample, by source size and
//                                      texture format
//   video_bench cycle FILE...          build + run + first frame drawn + release, per file
//   video_bench leak ours|null FILE CYCLES STEP TOKEN
//                                      build/run/release cycles with our renderer or Wine's
//                                      Null Renderer; prints "CHECKPOINT n" every STEP cycles
//                                      and pauses, so that run-video-bench.sh can read the
//                                      process's memory and descriptors from outside;
//                                      FILE may be several paths joined by '|', played in turn
//   video_bench play dshow|mf FILE SECONDS
//                                      FILE played through DirectShow, or through Media
//                                      Foundation with DirectShow skipped, for SECONDS after
//                                      a second of warm-up: which way it played, frames per
//                                      second drawn into the texture and process CPU per
//                                      frame, as figures
//   video_bench play-null FILE SECONDS [TOKEN]
//                                      FILE into Wine's Null Renderer for SECONDS, rewound at
//                                      each end: the decode floor of the saver benchmark
#include <windows.h>

#include "bench_clock.h"
#include "bench_failure.h"
#include "frames_drawn.h"
#include "scaler_pictures.h"
#include "test_graph.h"
#include "test_sample.h"

#include <d3d8.h>
#include <dshow.h>
#include <float.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/com_ptr_win.h"
#include "scenes/device_objects_win.h"
#include "video/frame_scaler.h"
#include "video/media_foundation_win.h"
#include "video/picture_scaler.h"
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
  std::printf("  %-34s mean %8.4f  median %8.4f  p95 %8.4f  max %8.4f ms\n", what, s.mean, s.median, s.p95, s.max);
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
#if defined(__i386__)
    // Direct3D 8 has just set this thread's x87 precision to 24 bits. The saver's frames are
    // drawn on streaming threads whose precision it never touched, and the summaries and
    // ratios are computed here: both want the precision every other thread has.
    _controlfp(_PC_53, _MCW_PC);
#endif
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

// A renderer whose frames reach the texture: only the shown producer's do.
ComPtr<TextureRenderer> ShownRenderer() {
  HRESULT result = E_FAIL;
  return ComPtr<TextureRenderer>(new TextureRenderer(nullptr, &result, ShowFrameProducer(NewFrameProducer())));
}

const char* FormatName(D3DFORMAT format) { return format == D3DFMT_A8R8G8B8 ? "A8R8G8B8" : "A1R5G5B5"; }

int Render() {
  Session session;
  if (!session.ok) return Failed("no Direct3D device");
  const struct { int width, height; } sizes[] = {{320, 240}, {720, 576}, {1920, 1080}};
  const D3DFORMAT formats[] = {D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5};
  constexpr int kBatches = 30;
  for (D3DFORMAT format : formats) {
    ReleaseHolder(videoTexture);
    if (FAILED(d3dDevice->CreateTexture(256, 256, 1, 0, format, D3DPOOL_MANAGED, &videoTexture)))
      return Failed("no %s texture", FormatName(format));
    // The surface writes in the format it read when the texture was made.
    if (ReadTextureFormat() != S_OK)
      return Failed("the %s texture was refused by the frame surface", FormatName(format));
    for (const auto& size : sizes) {
      ComPtr<TextureRenderer> renderer = ShownRenderer();
      if (SetRgb24Type(*renderer.Get(), size.width, size.height) != S_OK)
        return Failed("the %dx%d type was refused", size.width, size.height);

      std::vector<TestSample> samples;
      for (int i = 0; i < 4; ++i) samples.emplace_back(GradientFrame(size.width, size.height, 17 * i));
      size_t next = 0;
      HRESULT drawn = S_OK;
      auto render = [&] { return (drawn = renderer->DoRenderSample(&samples[next++ % samples.size()])) == S_OK; };
      // The two halves of the same work, each on its own.
      FrameScaler scaler;
      scaler.Prepare(size.width, size.height);
      auto scale = [&] {
        TestSample& sample = samples[next++ % samples.size()];
        BYTE* data = nullptr;
        sample.GetPointer(&data);
        return scaler.Scale(data, uint64_t(sample.GetActualDataLength()), size.width, size.height, frameBits);
      };
      auto upload = [&] {
        D3DLOCKED_RECT locked;
        if (FAILED(videoTexture->LockRect(0, &locked, nullptr, 0))) return false;
        const bool converted = ConvertFrameToTexture(frameBits, static_cast<TextureFormat>(format),
                                                     static_cast<uint8_t*>(locked.pBits), locked.Pitch);
        return SUCCEEDED(videoTexture->UnlockRect(0)) && converted;
      };
      const int wholeCalls = CallsPerBatch(render), scaleCalls = CallsPerBatch(scale),
                uploadCalls = CallsPerBatch(upload);
      std::vector<double> whole, scaling, uploading;
      for (int batch = 0; batch < kBatches; ++batch) {
        const double w = wholeCalls ? MsPerCall(wholeCalls, render) : -1;
        if (w < 0) return Failed("a %dx%d frame was not drawn (0x%08lx)", size.width, size.height, drawn);
        const double s = scaleCalls ? MsPerCall(scaleCalls, scale) : -1;
        const double u = uploadCalls ? MsPerCall(uploadCalls, upload) : -1;
        if (s < 0 || u < 0)
          return Failed("a %dx%d frame was refused by the scaler or the texture", size.width, size.height);
        whole.push_back(w);
        scaling.push_back(s);
        uploading.push_back(u);
      }
      std::printf("%dx%d source, %s texture, per frame over %d batches of %d, %d and %d frames\n", size.width,
                  size.height, FormatName(format), kBatches, wholeCalls, scaleCalls, uploadCalls);
      Print("DoRenderSample", Summarise(whole));
      Print("  of which scaling", Summarise(scaling));
      Print("  of which lock + convert + unlock", Summarise(uploading));
    }
  }
  return 0;
}

// ---- Figures of the frame path ----------------------------------------------------------

// Three decimals, and more below 0.1 so that three significant digits show. A value that
// is no number is a fault of the measurement, said as such (the scripts fail the run on it).
void Figure(const std::string& name, double value) {
  if (!std::isfinite(value)) {
    std::printf("failed: %s came out as %f\n", name.c_str(), value);
    return;
  }
  int decimals = 3;
  for (double v = std::fabs(value); v > 0 && v < 0.1 && decimals < 9; v *= 10) ++decimals;
  std::printf("figure: %s %.*f\n", name.c_str(), decimals, value);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Median milliseconds per call of `work` over `batches` batches, or a negative number when
// a call was refused.
template <typename Work>
double MedianMsPerCall(int batches, Work&& work) {
  const int calls = CallsPerBatch(work);
  if (calls == 0) return -1;
  std::vector<double> ms;
  for (int batch = 0; batch < batches; ++batch) {
    ms.push_back(MsPerCall(calls, work));
    if (ms.back() < 0) return -1;
  }
  return Median(ms);
}

// Conversion of the frame surface over a memcpy of the texture's bytes, timed in turn in
// the same loop, so that both see the same state of the machine; negative when the
// conversion refused the format.
double ConvertRatio(TextureFormat format) {
  constexpr int kRounds = 40;
  std::vector<uint8_t> frame(kFrameBytes);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = uint8_t(i * 131 + (i >> 9));
  const std::ptrdiff_t pitch = std::ptrdiff_t(kFrameSide) * TextureTexelBytes(format);
  std::vector<uint8_t> texture(size_t(pitch) * kFrameSide), copySource(texture.size(), 0x5A);
  size_t copies = 0;
  auto convert = [&] { return ConvertFrameToTexture(frame.data(), format, texture.data(), pitch); };
  auto copy = [&] {
    copySource[copies++ % copySource.size()] ^= 1;  // a copy the compiler cannot fold away
    std::memcpy(texture.data(), copySource.data(), texture.size());
    return true;
  };
  const int convertCalls = CallsPerBatch(convert), copyCalls = CallsPerBatch(copy);
  if (convertCalls == 0) return -1;
  std::vector<double> converting, copying;
  for (int round = 0; round < kRounds; ++round) {
    converting.push_back(MsPerCall(convertCalls, convert));
    copying.push_back(MsPerCall(copyCalls, copy));
  }
  return Median(converting) / Median(copying);
}

bool DrawWithDrawDib(const std::vector<uint8_t>& source, int width, int height) {
  BITMAPINFOHEADER header = SourceHeader(width, height);
  const BOOL drawn = DrawDibDraw(drawDib, frameDC, 0, 0, kFrameSide, kFrameSide, &header,
                                 const_cast<uint8_t*>(source.data()), 0, 0, width, height, 0);
  GdiFlush();
  return drawn != FALSE;
}

int Figures() {
  Session session;
  if (!session.ok) return Failed("no Direct3D device");
  const struct {
    const char* name;
    TextureFormat format;
  } conversions[] = {{"argb", TextureFormat::A8R8G8B8}, {"1555", TextureFormat::A1R5G5B5}};
  for (const auto& conversion : conversions) {
    const double ratio = ConvertRatio(conversion.format);
    if (ratio < 0) return Failed("the %s conversion refused the frame", conversion.name);
    Figure(std::string("convert.") + conversion.name + ".ratio", ratio);
  }

  const struct {
    int width, height, batches;
  } sizes[] = {{320, 240, 21}, {720, 576, 21}, {1920, 1080, 15}, {3840, 2160, 7}};
  double ours1080 = 0, drawDib1080 = 0;
  std::vector<uint8_t> frame(kFrameBytes);
  for (const auto& size : sizes) {
    const std::vector<uint8_t> source = scaler_pictures::MakeSource(size.width, size.height, scaler_pictures::Noise);
    FrameScaler scaler;
    scaler.Prepare(size.width, size.height);
    const double ours = MedianMsPerCall(size.batches, [&] {
      return scaler.Scale(source.data(), source.size(), size.width, size.height, frame.data());
    });
    const double drawDib =
        MedianMsPerCall(size.batches, [&] { return DrawWithDrawDib(source, size.width, size.height); });
    if (ours < 0) return Failed("our scaler refused a %dx%d frame", size.width, size.height);
    if (drawDib < 0) return Failed("DrawDib did not draw a %dx%d frame", size.width, size.height);
    const std::string name = "scale." + std::to_string(size.width) + "x" + std::to_string(size.height);
    Figure(name + ".ours_ms", ours);
    Figure(name + ".drawdib_ms", drawDib);
    if (size.width == 1920) ours1080 = ours, drawDib1080 = drawDib;
  }
  Figure("scale.1920x1080.ratio", ours1080 / drawDib1080);

  using namespace scaler_pictures;
  for (const NamedPicture& picture : kQualityPictures) {
    const std::vector<uint8_t> source = MakeSource(kQualityWidth, kQualityHeight, picture.pixel);
    if (!ScaleFrame(source.data(), source.size(), kQualityWidth, kQualityHeight, frame.data()))
      return Failed("our scaler refused the %s picture", picture.name);
    Figure(std::string("quality.") + picture.name + ".ours_db", PsnrAgainstAreaMean(source, frame.data()));
    if (!DrawWithDrawDib(source, kQualityWidth, kQualityHeight))
      return Failed("DrawDib did not draw the %s picture", picture.name);
    Figure(std::string("quality.") + picture.name + ".drawdib_db", PsnrAgainstAreaMean(source, frameBits));
  }

  // The frame path into a texture of the video's own size (as a one-tile grid on a screen of
  // that size makes it), from a decoder's NV12 and from RGB24: scale, convert and write,
  // lock and unlock included, over the lock, a memcpy of the texture's bytes and the unlock.
  const struct { int width, height, batches; } sharp[] = {{1920, 1080, 9}, {3840, 2160, 5}};
  for (const auto& size : sharp) {
    const FrameSize output{size.width, size.height};
    ComPtr<IDirect3DTexture8> texture;
    if (FAILED(d3dDevice->CreateTexture(UINT(size.width), UINT(size.height), 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                        texture.Receive())))
      return Failed("no %dx%d texture", size.width, size.height);
    const size_t textureRow = size_t(size.width) * 4;
    std::vector<uint8_t> copySource(textureRow * size.height, 0x5A), sharpFrame(FrameBytes(output));
    size_t copies = 0;
    auto copy = [&] {
      D3DLOCKED_RECT locked;
      if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) return false;
      copySource[copies++ % copySource.size()] ^= 1;  // a copy the compiler cannot fold away
      for (int row = 0; row < size.height; ++row)
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + row * locked.Pitch, &copySource[row * textureRow],
                    textureRow);
      return SUCCEEDED(texture->UnlockRect(0));
    };
    const double copyMs = MedianMsPerCall(size.batches, copy);
    if (copyMs < 0) return Failed("the %dx%d texture could not be locked", size.width, size.height);

    DecodedPicture nv12;
    nv12.format = DecodedFormat::Nv12;
    nv12.width = size.width;
    nv12.height = size.height;
    nv12.stride = size.width;
    DecodedPicture rgb24 = nv12;
    rgb24.format = DecodedFormat::Rgb24;
    rgb24.stride = int32_t(FramePitch(size.width));
    rgb24.bottomUp = true;
    for (const auto& source : {std::make_pair("nv12", nv12), std::make_pair("rgb24", rgb24)}) {
      const DecodedPicture& picture = source.second;
      std::vector<uint8_t> bytes(size_t(DecodedPictureBytes(picture)));
      for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 131 + (i >> 11));
      PictureScaler scaler;
      auto path = [&] {
        D3DLOCKED_RECT locked;
        if (!scaler.Draw(bytes.data(), bytes.size(), picture, YuvMatrix::Bt709, sharpFrame.data(), output,
                         BestPixelPath()) ||
            FAILED(texture->LockRect(0, &locked, nullptr, 0)))
          return false;
        const bool converted =
            ConvertFrameToTexture(sharpFrame.data(), output, TextureFormat::A8R8G8B8,
                                  static_cast<uint8_t*>(locked.pBits), locked.Pitch, BestPixelPath());
        return SUCCEEDED(texture->UnlockRect(0)) && converted;
      };
      const double pathMs = MedianMsPerCall(size.batches, path);
      if (pathMs < 0)
        return Failed("a %dx%d %s frame was not written at its size", size.width, size.height, source.first);
      const std::string name =
          std::string("sharp.") + source.first + "." + std::to_string(size.width) + "x" + std::to_string(size.height);
      Figure(name + ".ms", pathMs);
      Figure(name + ".ratio", pathMs / copyMs);
    }
  }

  // The whole per-frame work of the renderer for an HD video, lock and unlock included.
  ComPtr<TextureRenderer> renderer = ShownRenderer();
  if (SetRgb24Type(*renderer.Get(), 1920, 1080) != S_OK) return Failed("the 1920x1080 type was refused");
  TestSample sample(GradientFrame(1920, 1080, 5));
  HRESULT drawn = S_OK;
  const double render = MedianMsPerCall(15, [&] { return (drawn = renderer->DoRenderSample(&sample)) == S_OK; });
  if (render < 0) return Failed("a 1920x1080 frame was not drawn (0x%08lx)", drawn);
  Figure("render.1920x1080.ms", render);
  return 0;
}

// Waits until a frame drawn after `before` reached the texture; false when none had after
// 10 s.
bool WaitForFrameAfter(long before) {
  const BenchTicks start = NowTicks();
  while (FramesDrawn() <= before) {
    if (MsSince(start) > 10000) return false;
    Sleep(1);
  }
  return true;
}

const char* BaseName(const char* path) {
  const char* name = std::strrchr(path, '\\');
  return name ? name + 1 : path;
}

// Each file in turn; a file that fails is said so and the others still run.
int Cycle(int argc, char** argv) {
  Session session;
  if (!session.ok) return Failed("no Direct3D device");
  const int kCycles = 10;
  int status = 0;
  for (int f = 0; f < argc; ++f) {
    std::vector<double> build, first, release, total;
    for (int i = 0; i <= kCycles; ++i) {  // cycle 0 warms the file and the libraries up
      const long before = FramesDrawn();
      const BenchTicks t0 = NowTicks();
      const HRESULT result = BuildVideoGraph(argv[f]);
      const BenchTicks t1 = NowTicks();
      const bool drawn = result == S_OK && WaitForFrameAfter(before);
      const BenchTicks t2 = NowTicks();
      ReleaseVideoGraph();
      const BenchTicks t3 = NowTicks();
      if (!drawn) {
        status = result != S_OK ? Failed("%s: build failed 0x%08lx", BaseName(argv[f]), result)
                                : Failed("%s: no frame drawn within 10 s of the build", BaseName(argv[f]));
        total.clear();
        break;
      }
      if (i == 0) continue;
      build.push_back(TicksToMs(t1 - t0));
      first.push_back(TicksToMs(t2 - t1));
      release.push_back(TicksToMs(t3 - t2));
      total.push_back(TicksToMs(t3 - t0));
    }
    if (total.empty()) continue;
    std::printf("%s (%d cycles)\n", BaseName(argv[f]), kCycles);
    Print("build (incl. Run)", Summarise(build));
    Print("Run to first frame drawn", Summarise(first));
    Print("stop + release", Summarise(release));
    Print("whole cycle", Summarise(total));
  }
  return status;
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
  if (!session.ok) return Failed("no Direct3D device");
  CLSID splitterId;
  if (!ours && !FindSplitter(path, &splitterId)) return Failed("no splitter found for %s", BaseName(path));

  for (int i = 1; i <= cycles; ++i) {
    const char* file = paths[(i - 1) % paths.size()].c_str();
    const long before = FramesDrawn();
    const HRESULT result = ours ? BuildVideoGraph(file) : BuildNullGraph(file, splitterId);
    if (result != S_OK) {
      ReleaseVideoGraph();
      return Failed("cycle %d: build failed 0x%08lx", i, result);
    }
    Sleep(400);  // past the first frame, which comes 200 ms after Run
    // Our renderer's cycles are only cycles of the work when a frame reached the texture.
    if (ours && !WaitForFrameAfter(before)) {
      ReleaseVideoGraph();
      return Failed("cycle %d: no frame of %s drawn", i, BaseName(file));
    }
    ReleaseVideoGraph();
    if (i % step == 0) {
      std::printf("CHECKPOINT %d\n", i);
      std::fflush(stdout);
      Sleep(1500);  // quiet while the memory is read from outside
    }
  }
  std::puts("DONE");
  return 0;
}

// Plays the file into Wine's Null Renderer for a while, rewound at each end as the saver
// does: the decode floor that run-saver-bench.sh sets the saver's CPU time beside, read from
// outside; a graph that stops on an error is a failure, not a floor.
int PlayNull(const char* path, int seconds) {
  Session session;
  if (!session.ok) return Failed("no Direct3D device");
  CLSID splitterId;
  if (!FindSplitter(path, &splitterId)) return Failed("no splitter found for %s", BaseName(path));
  const HRESULT result = BuildNullGraph(path, splitterId);
  if (result != S_OK) {
    ReleaseVideoGraph();
    return Failed("build failed 0x%08lx", result);
  }
  std::puts("PLAYING");
  const BenchTicks start = NowTicks();
  while (MsSince(start) < 1000.0 * seconds) {
    bool completed = false;
    if (TakeVideoEnd(videoGraph, &completed)) {
      if (!completed) {
        ReleaseVideoGraph();
        return Failed("the Null Renderer's graph stopped on an error");
      }
      RewindVideo(videoGraph);
    }
    Sleep(10);
  }
  ReleaseVideoGraph();
  std::puts("DONE");
  return 0;
}

// CPU time of the whole process (every thread, the decoders' among them), in 100 ns units.
uint64_t ProcessCpuTime() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  auto units = [](const FILETIME& t) { return uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime; };
  return units(kernel) + units(user);
}

// Polls as the run loop does, every 10 ms, the file looping, for `ms`.
void PlayFor(double ms) {
  const BenchTicks start = NowTicks();
  while (MsSince(start) < ms) {
    PollVideoEnd(1);
    Sleep(10);
  }
}

// Figures only of frames that reached the texture, and only of the way asked for: a file
// that DirectShow refused and Media Foundation then played is not a DirectShow figure.
int Play(const char* way, const char* path, int seconds) {
  Session session;
  if (!session.ok) return Failed("no Direct3D device");
  const bool directShow = std::strcmp(way, "dshow") == 0;
  videoGraphTriesDirectShow = directShow;
  const HRESULT built = BuildVideoGraph(path);
  if (FAILED(built)) return Failed("%s was not played (0x%08lx)", BaseName(path), built);
  const bool throughMediaFoundation = MediaFoundationVideoHeld();
  std::printf("played through %s\n", throughMediaFoundation ? "Media Foundation" : "DirectShow");
  if (directShow == throughMediaFoundation)
    return Failed("%s was not played the %s way", BaseName(path), directShow ? "DirectShow" : "Media Foundation");

  PlayFor(1000);
  const long drawn0 = FramesDrawn(), handed0 = VideoFramesDelivered(videoGraph);
  const uint64_t cpu0 = ProcessCpuTime();
  const BenchTicks t0 = NowTicks();
  PlayFor(seconds * 1000.0);
  const long drawn = FramesDrawn() - drawn0, handed = VideoFramesDelivered(videoGraph) - handed0;
  const double cpuMs = double(ProcessCpuTime() - cpu0) / 10000.0, elapsedMs = MsSince(t0);
  ReleaseVideoGraph();
  std::printf("%ld frames drawn of %ld handed to the texture\n", drawn, handed);
  if (drawn <= 0) return Failed("no frame of %s drawn in %d s", BaseName(path), seconds);
  const std::string prefix = std::string("play.") + way + ".";
  Figure(prefix + "fps", drawn * 1000.0 / elapsedMs);
  Figure(prefix + "cpu_ms_per_frame", cpuMs / drawn);
  Figure(prefix + "cpu_ms_per_s", cpuMs * 1000.0 / elapsedMs);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc >= 2 && std::strcmp(argv[1], "figures") == 0) return Figures();
  if (argc >= 2 && std::strcmp(argv[1], "render") == 0) return Render();
  if (argc >= 3 && std::strcmp(argv[1], "cycle") == 0) return Cycle(argc - 2, argv + 2);
  if (argc >= 6 && std::strcmp(argv[1], "leak") == 0) return Leak(argc - 2, argv + 2);
  const bool playWay = argc >= 5 && (std::strcmp(argv[2], "dshow") == 0 || std::strcmp(argv[2], "mf") == 0);
  if (playWay && std::strcmp(argv[1], "play") == 0) return Play(argv[2], argv[3], std::atoi(argv[4]));
  if (argc >= 4 && std::strcmp(argv[1], "play-null") == 0) return PlayNull(argv[2], std::atoi(argv[3]));
  std::puts(
      "usage: video_bench figures | render | cycle FILE... | play dshow|mf FILE SECONDS | leak ours|null FILE CYCLES "
      "STEP TOKEN |\n"
      "       play-null FILE SECONDS [TOKEN]");
  return 2;
}
