// comctl32 as the manifest asks for it (the side-by-side version 6 where the system has it,
// else the system folder's), which stays loaded once looked up: the controls it registers
// run its code for as long as the process has them. Main thread.
#include "settings/common_controls_win.h"

#include <commctrl.h>

#include "base/system_library_win.h"

namespace {

typedef BOOL(WINAPI* InitExProc)(const INITCOMMONCONTROLSEX* classes);
typedef void(WINAPI* InitProc)();

}  // namespace

bool RegisterCommonControls(DWORD classes) {
  static const HMODULE library = LoadCommonControlsLibrary();
  const auto initEx = LookUp<InitExProc>(library, "InitCommonControlsEx");
  if (initEx != nullptr) {
    const INITCOMMONCONTROLSEX wanted = {sizeof(wanted), classes};
    return initEx(&wanted) != FALSE;
  }
  const auto init = LookUp<InitProc>(library, "InitCommonControls");
  if (init == nullptr) return false;
  init();
  return true;
}
