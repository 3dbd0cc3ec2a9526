// Link controls: a static control of a dialog that shows a pointing hand and opens an address
// with the shell when pressed. Only the thread that owns the dialog touches a link and its
// record (the main thread, in the settings dialog).
#pragma once

#include <windows.h>

#include <cstdint>

// The window property under which a link control keeps its record.
extern const char kLinkProperty[];  // "href_dat"

// The record, in a movable global block of its own size attached as the property: two
// pointers and two zero words, 16 bytes in the 32-bit build and 24 in the 64-bit one.
struct LinkRecord {
  char* address;         // heap copy owned by the record
  WNDPROC previousProc;  // the control's procedure before it became a link
  uint32_t reserved1;    // 0
  uint32_t reserved2;    // 0
};
static_assert(sizeof(LinkRecord) == 2 * sizeof(void*) + 8, "two pointers and two words, no padding");
static_assert(sizeof(void*) != 4 || sizeof(LinkRecord) == 16, "the 32-bit record fills a 16-byte block");

// Makes control `id` of `dialog` a link to `address` and sets the control's text to it; on a
// control that is already a link, only the address changes.
void AttachLink(HWND dialog, int id, const char* address);

// The procedure link controls are subclassed with.
LRESULT CALLBACK LinkWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
