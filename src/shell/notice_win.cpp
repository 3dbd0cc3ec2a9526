// The notice box of start-up failures. Main thread only.
#include "shell/notice_win.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

const char kNoticeCaption[] = "Or vel Screen Notice";

// Topmost, so that it comes in front of the saver's covers.
static void ShowNoticeBox(const char* text) { MessageBoxA(nullptr, text, kNoticeCaption, MB_OK | MB_TOPMOST); }

NoticeBoxProc noticeBox = ShowNoticeBox;

void ShowNotice(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  // vsnprintf cuts an over-long text and always terminates it.
  std::vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  noticeBox(text);
}
