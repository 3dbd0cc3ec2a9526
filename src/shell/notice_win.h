// The notice box in which failures are told to the user: the run's start-up failures, and
// the scenes' own, which the run passes on to it. Main thread only.
#pragma once

// Formats with the printf conventions into at most 512 bytes (longer texts are cut, never
// overflow) and shows the text in a message box captioned "Or vel Screen Notice" with an
// OK button and no owner; returns when the user closes it.
void ShowNotice(const char* format, ...);

extern const char kNoticeCaption[];  // "Or vel Screen Notice"

// What shows the formatted text. Always the message box in the program; a test may point
// it elsewhere to read the notices without a box waiting for a click.
typedef void (*NoticeBoxProc)(const char* text);
extern NoticeBoxProc noticeBox;
