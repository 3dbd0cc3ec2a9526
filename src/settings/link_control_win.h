// Link controls: a static control of a dialog that shows a pointing hand and opens an address
// with the shell when pressed. Only the thread that owns the dialog touches a link and its
// record (the main thread, in the settings dialog).
#pragma once

#include <windows.h>

#include <cstdint>

// The window property under which a link control keeps its record.
extern const char kLinkProperty[];  // "href_dat"

// The record, in a 16-byte movable global block attached as the property.
struct LinkRecord {
  char* address;         // heap copy owned by the record
  WNDPROC previousProc;  // the control's procedure before it became a link
  uint32_t reserved1;    // 0
  uint32_t reserved2;    // 0
};
static_assert(sizeof(LinkRecord) == 16, "the record fills its 16-byte block");

// Makes control `id` of `dialog` a link to `address` and sets the control's text to it; on a
// control that is already a link, only the address changes.
void AttachLink(HWND dialog, int id, const char* address);

// The procedure link controls are subclassed with.
LRESULT CALLBACK LinkWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
