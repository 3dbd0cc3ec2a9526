// Deep copies of DirectShow media types: a copy owns its format block (CoTaskMem) and its
// pUnk reference. Used on whatever thread holds the type.
#pragma once

#include <windows.h>

#include <dshow.h>

// Copies `source` into `target`, which is overwritten without being freed. On
// E_OUTOFMEMORY the target holds no format block and no reference.
HRESULT CopyMediaTypeTo(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE& source);

// Frees what a copy owns and leaves the type without format block or reference.
void FreeMediaTypeContents(AM_MEDIA_TYPE* type);
