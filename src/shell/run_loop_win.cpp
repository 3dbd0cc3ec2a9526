// The run of the drawing modes. Main thread only. The order of the start-up and of the
// shutdown matters: the graph must be stopped before the frame surface and the texture it
// writes go, and the window is shown only once the scene can draw.
#include "shell/run_loop_win.h"

#include "base/device_objects_win.h"
#include "base/notice_win.h"
#include "scenes/scene_dispatch_win.h"
#include "settings/options_record.h"
#include "shell/monitor_covers_win.h"
#include "shell/password_win.h"
#include "shell/play_order.h"
#include "shell/saver_input.h"
#include "shell/saver_window_win.h"
#include "video/texture_renderer_win.h"
#include "video/video_graph_win.h"

HWND playList = nullptr;
uint32_t playCount = 0;
uint32_t playIndex = 0;

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

namespace {

constexpr int kPathBufferSize = 260;

// The user hears of a failed start only in the full-screen modes; a preview stays empty.
void TellFailure(const char* text) {
  if (IsFullScreenMode(saverMode)) ShowNotice("%s", text);
}

void DestroyPlayList() {
  if (playList != nullptr && IsWindow(playList)) DestroyWindow(playList);
  playList = nullptr;
}

uint32_t PlayListCount() {
  const LRESULT n = SendMessageA(playList, LB_GETCOUNT, 0, 0);
  return n > 0 ? static_cast<uint32_t>(n) : 0;
}

// Copies entry `index` (0-based) into the path buffer, emptied first.
void CopyPlayListEntry(uint32_t index, char (&path)[kPathBufferSize]) {
  path[0] = '\0';
  if (SendMessageA(playList, LB_GETTEXTLEN, index, 0) >= kPathBufferSize) return;
  SendMessageA(playList, LB_GETTEXT, index, reinterpret_cast<LPARAM>(path));
}

// A file is playable exactly when its graph builds; the trial graph is released at once.
void TryPlayListEntry(const char* path) {
  if (SUCCEEDED(BuildVideoGraph(path))) SendMessageA(playList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path));
  ReleaseVideoGraph();
}

void BuildPlayList() {
  for (int slot = 1; slot <= static_cast<int>(kVideoSlotCount); ++slot)
    TryPlayListEntry(VideoFileSlot(saverOptions, slot));
  if (PlayListCount() == 0) TryPlayListEntry(kSampleVideoName);
  if (PlayListCount() == 0) {
    char found[kPathBufferSize] = {};
    SearchPathA(nullptr, kSampleVideoName, nullptr, sizeof(found), found, nullptr);
    TryPlayListEntry(found);
  }
}

// While no entry of the list could be started, the last try's tick.
bool videoStalled = false;
DWORD lastStartTry = 0;

// Starts the entry after `playIndex` (0: the first one) whose graph builds, trying each entry
// of the list once. A file that was playable when the list was made may have gone since; the
// picture then moves on to the next file instead of freezing. When none builds, the list is
// tried again from the idle loop, at most once a second.
void StartNextVideo(char (&path)[kPathBufferSize]) {
  ReleaseVideoGraph();
  const uint32_t next = NextPlayableEntry(playIndex, playCount, [&](uint32_t entry) {
    CopyPlayListEntry(entry - 1, path);
    if (SUCCEEDED(BuildVideoGraph(path))) return true;
    ReleaseVideoGraph();  // what a failed build made
    return false;
  });
  videoStalled = next == 0;
  lastStartTry = GetTickCount();
  if (next != 0) playIndex = next;
}

void RunIdleLoop(char (&path)[kPathBufferSize]) {
  MSG msg;
  for (;;) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      continue;  // nothing is drawn while messages wait
    }
    AdvanceScene();
    DrawScene();
    if (videoStalled) {
      if (StalledRetryDue(GetTickCount(), lastStartTry)) StartNextVideo(path);
    } else if (playCount == 1) {
      PollVideoEnd(1);
    } else if (playCount > 1 && PollVideoEnd(2)) {
      StartNextVideo(path);
    }
    Sleep(10);
  }
}

// What a run sets up, in the order it sets it up. The stage a run reached, or failed in,
// says what there is to give back.
enum class RunStage { Com, Device, Surface, PlayList, Scene };

// Gives back what the stages up to `reached` made, the last made first (the graph after the
// scene that draws its texture). COM itself is left to the caller.
void ReleaseRunStages(RunStage reached) {
  if (reached >= RunStage::PlayList) DestroyPlayList();
  if (reached >= RunStage::Scene) CleanupScene();
  if (reached >= RunStage::PlayList) ReleaseVideoGraph();
  if (reached >= RunStage::Surface) ReleaseFrameSurface();
  if (reached >= RunStage::Device) ReleaseDeviceObjects();
}

// A start-up failure: told first, then the password module goes and what the run made.
void FailRun(const char* notice, RunStage failedIn) {
  TellFailure(notice);
  UnloadPasswordModule();
  ReleaseRunStages(failedIn);
  if (failedIn != RunStage::Com) CoUninitialize();
}

}  // namespace

void RunSaver() {
  if (!IsDrawingMode(saverMode)) return;
  const bool fullScreen = IsFullScreenMode(saverMode);
  UINT previousRunning = 0;  // receives the flag's old state; not used afterwards

  isWin9x = DetectWin9x();
  if (fullScreen) SetUpPasswordCheck();

  if (FAILED(CoInitialize(nullptr))) return FailRun(kNoticeComFailed, RunStage::Com);
  if (FAILED(CreateSaverDevice(saverWindow))) return FailRun(kNoticeDeviceFailed, RunStage::Device);
  if (!runSteps.createFrameSurface() ||
      (playList = CreateWindowExA(0, "LISTBOX", nullptr, WS_CHILD | WS_DISABLED, 0, 0, 0, 0, saverWindow, nullptr,
                                  instanceHandle, nullptr)) == nullptr) {
    return FailRun(kNoticeSurfaceFailed, RunStage::Surface);
  }

  BuildPlayList();
  playCount = PlayListCount();
  if (playCount == 0) return FailRun(kNoticeNoVideo, RunStage::PlayList);

  char path[kPathBufferSize] = {};
  playIndex = 0;
  StartNextVideo(path);  // the first entry, or the next one that still plays

  if (FAILED(runSteps.initScene())) return FailRun(kNoticeSceneFailed, RunStage::Scene);

  if (fullScreen) {
    mouseMoveCount = 0;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, 1, &previousRunning, 0);
  }
  ShowWindow(saverWindow, SW_SHOWDEFAULT);
  UpdateWindow(saverWindow);
  if (fullScreen) {
    // The first key press must reach the saver, not the program that had the focus.
    SetForegroundWindow(saverWindow);
    ShowMonitorCovers();
  }

  RunIdleLoop(path);

  ReleaseRunStages(RunStage::Scene);  // the play list is normally gone already, with saverWindow
  if (fullScreen) SystemParametersInfoA(SPI_SCREENSAVERRUNNING, 0, &previousRunning, 0);
  UnloadPasswordModule();
  CoUninitialize();
}
