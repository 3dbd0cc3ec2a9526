// Real filter graphs on real files: the files the build made with our writer and with
// ffmpeg, broken files made here, and what the three graph operations leave behind.
#include <windows.h>

#include <dshow.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "base/com_ptr_win.h"
#include "scenes/device_objects_win.h"
#include "video/texture_renderer_win.h"
#include "video/video_graph_win.h"
#include "video_test_support.h"

namespace {

class VideoGraphTest : public VideoDeviceTest {
 protected:
  void SetUp() override { ASSERT_EQ(videoGraph.graphBuilder, nullptr) << "a test left a graph behind"; }
  void TearDown() override { ReleaseVideoGraph(); }

  // The renderer of the running graph, with a reference of the caller's.
  static ComPtr<TextureRenderer> Renderer() {
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(videoGraph.graphBuilder->FindFilterByName(L"TEXTURERENDERER", filter.Receive()), S_OK);
    return ComPtr<TextureRenderer>(static_cast<TextureRenderer*>(filter.Detach()));
  }

  static void ExpectNothingHeld() {
    EXPECT_EQ(videoGraph.graphBuilder, nullptr);
    EXPECT_EQ(videoGraph.mediaControl, nullptr);
    EXPECT_EQ(videoGraph.mediaPosition, nullptr);
    EXPECT_EQ(videoGraph.mediaEvent, nullptr);
  }
};

// Every filter in the graph that is not ours has an output pin: nothing else renders
// (no sound renderer, in particular). `filterCount`, when not 0, is how many there must be.
void ExpectOnlyRendererIsOurs(int filterCount = 0) {
  ComPtr<IEnumFilters> filters;
  ASSERT_EQ(videoGraph.graphBuilder->EnumFilters(filters.Receive()), S_OK);
  IBaseFilter* filter = nullptr;
  int count = 0;
  while (filters->Next(1, &filter, nullptr) == S_OK) {
    ComPtr<IBaseFilter> held(filter);
    ++count;
    CLSID id;
    held->GetClassID(&id);
    if (IsEqualGUID(id, kTextureRendererClassId)) continue;
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(held->EnumPins(pins.Receive()), S_OK);
    bool hasOutput = false;
    IPin* pin = nullptr;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
      PIN_DIRECTION direction;
      pin->QueryDirection(&direction);
      hasOutput = hasOutput || direction == PINDIR_OUTPUT;
      pin->Release();
    }
    EXPECT_TRUE(hasOutput) << "another renderer in the graph: filter " << count;
  }
  EXPECT_GE(count, 3) << "source, splitter and our renderer";
  if (filterCount != 0) {
    EXPECT_EQ(count, filterCount) << "a converter between the splitter and our renderer";
  }
}

struct FileCase {
  const char* name;
  int tolerance;    // per channel; lossy codecs blur and shift colours a little
  int filters = 0;  // in the graph, when it must be exactly so many
};

class PlayFileTest : public VideoGraphTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(PlayFileTest, BuildsRunsAndFillsTheTextureTheRightWayUp) {
  const FileCase c = GetParam();
  const std::string path = VideoInput(c.name);
  ASSERT_TRUE(InputExists(path));
  FillTexture({12, 34, 56});

  ASSERT_EQ(BuildVideoGraph(path.c_str()), S_OK);
  EXPECT_NE(videoGraph.mediaControl, nullptr);
  EXPECT_NE(videoGraph.mediaPosition, nullptr);
  EXPECT_NE(videoGraph.mediaEvent, nullptr);
  ComPtr<TextureRenderer> renderer = Renderer();
  ASSERT_TRUE(renderer);
  ExpectOnlyRendererIsOurs(c.filters);

  EXPECT_TRUE(WaitFor([&] { return QuadrantsShown(c.tolerance); })) << "no frame of " << c.name << " arrived";
  ExpectQuadrants(c.tolerance, c.name);
  EXPECT_GT(renderer->FramesRendered(), 0);

  // The graph releases every reference it had; ours is the last.
  ReleaseVideoGraph();
  ExpectNothingHeld();
  EXPECT_EQ(renderer.Detach()->Release(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Files, PlayFileTest,
                         ::testing::Values(FileCase{"quad_320x240.avi", 0}, FileCase{"quad_720x576.avi", 0},
                                           FileCase{"quad_321x241.avi", 0}, FileCase{"quad_320x240_pcm.avi", 0},
                                           FileCase{"quad_320x240_topdown.avi", 0}, FileCase{"quad_mpeg1.mpg", 40},
                                           FileCase{"quad_mjpeg_pcm.avi", 40}, FileCase{"quad_cinepak.avi", 40},
                                           FileCase{"quad_wmv2.wmv", 40},
                                           // Raw YUV: source, splitter and renderer, nothing between.
                                           FileCase{"quad_yuy2.avi", 6, 3}, FileCase{"quad_uyvy.avi", 6, 3},
                                           FileCase{"quad_yv12.avi", 6, 3}, FileCase{"quad_i420.avi", 6, 3}),
                         [](const ::testing::TestParamInfo<FileCase>& info) {
                           std::string name = info.param.name;
                           for (char& ch : name) {
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name;
                         });

TEST_F(VideoGraphTest, EndOfVideoIsReportedOncePerEnd) {
  const std::string path = VideoInput("quad_160x120_short.avi");
  ASSERT_TRUE(InputExists(path));
  ASSERT_EQ(BuildVideoGraph(path.c_str()), S_OK);

  // The end comes (and PollVideoEnd rewinds the file).
  ASSERT_TRUE(WaitFor([] { return PollVideoEnd(2); })) << "EC_COMPLETE never arrived";

  // While the graph is held paused no further end can come, and the one seen is not seen again.
  ASSERT_TRUE(SUCCEEDED(videoGraph.mediaControl->Pause()));
  int ends = 0;
  for (int i = 0; i < 40; ++i) {
    ends += PollVideoEnd(2) ? 1 : 0;
    Sleep(5);
  }
  EXPECT_EQ(ends, 0);

  // Running again from the rewound position, the next end is reported.
  ASSERT_TRUE(SUCCEEDED(videoGraph.mediaControl->Run()));
  EXPECT_TRUE(WaitFor([] { return PollVideoEnd(2); })) << "the rewound video did not end again";
}

TEST_F(VideoGraphTest, PollingWithModeZeroTakesNoEvent) {
  const std::string path = VideoInput("quad_160x120_short.avi");
  ASSERT_TRUE(InputExists(path));
  ASSERT_EQ(BuildVideoGraph(path.c_str()), S_OK);
  long code = 0;
  // WaitForCompletion watches the end without taking it from the queue.
  ASSERT_EQ(videoGraph.mediaEvent->WaitForCompletion(15000, &code), S_OK);
  ASSERT_EQ(code, EC_COMPLETE);

  for (int i = 0; i < 10; ++i) EXPECT_FALSE(PollVideoEnd(0));
  bool ended = false;
  for (int i = 0; i < 50 && !ended; ++i) ended = PollVideoEnd(2);
  EXPECT_TRUE(ended) << "EC_COMPLETE should still have been queued";
}

TEST_F(VideoGraphTest, ModeOneLoopsTheFileAndFramesKeepComing) {
  // First half: quadrants; second half: the same picture upside down (blue at the top left).
  const std::string path = VideoInput("two_halves.avi");
  ASSERT_TRUE(InputExists(path));
  ASSERT_EQ(BuildVideoGraph(path.c_str()), S_OK);
  auto topLeft = [] { return ReadTexel(64, 192).color; };
  auto pollShows = [&](Rgb wanted) {
    return WaitFor([&] {
      PollVideoEnd(1);  // rewinds at the end
      return Near(topLeft(), wanted, 0);
    });
  };
  ASSERT_TRUE(pollShows(kRed)) << "first half never shown";
  ASSERT_TRUE(pollShows(kBlue)) << "second half never shown";
  EXPECT_TRUE(pollShows(kRed)) << "the file did not start again";
  EXPECT_TRUE(pollShows(kBlue)) << "frames stopped after the rewind";
}

TEST_F(VideoGraphTest, PollingWithoutGraphAnswersFalse) {
  for (int mode : {0, 1, 2, 7}) EXPECT_FALSE(PollVideoEnd(mode)) << "mode " << mode;
}

TEST_F(VideoGraphTest, NoFrameReachesTheTextureAfterRelease) {
  const std::string path = VideoInput("quad_320x240_long.avi");
  ASSERT_TRUE(InputExists(path));
  for (int cycle = 0; cycle < 3; ++cycle) {
    FillTexture({12, 34, 56});
    ASSERT_EQ(BuildVideoGraph(path.c_str()), S_OK);
    ComPtr<TextureRenderer> renderer = Renderer();
    ASSERT_TRUE(WaitFor([] { return QuadrantsShown(0); }));

    ReleaseVideoGraph();
    const LONG frames = renderer->FramesRendered();
    FillTexture({200, 100, 50});
    Sleep(300);  // several frame periods of the file
    EXPECT_TRUE(Near(ReadTexel(128, 128).color, {200, 100, 50}, 0)) << "cycle " << cycle;
    EXPECT_EQ(renderer->FramesRendered(), frames);
    EXPECT_EQ(renderer.Detach()->Release(), 0u) << "cycle " << cycle;
  }
}

TEST_F(VideoGraphTest, ReleaseTwiceIsHarmless) {
  ReleaseVideoGraph();
  ExpectNothingHeld();
  const std::string path = VideoInput("quad_160x120_short.avi");
  ASSERT_TRUE(InputExists(path));
  ASSERT_EQ(BuildVideoGraph(path.c_str()), S_OK);
  ReleaseVideoGraph();
  ExpectNothingHeld();
  ReleaseVideoGraph();
  ExpectNothingHeld();
}

TEST_F(VideoGraphTest, EachGraphsRendererHasTheFormatOfItsFile) {
  const std::string big = VideoInput("quad_720x576.avi"), odd = VideoInput("quad_321x241.avi");
  ASSERT_TRUE(InputExists(big) && InputExists(odd));
  ASSERT_EQ(BuildVideoGraph(big.c_str()), S_OK);
  EXPECT_EQ(Renderer()->videoHeader.biWidth, 720);
  EXPECT_EQ(Renderer()->videoHeader.biHeight, 576);
  ReleaseVideoGraph();
  ASSERT_EQ(BuildVideoGraph(odd.c_str()), S_OK);
  ComPtr<TextureRenderer> renderer = Renderer();
  EXPECT_EQ(renderer->videoHeader.biWidth, 321);
  EXPECT_EQ(renderer->videoHeader.biHeight, 241);
  EXPECT_EQ(renderer->videoWidth, 321);
  EXPECT_EQ(renderer->videoHeight, 241);
  EXPECT_EQ(textureFormat, D3DFMT_A8R8G8B8);
}

// ---- Inputs that cannot be played ---------------------------------------------------------

std::string TempFolder() {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  return folder;
}

std::string WriteFile(const std::string& name, const std::string& bytes) {
  const std::string path = TempFolder() + name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A path of exactly `length` characters to a copy of a playable file, in nested folders
// under the temporary folder (a folder's own path must stay under 248 characters).
std::string LongPathCopy(size_t length) {
  std::string folder = TempFolder() + "orvel-long";
  CreateDirectoryA(folder.c_str(), nullptr);
  folder += "\\" + std::string(200 - folder.size(), 'f');
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string path = folder + "\\";
  path += std::string(length - path.size() - 4, 'v') + ".avi";
  CopyFileA(VideoInput("quad_160x120_short.avi").c_str(), path.c_str(), FALSE);
  return path;
}

// What DirectShow could not play goes before Media Foundation is tried (one way plays at a
// time); only a file refused before that, on its path or its start, leaves the builder.
TEST_F(VideoGraphTest, BrokenInputsFailAndLeaveAtMostTheGraphBuilder) {
  const std::string sample = ReadFile(VideoInput("quad_320x240.avi"));
  ASSERT_GT(sample.size(), 4096u);
  struct Case {
    const char* what;
    std::string path;
    bool builderLeft;
  } const cases[] = {
      {"empty path", "", true},
      {"missing file", TempFolder() + "orvel-no-such-file.avi", false},
      {"empty file", WriteFile("orvel-empty.avi", ""), true},
      {"text named .avi", WriteFile("orvel-text.avi", "This is not a video.\r\nJust some words.\r\n"), false},
      {"AVI cut inside its headers", WriteFile("orvel-cut.avi", sample.substr(0, 200)), true},
  };
  for (const Case& c : cases) {
    const HRESULT result = BuildVideoGraph(c.path.c_str());
    EXPECT_LT(result, 0) << c.what;
    EXPECT_EQ(videoGraph.graphBuilder != nullptr, c.builderLeft) << c.what;
    EXPECT_EQ(videoGraph.mediaControl, nullptr) << c.what;
    EXPECT_EQ(videoGraph.mediaPosition, nullptr) << c.what;
    EXPECT_EQ(videoGraph.mediaEvent, nullptr) << c.what;
    EXPECT_FALSE(PollVideoEnd(2)) << c.what;
    ReleaseVideoGraph();
    ExpectNothingHeld();
  }
  const HRESULT emptyPath = BuildVideoGraph("");
  ReleaseVideoGraph();
  EXPECT_EQ(BuildVideoGraph(nullptr), emptyPath) << "no path is an empty path";
  for (const Case& c : cases) DeleteFileA(c.path.c_str());
}

TEST_F(VideoGraphTest, EveryBadInputFailsAndLeavesNothingAfterRelease) {
  BadInputs bad;
  ASSERT_GE(bad.list().size(), 12u);
  for (const BadInput& c : bad.list()) {
    EXPECT_LT(BuildVideoGraph(c.path.c_str()), 0) << c.what;
    EXPECT_FALSE(PollVideoEnd(2)) << c.what;
    ReleaseVideoGraph();
    ExpectNothingHeld();
  }
}

// A file cut in the middle of its frames still plays what it has.
TEST_F(VideoGraphTest, AFileCutAfterHalfItsFramesPlaysWhatItHas) {
  const std::string sample = ReadFile(VideoInput("quad_320x240.avi"));
  const std::string path = WriteFile("orvel-half.avi", sample.substr(0, sample.size() / 2));
  FillTexture({12, 34, 56});
  ASSERT_EQ(BuildVideoGraph(path.c_str()), S_OK);
  EXPECT_TRUE(WaitFor([] { return QuadrantsShown(40); }));
  ReleaseVideoGraph();
  DeleteFileA(path.c_str());
}

TEST_F(VideoGraphTest, PathsLongerThan259CharactersAreRefusedBeforeAnythingIsBuilt) {
  ASSERT_TRUE(InputExists(VideoInput("quad_160x120_short.avi")));
  const std::string longest = LongPathCopy(259);
  ASSERT_EQ(longest.size(), 259u);
  ASSERT_NE(GetFileAttributesA(longest.c_str()), INVALID_FILE_ATTRIBUTES) << "copy to " << longest;
  EXPECT_EQ(BuildVideoGraph(longest.c_str()), S_OK) << "259 characters still fit";
  ReleaseVideoGraph();

  for (size_t length : {260u, 300u}) {
    const std::string path = longest + std::string(length - 259, 'x');
    EXPECT_EQ(BuildVideoGraph(path.c_str()), HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE)) << length;
    ExpectNothingHeld();
  }
  DeleteFileA(longest.c_str());
  const std::string folder = longest.substr(0, longest.find_last_of('\\'));
  RemoveDirectoryA(folder.c_str());
  RemoveDirectoryA(folder.substr(0, folder.find_last_of('\\')).c_str());
}

}  // namespace

namespace {

// An upstream output pin of the test's own: it offers one type to the renderer's input pin
// the way any upstream pin does when the graph connects the two (the renderer asks it only
// its direction). Lives on the test's stack.
class OfferingPin final : public IPin {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPin)) ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override { return --references_; }
  STDMETHODIMP Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP Disconnect() override { return E_NOTIMPL; }
  STDMETHODIMP ConnectedTo(IPin**) override { return E_NOTIMPL; }
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryPinInfo(PIN_INFO*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override {
    *direction = PINDIR_OUTPUT;
    return S_OK;
  }
  STDMETHODIMP QueryId(LPWSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes**) override { return E_NOTIMPL; }
  STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP EndOfStream() override { return E_NOTIMPL; }
  STDMETHODIMP BeginFlush() override { return E_NOTIMPL; }
  STDMETHODIMP EndFlush() override { return E_NOTIMPL; }
  STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return E_NOTIMPL; }

  ULONG references() const { return references_; }

 private:
  ULONG references_ = 1;
};

// A decoder that calls its frames 24-bit RGB whatever they are: each lie is refused by the
// connection, nothing is left connected, and the next honest file plays.
TEST_F(VideoGraphTest, HostileTypesAreRefusedAndTheNextFilePlays) {
  struct Hostile {
    const char* name;
    void (*shape)(VideoType&);
  };
  // clang-format off
  const Hostile cases[] = {
      {"8-bit with a colour table", [](VideoType& t) { t.info().bmiHeader.biBitCount = 8; t.info().bmiHeader.biClrUsed = 256; }},
      {"8-bit, said so", [](VideoType& t) { t.info().bmiHeader.biBitCount = 8; t.get()->subtype = MEDIASUBTYPE_RGB8; }},
      {"bit fields", [](VideoType& t) { t.info().bmiHeader.biCompression = BI_BITFIELDS; }},
      {"a FOURCC", [](VideoType& t) { t.info().bmiHeader.biCompression = MAKEFOURCC('Y', 'U', 'Y', '2'); }},
      {"0 x 0", [](VideoType& t) { t.info().bmiHeader.biWidth = 0; t.info().bmiHeader.biHeight = 0; }},
      {"100000 x 100000", [](VideoType& t) { t.info().bmiHeader.biWidth = 100000; t.info().bmiHeader.biHeight = 100000; }},
      {"negative width", [](VideoType& t) { t.info().bmiHeader.biWidth = -320; }},
      {"image size lies", [](VideoType& t) { t.info().bmiHeader.biSizeImage = 1000; }},
  };
  // clang-format on
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.ReceiveVoid()),
            S_OK);
  HRESULT made = E_FAIL;
  ComPtr<TextureRenderer> renderer(new TextureRenderer(nullptr, &made));
  ASSERT_EQ(made, S_OK);
  ASSERT_EQ(graph->AddFilter(renderer.Get(), L"TEXTURERENDERER"), S_OK);
  ComPtr<IPin> input;
  ASSERT_EQ(renderer->FindPin(L"In", input.Receive()), S_OK);

  OfferingPin upstream;
  for (const Hostile& c : cases) {
    VideoType type(320, 240);
    c.shape(type);
    EXPECT_TRUE(FAILED(input->ReceiveConnection(&upstream, type.get()))) << c.name;
    ComPtr<IPin> peer;
    EXPECT_EQ(input->ConnectedTo(peer.Receive()), VFW_E_NOT_CONNECTED) << c.name;
  }
  EXPECT_EQ(upstream.references(), 1u) << "a refused pin is not kept";
  VideoType honest(320, 240);
  EXPECT_EQ(input->ReceiveConnection(&upstream, honest.get()), S_OK) << "the pin itself connects";
  EXPECT_EQ(input->Disconnect(), S_OK);
  ASSERT_EQ(graph->RemoveFilter(renderer.Get()), S_OK);

  const std::string file = VideoInput("quad_320x240.avi");
  ASSERT_TRUE(InputExists(file));
  FillTexture({12, 34, 56});
  ASSERT_EQ(BuildVideoGraph(file.c_str()), S_OK);
  EXPECT_TRUE(WaitFor([] { return QuadrantsShown(40); }));
}

}  // namespace
