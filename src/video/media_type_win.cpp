// Media type copies. Any thread.
#include "video/media_type_win.h"

#include "base/com_ptr_win.h"

HRESULT CopyMediaTypeTo(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE& source) {
  *target = source;
  target->pbFormat = nullptr;
  target->cbFormat = 0;
  if (source.cbFormat != 0 && source.pbFormat != nullptr) {
    target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source.cbFormat));
    if (target->pbFormat == nullptr) {
      target->pUnk = nullptr;
      return E_OUTOFMEMORY;
    }
    CopyMemory(target->pbFormat, source.pbFormat, source.cbFormat);
    target->cbFormat = source.cbFormat;
  }
  if (target->pUnk) target->pUnk->AddRef();
  return S_OK;
}

void FreeMediaTypeContents(AM_MEDIA_TYPE* type) {
  if (type->pbFormat) CoTaskMemFree(type->pbFormat);
  type->pbFormat = nullptr;
  type->cbFormat = 0;
  ReleaseHolder(type->pUnk);
}
