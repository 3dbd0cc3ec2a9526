// The run of the drawing modes. Main thread only. The order of the start-up and of the
// shutdown matters: the covers go up before anything can take time, the window is shown
// only once the scene can draw, and the frame surface is closed to every video thread before
// it and the texture go.
#include "shell/run_loop_win.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "base/com_ptr_win.h"
#include "base/scoped_win.h"
#include "scenes/device_objects_win.h"
#include "scenes/scene_device_win.h"
#include "scenes/scene_dispatch_win.h"
#include "settings/options_record.h"
#include "settings/options_registry_win.h"
#include "settings/settings_encoding.h"
#include "shell/monitor_covers_win.h"
#include "shell/notice_win.h"
#include "shell/password_win.h"
#include "shell/play_order.h"
#include "shell/saver_input.h"
#include "shell/saver_window_win.h"
#include "video/frame_surface_win.h"
#include "video/video_threads_win.h"
#include "video/video_try_win.h"

HWND playList = nullptr;
uint32_t playCount = 0;
uint32_t playIndex = 0;
const VideoTry* shownVideo = nullptr;

const char kSampleVideoName[] = "ov_Sample.avi";

const char kNoticeComFailed[] = "Initialize COM failed!";
const char kNoticeDeviceFailed[] =
    "Initialization DirectX3D failed!\r\n"
    "This Program is attempting to create a buffer that might not\r\n"
    "be supported by your video card in its current mode.\r\n"
    "\r\n"
    "You may want to reduce or increase your screen resolution or bit depth\r\n"
    "and try to run this program again.";
const char kNoticeSurfaceFailed[] = "3D Environment initialization Failed!\r\n";
const char kNoticeNoVideo[] =
    " Cannot find any playable video files!\r\n"
    "\r\n"
    " Please make sure that you have chosen your favorite\r\n"
    " video files or have typed the correct file name and\r\n"
    " path name on Settings Dialog Box from Control Panel.\r\n"
    "\r\n"
    " Note: Some compressed video formats may not be played\r\n"
    " by this program, you need to install the proper decoder\r\n"
    " to solve this problem.\r\n";
const char kNoticeSceneFailed[] =
    "3D Object initialization Failed!\r\n"
    "\r\n"
    "We recommend updating your video card drivers to the most\r\n"
    "current revision, as that usually resolves the problem.\r\n";

RunSteps runSteps = {CreateFrameSurface, InitScene};
DWORD videoTryLimitMs = 1000;
HANDLE singleRunMutex = nullptr;

namespace {

// The ten slots, then the fallback sample in the program's folder and in the system folder
// (where the packages install it).
constexpr int kFallbackEntries = 2;
constexpr int kEntryCount = int(kVideoSlotCount) + kFallbackEntries;
constexpr int kSystemFallback = kEntryCount - 1;

VideoTryPath HowToFind(int entry) {
  if (entry < int(kVideoSlotCount)) return VideoTryPath::AsGiven;
  return entry == kSystemFallback ? VideoTryPath::SystemFolder : VideoTryPath::ProgramFolder;
}

// The user hears of a failure only in the full-screen modes; a preview stays empty. The
// covers may be up: the box comes in front of them (the notice box is topmost), and input
// meanwhile does not end the run, as while the password prompt is up.
void TellFailure(const char* text) {
  if (!IsFullScreenMode(saverMode)) return;
  verifyingPassword = true;
  ShowNotice("%s", text);
  verifyingPassword = false;
}

// The scenes tell their own failures in every mode, preview included.
void ShowSceneNotice(const char* text) { ShowNotice("%s", text); }

void DestroyPlayList() {
  if (playList != nullptr && IsWindow(playList)) DestroyWindow(playList);
  playList = nullptr;
}

// The tries of this run's files, one at most per entry: the slots, the fallbacks, then the
// files that folders listed.
class RunVideos : public PlayPort {
 public:
  // The schedule whose listed entries these are; set before the first try.
  const PlaySchedule* schedule = nullptr;

  // The entry's path as the play list shows it (a listed one in the code page).
  std::string Path(int entry) const {
    if (entry >= kEntryCount) {
      const NameText& listed = schedule->ListedPath(entry);
      const std::wstring wide(listed.begin(), listed.end());
      char narrow[MAX_PATH + 1] = {};
      WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, narrow, MAX_PATH, nullptr, nullptr);
      return narrow;
    }
    return entry < int(kVideoSlotCount) ? VideoFileSlot(saverOptions, entry + 1) : kSampleVideoName;
  }
  bool StartTry(int entry) override {
    while (tries_.size() <= size_t(entry)) {
      tries_.push_back(nullptr);
      threads_.emplace_back();
    }
    HANDLE thread = nullptr;
    tries_[entry] = entry >= kEntryCount ? StartListedVideoTry(schedule->ListedPath(entry), &thread)
                                         : StartVideoTry(Path(entry).c_str(), HowToFind(entry), &thread);
    threads_[entry].Reset(thread);
    return tries_[entry] != nullptr;
  }
  TryAnswer Answer(int entry) override {
    switch (VideoTryStateOf(tries_[entry])) {
      case VideoTryState::Playing:
        return TryAnswer::Playing;
      case VideoTryState::Failed:
        return TryAnswer::Failed;
      case VideoTryState::Listed:
        return TryAnswer::Listed;
      default:
        return TryAnswer::Trying;
    }
  }
  bool TakeListing(int entry, std::vector<NameText>* files) override {
    return TakeVideoTryListing(tries_[entry], files);
  }
  void DropTry(int entry) override { DropVideoTry(tries_[entry]); }
  void Show(int entry) override { ShowVideoTry(tries_[entry]); }
  void Rewind(int entry) override { RewindVideoTry(tries_[entry]); }
  long FramesDelivered(int entry) override { return VideoTryFramesDelivered(tries_[entry]); }
  bool CanStart(int entry) override {
    return size_t(entry) >= threads_.size() || !threads_[entry] ||
           WaitForSingleObject(threads_[entry].Get(), 0) == WAIT_OBJECT_0;
  }

  VideoTry* Try(int entry) const { return entry >= 0 && size_t(entry) < tries_.size() ? tries_[entry] : nullptr; }
  std::vector<int> listed;  // the entries now in playList
  int listedChanges = -1;   // the schedule's PlayListChanges() when they were put there
  int indexOf = -2;         // the entry whose place playIndex holds
  void DropAll() {
    for (VideoTry*& video : tries_) DropVideoTry(video);
  }

 private:
  std::vector<VideoTry*> tries_;
  std::deque<ScopedKernelHandle> threads_;  // of each entry's last try, dropped or not
};

// The play list window, playCount and playIndex as the schedule has them now; made again
// only when they changed (a list of folders may hold many thousands of files).
void UpdatePlayList(const PlaySchedule& schedule, RunVideos& videos) {
  if (schedule.PlayListChanges() != videos.listedChanges) {
    videos.listedChanges = schedule.PlayListChanges();
    const std::vector<int> entries = schedule.PlayList();
    if (entries != videos.listed) {
      videos.listed = entries;
      SendMessageA(playList, LB_RESETCONTENT, 0, 0);
      for (int entry : entries)
        SendMessageA(playList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(videos.Path(entry).c_str()));
      playCount = uint32_t(entries.size());
    }
    videos.indexOf = -2;
  }
  if (videos.indexOf != schedule.Current()) {
    videos.indexOf = schedule.Current();
    const auto found = std::find(videos.listed.begin(), videos.listed.end(), schedule.Current());
    playIndex = found == videos.listed.end() ? 0 : uint32_t(found - videos.listed.begin() + 1);
  }
  shownVideo = videos.Try(schedule.Current());
}

// How this run uses the monitors: the stored choice in a full-screen run, the primary
// monitor's way (one window, one screen-sized picture) in a preview.
int32_t runMonitors = kMonitorsPrimaryOnly;

bool SceneSpans() { return runMonitors == kMonitorsAcross; }

// saverWindow's place: the primary monitor, or the desktop's bounding box when the scene spans
// every monitor (a system that knows no virtual screen has only the primary one).
RECT SceneWindowRect() {
  const RECT primary = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (!SceneSpans()) return primary;
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (width <= 0 || height <= 0) return primary;
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return {left, top, left + width, top + height};
}

// saverWindow and the back buffer take the place the monitors choice gives them; the device
// is made or reset to it afterwards.
void PlaceSceneWindow() {
  const RECT r = SceneWindowRect();
  backBufferSize = SceneSpans() ? SIZE{r.right - r.left, r.bottom - r.top} : SIZE{0, 0};
  if (!IsFullScreenMode(saverMode)) return;
  SetWindowPos(saverWindow, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE);
}

// The other monitors' covers show the same picture when the run shows it on each.
void UpdateMirrorWindows() {
  mirrorWindows.clear();
  if (runMonitors != kMonitorsSameOnEach) return;
  for (size_t i = 1; i < monitorCovers.size(); ++i)
    if (monitorCovers[i] != nullptr) mirrorWindows.push_back(monitorCovers[i]);
}

// The device for the run. A desktop too large for one back buffer still gets the scene: on
// each monitor, at the primary monitor's size.
HRESULT CreateRunDevice() {
  PlaceSceneWindow();
  HRESULT result = CreateSaverDevice(saverWindow);
  if (SUCCEEDED(result) || !SceneSpans()) return result;
  // A desktop of one monitor is the primary screen's size: that would fail again.
  if (backBufferSize.cx == GetSystemMetrics(SM_CXSCREEN) && backBufferSize.cy == GetSystemMetrics(SM_CYSCREEN))
    return result;
  ReleaseDeviceObjects();
  runMonitors = kMonitorsSameOnEach;
  PlaceSceneWindow();
  return CreateSaverDevice(saverWindow);
}

// What the device needs before the next frame can be drawn.
struct DeviceState {
  bool lost = false;        // Present reported the device lost
  bool wantsReset = false;  // the display changed size: reset to the new one
};

// The scene takes the primary monitor's size and the other monitors show the same picture.
void FallBackToSameOnEach() {
  runMonitors = kMonitorsSameOnEach;
  PlaceSceneWindow();
  if (!IsFullScreenMode(saverMode)) return;
  LeaveMirrorWindows();
  FollowMonitorLayout(true, false);
  UpdateMirrorWindows();
}

void IgnoreSceneNotice(const char*) {}

enum class Recovery { Drawing, NotYet, SceneLost };

// Resets the device and makes again what the scene keeps in the default pool. A desktop
// grown past the largest back buffer gets the same picture on each monitor instead. A scene
// that cannot be made again on a device that was reset would fail the same way at every
// pass: the run ends then, with one notice.
Recovery RecoverDevice() {
  CleanupScene();
  ReleaseHolder(sceneIndexBuffer);
  ReleaseHolder(sceneVertexBuffer);
  HRESULT reset = ResetSaverDevice();
  if (FAILED(reset) && reset != D3DERR_DEVICELOST && SceneSpans()) {
    FallBackToSameOnEach();
    reset = ResetSaverDevice();
  }
  if (FAILED(reset)) return Recovery::NotYet;
  const SceneNoticeProc told = sceneNotice;
  sceneNotice = IgnoreSceneNotice;
  const HRESULT made = InitScene();
  sceneNotice = told;
  if (SUCCEEDED(made)) return Recovery::Drawing;
  CleanupScene();
  if (sceneNotice != nullptr) sceneNotice(kNoticeSceneFailed);
  return Recovery::SceneLost;
}

// Draws nothing while the device is lost; resets it as soon as it can be. True when a frame
// may be drawn.
bool DeviceReady(DeviceState& device) {
  if (!device.lost && !device.wantsReset) return true;
  const HRESULT level = d3dDevice->TestCooperativeLevel();
  if (level == D3DERR_DEVICELOST) return false;  // not yet: another program has the display
  if (level == D3DERR_DEVICENOTRESET || device.wantsReset) {
    const Recovery recovery = RecoverDevice();
    if (recovery == Recovery::SceneLost) DestroyWindow(saverWindow);
    if (recovery != Recovery::Drawing) return false;
  }
  device.lost = false;
  device.wantsReset = false;
  return true;
}

// The window and covers follow a new display layout; the device follows at the next frame.
void FollowDisplay(DeviceState& device) {
  displayChanged = false;
  device.wantsReset = true;
  PlaceSceneWindow();
  if (!IsFullScreenMode(saverMode)) return;
  LeaveMirrorWindows();
  FollowMonitorLayout(true, SceneSpans());
  UpdateMirrorWindows();
}

// The video texture as large as the scene shows it, for the layout and the video shown now
// (or the standard size, as the settings choose).
void FitVideoTexture() {
  const ScreenArea area = SceneTextureArea();
  FitFrameSurface(detailChoice == kDetailStandard ? FrameSize{} : FrameSize{area.width, area.height});
}

void RunIdleLoop(PlaySchedule& schedule, RunVideos& videos) {
  DeviceState device;
  MSG msg;
  for (;;) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      continue;  // nothing is drawn while messages wait
    }
    if (displayChanged) FollowDisplay(device);

    schedule.Advance(videos, GetTickCount());
    UpdatePlayList(schedule, videos);
    if (schedule.NothingPlays()) {
      TellFailure(kNoticeNoVideo);
      DestroyWindow(saverWindow);
      continue;
    }
    bool completed = false;
    VideoTry* shown = videos.Try(schedule.Current());
    if (shown != nullptr && TakeVideoTryEnd(shown, &completed)) schedule.VideoEnded(completed);

    if (DeviceReady(device)) {
      FitVideoTexture();
      AdvanceScene();
      const HRESULT drawn = DrawScene();
      device.lost = drawn == D3DERR_DEVICELOST || drawn == D3DERR_DEVICENOTRESET;
    }
    Sleep(10);
  }
}

// What a run sets up, in the order it sets it up. The stage a run reached, or failed in,
// says what there is to give back.
enum class RunStage { Com, Device, Surface, PlayList, Scene };

// Gives back what the stages up to `reached` made, the last made first (the videos after the
// scene that draws their texture, the frame surface only once it is closed to them). COM
// itself is left to the caller.
void ReleaseRunStages(RunStage reached, RunVideos& videos) {
  if (reached >= RunStage::PlayList) DestroyPlayList();
  if (reached >= RunStage::Scene) CleanupScene();
  videos.DropAll();
  if (reached >= RunStage::Surface) ReleaseFrameSurface();
  if (reached >= RunStage::Device) ReleaseDeviceObjects();
  mirrorWindows.clear();
  backBufferSize = {0, 0};
}

// A start-up failure: told first, then the password module goes and what the run made. COM
// is left by the caller's apartment after this.
void FailRun(const char* notice, RunStage failedIn, RunVideos& videos) {
  TellFailure(notice);
  UnloadPasswordModule();
  ReleaseRunStages(failedIn, videos);
}

// The run is over for the user: the single-run mutex and the screensaver-running flag go
// before anything that might take time.
void ReleaseRunFlags(bool fullScreen, UINT* previousRunning) {
  if (fullScreen) SystemParametersInfoA(SPI_SCREENSAVERRUNNING, 0, previousRunning, 0);
  ReleaseSingleRunMutex();
}

}  // namespace

void ReleaseSingleRunMutex() {
  const ScopedKernelHandle mutex(singleRunMutex);
  singleRunMutex = nullptr;
  if (mutex) ReleaseMutex(mutex.Get());
}

void RunSaver() {
  if (!IsDrawingMode(saverMode)) return;
  const bool fullScreen = IsFullScreenMode(saverMode);
  UINT previousRunning = 0;  // receives the flag's old state; not used afterwards
  RunVideos videos;

  sceneNotice = ShowSceneNotice;
  isWin9x = DetectWin9x();
  runMonitors = fullScreen ? monitorsChoice : kMonitorsPrimaryOnly;
  if (fullScreen) {
    // Every monitor goes black at once, and input from now on ends the run.
    mouseMoveCount = 0;
    ShowMonitorCovers();
    SetUpPasswordCheck();
  }

  // Left when RunSaver returns, after everything of the run that uses COM has gone.
  const ComApartment com;
  if (FAILED(com.Result())) return FailRun(kNoticeComFailed, RunStage::Com, videos);
  if (FAILED(CreateRunDevice())) return FailRun(kNoticeDeviceFailed, RunStage::Device, videos);
  if (!runSteps.createFrameSurface() ||
      (playList = CreateWindowExA(0, "LISTBOX", nullptr, WS_CHILD | WS_DISABLED, 0, 0, 0, 0, saverWindow, nullptr,
                                  GetModuleHandleA(nullptr), nullptr)) == nullptr) {
    return FailRun(kNoticeSurfaceFailed, RunStage::Surface, videos);
  }

  // The files are tried from the idle loop on, each on a thread of its own; the scene draws
  // meanwhile and shows the video once the first one plays.
  playCount = 0;
  playIndex = 0;
  PlaySchedule schedule(int(kVideoSlotCount), kFallbackEntries, videoTryLimitMs);
  videos.schedule = &schedule;
  for (int slot = 1; slot <= int(kVideoSlotCount); ++slot)
    if (VideoFileSlot(saverOptions, slot)[0] == '\0') schedule.SetFailed(slot - 1);
  if (orderChoice == kOrderShuffled) schedule.Shuffle(GetTickCount());

  if (FAILED(runSteps.initScene())) return FailRun(kNoticeSceneFailed, RunStage::Scene, videos);

  if (fullScreen) SystemParametersInfoA(SPI_SCREENSAVERRUNNING, 1, &previousRunning, 0);
  ShowWindow(saverWindow, SW_SHOWDEFAULT);
  UpdateWindow(saverWindow);
  if (fullScreen) {
    // Above the covers, and the first key press must reach it, not the program that had
    // the focus.
    SetWindowPos(saverWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(saverWindow);
    HideCoversUnderScene(SceneSpans());
    UpdateMirrorWindows();
  }

  RunIdleLoop(schedule, videos);
  shownVideo = nullptr;

  ReleaseRunFlags(fullScreen, &previousRunning);
  ReleaseRunStages(RunStage::Scene, videos);  // the play list is normally gone already, with saverWindow
  UnloadPasswordModule();
}

bool LetVideoThreadsEnd(DWORD limitMs) { return WaitForVideoThreads(limitMs); }
