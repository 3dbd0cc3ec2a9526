// The renderer base's scheduling, driven through its input pin the way an upstream filter
// drives it, with the system clock and a real filter graph manager where it needs one; then
// its COM surface (interfaces, enumerators, reference counts, states), each test ending
// with the last Release returning 0.
#include <windows.h>

#include <dshow.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/com_ptr_win.h"
#include "base/scoped_win.h"
#include "video/renderer_base_win.h"
#include "video_test_support.h"

namespace {

const CLSID kCountingRendererId = {0x3b1c9e52, 0x7f4d, 0x4a61, {0x9a, 0x0e, 0x51, 0x2c, 0x7d, 0x33, 0x10, 0x8f}};

// Counts what the base hands it and notes when and where.
class CountingRenderer final : public RendererBase {
 public:
  explicit CountingRenderer(HRESULT* result) : RendererBase(kCountingRendererId, nullptr, result) {}
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override {
    return type->majortype == MEDIATYPE_Video ? S_OK : E_FAIL;
  }
  HRESULT SetMediaType(const AM_MEDIA_TYPE*) override { return S_OK; }
  HRESULT DoRenderSample(IMediaSample*) override {
    renderedOn = GetCurrentThreadId();
    if (clock) clock->GetTime(&renderedAt);
    return S_OK;
  }

  IReferenceClock* clock = nullptr;  // the test's, read at render time
  std::atomic<DWORD> renderedOn{0};
  REFERENCE_TIME renderedAt = 0;

 private:
  ~CountingRenderer() override = default;
};

// Runs one Receive on a thread of its own, as a streaming thread would.
class Delivery {
 public:
  Delivery(IMemInputPin* pin, IMediaSample* sample)
      : thread_([this, pin, sample] {
          threadId_ = GetCurrentThreadId();
          result_ = pin->Receive(sample);
          done_ = true;
        }) {}
  ~Delivery() {
    if (thread_.joinable()) thread_.join();
  }
  bool Done() const { return done_; }
  // Waits for the Receive to return; false if it is still blocked after a generous bound.
  bool Finish() {
    if (!WaitFor([this] { return Done(); }, 10000)) return false;
    thread_.join();
    return true;
  }
  HRESULT Result() const { return result_; }
  DWORD ThreadId() const { return threadId_; }

 private:
  std::atomic<bool> done_{false};
  std::atomic<HRESULT> result_{E_PENDING};
  std::atomic<DWORD> threadId_{0};
  std::thread thread_;
};

class RendererBaseTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  static void TearDownTestSuite() { CoUninitialize(); }

  void SetUp() override {
    HRESULT result = E_FAIL;
    renderer_.Reset(new CountingRenderer(&result));
    ASSERT_EQ(result, S_OK);
    ComPtr<IPin> pin;
    ASSERT_EQ(renderer_->FindPin(L"In", pin.Receive()), S_OK);
    ASSERT_EQ(pin->QueryInterface(IID_IMemInputPin, input_.ReceiveVoid()), S_OK);
    ASSERT_EQ(pin->QueryInterface(IID_IPin, pin_.ReceiveVoid()), S_OK);
  }
  void TearDown() override {
    if (!renderer_) return;  // left to the process's end by a test that found a deadlock
    renderer_->Stop();
    renderer_->SetSyncSource(nullptr);
    input_.Reset();
    pin_.Reset();
    renderer_.Reset();
    clock_.Reset();
  }

  // The system clock, handed to the filter the way the graph does it.
  REFERENCE_TIME UseSystemClock() {
    EXPECT_EQ(
        CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER, IID_IReferenceClock, clock_.ReceiveVoid()),
        S_OK);
    renderer_->SetSyncSource(clock_.Get());
    renderer_->clock = clock_.Get();
    REFERENCE_TIME now = 0;
    clock_->GetTime(&now);
    return now;
  }

  ComPtr<CountingRenderer> renderer_;
  ComPtr<IMemInputPin> input_;
  ComPtr<IPin> pin_;
  ComPtr<IReferenceClock> clock_;
  TestSample sample_{std::vector<BYTE>(16)};
};

constexpr REFERENCE_TIME kSecond = 10000000;

TEST_F(RendererBaseTest, SampleWhileStoppedIsRefused) {
  EXPECT_EQ(input_->Receive(&sample_), VFW_E_WRONG_STATE);
  EXPECT_EQ(renderer_->FramesRendered(), 0);
  EXPECT_EQ(input_->Receive(nullptr), E_POINTER);
}

TEST_F(RendererBaseTest, PausedHoldsTheSampleUntilRunThenRendersOnTheDeliveringThread) {
  ASSERT_EQ(renderer_->Pause(), S_OK);
  Delivery delivery(input_.Get(), &sample_);
  Sleep(150);
  EXPECT_FALSE(delivery.Done()) << "a paused renderer must hold the sample";
  EXPECT_EQ(renderer_->FramesRendered(), 0);

  ASSERT_EQ(renderer_->Run(0), S_OK);  // no clock: due at once
  ASSERT_TRUE(delivery.Finish());
  EXPECT_EQ(delivery.Result(), S_OK);
  EXPECT_EQ(renderer_->FramesRendered(), 1);
  EXPECT_EQ(renderer_->renderedOn, delivery.ThreadId());
  EXPECT_NE(renderer_->renderedOn, GetCurrentThreadId());
}

TEST_F(RendererBaseTest, BeginFlushReleasesAWaitingReceiveAndEndFlushReopens) {
  ASSERT_EQ(renderer_->Run(UseSystemClock()), S_OK);
  sample_.SetStart(60 * kSecond);
  const ScopedKernelHandle timed(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  sample_.SignalWhenTimed(timed.Get());
  {
    Delivery delivery(input_.Get(), &sample_);
    // The renderer asks for the sample's time, under its lock, just before it waits for it.
    ASSERT_EQ(WaitForSingleObject(timed.Get(), 10000), WAIT_OBJECT_0);
    ASSERT_EQ(pin_->BeginFlush(), S_OK);
    ASSERT_TRUE(delivery.Finish());
    EXPECT_EQ(delivery.Result(), S_FALSE);
  }
  EXPECT_EQ(input_->Receive(&sample_), S_FALSE) << "samples during a flush are dropped";
  ASSERT_EQ(pin_->EndFlush(), S_OK);
  sample_.SetStart(-kSecond);  // late: shown at once
  EXPECT_EQ(input_->Receive(&sample_), S_OK);
  EXPECT_EQ(renderer_->FramesRendered(), 1);
}

TEST_F(RendererBaseTest, StopReleasesAReceiveWaitingForItsTime) {
  const REFERENCE_TIME now = UseSystemClock();
  ASSERT_EQ(renderer_->Run(now), S_OK);
  sample_.SetStart(60 * kSecond);
  const ScopedKernelHandle timed(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  sample_.SignalWhenTimed(timed.Get());
  Delivery delivery(input_.Get(), &sample_);
  // The renderer asks for the sample's time, under its lock, just before it waits for it.
  ASSERT_EQ(WaitForSingleObject(timed.Get(), 10000), WAIT_OBJECT_0);
  ASSERT_EQ(renderer_->Stop(), S_OK);
  ASSERT_TRUE(delivery.Finish());
  EXPECT_EQ(delivery.Result(), VFW_E_WRONG_STATE);
  EXPECT_EQ(renderer_->FramesRendered(), 0);
}

TEST_F(RendererBaseTest, SampleIsRenderedAtItsPresentationTimeOnTheClock) {
  const REFERENCE_TIME start = UseSystemClock();
  ASSERT_EQ(renderer_->Run(start), S_OK);
  sample_.SetStart(kSecond / 4);
  ASSERT_EQ(input_->Receive(&sample_), S_OK);
  EXPECT_GE(renderer_->renderedAt, start + kSecond / 4);

  // A late sample is shown at once rather than dropped.
  sample_.SetStart(-kSecond);
  ASSERT_EQ(input_->Receive(&sample_), S_OK);
  EXPECT_EQ(renderer_->FramesRendered(), 2);
}

// Takes every queued event of the graph without waiting.
std::vector<long> TakeEvents(IMediaEvent* events) {
  std::vector<long> codes;
  long code;
  LONG_PTR first, second;
  while (SUCCEEDED(events->GetEvent(&code, &first, &second, 0))) {
    codes.push_back(code);
    events->FreeEventParams(code, first, second);
  }
  return codes;
}

bool Contains(const std::vector<long>& codes, long code) {
  for (long c : codes) {
    if (c == code) return true;
  }
  return false;
}

TEST_F(RendererBaseTest, EndOfStreamCompletesThroughTheGraphOnlyWhileRunning) {
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.ReceiveVoid()),
            S_OK);
  ComPtr<IMediaControl> control;
  ComPtr<IMediaEvent> events;
  ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, control.ReceiveVoid()), S_OK);
  ASSERT_EQ(graph->QueryInterface(IID_IMediaEvent, events.ReceiveVoid()), S_OK);
  ASSERT_EQ(graph->AddFilter(renderer_.Get(), L"counting"), S_OK);

  // Held while paused, sent on Run.
  ASSERT_TRUE(SUCCEEDED(control->Pause()));
  EXPECT_EQ(pin_->EndOfStream(), S_OK);
  EXPECT_FALSE(Contains(TakeEvents(events.Get()), EC_COMPLETE));
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  EXPECT_TRUE(Contains(TakeEvents(events.Get()), EC_COMPLETE));
  EXPECT_EQ(input_->Receive(&sample_), VFW_E_SAMPLE_REJECTED_EOS);

  // A flush clears a held end of stream.
  ASSERT_TRUE(SUCCEEDED(control->Stop()));
  ASSERT_TRUE(SUCCEEDED(control->Pause()));
  EXPECT_EQ(pin_->EndOfStream(), S_OK);
  EXPECT_EQ(pin_->BeginFlush(), S_OK);
  EXPECT_EQ(pin_->EndFlush(), S_OK);
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  Sleep(100);
  EXPECT_FALSE(Contains(TakeEvents(events.Get()), EC_COMPLETE));

  // So does Stop.
  ASSERT_TRUE(SUCCEEDED(control->Pause()));
  EXPECT_EQ(pin_->EndOfStream(), S_OK);
  ASSERT_TRUE(SUCCEEDED(control->Stop()));
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  Sleep(100);
  EXPECT_FALSE(Contains(TakeEvents(events.Get()), EC_COMPLETE));

  // While running it is sent at once.
  EXPECT_EQ(pin_->EndOfStream(), S_OK);
  EXPECT_TRUE(Contains(TakeEvents(events.Get()), EC_COMPLETE));
  ASSERT_TRUE(SUCCEEDED(control->Stop()));

  // The graph holds the filter, the filter does not hold the graph.
  ASSERT_EQ(graph->RemoveFilter(renderer_.Get()), S_OK);
  renderer_->AddRef();
  EXPECT_EQ(renderer_->Release(), 3u) << "the test's own three references only";
}

}  // namespace

namespace {

// A graph of the test's own whose event sink takes the graph's lock in Notify, as a filter
// graph manager does, while the test's control thread holds that lock to change the filter's
// state, as the manager does in Run and Pause. Only QueryInterface of the graph is used.
class LockingGraph final : public IFilterGraph, public IMediaEventSink {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IFilterGraph)) {
      *object = static_cast<IFilterGraph*>(this);
    } else if (IsEqualIID(iid, IID_IMediaEventSink)) {
      *object = static_cast<IMediaEventSink*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives on the test's stack
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP AddFilter(IBaseFilter*, LPCWSTR) override { return E_NOTIMPL; }
  STDMETHODIMP RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
  STDMETHODIMP FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
  STDMETHODIMP ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP Reconnect(IPin*) override { return E_NOTIMPL; }
  STDMETHODIMP Disconnect(IPin*) override { return E_NOTIMPL; }
  STDMETHODIMP SetDefaultSyncSource() override { return E_NOTIMPL; }
  STDMETHODIMP Notify(LONG code, LONG_PTR, LONG_PTR) override {
    ScopedLock held(lock);
    if (code == EC_COMPLETE) ++completes;
    return S_OK;
  }

  CriticalSection lock;
  std::atomic<int> completes{0};
};

DWORD WINAPI EndStreams(void* param) {
  auto* pin = static_cast<IPin*>(param);
  for (int i = 0; i < 3000; ++i) pin->EndOfStream();
  return 0;
}

struct StateChanges {
  LockingGraph* graph;
  IBaseFilter* filter;
};

DWORD WINAPI ChangeStates(void* param) {
  auto* changes = static_cast<StateChanges*>(param);
  for (int i = 0; i < 3000; ++i) {
    ScopedLock held(changes->graph->lock);
    if (i % 3 == 2) changes->filter->Pause();
    else changes->filter->Run(0);
  }
  return 0;
}

TEST_F(RendererBaseTest, EndOfStreamNeverDeadlocksWithTheGraphsOwnLock) {
  LockingGraph graph;
  ASSERT_EQ(renderer_->JoinFilterGraph(&graph, L"stress"), S_OK);
  ASSERT_EQ(renderer_->Run(0), S_OK);
  StateChanges changes = {&graph, renderer_.Get()};
  HANDLE threads[2] = {CreateThread(nullptr, 0, EndStreams, pin_.Get(), 0, nullptr),
                       CreateThread(nullptr, 0, ChangeStates, &changes, 0, nullptr)};
  ASSERT_NE(threads[0], nullptr);
  ASSERT_NE(threads[1], nullptr);
  // The bound only keeps a deadlock from hanging the run.
  const bool finished = WaitForMultipleObjects(2, threads, TRUE, 60000) == WAIT_OBJECT_0;
  if (!finished) {
    // Locks held by the stuck threads stay held: keep the objects alive for the process's end.
    TerminateThread(threads[0], 1);
    TerminateThread(threads[1], 1);
    renderer_.Detach();
    pin_.Detach();
    input_.Detach();
  }
  CloseHandle(threads[0]);
  CloseHandle(threads[1]);
  ASSERT_TRUE(finished) << "EndOfStream and the graph's state changes deadlocked";
  EXPECT_GT(graph.completes.load(), 0);
  renderer_->Stop();
  renderer_->JoinFilterGraph(nullptr, nullptr);
}

}  // namespace

// ---- The COM surface, each test ending with the filter's last Release returning 0 ----

namespace {

template <typename Interface>
ULONG References(Interface* object) {
  object->AddRef();
  return object->Release();
}

CountingRenderer* NewFilter() {
  HRESULT result = E_FAIL;
  auto* filter = new CountingRenderer(&result);
  EXPECT_EQ(result, S_OK);
  return filter;
}

IPin* InputPin(IBaseFilter* filter) {
  IPin* pin = nullptr;
  EXPECT_EQ(filter->FindPin(L"In", &pin), S_OK);
  return pin;
}

class RendererComTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  static void TearDownTestSuite() { CoUninitialize(); }
};

TEST_F(RendererComTest, InterfacesOfTheFilterAndOfItsPin) {
  struct Case {
    const IID* iid;
    const char* name;
    bool filterHasIt;
    bool pinHasIt;
  } const cases[] = {
      {&IID_IUnknown, "IUnknown", true, true},
      {&IID_IPersist, "IPersist", true, false},
      {&IID_IMediaFilter, "IMediaFilter", true, false},
      {&IID_IBaseFilter, "IBaseFilter", true, false},
      {&IID_IMediaSeeking, "IMediaSeeking", true, false},
      {&IID_IAMFilterMiscFlags, "IAMFilterMiscFlags", true, false},
      {&IID_IPin, "IPin", false, true},
      {&IID_IMemInputPin, "IMemInputPin", false, true},
      {&IID_IMediaPosition, "IMediaPosition", false, false},
      {&IID_IBasicVideo, "IBasicVideo", false, false},
      {&IID_IVideoWindow, "IVideoWindow", false, false},
      {&IID_IReferenceClock, "IReferenceClock", false, false},
      {&IID_IEnumPins, "IEnumPins", false, false},
  };
  CountingRenderer* filter = NewFilter();
  IPin* pin = InputPin(filter);
  for (const Case& c : cases) {
    for (IUnknown* object : {static_cast<IUnknown*>(static_cast<IBaseFilter*>(filter)), static_cast<IUnknown*>(pin)}) {
      const bool expected = object == pin ? c.pinHasIt : c.filterHasIt;
      SCOPED_TRACE(std::string(c.name) + (object == pin ? " of the pin" : " of the filter"));
      const ULONG before = References(object);
      void* found = reinterpret_cast<void*>(1);
      EXPECT_EQ(object->QueryInterface(*c.iid, &found), expected ? S_OK : E_NOINTERFACE);
      if (!expected) {
        EXPECT_EQ(found, nullptr);
        continue;
      }
      ASSERT_NE(found, nullptr);
      EXPECT_EQ(References(object), before + 1);
      static_cast<IUnknown*>(found)->Release();
    }
  }
  EXPECT_EQ(filter->QueryInterface(IID_IBaseFilter, nullptr), E_POINTER);
  EXPECT_EQ(pin->QueryInterface(IID_IPin, nullptr), E_POINTER);
  EXPECT_EQ(pin->Release(), 1u) << "the pin counts with its filter";
  EXPECT_EQ(filter->Release(), 0u);
}

TEST_F(RendererComTest, PinEnumeratorNextSkipResetAndClone) {
  CountingRenderer* filter = NewFilter();
  IPin* pin = InputPin(filter);
  IEnumPins* pins = nullptr;
  ASSERT_EQ(filter->EnumPins(&pins), S_OK);
  EXPECT_EQ(References(static_cast<IBaseFilter*>(filter)), 3u) << "ours, the pin's and the enumerator's";

  IPin* got[2] = {};
  ULONG fetched = 7;
  EXPECT_EQ(pins->Next(1, got, &fetched), S_OK);
  EXPECT_EQ(fetched, 1u);
  EXPECT_EQ(got[0], pin);
  got[0]->Release();
  EXPECT_EQ(pins->Next(1, got, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);

  EXPECT_EQ(pins->Reset(), S_OK);
  EXPECT_EQ(pins->Next(2, got, nullptr), E_INVALIDARG) << "more than one and no count";
  EXPECT_EQ(pins->Next(2, got, &fetched), S_FALSE) << "asked for two, there is one";
  EXPECT_EQ(fetched, 1u);
  got[0]->Release();
  EXPECT_EQ(pins->Next(0, got, &fetched), S_OK);
  EXPECT_EQ(fetched, 0u);

  EXPECT_EQ(pins->Reset(), S_OK);
  EXPECT_EQ(pins->Skip(1), S_OK);
  EXPECT_EQ(pins->Skip(1), S_FALSE);
  EXPECT_EQ(pins->Next(1, got, nullptr), S_FALSE);
  EXPECT_EQ(pins->Reset(), S_OK);
  EXPECT_EQ(pins->Skip(2), S_FALSE);

  // A clone starts where its original stands and moves on its own.
  EXPECT_EQ(pins->Reset(), S_OK);
  IEnumPins* copy = nullptr;
  ASSERT_EQ(pins->Clone(&copy), S_OK);
  EXPECT_EQ(copy->Next(1, got, nullptr), S_OK);
  got[0]->Release();
  EXPECT_EQ(pins->Next(1, got, nullptr), S_OK);
  got[0]->Release();
  EXPECT_EQ(copy->Next(1, got, nullptr), S_FALSE);
  EXPECT_EQ(pins->Next(1, nullptr, nullptr), E_POINTER);
  EXPECT_EQ(pins->Clone(nullptr), E_POINTER);

  EXPECT_EQ(copy->Release(), 0u);
  EXPECT_EQ(pins->Release(), 0u);
  pin->Release();
  EXPECT_EQ(filter->Release(), 0u);
}

TEST_F(RendererComTest, TypeEnumeratorOffersNone) {
  CountingRenderer* filter = NewFilter();
  IPin* pin = InputPin(filter);
  IEnumMediaTypes* types = nullptr;
  ASSERT_EQ(pin->EnumMediaTypes(&types), S_OK);
  AM_MEDIA_TYPE* got[2] = {};
  ULONG fetched = 7;
  EXPECT_EQ(types->Next(2, got, nullptr), E_INVALIDARG) << "more than one and no count";
  EXPECT_EQ(types->Next(1, got, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(got[0], nullptr);
  EXPECT_EQ(types->Skip(1), S_FALSE);
  EXPECT_EQ(types->Reset(), S_OK);
  IEnumMediaTypes* copy = nullptr;
  ASSERT_EQ(types->Clone(&copy), S_OK);
  EXPECT_EQ(copy->Next(1, got, nullptr), S_FALSE);
  EXPECT_EQ(copy->Release(), 0u);
  EXPECT_EQ(types->Release(), 0u);
  EXPECT_EQ(pin->EnumMediaTypes(nullptr), E_POINTER);
  pin->Release();
  EXPECT_EQ(filter->Release(), 0u);
}

TEST_F(RendererComTest, QueriesHandOutReferencesAndTheGraphIsNotHeld) {
  CountingRenderer* filter = NewFilter();
  IPin* pin = InputPin(filter);
  IPin* none = reinterpret_cast<IPin*>(1);
  EXPECT_EQ(filter->FindPin(L"Out", &none), VFW_E_NOT_FOUND);
  EXPECT_EQ(none, nullptr);

  PIN_INFO pinInfo = {};
  ASSERT_EQ(pin->QueryPinInfo(&pinInfo), S_OK);
  EXPECT_EQ(pinInfo.pFilter, static_cast<IBaseFilter*>(filter));
  EXPECT_EQ(pinInfo.dir, PINDIR_INPUT);
  EXPECT_STREQ(pinInfo.achName, L"In");
  EXPECT_EQ(References(static_cast<IBaseFilter*>(filter)), 3u) << "the pin information holds the filter";
  pinInfo.pFilter->Release();
  LPWSTR id = nullptr;
  ASSERT_EQ(pin->QueryId(&id), S_OK);
  EXPECT_STREQ(id, L"In");
  CoTaskMemFree(id);

  // Unconnected: no peer, no type, and both say so.
  IPin* peer = reinterpret_cast<IPin*>(1);
  EXPECT_EQ(pin->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(peer, nullptr);
  AM_MEDIA_TYPE type;
  std::memset(&type, 0xAB, sizeof(type));
  EXPECT_EQ(pin->ConnectionMediaType(&type), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(type.pbFormat, nullptr);
  EXPECT_EQ(type.pUnk, nullptr);

  FILTER_INFO info = {};
  ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
  EXPECT_EQ(info.pGraph, nullptr);
  EXPECT_STREQ(info.achName, L"");

  IFilterGraph* graph = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterGraph,
                             reinterpret_cast<void**>(&graph)),
            S_OK);
  const ULONG graphReferences = References(graph);
  ASSERT_EQ(filter->JoinFilterGraph(graph, L"renderer"), S_OK);
  EXPECT_EQ(References(graph), graphReferences) << "a filter does not hold its graph";
  ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
  EXPECT_EQ(info.pGraph, graph);
  EXPECT_STREQ(info.achName, L"renderer");
  EXPECT_EQ(References(graph), graphReferences + 1) << "the filter information holds it";
  info.pGraph->Release();

  ASSERT_EQ(filter->JoinFilterGraph(nullptr, nullptr), S_OK);
  ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
  EXPECT_EQ(info.pGraph, nullptr);
  EXPECT_STREQ(info.achName, L"");
  EXPECT_EQ(graph->Release(), 0u);

  pin->Release();
  EXPECT_EQ(filter->Release(), 0u);
}

TEST_F(RendererComTest, StateIsWhatWasLastAskedInAnyOrder) {
  const char* const orders[] = {"S", "SS", "PSR", "R", "RR", "RPR", "PP", "RSS", "PRSP"};
  for (const char* order : orders) {
    SCOPED_TRACE(order);
    CountingRenderer* filter = NewFilter();
    FILTER_STATE state = State_Running;
    ASSERT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped) << "a new filter is stopped";
    for (const char* step = order; *step; ++step) {
      const FILTER_STATE asked = *step == 'S' ? State_Stopped : *step == 'P' ? State_Paused : State_Running;
      const HRESULT result = asked == State_Stopped  ? filter->Stop()
                             : asked == State_Paused ? filter->Pause()
                                                     : filter->Run(0);
      EXPECT_EQ(result, S_OK) << *step;
      ASSERT_EQ(filter->GetState(0, &state), S_OK);
      EXPECT_EQ(state, asked) << *step;
    }
    filter->Stop();
    EXPECT_EQ(filter->Release(), 0u);
  }
  CountingRenderer* filter = NewFilter();
  EXPECT_EQ(filter->GetState(0, nullptr), E_POINTER);
  EXPECT_EQ(filter->Release(), 0u);
}

TEST_F(RendererComTest, ReceiveAfterStopIsRefused) {
  CountingRenderer* filter = NewFilter();
  IPin* pin = InputPin(filter);
  IMemInputPin* input = nullptr;
  ASSERT_EQ(pin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input)), S_OK);
  TestSample sample(std::vector<BYTE>(16));
  ASSERT_EQ(filter->Run(0), S_OK);
  EXPECT_EQ(input->Receive(&sample), S_OK);  // no clock: rendered at once
  EXPECT_EQ(filter->FramesRendered(), 1);
  ASSERT_EQ(filter->Stop(), S_OK);
  EXPECT_EQ(input->Receive(&sample), VFW_E_WRONG_STATE);
  EXPECT_EQ(filter->FramesRendered(), 1);
  EXPECT_EQ(sample.References(), 1) << "the filter keeps no sample";
  input->Release();
  pin->Release();
  EXPECT_EQ(filter->Release(), 0u);
}

}  // namespace
