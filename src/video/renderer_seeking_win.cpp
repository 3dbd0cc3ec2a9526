// The renderer's IMediaSeeking, passed on to the upstream output pin so that the graph can
// seek: the application's thread calls it, the peer is looked up under the filter lock and
// called outside it.
#include "base/com_ptr_win.h"
#include "video/renderer_base_win.h"

HRESULT RendererBase::UpstreamSeeking(IMediaSeeking** seeking) {
  *seeking = nullptr;
  ComPtr<IPin> peer;
  {
    ScopedLock lock(filterLock_);
    if (pin_.peer_ == nullptr) return E_NOTIMPL;
    pin_.peer_->AddRef();
    peer.Reset(pin_.peer_);
  }
  // Outside the lock: seeking flushes, and the flush comes back into this filter.
  const HRESULT result = peer->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(seeking));
  return FAILED(result) ? E_NOTIMPL : S_OK;
}

template <typename... Params, typename... Args>
HRESULT RendererBase::ForwardSeeking(HRESULT (STDMETHODCALLTYPE IMediaSeeking::*method)(Params...), Args... args) {
  ComPtr<IMediaSeeking> upstream;
  const HRESULT found = UpstreamSeeking(upstream.Receive());
  if (FAILED(found)) return found;
  return (upstream.Get()->*method)(args...);
}

STDMETHODIMP RendererBase::GetCapabilities(DWORD* capabilities) {
  return ForwardSeeking(&IMediaSeeking::GetCapabilities, capabilities);
}
STDMETHODIMP RendererBase::CheckCapabilities(DWORD* capabilities) {
  return ForwardSeeking(&IMediaSeeking::CheckCapabilities, capabilities);
}
STDMETHODIMP RendererBase::IsFormatSupported(const GUID* format) {
  return ForwardSeeking(&IMediaSeeking::IsFormatSupported, format);
}
STDMETHODIMP RendererBase::QueryPreferredFormat(GUID* format) {
  return ForwardSeeking(&IMediaSeeking::QueryPreferredFormat, format);
}
STDMETHODIMP RendererBase::GetTimeFormat(GUID* format) { return ForwardSeeking(&IMediaSeeking::GetTimeFormat, format); }
STDMETHODIMP RendererBase::IsUsingTimeFormat(const GUID* format) {
  return ForwardSeeking(&IMediaSeeking::IsUsingTimeFormat, format);
}
STDMETHODIMP RendererBase::SetTimeFormat(const GUID* format) {
  return ForwardSeeking(&IMediaSeeking::SetTimeFormat, format);
}
STDMETHODIMP RendererBase::GetDuration(LONGLONG* duration) {
  return ForwardSeeking(&IMediaSeeking::GetDuration, duration);
}
STDMETHODIMP RendererBase::GetStopPosition(LONGLONG* stop) {
  return ForwardSeeking(&IMediaSeeking::GetStopPosition, stop);
}
STDMETHODIMP RendererBase::GetCurrentPosition(LONGLONG* current) {
  return ForwardSeeking(&IMediaSeeking::GetCurrentPosition, current);
}
STDMETHODIMP RendererBase::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                             const GUID* sourceFormat) {
  return ForwardSeeking(&IMediaSeeking::ConvertTimeFormat, target, targetFormat, source, sourceFormat);
}
STDMETHODIMP RendererBase::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) {
  return ForwardSeeking(&IMediaSeeking::SetPositions, current, currentFlags, stop, stopFlags);
}
STDMETHODIMP RendererBase::GetPositions(LONGLONG* current, LONGLONG* stop) {
  return ForwardSeeking(&IMediaSeeking::GetPositions, current, stop);
}
STDMETHODIMP RendererBase::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
  return ForwardSeeking(&IMediaSeeking::GetAvailable, earliest, latest);
}
STDMETHODIMP RendererBase::SetRate(double rate) { return ForwardSeeking(&IMediaSeeking::SetRate, rate); }
STDMETHODIMP RendererBase::GetRate(double* rate) { return ForwardSeeking(&IMediaSeeking::GetRate, rate); }
STDMETHODIMP RendererBase::GetPreroll(LONGLONG* preroll) { return ForwardSeeking(&IMediaSeeking::GetPreroll, preroll); }
