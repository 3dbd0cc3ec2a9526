// A file's try and playback on a thread of its own. Threads as in the header.
#include "video/video_try_win.h"

#include <cstring>
#include <new>

#include "base/com_ptr_win.h"
#include "base/scoped_win.h"
#include "video/folder_reader_win.h"
#include "video/video_graph_win.h"
#include "video/video_threads_win.h"

struct VideoTry {
  volatile LONG references = 2;  // the main thread's and the try thread's
  char path[MAX_PATH + 1] = {};
  VideoTryPath how = VideoTryPath::AsGiven;
  NameText listedPath;            // a listed file's, instead of `path`
  std::vector<NameText> listing;  // written by the thread before the state says Listed
  FrameProducer producer = NewFrameProducer();
  ScopedKernelHandle stopEvent{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  ScopedKernelHandle rewindEvent{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
  volatile LONG state = LONG(VideoTryState::Trying);
  volatile LONG result = S_OK;
  volatile LONG ends = 0;             // ends not yet taken: completed ones count 1, others 0x10000
  volatile LONG framesDelivered = 0;  // copied from the graph by the thread

  bool Ready() const { return stopEvent && rewindEvent; }
};

namespace {

constexpr LONG kBrokenEnd = 0x10000;

// How often the thread looks at its graph's events and frames.
constexpr DWORD kPollMs = 20;

void LetGo(VideoTry* video) {
  if (InterlockedDecrement(&video->references) == 0) delete video;
}

void Settle(VideoTry& video, VideoTryState state, HRESULT result) {
  InterlockedExchange(&video.result, result);
  InterlockedExchange(&video.state, LONG(state));
}

enum class Work { None, Stop, Rewind };

// Waits up to kPollMs for the stop or a rewind, handling the messages that the graph's
// objects of this thread's apartment may post meanwhile.
Work WaitForWork(VideoTry& video) {
  HANDLE events[] = {video.stopEvent.Get(), video.rewindEvent.Get()};
  const DWORD woken = MsgWaitForMultipleObjects(2, events, FALSE, kPollMs, QS_ALLINPUT);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  if (woken == WAIT_OBJECT_0 || WaitForSingleObject(video.stopEvent.Get(), 0) == WAIT_OBJECT_0) return Work::Stop;
  return woken == WAIT_OBJECT_0 + 1 ? Work::Rewind : Work::None;
}

void NoteEnd(VideoTry& video, bool completed) { InterlockedExchangeAdd(&video.ends, completed ? 1 : kBrokenEnd); }

// Builds the graph and waits for its first frame. False when the file does not play (or
// the try was let go of first).
// `name` in the program's folder or the system folder, in `path`; empty when it does not fit
// (an empty path is tried and fails, as a missing file would).
void PathInFolder(VideoTryPath folder, const char* name, char (&path)[MAX_PATH + 1]) {
  path[0] = '\0';
  DWORD length = 0;
  if (folder == VideoTryPath::ProgramFolder) {
    length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return void(path[0] = '\0');
    while (length > 0 && path[length - 1] != '\\' && path[length - 1] != '/') --length;
  } else {
    length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return void(path[0] = '\0');
    if (path[length - 1] != '\\') path[length++] = '\\';
  }
  const size_t nameLength = strlen(name);
  if (length == 0 || length + nameLength > MAX_PATH - 1) return void(path[0] = '\0');
  std::memcpy(path + length, name, nameLength + 1);
}

// A slot's folder, with no separator at its end (a drive's root keeps its colon).
NameText FolderRoot(const char* path) {
  std::vector<wchar_t> wide(MAX_PATH + 1);
  const int length = MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), MAX_PATH + 1);
  NameText root(wide.begin(), wide.begin() + (length > 0 ? length - 1 : 0));
  while (!root.empty() && (root.back() == u'\\' || root.back() == u'/')) root.pop_back();
  return root;
}

// Lists the folder the try's path names; false when the path names none.
bool ListFolder(VideoTry& video) {
  const DWORD attributes = GetFileAttributesA(video.path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
  SystemFolderReader reader;
  FolderListing listing = ListVideoFolder(reader, FolderRoot(video.path));
  if (!listing.readable) {
    Settle(video, VideoTryState::Failed, HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
  } else {
    video.listing = std::move(listing.files);
    Settle(video, VideoTryState::Listed, S_OK);
  }
  return true;
}

bool StartPlaying(VideoTry& video, VideoGraph& graph) {
  char found[MAX_PATH + 1] = {};
  const char* path = video.path;
  if (video.how != VideoTryPath::AsGiven) {
    PathInFolder(video.how, video.path, found);
    path = found;
  } else if (video.listedPath.empty() && ListFolder(video)) {
    return false;
  }
  graph.producer = video.producer;
  const HRESULT built = video.listedPath.empty()
                            ? BuildVideoGraph(graph, path)
                            : BuildVideoGraph(graph, reinterpret_cast<const wchar_t*>(video.listedPath.c_str()));
  if (FAILED(built)) {
    Settle(video, VideoTryState::Failed, built);
    return false;
  }
  // A file plays once its first frame has arrived; one whose stream ends or breaks first
  // does not.
  for (;;) {
    if (VideoFramesDelivered(graph) > 0) break;
    bool completed = false;
    if (TakeVideoEnd(graph, &completed)) {
      Settle(video, VideoTryState::Failed, E_FAIL);
      return false;
    }
    if (WaitForWork(video) == Work::Stop) return false;
  }
  InterlockedExchange(&video.framesDelivered, VideoFramesDelivered(graph));
  Settle(video, VideoTryState::Playing, S_OK);
  return true;
}

void Play(VideoTry& video, VideoGraph& graph) {
  for (;;) {
    const Work work = WaitForWork(video);
    if (work == Work::Stop) return;
    if (work == Work::Rewind) {
      RewindVideo(graph);
      InterlockedExchange(&video.ends, 0);  // an end from before the rewind is over
    }
    bool completed = false;
    if (TakeVideoEnd(graph, &completed)) NoteEnd(video, completed);
    InterlockedExchange(&video.framesDelivered, VideoFramesDelivered(graph));
  }
}

DWORD WINAPI TryThread(void* parameter) {
  VideoTry* video = static_cast<VideoTry*>(parameter);
  // The graph lives in this thread's apartment; nothing outside the thread touches it.
  const ComApartment com;
  VideoGraph graph;
  if (FAILED(com.Result())) {
    Settle(*video, VideoTryState::Failed, com.Result());
  } else if (StartPlaying(*video, graph)) {
    Play(*video, graph);
  }
  ReleaseVideoGraph(graph);
  LetGo(video);
  return 0;
}

}  // namespace

namespace {

// A try made and set up by `setUp`, with its thread started; null when either failed.
template <typename SetUp>
VideoTry* Launched(HANDLE* thread, SetUp setUp) {
  if (thread != nullptr) *thread = nullptr;
  VideoTry* video = new (std::nothrow) VideoTry;
  if (video == nullptr) return nullptr;
  if (!video->Ready()) {
    delete video;
    return nullptr;
  }
  setUp(*video);
  // The thread lets go of its share of the try itself; its handle is the caller's, or closed.
  ScopedKernelHandle started(StartVideoThread(TryThread, video));
  if (!started) {
    delete video;
    return nullptr;
  }
  if (thread != nullptr) *thread = started.Release();
  return video;
}

}  // namespace

VideoTry* StartVideoTry(const char* path, VideoTryPath how, HANDLE* thread) {
  return Launched(thread, [path, how](VideoTry& video) {
    // The build refuses a path longer than 259 characters. One too long for this buffer is
    // not cut to another file's name but kept too long, so that the build refuses it.
    const size_t length = path ? strnlen(path, MAX_PATH + 1) : 0;
    if (length <= MAX_PATH) {
      if (length > 0) std::memcpy(video.path, path, length);
    } else {
      std::memset(video.path, 'x', MAX_PATH);
    }
    video.how = how;
  });
}

VideoTry* StartListedVideoTry(const NameText& path, HANDLE* thread) {
  return Launched(thread, [&path](VideoTry& video) { video.listedPath = path; });
}

bool TakeVideoTryListing(VideoTry* video, std::vector<NameText>* files) {
  if (video == nullptr || VideoTryStateOf(video) != VideoTryState::Listed) return false;
  *files = std::move(video->listing);
  video->listing.clear();
  return true;
}

VideoTryState VideoTryStateOf(const VideoTry* video) { return VideoTryState(video->state); }

HRESULT VideoTryResult(const VideoTry* video) { return video->result; }

void ShowVideoTry(VideoTry* video) {
  // A video that waited hidden may have reached its end meanwhile; it starts over when shown.
  InterlockedExchange(&video->ends, 0);
  ShowFrameProducer(video->producer);
}

bool TakeVideoTryEnd(VideoTry* video, bool* completed) {
  const LONG ends = InterlockedExchange(&video->ends, 0);
  *completed = ends < kBrokenEnd;  // an error among the ends outweighs a complete one
  return ends != 0;
}

void RewindVideoTry(VideoTry* video) { SetEvent(video->rewindEvent.Get()); }

long VideoTryFramesDelivered(const VideoTry* video) { return video->framesDelivered; }

void DropVideoTry(VideoTry*& video) {
  if (video == nullptr) return;
  VideoTry* dropped = video;
  video = nullptr;
  if (ShownFrameProducer() == dropped->producer) ShowFrameProducer(0);
  SetEvent(dropped->stopEvent.Get());
  LetGo(dropped);
}
