// A media sample of the test's or benchmark's own, pushed into a renderer's input pin the way
// an upstream filter would: its bytes, its length and optionally a presentation time. It
// lives on the caller's stack; its count only shows whether the renderer kept a reference.
// Used on the thread that delivers it.
#pragma once

#include <windows.h>

#include <dshow.h>

#include <utility>
#include <vector>

class TestSample final : public IMediaSample {
 public:
  explicit TestSample(std::vector<BYTE> bytes) : bytes_(std::move(bytes)), length_(LONG(bytes_.size())) {}
  void SetLength(LONG length) { length_ = length; }
  void SetStart(REFERENCE_TIME start) {
    start_ = start;
    timed_ = true;
  }
  LONG References() const { return refCount_; }
  // Set each time the receiver asks for the sample's time: a renderer does that just before
  // it waits for the time to come, so a test can meet it there.
  void SignalWhenTimed(HANDLE event) { timeAsked_ = event; }
  // The format the sample brings with it (a decoder's change of format); none by default.
  // `type` must outlive the sample.
  void BringType(const AM_MEDIA_TYPE* type) { type_ = type; }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refCount_); }
  STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&refCount_); }  // lives on the stack
  STDMETHODIMP GetPointer(BYTE** buffer) override;
  STDMETHODIMP_(LONG) GetSize() override { return LONG(bytes_.size()); }
  STDMETHODIMP GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
  STDMETHODIMP SetTime(REFERENCE_TIME*, REFERENCE_TIME*) override { return E_NOTIMPL; }
  STDMETHODIMP IsSyncPoint() override { return S_OK; }
  STDMETHODIMP SetSyncPoint(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP IsPreroll() override { return S_FALSE; }
  STDMETHODIMP SetPreroll(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP_(LONG) GetActualDataLength() override { return length_; }
  STDMETHODIMP SetActualDataLength(LONG) override { return E_NOTIMPL; }
  STDMETHODIMP GetMediaType(AM_MEDIA_TYPE** type) override;
  STDMETHODIMP SetMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP IsDiscontinuity() override { return S_FALSE; }
  STDMETHODIMP SetDiscontinuity(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP GetMediaTime(LONGLONG*, LONGLONG*) override { return VFW_E_MEDIA_TIME_NOT_SET; }
  STDMETHODIMP SetMediaTime(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }

 private:
  std::vector<BYTE> bytes_;
  const AM_MEDIA_TYPE* type_ = nullptr;
  HANDLE timeAsked_ = nullptr;
  LONG length_;
  REFERENCE_TIME start_ = 0;
  bool timed_ = false;
  LONG refCount_ = 1;
};
