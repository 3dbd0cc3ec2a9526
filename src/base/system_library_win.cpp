// Loading a library of the system folder, or comctl32 of the side-by-side store where the
// manifest asks for it. Any thread.
#include "base/system_library_win.h"

#include <initializer_list>

HMODULE LoadSystemLibrary(const char* name) {
  char path[MAX_PATH];
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length + 1 + lstrlenA(name) >= MAX_PATH) return nullptr;
  lstrcatA(path, "\\");
  lstrcatA(path, name);
  return LoadLibraryA(path);
}

namespace {

typedef BOOL(WINAPI* FindSectionStringProc)(DWORD flags, const GUID* extension, ULONG section, LPCSTR name,
                                            PACTCTX_SECTION_KEYED_DATA found);

// Whether the active activation context redirects the library `name` to an assembly of the
// side-by-side store. Windows before XP has no activation contexts and says no.
bool RedirectedBySideBySide(const char* name) {
  const auto find = LookUp<FindSectionStringProc>(GetModuleHandleA("kernel32.dll"), "FindActCtxSectionStringA");
  if (find == nullptr) return false;
  // XP's own size of the record: later systems take it too.
  ACTCTX_SECTION_KEYED_DATA_2600 found = {};
  found.cbSize = sizeof(found);
  return find(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, name,
              reinterpret_cast<PACTCTX_SECTION_KEYED_DATA>(&found)) != FALSE;
}

}  // namespace

HMODULE LoadCommonControlsLibrary() {
  if (RedirectedBySideBySide("comctl32.dll")) return LoadLibraryA("comctl32.dll");
  return LoadSystemLibrary("comctl32.dll");
}

void PinSystemLibraries() {
  // comctl32 first: msvfw32 imports it too.
  LoadCommonControlsLibrary();
  for (const char* name : {"winmm.dll", "msvfw32.dll"}) LoadSystemLibrary(name);
}
