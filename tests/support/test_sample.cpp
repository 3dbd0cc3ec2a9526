// The test sample. The delivering thread.
#include "test_sample.h"

STDMETHODIMP TestSample::QueryInterface(REFIID iid, void** object) {
  if (iid == IID_IUnknown || iid == IID_IMediaSample) {
    *object = static_cast<IMediaSample*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP TestSample::GetPointer(BYTE** buffer) {
  *buffer = bytes_.data();
  return S_OK;
}

STDMETHODIMP TestSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
  if (timeAsked_ != nullptr) SetEvent(timeAsked_);
  if (!timed_) return VFW_E_SAMPLE_TIME_NOT_SET;
  *start = start_;
  *end = start_ + 400000;
  return S_OK;
}

STDMETHODIMP TestSample::GetMediaType(AM_MEDIA_TYPE** type) {
  *type = nullptr;
  if (type_ == nullptr) return S_FALSE;
  // A copy the receiver frees, format block and all, with CoTaskMemFree.
  AM_MEDIA_TYPE* copy = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (copy == nullptr) return E_OUTOFMEMORY;
  *copy = *type_;
  copy->pUnk = nullptr;
  copy->pbFormat = nullptr;
  if (type_->cbFormat != 0) {
    copy->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(type_->cbFormat));
    if (copy->pbFormat != nullptr) CopyMemory(copy->pbFormat, type_->pbFormat, type_->cbFormat);
  }
  *type = copy;
  return S_OK;
}
