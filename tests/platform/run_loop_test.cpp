// The run loop in this process with real windows, device, graphs and files: the play
// list order, looping, wrapping, the start-up failures and what each undoes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/com_ptr_win.h"
#include "base/scoped_win.h"
#include "program_folder.h"
#include "scene_device_faults.h"
#include "scenes/device_objects_win.h"
#include "scenes/scene_dispatch_win.h"
#include "settings/options_record.h"
#include "settings/options_registry_win.h"
#include "settings/settings_encoding.h"
#include "shell/notice_win.h"
#include "shell/password_win.h"
#include "shell/run_loop_win.h"
#include "shell/saver_input.h"
#include "shell/saver_window_win.h"
#include "video/texture_renderer_win.h"
#include "video/video_graph_win.h"
#include "video_test_support.h"

namespace {

std::vector<std::string> notices;
void RecordNotice(const char* text) { notices.push_back(text); }

IDirect3D8* WINAPI NoDirect3D(UINT) { return nullptr; }
bool NoFrameSurface() { return false; }

bool windowVisibleAtSceneInit = true;
HRESULT FailingScene() {
  windowVisibleAtSceneInit = IsWindowVisible(saverWindow) != FALSE;
  return E_FAIL;
}
HRESULT WatchedScene() {
  windowVisibleAtSceneInit = IsWindowVisible(saverWindow) != FALSE;
  return InitScene();
}

// Called from the run loop's own message dispatch every few milliseconds while it runs;
// ends the run (destroys saverWindow) when `step` says so or when the bound is reached.
std::function<bool()> watchStep;
DWORD watchStart = 0;
constexpr DWORD kWatchBound = 20000;  // only keeps a broken build from hanging the run

void CALLBACK WatchTimer(HWND, UINT, UINT_PTR, DWORD) {
  const bool done = watchStep() || GetTickCount() - watchStart > kWatchBound;
  if (done && IsWindow(saverWindow)) DestroyWindow(saverWindow);
}

// True when COM is not initialised on this thread.
bool ComIsUninitialised() {
  const HRESULT hr = CoInitialize(nullptr);
  CoUninitialize();
  return hr == S_OK;
}

std::string CurrentEntry() {
  if (playList == nullptr || playIndex == 0) return std::string();
  char text[260] = {};
  SendMessageA(playList, LB_GETTEXT, playIndex - 1, reinterpret_cast<LPARAM>(text));
  return text;
}

class RunLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ComIsUninitialised()) << "an earlier test left COM initialised";
    std::memset(&saverOptions, 0, sizeof(saverOptions));
    SetDefaultOptions(saverOptions);
    saverOptions.shape = 2;  // one grid tile: the whole screen shows the texture
    saverOptions.gridColumns = 1;
    saverOptions.gridRows = 1;
    notices.clear();
    noticeBox = RecordNotice;
    windowVisibleAtSceneInit = true;
  }

  void TearDown() override {
    noticeBox = savedNoticeBox_;
    runSteps = savedSteps_;
    direct3DCreate = savedCreate_;
    if (saverWindow && IsWindow(saverWindow)) DestroyWindow(saverWindow);
    if (host_) DestroyWindow(host_);
    saverWindow = nullptr;
    hostWindow = nullptr;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  void MakeWindow(SaverMode mode) {
    saverMode = mode;
    if (mode == SaverMode::Preview) {
      host_ = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 240, nullptr, nullptr,
                              nullptr, nullptr);
      hostWindow = host_;
    }
    ASSERT_NE(CreateSaverWindow(), nullptr);
  }

  void SetSlot(int slot, const std::string& path) {
    char* to = VideoFileSlot(saverOptions, slot);
    to[path.copy(to, kVideoPathMaxLength)] = '\0';
  }

  // Runs the saver, with `step` called every 20 ms from inside its loop until it answers
  // true (then the window is destroyed and the run ends).
  void RunWatched(std::function<bool()> step) {
    watchStep = std::move(step);
    watchStart = GetTickCount();
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, WatchTimer);
    RunSaver();
    KillTimer(nullptr, timer);
  }

  // Nothing of the run is left: the state every failure row and the normal end must leave.
  void ExpectEverythingReleased() {
    EXPECT_EQ(direct3D, nullptr);
    EXPECT_EQ(d3dDevice, nullptr);
    EXPECT_EQ(videoTexture, nullptr);
    EXPECT_EQ(sceneVertexBuffer, nullptr);
    EXPECT_EQ(sceneIndexBuffer, nullptr);
    EXPECT_EQ(shownVideo, nullptr);
    EXPECT_EQ(frameBitmap, nullptr);
    EXPECT_EQ(passwordModule, nullptr);
    EXPECT_TRUE(ComIsUninitialised());
    EXPECT_TRUE(LetVideoThreadsEnd(5000)) << "a video thread outlived the run";
  }

  HWND host_ = nullptr;
  NoticeBoxProc savedNoticeBox_ = noticeBox;
  RunSteps savedSteps_ = runSteps;
  Direct3DCreateProc savedCreate_ = direct3DCreate;
};

TEST_F(RunLoopTest, PlayableSlotsPlayInTurnSkippingTheBrokenOne) {
  MakeWindow(SaverMode::Saver);
  const std::string red = RunInput("solid_red.avi"), blue = RunInput("solid_blue.avi");
  SetSlot(3, red);
  SetSlot(5, RunInput("missing.avi"));
  SetSlot(7, blue);

  std::vector<std::string> played;
  RunWatched([&] {
    const std::string now = CurrentEntry();
    if (!now.empty() && (played.empty() || played.back() != now)) played.push_back(now);
    return played.size() >= 4;
  });

  EXPECT_EQ(playCount, 2u);
  EXPECT_EQ(played, (std::vector<std::string>{red, blue, red, blue}));
  EXPECT_TRUE(notices.empty());
  ExpectEverythingReleased();
}

TEST_F(RunLoopTest, ThreeFilesWrapToTheFirstAndTheTextureFollows) {
  MakeWindow(SaverMode::Test);
  SetSlot(1, RunInput("solid_red.avi"));
  SetSlot(2, RunInput("solid_green.avi"));
  SetSlot(3, RunInput("solid_blue.avi"));

  // The colour at the texture's centre, each time it settles on another one.
  std::vector<std::string> colours;
  RunWatched([&] {
    const Texel t = ReadTexel(128, 128);
    std::string c = Near(t.color, kRed, 40)     ? "red"
                    : Near(t.color, kGreen, 40) ? "green"
                    : Near(t.color, kBlue, 40)  ? "blue"
                                                : "";
    if (!c.empty() && (colours.empty() || colours.back() != c)) colours.push_back(c);
    return colours.size() >= 4;
  });

  EXPECT_EQ(colours, (std::vector<std::string>{"red", "green", "blue", "red"}));
  EXPECT_EQ(playCount, 3u);
  ExpectEverythingReleased();
}

// A file that was playable when the list was made and is gone when its turn comes: the run
// moves on to the next file rather than freezing on the last picture.
TEST_F(RunLoopTest, AFileGoneSinceTheStartIsSkippedAtItsTurn) {
  MakeWindow(SaverMode::Saver);
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  const std::string vanishing = std::string(folder) + "orvel_vanishing_green.avi";
  ASSERT_TRUE(CopyFileA(RunInput("solid_green.avi").c_str(), vanishing.c_str(), FALSE));
  SetSlot(1, RunInput("solid_red.avi"));
  SetSlot(2, vanishing);
  SetSlot(3, RunInput("solid_blue.avi"));

  std::vector<std::string> colours;
  RunWatched([&] {
    if (colours.size() == 3) DeleteFileA(vanishing.c_str());  // green has played; blue plays
    const Texel t = ReadTexel(128, 128);
    std::string c = Near(t.color, kRed, 40)     ? "red"
                    : Near(t.color, kGreen, 40) ? "green"
                    : Near(t.color, kBlue, 40)  ? "blue"
                                                : "";
    if (!c.empty() && (colours.empty() || colours.back() != c)) colours.push_back(c);
    return colours.size() >= 5;
  });
  DeleteFileA(vanishing.c_str());

  EXPECT_EQ(playCount, 3u) << "the file has played in this run";
  EXPECT_EQ(colours, (std::vector<std::string>{"red", "green", "blue", "red", "blue"}));
  ExpectEverythingReleased();
}

// Whatever a user or a hostile file puts in the slots, the run lists only what plays and
// says nothing while something does.
TEST_F(RunLoopTest, BadInputsAreLeftOutOfThePlayListSilently) {
  MakeWindow(SaverMode::Saver);
  BadInputs bad;
  ASSERT_GE(bad.list().size(), 9u);
  for (int slot = 1; slot <= 9; ++slot) SetSlot(slot, bad.list()[bad.list().size() - slot].path);
  const std::string blue = RunInput("solid_blue.avi");
  SetSlot(10, blue);
  std::string playing;
  RunWatched([&] {
    playing = CurrentEntry();
    return Near(ReadTexel(128, 128).color, kBlue, 40);
  });
  EXPECT_EQ(playCount, 1u);
  EXPECT_EQ(playing, blue);
  EXPECT_TRUE(notices.empty());
  ExpectEverythingReleased();
}

TEST_F(RunLoopTest, ASingleFileLoopsOnItsOwnGraph) {
  MakeWindow(SaverMode::Saver);
  const std::string clip = VideoInput("two_halves.avi");  // upright, then upside down
  ASSERT_TRUE(InputExists(clip));
  SetSlot(4, clip);

  const VideoTry* firstVideo = nullptr;
  bool sameGraph = true;
  int uprightSpells = 0;
  bool wasUpright = false;
  RunWatched([&] {
    if (shownVideo == nullptr) return false;
    if (firstVideo == nullptr) firstVideo = shownVideo;
    sameGraph = sameGraph && shownVideo == firstVideo;
    const bool upright = QuadrantsShown(40);
    if (upright && !wasUpright) ++uprightSpells;
    wasUpright = upright;
    return uprightSpells >= 3;  // it has started again from its beginning twice
  });

  EXPECT_EQ(playCount, 1u);
  EXPECT_GE(uprightSpells, 3);
  EXPECT_TRUE(sameGraph);
  ExpectEverythingReleased();
}

// The graphs that ran, on their threads, for the test to break.
CriticalSection graphsLock;
std::vector<IGraphBuilder*> runningGraphs;
void RecordGraph(IGraphBuilder* graph) {
  ScopedLock lock(graphsLock);
  graph->AddRef();
  runningGraphs.push_back(graph);
}

// An error or abort in the middle of a file ends it like its end: the next file plays at
// once, not when the broken one would have ended (a minute later).
TEST_F(RunLoopTest, AnErrorOrAbortMidFileMovesTheListOn) {
  const long codes[] = {EC_ERRORABORT, EC_STREAM_ERROR_STOPPED, EC_USERABORT};
  for (long code : codes) {
    SCOPED_TRACE(code);
    MakeWindow(SaverMode::Saver);
    SetSlot(1, RunInput("long_red.avi"));
    SetSlot(2, RunInput("solid_blue.avi"));
    videoGraphRunning = RecordGraph;
    bool broken = false, blue = false;
    RunWatched([&] {
      if (!broken && Near(ReadTexel(128, 128).color, kRed, 40)) {
        ScopedLock lock(graphsLock);
        ComPtr<IMediaEventSink> sink;
        if (FAILED(
                runningGraphs.front()->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(sink.Receive()))))
          return true;
        broken = SUCCEEDED(sink->Notify(code, E_FAIL, 0));
      }
      blue = broken && Near(ReadTexel(128, 128).color, kBlue, 40);
      return blue;
    });
    videoGraphRunning = nullptr;
    for (IGraphBuilder* graph : runningGraphs) graph->Release();
    runningGraphs.clear();
    EXPECT_TRUE(broken);
    EXPECT_TRUE(blue) << "still on the broken file";
    ExpectEverythingReleased();
    DestroyWindow(saverWindow);
  }
}

// The faults go on the run's device as the scene starts, and come off before the device goes.
HRESULT SceneOnFaultyDevice() {
  InstallDeviceFaults(d3dDevice);
  return InitScene();
}

// A lost device (Presents report it, then it cannot be reset for a while) or a new display
// size: the run draws nothing meanwhile, resets the device once, makes the scene's buffers
// again and goes on presenting.
TEST_F(RunLoopTest, ALostDeviceOrANewDisplayIsResetAndTheRunGoesOn) {
  for (const bool displayChange : {false, true}) {
    SCOPED_TRACE(displayChange ? "display change" : "lost device");
    MakeWindow(SaverMode::Saver);
    SetSlot(1, RunInput("solid_blue.avi"));
    runSteps.initScene = SceneOnFaultyDevice;
    bool broken = false;
    int resets = 0, presentsAfter = 0, presentsWhileLost = 0;
    RunWatched([&] {
      if (!broken && Near(ReadTexel(128, 128).color, kBlue, 40)) {
        if (displayChange) {
          PostMessageA(saverWindow, WM_DISPLAYCHANGE, 32,
                       MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
        } else {
          LoseDevice(1, 3);
        }
        broken = true;
      }
      resets = DeviceResets();
      presentsAfter = PresentsAfterReset();
      presentsWhileLost = PresentsWhileLost();
      if (presentsAfter < 3) return false;
      RemoveDeviceFaults();
      return true;
    });
    RemoveDeviceFaults();
    EXPECT_EQ(resets, 1);
    EXPECT_GE(presentsAfter, 3);
    EXPECT_EQ(presentsWhileLost, 0);
    ExpectEverythingReleased();
  }
}

// The notice comes before the run lets the device go: the faults come off there.
void RecordNoticeWithoutFaults(const char* text) {
  RemoveDeviceFaults();
  RecordNotice(text);
}

// The grid's index buffer is refused once the device was reset: its scene cannot be made again.
TEST_F(RunLoopTest, ASceneThatCannotBeMadeAfterAResetEndsTheRunWithOneNotice) {
  MakeWindow(SaverMode::Saver);
  SetSlot(1, RunInput("solid_blue.avi"));
  runSteps.initScene = SceneOnFaultyDevice;
  noticeBox = RecordNoticeWithoutFaults;
  bool lost = false;
  RunWatched([&] {
    if (!lost) {
      FailIndexBufferCreation(E_OUTOFMEMORY);
      LoseDevice(1, 1);
    }
    lost = true;
    return false;  // the run must end by itself
  });
  RemoveDeviceFaults();
  EXPECT_LT(GetTickCount() - watchStart, kWatchBound) << "the run went on without its scene";
  EXPECT_EQ(notices, std::vector<std::string>{kNoticeSceneFailed});
  ExpectEverythingReleased();
}

// "One picture across all" whose desktop has grown past what the device can reset to: the
// same picture on each monitor takes over, and the run goes on.
TEST_F(RunLoopTest, AResetTheSpanningPictureCannotHaveFallsBackToTheSameOnEach) {
  MakeWindow(SaverMode::Saver);
  SetSlot(1, RunInput("solid_blue.avi"));
  const int32_t savedChoice = monitorsChoice;
  monitorsChoice = kMonitorsAcross;
  runSteps.initScene = SceneOnFaultyDevice;
  bool changed = false;
  SIZE spanning = {}, after = {};
  int resets = 0, presentsAfter = 0;
  RunWatched([&] {
    if (!changed) {
      spanning = backBufferSize;
      RefuseResets(1, D3DERR_INVALIDCALL);
      PostMessageA(saverWindow, WM_DISPLAYCHANGE, 32,
                   MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
      changed = true;
      return false;
    }
    resets = DeviceResets();
    presentsAfter = PresentsAfterReset();
    after = backBufferSize;
    if (presentsAfter < 3) return false;
    RemoveDeviceFaults();
    return true;
  });
  RemoveDeviceFaults();
  monitorsChoice = savedChoice;
  EXPECT_GT(spanning.cx, 0) << "the run spanned the desktop";
  EXPECT_EQ(after.cx, 0) << "then showed the same picture on each monitor";
  EXPECT_EQ(resets, 1);
  EXPECT_GE(presentsAfter, 3);
  EXPECT_TRUE(notices.empty());
  ExpectEverythingReleased();
}

TEST_F(RunLoopTest, WindowIsShownOnlyAfterTheSceneIsReady) {
  MakeWindow(SaverMode::Saver);
  SetSlot(1, RunInput("solid_green.avi"));
  runSteps.initScene = WatchedScene;
  bool visibleWhileRunning = false;
  RunWatched([&] {
    visibleWhileRunning = IsWindowVisible(saverWindow) != FALSE;
    return true;
  });
  EXPECT_FALSE(windowVisibleAtSceneInit);
  EXPECT_TRUE(visibleWhileRunning);
  EXPECT_EQ(mouseMoveCount, 0u);
}

TEST_F(RunLoopTest, NoPlayableFileTellsOnceAndUndoesEverything) {
  MakeWindow(SaverMode::Saver);
  SetSlot(2, RunInput("missing.avi"));
  SetSlot(9, "");
  RunSaver();  // returns at once: no idle loop to watch
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0], kNoticeNoVideo);
  EXPECT_EQ(playCount, 0u);
  EXPECT_EQ(playList, nullptr);
  EXPECT_EQ(FindWindowExA(saverWindow, nullptr, "LISTBOX", nullptr), nullptr);
  EXPECT_FALSE(IsWindowVisible(saverWindow));
  ExpectEverythingReleased();
}

TEST_F(RunLoopTest, PreviewNeverShowsANotice) {
  MakeWindow(SaverMode::Preview);
  RunSaver();
  EXPECT_TRUE(notices.empty());
  EXPECT_EQ(playCount, 0u);
  ExpectEverythingReleased();
}

TEST_F(RunLoopTest, ComThatCannotStartTellsAndUndoesNothingElse) {
  MakeWindow(SaverMode::Saver);
  // A thread already in the multithreaded apartment refuses CoInitialize.
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  RunSaver();
  CoUninitialize();
  EXPECT_EQ(notices, std::vector<std::string>{kNoticeComFailed});
  EXPECT_FALSE(IsWindowVisible(saverWindow));
  ExpectEverythingReleased();
}

TEST_F(RunLoopTest, DeviceThatCannotBeMadeTells) {
  MakeWindow(SaverMode::Test);
  direct3DCreate = NoDirect3D;
  RunSaver();
  EXPECT_EQ(notices, std::vector<std::string>{kNoticeDeviceFailed});
  EXPECT_FALSE(IsWindowVisible(saverWindow));
  ExpectEverythingReleased();
}

TEST_F(RunLoopTest, FrameSurfaceThatCannotBeMadeTells) {
  MakeWindow(SaverMode::Saver);
  SetSlot(1, RunInput("solid_red.avi"));
  runSteps.createFrameSurface = NoFrameSurface;
  RunSaver();
  EXPECT_EQ(notices, std::vector<std::string>{kNoticeSurfaceFailed});
  EXPECT_EQ(playList, nullptr);
  ExpectEverythingReleased();
}

TEST_F(RunLoopTest, SceneThatCannotStartTellsAndReleasesTheGraph) {
  MakeWindow(SaverMode::Saver);
  SetSlot(1, RunInput("solid_red.avi"));
  runSteps.initScene = FailingScene;
  RunSaver();
  EXPECT_EQ(notices, std::vector<std::string>{kNoticeSceneFailed});
  EXPECT_FALSE(windowVisibleAtSceneInit);
  EXPECT_FALSE(IsWindowVisible(saverWindow));
  EXPECT_EQ(playList, nullptr);
  ExpectEverythingReleased();
}

TEST_F(RunLoopTest, PreviewFailuresStaySilentToo) {
  MakeWindow(SaverMode::Preview);
  direct3DCreate = NoDirect3D;
  RunSaver();
  runSteps.initScene = FailingScene;
  direct3DCreate = savedCreate_;
  SetSlot(1, RunInput("solid_red.avi"));
  RunSaver();
  EXPECT_TRUE(notices.empty());
  ExpectEverythingReleased();
}

TEST(Notice, LongTextsAreCutNotOverflowed) {
  NoticeBoxProc saved = noticeBox;
  noticeBox = RecordNotice;
  notices.clear();
  const std::string longText(2000, 'x');
  ShowNotice("%s and more", longText.c_str());
  ShowNotice("Cube Initialization Failed!  hr=0x%x", 0x8876086Cu);
  noticeBox = saved;
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[0], std::string(511, 'x'));
  EXPECT_EQ(notices[1], "Cube Initialization Failed!  hr=0x8876086c");
}

}  // namespace

namespace {

// Wine on a virtual display does not show Direct3D drawn into a child window, so the preview
// is checked from inside: the device draws for the child, and the video reaches the texture.
TEST_F(RunLoopTest, PreviewPlaysTheVideoForTheChildWindow) {
  MakeWindow(SaverMode::Preview);
  SetSlot(1, RunInput("solid_blue.avi"));
  bool drawing = false;
  RunWatched([&] {
    drawing = d3dDevice != nullptr && IsWindowVisible(saverWindow) && GetParent(saverWindow) == host_ &&
              Near(ReadTexel(128, 128).color, kBlue, 40);
    return drawing;
  });
  EXPECT_TRUE(drawing);
  EXPECT_EQ(playCount, 1u);
  EXPECT_TRUE(notices.empty());
  ExpectEverythingReleased();
}

}  // namespace
