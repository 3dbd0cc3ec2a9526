// The renderer base: filter, input pin and scheduling. Threads and locks as in the header.
#include "video/renderer_base_win.h"

#include <cwchar>

#include "base/com_ptr_win.h"
#include "video/filter_enumerators_win.h"

namespace {

const WCHAR kPinName[] = L"In";

// Longest single wait for a sample's time; the clock is read again after each, so a clock
// that is set back or runs slow cannot strand a sample.
constexpr DWORD kLongestWait = 1000;

HRESULT CopyWide(const WCHAR* text, LPWSTR* copy) {
  if (copy == nullptr) return E_POINTER;
  const size_t bytes = (std::wcslen(text) + 1) * sizeof(WCHAR);
  *copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (*copy == nullptr) return E_OUTOFMEMORY;
  CopyMemory(*copy, text, bytes);
  return S_OK;
}

// A name into a buffer of `room` characters, cut to fit and always ended; what lstrcpynW does
// on the NT family (on Windows 9x that function is a stub that copies nothing).
void CopyName(WCHAR* to, const WCHAR* from, size_t room) {
  if (room == 0) return;
  size_t n = 0;
  for (; n + 1 < room && from[n] != L'\0'; ++n) to[n] = from[n];
  to[n] = L'\0';
}

}  // namespace

// ---- Input pin --------------------------------------------------------------------------

RendererInputPin::~RendererInputPin() {
  ReleaseHolder(peer_);
  FreeMediaTypeContents(&connectedType_);
}

STDMETHODIMP RendererInputPin::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IPin) {
    *object = static_cast<IPin*>(this);
  } else if (iid == IID_IMemInputPin) {
    *object = static_cast<IMemInputPin*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) RendererInputPin::AddRef() { return filter_.AddRef(); }
STDMETHODIMP_(ULONG) RendererInputPin::Release() { return filter_.Release(); }

STDMETHODIMP RendererInputPin::Connect(IPin*, const AM_MEDIA_TYPE*) {
  return E_UNEXPECTED;  // an input pin only receives connections
}

STDMETHODIMP RendererInputPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
  if (connector == nullptr || type == nullptr) return E_POINTER;
  ScopedLock lock(filter_.filterLock_);
  if (peer_) return VFW_E_ALREADY_CONNECTED;
  if (filter_.state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  PIN_DIRECTION direction;
  if (FAILED(connector->QueryDirection(&direction)) || direction != PINDIR_OUTPUT) {
    return VFW_E_INVALID_DIRECTION;
  }
  if (filter_.CheckMediaType(type) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
  const HRESULT set = filter_.SetMediaType(type);
  if (FAILED(set)) return set;
  const HRESULT copied = CopyMediaTypeTo(&connectedType_, *type);
  if (FAILED(copied)) return copied;
  peer_ = connector;
  peer_->AddRef();
  return S_OK;
}

STDMETHODIMP RendererInputPin::Disconnect() {
  ScopedLock lock(filter_.filterLock_);
  if (filter_.state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  if (peer_ == nullptr) return S_FALSE;
  ReleaseHolder(peer_);
  FreeMediaTypeContents(&connectedType_);
  return S_OK;
}

STDMETHODIMP RendererInputPin::ConnectedTo(IPin** pin) {
  if (pin == nullptr) return E_POINTER;
  ScopedLock lock(filter_.filterLock_);
  *pin = peer_;
  if (peer_ == nullptr) return VFW_E_NOT_CONNECTED;
  peer_->AddRef();
  return S_OK;
}

STDMETHODIMP RendererInputPin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  ScopedLock lock(filter_.filterLock_);
  if (peer_ == nullptr) {
    ZeroMemory(type, sizeof *type);
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaTypeTo(type, connectedType_);
}

STDMETHODIMP RendererInputPin::QueryPinInfo(PIN_INFO* info) {
  if (info == nullptr) return E_POINTER;
  info->pFilter = &filter_;
  filter_.AddRef();
  info->dir = PINDIR_INPUT;
  CopyName(info->achName, kPinName, MAX_PIN_NAME);
  return S_OK;
}

STDMETHODIMP RendererInputPin::QueryDirection(PIN_DIRECTION* direction) {
  if (direction == nullptr) return E_POINTER;
  *direction = PINDIR_INPUT;
  return S_OK;
}

STDMETHODIMP RendererInputPin::QueryId(LPWSTR* id) { return CopyWide(kPinName, id); }

STDMETHODIMP RendererInputPin::QueryAccept(const AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  return filter_.CheckMediaType(type) == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP RendererInputPin::EnumMediaTypes(IEnumMediaTypes** types) { return NewEmptyTypeEnumerator(types); }

STDMETHODIMP RendererInputPin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }
STDMETHODIMP RendererInputPin::EndOfStream() { return filter_.StreamEnded(); }

STDMETHODIMP RendererInputPin::BeginFlush() {
  filter_.StartFlush();
  return S_OK;
}

STDMETHODIMP RendererInputPin::EndFlush() {
  filter_.FinishFlush();
  return S_OK;
}

STDMETHODIMP RendererInputPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) {
  return S_OK;  // sample times are scheduled as they come, relative to the stream start
}

STDMETHODIMP RendererInputPin::GetAllocator(IMemAllocator** allocator) {
  if (allocator == nullptr) return E_POINTER;
  *allocator = nullptr;
  return VFW_E_NO_ALLOCATOR;  // upstream brings its own
}

STDMETHODIMP RendererInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL) {
  return allocator ? S_OK : E_POINTER;  // samples are read where they lie; nothing to keep
}

STDMETHODIMP RendererInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) { return E_NOTIMPL; }
STDMETHODIMP RendererInputPin::Receive(IMediaSample* sample) { return filter_.ReceiveSample(sample); }

STDMETHODIMP RendererInputPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
  if (samples == nullptr || processed == nullptr) return E_POINTER;
  HRESULT result = S_OK;
  *processed = 0;
  while (*processed < count) {
    result = Receive(samples[*processed]);
    if (result != S_OK) break;
    ++*processed;
  }
  return result;
}

STDMETHODIMP RendererInputPin::ReceiveCanBlock() { return S_OK; }

// ---- Filter -----------------------------------------------------------------------------

RendererBase::RendererBase(const CLSID& classId, IUnknown* owner, HRESULT* result)
    : classId_(classId), wake_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  HRESULT outcome = S_OK;
  if (owner != nullptr) outcome = CLASS_E_NOAGGREGATION;
  if (!wake_) outcome = HRESULT_FROM_WIN32(GetLastError());
  if (result) *result = outcome;
}

RendererBase::~RendererBase() { ReleaseHolder(clock_); }

STDMETHODIMP RendererBase::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IPersist || iid == IID_IMediaFilter || iid == IID_IBaseFilter) {
    *object = static_cast<IBaseFilter*>(this);
  } else if (iid == IID_IMediaSeeking) {
    *object = static_cast<IMediaSeeking*>(this);
  } else if (iid == IID_IAMFilterMiscFlags) {
    *object = static_cast<IAMFilterMiscFlags*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) RendererBase::AddRef() { return InterlockedIncrement(&refCount_); }

STDMETHODIMP_(ULONG) RendererBase::Release() {
  const LONG count = InterlockedDecrement(&refCount_);
  if (count == 0) delete this;
  return count;
}

STDMETHODIMP RendererBase::GetClassID(CLSID* classId) {
  if (classId == nullptr) return E_POINTER;
  *classId = classId_;
  return S_OK;
}

STDMETHODIMP RendererBase::Stop() {
  {
    ScopedLock lock(filterLock_);
    state_ = State_Stopped;
    endOfStream_ = false;
    completePending_ = false;
    SetEvent(wake_.Get());
  }
  // Wait until a Receive that was under way has left; none can render from now on.
  ScopedLock wait(rendererLock_);
  return S_OK;
}

STDMETHODIMP RendererBase::Pause() {
  ScopedLock lock(filterLock_);
  if (state_ == State_Stopped) {
    endOfStream_ = false;
    completePending_ = false;
  }
  state_ = State_Paused;
  SetEvent(wake_.Get());
  return S_OK;
}

STDMETHODIMP RendererBase::Run(REFERENCE_TIME streamStart) {
  ComPtr<IMediaEventSink> sink;
  {
    ScopedLock lock(filterLock_);
    streamStart_ = streamStart;
    state_ = State_Running;
    if (completePending_) {
      completePending_ = false;
      sink.Reset(CompletionSink());
    }
    SetEvent(wake_.Get());
  }
  NotifyComplete(sink.Get());
  return S_OK;
}

STDMETHODIMP RendererBase::GetState(DWORD, FILTER_STATE* state) {
  if (state == nullptr) return E_POINTER;
  ScopedLock lock(filterLock_);
  *state = state_;
  return S_OK;
}

STDMETHODIMP RendererBase::SetSyncSource(IReferenceClock* clock) {
  ScopedLock lock(filterLock_);
  if (clock) clock->AddRef();
  ReleaseHolder(clock_);
  clock_ = clock;
  SetEvent(wake_.Get());
  return S_OK;
}

STDMETHODIMP RendererBase::GetSyncSource(IReferenceClock** clock) {
  if (clock == nullptr) return E_POINTER;
  ScopedLock lock(filterLock_);
  *clock = clock_;
  if (clock_) clock_->AddRef();
  return S_OK;
}

STDMETHODIMP RendererBase::EnumPins(IEnumPins** pins) { return NewPinEnumerator(&pin_, pins); }

STDMETHODIMP RendererBase::FindPin(LPCWSTR id, IPin** pin) {
  if (id == nullptr || pin == nullptr) return E_POINTER;
  if (std::wcscmp(id, kPinName) != 0) {
    *pin = nullptr;
    return VFW_E_NOT_FOUND;
  }
  *pin = &pin_;
  pin_.AddRef();
  return S_OK;
}

STDMETHODIMP RendererBase::QueryFilterInfo(FILTER_INFO* info) {
  if (info == nullptr) return E_POINTER;
  ScopedLock lock(filterLock_);
  CopyName(info->achName, name_, MAX_FILTER_NAME);
  info->pGraph = graph_;
  if (graph_) graph_->AddRef();
  return S_OK;
}

STDMETHODIMP RendererBase::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  ScopedLock lock(filterLock_);
  graph_ = graph;
  name_[0] = L'\0';
  if (graph && name) CopyName(name_, name, MAX_FILTER_NAME);
  return S_OK;
}

STDMETHODIMP RendererBase::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

STDMETHODIMP_(ULONG) RendererBase::GetMiscFlags() { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

void RendererBase::OnRenderStart(IMediaSample*) {}
void RendererBase::OnRenderEnd(IMediaSample*) {}

HRESULT RendererBase::ReceiveSample(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  ScopedLock receiving(rendererLock_);
  for (;;) {
    ScopedLock lock(filterLock_);
    if (flushing_) return S_FALSE;
    if (state_ == State_Stopped) return VFW_E_WRONG_STATE;
    if (endOfStream_) return VFW_E_SAMPLE_REJECTED_EOS;
    DWORD wait = INFINITE;  // paused: until the state changes
    if (state_ == State_Running) {
      wait = MillisecondsUntilDue(sample);
      if (wait == 0) {
        // A sample may bring a new format (the decoder changed it after QueryAccept): it is
        // taken whole before the sample is drawn, or the sample is refused.
        if (!TakeSampleType(sample)) return VFW_E_TYPE_NOT_ACCEPTED;
        OnRenderStart(sample);
        DoRenderSample(sample);
        InterlockedIncrement(&framesRendered_);
        OnRenderEnd(sample);
        return S_OK;
      }
    }
    // Reset under the lock: whoever changes the state next takes the lock and sets it.
    ResetEvent(wake_.Get());
    lock.Unlock();
    WaitForSingleObject(wake_.Get(), wait);
  }
}

bool RendererBase::TakeSampleType(IMediaSample* sample) {
  AM_MEDIA_TYPE* type = nullptr;
  if (sample->GetMediaType(&type) != S_OK || type == nullptr) return true;
  const bool taken = CheckMediaType(type) == S_OK && SUCCEEDED(SetMediaType(type));
  if (taken) {
    FreeMediaTypeContents(&pin_.connectedType_);
    CopyMediaTypeTo(&pin_.connectedType_, *type);
  }
  FreeMediaTypeContents(type);
  CoTaskMemFree(type);
  return taken;
}

DWORD RendererBase::MillisecondsUntilDue(IMediaSample* sample) const {
  if (clock_ == nullptr) return 0;
  REFERENCE_TIME start = 0, end = 0;
  if (FAILED(sample->GetTime(&start, &end))) return 0;  // a sample without a time is due now
  REFERENCE_TIME now = 0;
  if (FAILED(clock_->GetTime(&now))) return 0;
  const REFERENCE_TIME due = streamStart_ + start;
  if (now >= due) return 0;
  const REFERENCE_TIME milliseconds = (due - now + 9999) / 10000;
  return milliseconds > kLongestWait ? kLongestWait : static_cast<DWORD>(milliseconds);
}

HRESULT RendererBase::StreamEnded() {
  ComPtr<IMediaEventSink> sink;
  {
    ScopedLock lock(filterLock_);
    if (flushing_) return S_FALSE;
    if (state_ == State_Stopped) return S_OK;  // a stopped graph has nothing to complete
    endOfStream_ = true;
    if (state_ == State_Running) {
      sink.Reset(CompletionSink());
    } else {
      completePending_ = true;
    }
  }
  NotifyComplete(sink.Get());
  return S_OK;
}

IMediaEventSink* RendererBase::CompletionSink() {
  IMediaEventSink* sink = nullptr;
  if (graph_ == nullptr || FAILED(graph_->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink))))
    return nullptr;
  return sink;
}

void RendererBase::NotifyComplete(IMediaEventSink* sink) {
  if (sink == nullptr) return;
  sink->Notify(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
}

void RendererBase::StartFlush() {
  ScopedLock lock(filterLock_);
  flushing_ = true;
  endOfStream_ = false;
  completePending_ = false;
  SetEvent(wake_.Get());
}

void RendererBase::FinishFlush() {
  {
    // The Receive that BeginFlush woke leaves before new data may come.
    ScopedLock wait(rendererLock_);
  }
  ScopedLock lock(filterLock_);
  flushing_ = false;
}
