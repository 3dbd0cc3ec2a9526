// The base of a DirectShow renderer filter: one input pin "In", type negotiation through
// CheckMediaType and SetMediaType, and the scheduling that hands each sample to
// DoRenderSample at its presentation time on the graph's reference clock.
//
// Threads: the graph calls the filter's state methods (Stop, Pause, Run, connection) on the
// application's thread; the upstream filter calls Receive, EndOfStream and the flush on its
// streaming thread (the flush also on the application's thread while seeking). Two locks
// order them: the filter lock guards the state and is held while a sample is rendered, the
// renderer lock is held by Receive for its whole stay, so that Stop and EndFlush can wait
// until a Receive has left. A waiting Receive holds only the renderer lock; whoever changes
// the state wakes it first.
#pragma once

#include <windows.h>

#include <dshow.h>

#include "base/scoped_win.h"
#include "video/media_type_win.h"

class RendererBase;

// The filter's one input pin. It lives inside the filter and shares its reference count.
class RendererInputPin final : public IPin, public IMemInputPin {
 public:
  explicit RendererInputPin(RendererBase& filter) : filter_(filter) {}
  ~RendererInputPin();
  RendererInputPin(const RendererInputPin&) = delete;
  RendererInputPin& operator=(const RendererInputPin&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IPin
  STDMETHODIMP Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP ConnectedTo(IPin** pin) override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
  STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override;
  STDMETHODIMP QueryId(LPWSTR* id) override;
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
  STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;
  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  // IMemInputPin
  STDMETHODIMP GetAllocator(IMemAllocator** allocator) override;
  STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
  STDMETHODIMP Receive(IMediaSample* sample) override;
  STDMETHODIMP ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
  STDMETHODIMP ReceiveCanBlock() override;

 private:
  friend class RendererBase;
  RendererBase& filter_;
  IPin* peer_ = nullptr;  // the upstream output pin; guarded by the filter lock
  AM_MEDIA_TYPE connectedType_ = {};
};

class RendererBase : public IBaseFilter, public IMediaSeeking, public IAMFilterMiscFlags {
 public:
  RendererBase(const RendererBase&) = delete;
  RendererBase& operator=(const RendererBase&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IPersist, IMediaFilter, IBaseFilter
  STDMETHODIMP GetClassID(CLSID* classId) override;
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME streamStart) override;
  STDMETHODIMP GetState(DWORD timeout, FILTER_STATE* state) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
  STDMETHODIMP EnumPins(IEnumPins** pins) override;
  STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;

  // IMediaSeeking, passed on to the upstream output pin so that the graph can seek.
  STDMETHODIMP GetCapabilities(DWORD* capabilities) override;
  STDMETHODIMP CheckCapabilities(DWORD* capabilities) override;
  STDMETHODIMP IsFormatSupported(const GUID* format) override;
  STDMETHODIMP QueryPreferredFormat(GUID* format) override;
  STDMETHODIMP GetTimeFormat(GUID* format) override;
  STDMETHODIMP IsUsingTimeFormat(const GUID* format) override;
  STDMETHODIMP SetTimeFormat(const GUID* format) override;
  STDMETHODIMP GetDuration(LONGLONG* duration) override;
  STDMETHODIMP GetStopPosition(LONGLONG* stop) override;
  STDMETHODIMP GetCurrentPosition(LONGLONG* current) override;
  STDMETHODIMP ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                 const GUID* sourceFormat) override;
  STDMETHODIMP SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) override;
  STDMETHODIMP GetPositions(LONGLONG* current, LONGLONG* stop) override;
  STDMETHODIMP GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
  STDMETHODIMP SetRate(double rate) override;
  STDMETHODIMP GetRate(double* rate) override;
  STDMETHODIMP GetPreroll(LONGLONG* preroll) override;

  // IAMFilterMiscFlags: tells the graph that this filter is a renderer, which it counts to
  // know when every stream has ended.
  STDMETHODIMP_(ULONG) GetMiscFlags() override;

  // What a renderer supplies. CheckMediaType is asked for every type offered while the pin
  // connects; SetMediaType once the type is agreed, before any sample arrives; DoRenderSample
  // for each sample whose time has come, on the streaming thread, under both locks. The
  // result of DoRenderSample is not looked at: a frame that fails is simply not shown.
  // SetMediaType is called again on the streaming thread, before the sample is drawn, when
  // a sample brings a format of its own; it must take all of it or nothing.
  virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;

  // Samples handed to DoRenderSample since the filter was made.
  LONG FramesRendered() const { return framesRendered_; }

 protected:
  // Aggregation is not supported: a non-null owner makes `result` CLASS_E_NOAGGREGATION.
  RendererBase(const CLSID& classId, IUnknown* owner, HRESULT* result);
  virtual ~RendererBase();

  // Bookkeeping around each DoRenderSample, under both locks; nothing by default.
  virtual void OnRenderStart(IMediaSample* sample);
  virtual void OnRenderEnd(IMediaSample* sample);

 private:
  friend class RendererInputPin;

  HRESULT ReceiveSample(IMediaSample* sample);
  // Applies the format a sample carries, if any, through CheckMediaType and SetMediaType.
  // False when the format is refused. Filter lock held, streaming thread.
  bool TakeSampleType(IMediaSample* sample);
  HRESULT StreamEnded();
  void StartFlush();
  void FinishFlush();
  // Milliseconds until the sample is due on the clock; 0 when it is due now. Filter lock held.
  DWORD MillisecondsUntilDue(IMediaSample* sample) const;
  // The graph's event sink, with a reference of the caller's; empty outside a graph. Filter
  // lock held: the graph may leave meanwhile, and it holds no reference to be borrowed.
  IMediaEventSink* CompletionSink();
  // Sends EC_COMPLETE through the sink taken under the lock, after leaving it: the graph
  // takes its own lock in Notify, and may hold it while it waits for ours (a state change).
  void NotifyComplete(IMediaEventSink* sink);
  // The upstream pin's seeking interface, or E_NOTIMPL while nothing is connected.
  HRESULT UpstreamSeeking(IMediaSeeking** seeking);
  template <typename... Params, typename... Args>
  HRESULT ForwardSeeking(HRESULT (STDMETHODCALLTYPE IMediaSeeking::*method)(Params...), Args... args);

  LONG refCount_ = 1;
  const CLSID classId_;
  CriticalSection filterLock_;
  CriticalSection rendererLock_;
  ScopedKernelHandle wake_;  // manual reset; set whenever a waiting Receive must look again
  RendererInputPin pin_{*this};

  // Guarded by the filter lock.
  FILTER_STATE state_ = State_Stopped;
  REFERENCE_TIME streamStart_ = 0;
  IReferenceClock* clock_ = nullptr;
  IFilterGraph* graph_ = nullptr;  // no reference: the graph holds this filter
  WCHAR name_[MAX_FILTER_NAME] = {};
  bool flushing_ = false;
  bool endOfStream_ = false;      // EndOfStream arrived; no more samples until stop or flush
  bool completePending_ = false;  // EC_COMPLETE held back while paused
  volatile LONG framesRendered_ = 0;
};
