// The enumerators a filter and its pins hand out: of one pin, and of no media types. Each
// is a small heap object with a reference count of its own; used on whatever thread asked.
#pragma once

#include <windows.h>

#include <dshow.h>

// A new enumerator over `pin` alone, which it holds a reference to. E_POINTER without `pins`.
HRESULT NewPinEnumerator(IPin* pin, IEnumPins** pins);

// A new enumerator of no types: a pin that proposes none lets the upstream pin offer.
HRESULT NewEmptyTypeEnumerator(IEnumMediaTypes** types);
