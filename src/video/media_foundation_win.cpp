// Playing a file through a Media Foundation source reader. Threads as in the header: the
// owner's thread starts, polls, rewinds and stops; the reader thread opens the file, owns the
// reader and delivers the frames to the frame surface, which takes them while the video is
// the shown producer. Both threads hold the playback's state; whichever lets go last frees
// it, so that the owner can give up on a reader thread stuck inside the platform without
// waiting for it.
#include "video/media_foundation_win.h"

#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <cstdint>
#include <cstring>
#include <new>

#include "base/com_ptr_win.h"
#include "base/scoped_win.h"
#include "base/system_library_win.h"
#include "video/decoded_type.h"
#include "video/frame_surface_win.h"
#include "video/picture_convert.h"
#include "video/picture_scaler.h"
#include "video/video_threads_win.h"

namespace {

typedef HRESULT(WINAPI* StartupProc)(ULONG version, DWORD flags);
typedef HRESULT(WINAPI* CreateMediaTypeProc)(IMFMediaType** type);
typedef HRESULT(WINAPI* CreateReaderProc)(LPCWSTR url, IMFAttributes* attributes, IMFSourceReader** reader);

// The entry points, found once per process. Tries of several files start at the same moment,
// each on a thread of its own, so the table is filled under libraryLock and read only after
// that (a reader thread starts after its owner's look-up). The libraries stay loaded until
// the process ends: unloading them while their work queues wind down is not safe.
struct Library {
  bool lookedUp = false;
  StartupProc startup = nullptr;
  CreateMediaTypeProc createMediaType = nullptr;
  CreateReaderProc createReader = nullptr;
  HRESULT started = E_FAIL;  // the platform's start
  bool Complete() const { return startup && createMediaType && createReader; }
};
Library library;

// Never deleted: a try thread may still start a file while the process ends. Made before
// main, when no thread of ours runs yet (Windows 98 has no one-time initialisation call).
CRITICAL_SECTION libraryLock;
struct LibraryLockSetUp {
  LibraryLockSetUp() { InitializeCriticalSection(&libraryLock); }
} libraryLockSetUp;

// Version words MFStartup takes: the Windows 7 one first, then Vista's.
const ULONG kStartupVersions[] = {0x00020070, 0x00010070};

constexpr DWORD kVideoStream = DWORD(MF_SOURCE_READER_FIRST_VIDEO_STREAM);

// The decoded formats this program converts itself, in the order they are asked for: the
// decoders' own formats first, so that no converter of the platform's is needed.
struct OfferedFormat {
  const GUID* subtype;
  DecodedFormat format;
};
const OfferedFormat kOfferedFormats[] = {
    {&MFVideoFormat_NV12, DecodedFormat::Nv12},   {&MFVideoFormat_I420, DecodedFormat::I420},
    {&MFVideoFormat_IYUV, DecodedFormat::I420},   {&MFVideoFormat_YV12, DecodedFormat::Yv12},
    {&MFVideoFormat_YUY2, DecodedFormat::Yuy2},   {&MFVideoFormat_RGB32, DecodedFormat::Rgb32},
    {&MFVideoFormat_RGB24, DecodedFormat::Rgb24},
};

}  // namespace

// One video being played: shared by its owner and its reader thread.
struct MediaFoundationVideo {
  volatile LONG references = 2;  // the owner's and the reader thread's
  WCHAR path[MAX_PATH + 1] = {};
  ScopedKernelHandle stopEvent{CreateEventA(nullptr, TRUE, FALSE, nullptr)};     // the thread leaves
  ScopedKernelHandle rewindEvent{CreateEventA(nullptr, FALSE, FALSE, nullptr)};  // start again
  ScopedKernelHandle openedEvent{CreateEventA(nullptr, TRUE, FALSE, nullptr)};   // `opened` is set
  HRESULT opened = E_PENDING;         // how the opening went, written before openedEvent
  volatile LONG ended = 0;            // an EndKind set by the thread, taken by the owner
  volatile LONG broken = 0;           // set by the thread once it reads no more, for good
  volatile LONG framesDelivered = 0;  // counted by the thread
  FrameProducer producer = 0;         // whose frames these are
  HANDLE thread = nullptr;            // the owner's handle of the reader thread
  // The reader thread's own.
  IMFSourceReader* reader = nullptr;
  DecodedPicture picture;  // layout of the current decoded type
  PictureScaler scaler;

  bool Ready() const { return stopEvent && rewindEvent && openedEvent; }
  // Runs on whichever thread lets go last: the owner's, unless it gave up on the reader
  // thread.
  ~MediaFoundationVideo() {
    if (reader) {
      // The reader asks its source for samples ahead of ReadSample; a flush waits for those
      // requests to settle, so that the source is not torn down under them.
      reader->Flush(DWORD(MF_SOURCE_READER_ALL_STREAMS));
      ReleaseHolder(reader);
    }
  }
};

namespace {

typedef MediaFoundationVideo Playback;

// The values of Playback::ended.
enum EndKind : LONG { kNoEnd = 0, kCompletedEnd = 1, kBrokenEnd = 2 };

void LetGo(Playback* playback) {
  if (InterlockedDecrement(&playback->references) == 0) delete playback;
}

// Under libraryLock.
bool LookUpLibrary() {
  if (library.lookedUp) return library.Complete();
  library.lookedUp = true;
  HMODULE platform = LoadSystemLibrary("mfplat.dll");
  HMODULE readers = LoadSystemLibrary("mfreadwrite.dll");
  if (platform == nullptr || readers == nullptr) return false;
  library.startup = LookUp<StartupProc>(platform, "MFStartup");
  library.createMediaType = LookUp<CreateMediaTypeProc>(platform, "MFCreateMediaType");
  library.createReader = LookUp<CreateReaderProc>(readers, "MFCreateSourceReaderFromURL");
  return library.Complete();
}

bool LibraryPresent() {
  EnterCriticalSection(&libraryLock);
  const bool present = LookUpLibrary();
  LeaveCriticalSection(&libraryLock);
  return present;
}

// Started once per process and left running: the play list tries every file, and a start
// and shutdown for each would set up and tear down the platform's work queues every time.
// Under libraryLock.
HRESULT StartPlatformOnce() {
  if (SUCCEEDED(library.started)) return library.started;
  for (ULONG version : kStartupVersions) {
    library.started = library.startup(version, MFSTARTUP_LITE);
    if (SUCCEEDED(library.started)) return library.started;
  }
  return library.started;
}

HRESULT StartPlatform() {
  EnterCriticalSection(&libraryLock);
  const HRESULT started = StartPlatformOnce();
  LeaveCriticalSection(&libraryLock);
  return started;
}

bool AskForSubtype(IMFSourceReader* reader, const GUID& subtype) {
  ComPtr<IMFMediaType> type;
  if (FAILED(library.createMediaType(type.Receive()))) return false;
  type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
  type->SetGUID(MF_MT_SUBTYPE, subtype);
  return SUCCEEDED(reader->SetCurrentMediaType(kVideoStream, nullptr, type.Get()));
}

// Asks the reader for one of our formats on the first video stream: the stream's own first
// format when it is one (no conversion on the way), else the first that the reader takes.
// False when it takes none.
bool ChooseDecodedFormat(IMFSourceReader* reader) {
  ComPtr<IMFMediaType> native;
  GUID nativeSubtype = GUID_NULL;
  if (SUCCEEDED(reader->GetNativeMediaType(kVideoStream, 0, native.Receive())) &&
      SUCCEEDED(native->GetGUID(MF_MT_SUBTYPE, &nativeSubtype))) {
    for (const OfferedFormat& offered : kOfferedFormats) {
      if (IsEqualGUID(nativeSubtype, *offered.subtype) && AskForSubtype(reader, nativeSubtype)) return true;
    }
  }
  for (const OfferedFormat& offered : kOfferedFormats) {
    if (AskForSubtype(reader, *offered.subtype)) return true;
  }
  return false;
}

// The attributes of the reader's current decoded type that place its pictures; those it
// does not carry stay 0. False without a subtype of ours or a frame size.
bool ReadTypeAttributes(IMFMediaType* type, DecodedTypeAttributes* attributes) {
  GUID subtype = GUID_NULL;
  if (FAILED(type->GetGUID(MF_MT_SUBTYPE, &subtype))) return false;
  const OfferedFormat* found = nullptr;
  for (const OfferedFormat& offered : kOfferedFormats) {
    if (IsEqualGUID(subtype, *offered.subtype)) found = &offered;
  }
  if (found == nullptr) return false;
  attributes->format = found->format;

  UINT64 packedSize = 0;
  if (FAILED(type->GetUINT64(MF_MT_FRAME_SIZE, &packedSize))) return false;
  attributes->frameWidth = UINT32(packedSize >> 32);
  attributes->frameHeight = UINT32(packedSize);

  MFVideoArea aperture = {};
  UINT32 apertureBytes = 0;
  if (SUCCEEDED(type->GetBlob(MF_MT_MINIMUM_DISPLAY_APERTURE, reinterpret_cast<UINT8*>(&aperture), sizeof aperture,
                              &apertureBytes)) &&
      apertureBytes == sizeof aperture) {
    attributes->apertureX = aperture.OffsetX.value;
    attributes->apertureY = aperture.OffsetY.value;
    attributes->apertureWidth = aperture.Area.cx;
    attributes->apertureHeight = aperture.Area.cy;
  }
  UINT32 stride = 0;
  if (SUCCEEDED(type->GetUINT32(MF_MT_DEFAULT_STRIDE, &stride))) attributes->defaultStride = int32_t(stride);
  return true;
}

// Reads the layout of the reader's current decoded type into playback.picture.
bool ReadDecodedLayout(Playback& playback) {
  ComPtr<IMFMediaType> type;
  if (FAILED(playback.reader->GetCurrentMediaType(kVideoStream, type.Receive()))) return false;
  DecodedTypeAttributes attributes;
  DecodedPicture picture;
  if (!ReadTypeAttributes(type.Get(), &attributes) || !DecodedPictureOfType(attributes, &picture)) return false;
  playback.picture = picture;
  return true;
}

// Draws one decoded sample into the texture, scaled to the texture's size before its colours
// are converted. A sample that does not fit its layout is dropped; the texture keeps its
// picture.
void ShowSample(Playback& playback, IMFSample* sample) {
  ComPtr<IMFMediaBuffer> buffer;
  if (FAILED(sample->ConvertToContiguousBuffer(buffer.Receive()))) return;
  BYTE* data = nullptr;
  DWORD length = 0;
  if (FAILED(buffer->Lock(&data, nullptr, &length))) return;
  const DecodedPicture& picture = playback.picture;
  // A frame of a video that is not shown (still being tried) counts as delivered all the
  // same.
  const HRESULT drawn = DrawPictureIntoTexture(playback.producer, playback.scaler, data, length, picture,
                                               MatrixForSize(picture.width, picture.height));
  buffer->Unlock();
  if (SUCCEEDED(drawn)) InterlockedIncrement(&playback.framesDelivered);
}

// How long a stop waits for the reader thread: a frame being decoded is finished first.
constexpr DWORD kStopLimitMs = 5000;

// Milliseconds of the clock (about 10 ms steps, as the run loop's); it wraps, so only
// differences are used.
DWORD Now() { return GetTickCount(); }

// Opens the file and picks the decoded format; on the reader thread.
HRESULT Open(Playback& playback) {
  HRESULT result = library.createReader(playback.path, nullptr, &playback.reader);
  if (FAILED(result) || playback.reader == nullptr) {
    playback.reader = nullptr;
    return FAILED(result) ? result : E_FAIL;
  }
  // Only the picture is played.
  playback.reader->SetStreamSelection(DWORD(MF_SOURCE_READER_ALL_STREAMS), FALSE);
  result = playback.reader->SetStreamSelection(kVideoStream, TRUE);
  if (FAILED(result)) return result;
  if (!ChooseDecodedFormat(playback.reader) || !ReadDecodedLayout(playback)) return MF_E_INVALIDMEDIATYPE;
  return S_OK;
}

// What one read came to.
enum class Read { Frame, Gap, End, Broken };

// Reads the next sample of the picture. Only the end of the stream completes the video: a
// failed read, the reader's error or a picture format this program does not convert leaves
// the reader unable to go on, which the owner must learn as a failure, so that it drops the
// reader and tries the file afresh later instead of rewinding a dead one.
Read ReadNext(Playback& playback, LONGLONG* stamp, ComPtr<IMFSample>& sample) {
  DWORD stream = 0, flags = 0;
  HRESULT result = playback.reader->ReadSample(kVideoStream, 0, &stream, &flags, stamp, sample.Receive());
  if (mediaFoundationSampleRead != nullptr) mediaFoundationSampleRead(&result, &flags);
  if (FAILED(result) || (flags & MF_SOURCE_READERF_ERROR)) return Read::Broken;
  if (flags & MF_SOURCE_READERF_ENDOFSTREAM) return Read::End;
  if ((flags & MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED) && !ReadDecodedLayout(playback)) return Read::Broken;
  return sample ? Read::Frame : Read::Gap;
}

enum class Work { Go, Rewind, Stop };

// Waits up to `waitMs` for the stop or a rewind; the stop comes first when both are there.
// Taking the rewind here, wherever the thread is, leaves none behind to start the video
// again later from wherever it then is.
Work WaitForWork(Playback& playback, DWORD waitMs) {
  HANDLE events[] = {playback.stopEvent.Get(), playback.rewindEvent.Get()};
  switch (WaitForMultipleObjects(2, events, FALSE, waitMs)) {
    case WAIT_TIMEOUT:
      return Work::Go;
    case WAIT_OBJECT_0 + 1:
      return Work::Rewind;
    default:
      return Work::Stop;
  }
}

bool SeekToStart(Playback& playback) {
  PROPVARIANT start;
  PropVariantInit(&start);
  start.vt = VT_I8;
  start.hVal.QuadPart = 0;
  return SUCCEEDED(playback.reader->SetCurrentPosition(GUID_NULL, start));
}

// The clock of the frames shown: it starts with the first frame after the opening or a
// rewind; stamps are in 100 ns units.
struct FrameClock {
  bool started = false;
  LONGLONG firstStamp = 0;
  DWORD startMs = 0;

  // Milliseconds until the frame of `stamp` is due; a late frame is due at once, never held
  // back.
  DWORD MsUntilDue(LONGLONG stamp) {
    if (!started) {
      started = true;
      firstStamp = stamp;
      startMs = Now();
    }
    const LONGLONG dueMs = stamp > firstStamp ? (stamp - firstStamp) / 10000 : 0;
    const LONGLONG waitMs = dueMs - LONGLONG(Now() - startMs);
    return waitMs > 0 ? DWORD(waitMs) : 0;
  }
};

// Tells the owner of the end; at a broken one the thread reads nothing more and only waits
// for the stop, so that a dead reader costs nothing while its owner moves on.
void ReportEnd(Playback& playback, EndKind end) {
  if (end == kBrokenEnd) InterlockedExchange(&playback.broken, 1);
  InterlockedExchange(&playback.ended, end);
}

void StayBroken(Playback& playback) {
  ReportEnd(playback, kBrokenEnd);
  WaitForSingleObject(playback.stopEvent.Get(), INFINITE);
}

void Play(Playback& playback) {
  FrameClock clock;
  for (;;) {
    LONGLONG stamp = 0;
    ComPtr<IMFSample> sample;
    const Read read = ReadNext(playback, &stamp, sample);
    if (read == Read::Broken) {
      StayBroken(playback);
      return;
    }
    // The stop or a rewind asked while the sample was read comes before showing it or
    // reporting the end: a thread the owner gave up on may come back from the decoder long
    // after the stop and must not draw then, and a rewound video starts again as soon as the
    // platform hands the thread back.
    Work work = WaitForWork(playback, 0);
    if (work == Work::Go && read == Read::End) {
      ReportEnd(playback, kCompletedEnd);
      work = WaitForWork(playback, INFINITE);
    }
    if (work == Work::Go && read == Read::Frame) work = WaitForWork(playback, clock.MsUntilDue(stamp));
    if (work == Work::Stop) return;
    if (work == Work::Rewind) {
      if (!SeekToStart(playback)) {
        StayBroken(playback);
        return;
      }
      // The end the owner has not taken yet is over: it must not end the video just begun.
      InterlockedCompareExchange(&playback.ended, kNoEnd, kCompletedEnd);
      clock = FrameClock();
      continue;
    }
    if (read == Read::Frame) ShowSample(playback, sample.Get());
  }
}

DWORD WINAPI ReaderThread(void* parameter) {
  Playback* playback = static_cast<Playback*>(parameter);
  // The reader's objects are free-threaded, so any apartment will do; CoInitialize's is the
  // one every Windows the program starts on has. Left after the playback is let go.
  const ComApartment apartment;
  playback->opened = Open(*playback);
  SetEvent(playback->openedEvent.Get());
  if (SUCCEEDED(playback->opened)) Play(*playback);
  LetGo(playback);
  return 0;
}

// Stops the reader thread and waits for it, for at most `limitMs`; after that the thread is
// left to end on its own (the frame surface takes nothing more from it once the video is no
// longer shown) and frees what it holds when it does.
void StopThread(Playback* playback, DWORD limitMs) {
  SetEvent(playback->stopEvent.Get());
  const ScopedKernelHandle thread(playback->thread);
  playback->thread = nullptr;
  WaitForSingleObject(thread.Get(), limitMs);
  LetGo(playback);
}

}  // namespace

DWORD mediaFoundationOpenLimitMs = 15000;
void (*mediaFoundationSampleRead)(HRESULT* result, DWORD* flags) = nullptr;

HRESULT StartMediaFoundationVideo(const wchar_t* path, FrameProducer producer, MediaFoundationVideo** video) {
  if (video == nullptr) return E_POINTER;
  *video = nullptr;
  if (path == nullptr || path[0] == '\0') return E_INVALIDARG;
  if (!LibraryPresent()) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
  const HRESULT textureReady = TextureFormatAccepted();
  if (FAILED(textureReady)) return textureReady;
  HRESULT result = StartPlatform();
  if (FAILED(result)) return result;

  Playback* playback = new (std::nothrow) Playback;
  if (playback == nullptr) return E_OUTOFMEMORY;
  playback->producer = producer;
  const size_t length = wcslen(path);
  if (!playback->Ready() || length > MAX_PATH) {
    delete playback;
    return E_FAIL;
  }
  std::memcpy(playback->path, path, length * sizeof(wchar_t));
  playback->thread = StartVideoThread(ReaderThread, playback);
  if (playback->thread == nullptr) {
    delete playback;
    return E_OUTOFMEMORY;
  }
  // Some parsers never come back from a damaged file: the caller does not wait for them.
  result = WaitForSingleObject(playback->openedEvent.Get(), mediaFoundationOpenLimitMs) == WAIT_OBJECT_0
               ? playback->opened
               : HRESULT_FROM_WIN32(ERROR_TIMEOUT);
  if (FAILED(result)) {
    StopThread(playback, kStopLimitMs);
    return result;
  }
  *video = playback;
  return S_OK;
}

long MediaFoundationFramesDelivered(const MediaFoundationVideo* video) { return video ? video->framesDelivered : 0; }

bool TakeMediaFoundationVideoEnd(MediaFoundationVideo* video, bool* completed) {
  *completed = false;
  if (video == nullptr) return false;
  const LONG end = InterlockedExchange(&video->ended, kNoEnd);
  *completed = end == kCompletedEnd;
  return end != kNoEnd;
}

void RewindMediaFoundationVideo(MediaFoundationVideo* video) {
  if (video == nullptr) return;
  // A dead reader is not started again; the owner hears once more that it is broken, so that
  // an owner which forgets the ends from before its rewind still learns of it. Should the
  // thread break just after this look, it reports the end itself and never takes the rewind.
  if (video->broken) {
    InterlockedExchange(&video->ended, kBrokenEnd);
    return;
  }
  SetEvent(video->rewindEvent.Get());
}

void StopMediaFoundationVideo(MediaFoundationVideo*& video) {
  if (video == nullptr) return;
  Playback* playback = video;
  video = nullptr;
  StopThread(playback, kStopLimitMs);
}
