// Helper of the whole-saver benchmarks (run-saver-bench.sh, run-start-bench.sh,
// run-soak.sh): times the start of a full-screen run from outside the way the Windows host
// starts it, ends runs by a key press, and looks at the screen for the video. The settings
// each case needs are written by tools' orvel_settings. Prints figures, asserts nothing; what
// it did not see is a line "failed: why" instead of a figure, and the exit code 1.
// Single-threaded, apart from the answer probe of start-figures.
//
//   saver_bench start-time SCR [TIMEOUT_MS]
//       starts "SCR /s", prints the milliseconds until its full-screen window is visible,
//       then ends it with a key press and prints how long the process took to go
//   saver_bench start-figures SCR [WATCH_MS]
//       starts "SCR /s" (settings: a one-tile grid of coloured videos) and prints as
//       "figure:" lines the milliseconds from the start until a monitor is covered and until
//       the first video frame is on screen, the longest the saver's main thread took to
//       answer a message (asked every few milliseconds) before the first video frame and
//       after, and, after a key press WATCH_MS after the start, the milliseconds until its
//       window has gone and until the process has ended
//   saver_bench stop [TIMEOUT_MS]         the same key press for a run started elsewhere
//   saver_bench stops SCR COUNT [SEED]
//       COUNT full-screen runs, each ended by a key press at a random moment from the
//       window's creation on (during the play-list build, before the first frame, mid-video);
//       prints how many ended, hung, crashed, or left a process or the mutex behind
//   saver_bench video-seen [TIMEOUT_MS]
//       whether the screen shows the benchmark's video (its red, green and blue) within
//       TIMEOUT_MS: Wine counts presents whether or not a frame reached them
#include <windows.h>
#include <tlhelp32.h>

#include "base/product_names.h"
#include "bench_clock.h"
#include "bench_failure.h"
#include "window_search.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The visible saver window, of one process or (pid 0) of any.
HWND FindSaverWindow(DWORD pid, bool visibleOnly = true) {
  return FindTopWindow(pid, kSaverWindowClass, nullptr, visibleOnly);
}

// A key press ends a full-screen run on the NT family without asking; returns the
// milliseconds until the process has gone, or a negative number when it stays.
double EndWithKey(HWND window, HANDLE process, DWORD timeoutMs) {
  const BenchTicks start = NowTicks();
  PostMessageA(window, WM_KEYDOWN, VK_SPACE, 1);
  if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) return -1;
  return MsSince(start);
}

// Starts "SCR /s" in the folder of SCR, as the Windows host starts a full-screen run.
bool StartFullScreen(const char* scr, PROCESS_INFORMATION* process) {
  std::string commandLine = std::string("\"") + scr + "\" /s";
  std::string directory = scr;
  const size_t slash = directory.find_last_of("\\/");
  directory = slash == std::string::npos ? std::string(".") : directory.substr(0, slash);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  *process = {};
  return CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(), &startup,
                        process) != FALSE;
}

int StartTime(const char* scr, DWORD timeoutMs) {
  PROCESS_INFORMATION process = {};
  const BenchTicks start = NowTicks();
  if (!StartFullScreen(scr, &process)) return Failed("cannot start %s (error %lu)", scr, GetLastError());
  CloseHandle(process.hThread);

  HWND window = nullptr;
  double shownMs = -1;
  while (MsSince(start) < timeoutMs) {
    window = FindSaverWindow(process.dwProcessId);
    if (window != nullptr) {
      shownMs = MsSince(start);
      break;
    }
    if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
  }
  int status = 0;
  if (window == nullptr) {
    status = Failed("no visible window within %lu ms", timeoutMs);
  } else {
    const double endMs = EndWithKey(window, process.hProcess, timeoutMs);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    if (endMs < 0) {
      status = Failed("shown %.1f ms, but still running %lu ms after the key", shownMs, timeoutMs);
    } else {
      std::printf("shown %.1f ms  ended %.1f ms after the key  exit %lu\n", shownMs, endMs, exitCode);
    }
  }
  if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hProcess);
  return status;
}

int Stop(DWORD timeoutMs) {
  HWND window = FindSaverWindow(0);
  if (window == nullptr) return Failed("no visible window");
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
  if (process == nullptr) return Failed("cannot open the process");
  const double endMs = EndWithKey(window, process, timeoutMs);
  DWORD exitCode = 0;
  GetExitCodeProcess(process, &exitCode);
  CloseHandle(process);
  if (endMs < 0) return Failed("still running %lu ms after the key", timeoutMs);
  std::printf("ended %.1f ms after the key  exit %lu\n", endMs, exitCode);
  return 0;
}

// Another process of the program's image name is running.
bool SaverProcessLeft(const char* scr) {
  const char* slash = std::strrchr(scr, '\\');
  const char* name = slash ? slash + 1 : scr;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry))
    found = lstrcmpiA(entry.szExeFile, name) == 0;
  CloseHandle(snapshot);
  return found;
}

bool MutexLeft() {
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, kSingleRunMutexName);
  if (mutex == nullptr) return false;
  CloseHandle(mutex);
  return true;
}

struct StopCounts {
  int ended = 0, endedOnSecondKey = 0, hung = 0, crashed = 0, processLeft = 0, mutexLeft = 0, notStarted = 0;
  int byMoment[3] = {};  // key sent while the window was hidden, shown < 300 ms, shown longer
};

// One run: started as the host starts it, a key posted `delayMs` after its window exists.
void OneStop(const char* scr, DWORD delayMs, StopCounts& counts) {
  PROCESS_INFORMATION process = {};
  if (!StartFullScreen(scr, &process)) {
    ++counts.notStarted;
    return;
  }
  CloseHandle(process.hThread);

  HWND window = nullptr;
  const BenchTicks start = NowTicks();
  while (window == nullptr && MsSince(start) < 20000) {
    window = FindSaverWindow(process.dwProcessId, false);
    if (window == nullptr && WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
  }
  if (window == nullptr) {
    ++counts.notStarted;
  } else {
    const BenchTicks created = NowTicks();
    BenchTicks shownAt = 0;
    bool shown = false;
    while (MsSince(created) < delayMs) {
      if (!shown && IsWindowVisible(window)) shown = true, shownAt = NowTicks();
      Sleep(1);
    }
    const int moment = !shown ? 0 : MsSince(shownAt) < 300 ? 1 : 2;
    ++counts.byMoment[moment];
    PostMessageA(window, WM_KEYDOWN, VK_SPACE, 1);
    if (WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0) {
      ++counts.ended;
    } else {
      // A key that came before the window was shown may be taken as the run's own start.
      PostMessageA(window, WM_KEYDOWN, VK_SPACE, 1);
      if (WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0) {
        ++counts.endedOnSecondKey;
      } else {
        ++counts.hung;
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
      }
    }
  }
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  if (exitCode >= 0xC0000000u) ++counts.crashed;
  CloseHandle(process.hProcess);
  if (SaverProcessLeft(scr)) ++counts.processLeft;
  if (MutexLeft()) ++counts.mutexLeft;
}

int Stops(const char* scr, int count, unsigned seed) {
  std::srand(seed);
  StopCounts counts;
  for (int i = 1; i <= count; ++i) {
    const DWORD delayMs = static_cast<DWORD>(std::rand() % 2500);
    OneStop(scr, delayMs, counts);
    if (i % 20 == 0) std::printf("run %d: hung %d crashed %d\n", i, counts.hung, counts.crashed);
  }
  std::printf("runs %d  key while hidden %d, shown < 300 ms %d, later %d\n", count, counts.byMoment[0],
              counts.byMoment[1], counts.byMoment[2]);
  std::printf(
      "ended %d  ended on a second key %d  hung %d  crashed %d  process left %d  mutex left %d  "
      "not started %d\n",
      counts.ended, counts.endedOnSecondKey, counts.hung, counts.crashed, counts.processLeft, counts.mutexLeft,
      counts.notStarted);
  // The counts are the soak's findings; a run that did not start is work that did not happen.
  if (counts.notStarted > 0) return Failed("%d of %d runs did not start", counts.notStarted, count);
  if (counts.hung + counts.crashed + counts.processLeft + counts.mutexLeft > 0)
    return Failed("runs hung, crashed or left a process or the mutex behind");
  return 0;
}

// Whether the screen's centre shows something other than black (a video frame on a grid of
// one tile).
bool CentreShowsVideo() {
  HDC screen = GetDC(nullptr);
  const COLORREF c = GetPixel(screen, GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
  ReleaseDC(nullptr, screen);
  return c != CLR_INVALID && (GetRValue(c) > 60 || GetGValue(c) > 60 || GetBValue(c) > 60);
}

// Asks the saver's window every few milliseconds how soon its main thread answers, on a
// thread of its own, so that the watch of the screen never waits for the answers.
struct AnswerProbe {
  HWND window = nullptr;
  volatile LONG stop = 0;
  volatile LONG videoShown = 0;  // set by the watch once the first frame is on screen
  BenchTicks start = 0;
  double longest[2] = {0, 0};  // before the first video frame, and after
  double longestAt[2] = {0, 0};
};

DWORD WINAPI ProbeAnswers(void* parameter) {
  AnswerProbe& probe = *static_cast<AnswerProbe*>(parameter);
  while (!probe.stop) {
    const int phase = probe.videoShown ? 1 : 0;
    const BenchTicks asked = NowTicks();
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(probe.window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer);
    const double waited = MsSince(asked);
    if (waited > probe.longest[phase]) {
      probe.longest[phase] = waited;
      probe.longestAt[phase] = TicksToMs(asked - probe.start);
    }
    Sleep(5);
  }
  return 0;
}

int StartFigures(const char* scr, DWORD watchMs) {
  PROCESS_INFORMATION process = {};
  AnswerProbe probe;
  probe.start = NowTicks();
  const BenchTicks start = probe.start;
  if (!StartFullScreen(scr, &process)) return Failed("cannot start %s (error %lu)", scr, GetLastError());
  double covered = -1, firstFrame = -1;
  HANDLE prober = nullptr;
  while (MsSince(start) < watchMs) {
    HWND cover = FindTopWindow(process.dwProcessId, "QuordaCoverClass", nullptr, true);
    if (covered < 0 && (cover != nullptr || FindSaverWindow(process.dwProcessId) != nullptr)) covered = MsSince(start);
    if (covered >= 0 && firstFrame < 0 && CentreShowsVideo()) {
      firstFrame = MsSince(start);
      InterlockedExchange(&probe.videoShown, 1);
    }
    if (prober == nullptr && (probe.window = FindSaverWindow(process.dwProcessId, false)) != nullptr) {
      prober = CreateThread(nullptr, 0, ProbeAnswers, &probe, 0, nullptr);
    }
    Sleep(2);
  }
  InterlockedExchange(&probe.stop, 1);
  if (prober != nullptr) {
    WaitForSingleObject(prober, 10000);
    CloseHandle(prober);
  }
  int status = 0;
  if (covered < 0) {
    status = Failed("no cover or saver window within %lu ms", watchMs);
  } else {
    std::printf("figure: start_to_covered_ms %.0f\n", covered);
  }
  if (firstFrame < 0) {
    status = Failed("no video frame on the screen within %lu ms", watchMs);
  } else {
    std::printf("figure: start_to_first_frame_ms %.0f\n", firstFrame);
  }
  if (prober == nullptr) {
    status = Failed("no saver window to ask within %lu ms", watchMs);
  } else {
    std::printf("figure: longest_main_thread_wait_before_video_ms %.0f (at %.0f ms)\n", probe.longest[0],
                probe.longestAt[0]);
    if (firstFrame >= 0)
      std::printf("figure: longest_main_thread_wait_with_video_ms %.0f (at %.0f ms)\n", probe.longest[1],
                  probe.longestAt[1]);
  }
  HWND window = FindSaverWindow(process.dwProcessId);
  if (window == nullptr) {
    status = Failed("no visible saver window for the key");
  } else {
    const BenchTicks key = NowTicks();
    PostMessageA(window, WM_KEYDOWN, VK_SPACE, 1);
    double gone = -1;
    while (MsSince(key) < 10000) {
      if (gone < 0 && !IsWindow(window)) gone = MsSince(key);
      if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    const bool ended = WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
    const double endMs = MsSince(key);
    if (gone < 0 && ended) gone = endMs;
    if (gone < 0) {
      status = Failed("the window was still there 10 s after the key");
    } else {
      std::printf("figure: key_to_window_gone_ms %.0f\n", gone);
    }
    if (!ended) {
      status = Failed("the process was still running 10 s after the key");
    } else {
      std::printf("figure: key_to_process_end_ms %.0f\n", endMs);
    }
  }
  if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 99);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}

// Pixels of the whole desktop whose strongest channel is red, green or blue by far (a
// channel above 60 and over twice each other one), counted by that channel.
struct HueCounts {
  long pixels = 0;
  long strong[3] = {0, 0, 0};  // red, green, blue
};

HueCounts CountHues() {
  HueCounts counts;
  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr && memory != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (BitBlt(memory, 0, 0, width, height, screen, x, y, SRCCOPY)) {
      GdiFlush();
      const uint8_t* p = static_cast<const uint8_t*>(bits);
      counts.pixels = long(width) * height;
      for (long i = 0; i < counts.pixels; ++i, p += 4) {
        const int channel[3] = {p[2], p[1], p[0]};
        for (int c = 0; c < 3; ++c) {
          const int a = channel[(c + 1) % 3], b = channel[(c + 2) % 3];
          if (channel[c] > 60 && channel[c] > 2 * a && channel[c] > 2 * b) ++counts.strong[c];
        }
      }
    }
    SelectObject(memory, old);
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  if (memory != nullptr) DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return counts;
}

// The benchmark's videos (the quadrants clip, the HD test picture) hold red, green and blue,
// each on at least 1/2000 of the desktop in every shape; a scene whose texture never got a
// frame is black, and a notice box shows grey, a title bar and an icon, not all three.
int VideoSeen(DWORD timeoutMs) {
  const BenchTicks start = NowTicks();
  HueCounts counts;
  do {
    counts = CountHues();
    const long least = counts.pixels / 2000;
    if (counts.pixels > 0 && counts.strong[0] > least && counts.strong[1] > least && counts.strong[2] > least) {
      std::printf("video seen: %ld red, %ld green, %ld blue pixels of %ld\n", counts.strong[0], counts.strong[1],
                  counts.strong[2], counts.pixels);
      return 0;
    }
    Sleep(100);
  } while (MsSince(start) < timeoutMs);
  return Failed("no video on the screen within %lu ms (%ld red, %ld green, %ld blue pixels of %ld)", timeoutMs,
                counts.strong[0], counts.strong[1], counts.strong[2], counts.pixels);
}

DWORD TimeoutArg(int argc, char** argv, int index) {
  return index < argc ? static_cast<DWORD>(std::strtoul(argv[index], nullptr, 10)) : 30000;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "start-time" && argc >= 3) return StartTime(argv[2], TimeoutArg(argc, argv, 3));
  if (command == "start-figures" && argc >= 3) return StartFigures(argv[2], TimeoutArg(argc, argv, 3));
  if (command == "stop") return Stop(TimeoutArg(argc, argv, 2));
  if (command == "video-seen") return VideoSeen(TimeoutArg(argc, argv, 2));
  if (command == "stops" && argc >= 4)
    return Stops(argv[2], std::atoi(argv[3]), argc > 4 ? static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10)) : 1);
  std::fputs(
      "usage: saver_bench start-time SCR [TIMEOUT_MS] | start-figures SCR [WATCH_MS] | stop [TIMEOUT_MS] | "
      "stops SCR COUNT [SEED] | video-seen [TIMEOUT_MS]\n",
      stderr);
  return 2;
}
