// The Windows Installer packages' custom actions: making the installed orvel.scr the current
// user's screensaver when the installation asks for it (SETASCURRENT=1), forgetting it on
// removal when it still is the user's choice, and keeping that choice across an upgrade. The
// installer's custom action server calls them, one at a time, on a thread of its own; what
// one tells a later one goes through the installation's properties.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

namespace {

const char kDesktopKey[] = "Control Panel\\Desktop";
const char kSaverValue[] = "SCRNSAVE.EXE";
// Set by NoteCurrentSaver and read by KeepCurrentSaver's condition, both in the execute
// sequence: private (mixed case), as nothing outside that sequence has a say in it.
const char kWasCurrentProperty[] = "OrvelSaverWasCurrent";

typedef LONG(WINAPI* OpenCurrentUserProc)(REGSAM access, PHKEY key);

// The package's ORVELSAVERPATH: the installed orvel.scr's full path. False when unset.
bool InstalledSaverPath(MSIHANDLE install, char (&path)[MAX_PATH]) {
  DWORD length = MAX_PATH;
  return MsiGetPropertyA(install, "ORVELSAVERPATH", path, &length) == ERROR_SUCCESS && path[0] != '\0';
}

// The desktop settings of the user the installation runs for. The action server impersonates
// that user, and HKEY_CURRENT_USER can stand for the account the process started with, so
// the user's hive is opened explicitly where the system can (2000 and later; Windows 9x has
// one user hive, which HKEY_CURRENT_USER is).
HKEY OpenDesktopKey(REGSAM access) {
  HKEY user = HKEY_CURRENT_USER;
  HKEY opened = nullptr;
  const auto openCurrentUser = reinterpret_cast<OpenCurrentUserProc>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegOpenCurrentUser")));
  if (openCurrentUser != nullptr && openCurrentUser(access, &opened) == ERROR_SUCCESS) user = opened;
  HKEY desktop = nullptr;
  if (RegCreateKeyExA(user, kDesktopKey, 0, nullptr, 0, access, nullptr, &desktop, nullptr) != ERROR_SUCCESS)
    desktop = nullptr;
  if (opened != nullptr) RegCloseKey(opened);
  return desktop;
}

bool WriteText(HKEY key, const char* name, const char* text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), lstrlenA(text) + 1) == ERROR_SUCCESS;
}

bool NamesSaver(HKEY desktop, const char* path) {
  char current[MAX_PATH + 1] = {};
  DWORD type = 0;
  DWORD size = MAX_PATH;  // one byte short of the buffer, which keeps a terminating zero
  return RegQueryValueExA(desktop, kSaverValue, nullptr, &type, reinterpret_cast<BYTE*>(current), &size) ==
             ERROR_SUCCESS &&
         type == REG_SZ && lstrcmpiA(current, path) == 0;
}

}  // namespace

// After the files are in place: the installed orvel.scr becomes the user's screensaver, and
// the screensaver is switched on.
extern "C" UINT WINAPI SetCurrentSaver(MSIHANDLE install) {
  char path[MAX_PATH];
  if (!InstalledSaverPath(install, path)) return ERROR_INSTALL_FAILURE;
  HKEY desktop = OpenDesktopKey(KEY_SET_VALUE);
  if (desktop == nullptr) return ERROR_INSTALL_FAILURE;
  const bool written = WriteText(desktop, kSaverValue, path) && WriteText(desktop, "ScreenSaveActive", "1");
  RegCloseKey(desktop);
  return written ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

// After the files are gone: the user's screensaver setting is cleared when it names the
// orvel.scr this package installed, and left alone when the user has chosen another since.
extern "C" UINT WINAPI ClearCurrentSaver(MSIHANDLE install) {
  char ours[MAX_PATH];
  if (!InstalledSaverPath(install, ours)) return ERROR_INSTALL_FAILURE;
  HKEY desktop = OpenDesktopKey(KEY_QUERY_VALUE | KEY_SET_VALUE);
  if (desktop == nullptr) return ERROR_SUCCESS;  // no setting, nothing to clear
  UINT result = ERROR_SUCCESS;
  if (NamesSaver(desktop, ours) && RegDeleteValueA(desktop, kSaverValue) != ERROR_SUCCESS)
    result = ERROR_INSTALL_FAILURE;
  RegCloseKey(desktop);
  return result;
}

// Before an upgrade removes the older version: notes whether the user's screensaver is the
// orvel.scr of the system folder, which both versions install. That removal's ClearCurrentSaver
// would forget it where the installer does not say the removal is part of an upgrade.
extern "C" UINT WINAPI NoteCurrentSaver(MSIHANDLE install) {
  char ours[MAX_PATH];
  if (!InstalledSaverPath(install, ours)) return ERROR_INSTALL_FAILURE;
  HKEY desktop = OpenDesktopKey(KEY_QUERY_VALUE);
  if (desktop == nullptr) return ERROR_SUCCESS;  // no setting, nothing to keep
  const bool current = NamesSaver(desktop, ours);
  RegCloseKey(desktop);
  if (!current) return ERROR_SUCCESS;
  return MsiSetPropertyA(install, kWasCurrentProperty, "1") == ERROR_SUCCESS ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

// After the new files are in, when NoteCurrentSaver found the saver chosen: puts the setting
// back if the older version's removal took it away. A value that is still there is the user's
// own spelling of the path and stays as it is.
extern "C" UINT WINAPI KeepCurrentSaver(MSIHANDLE install) {
  char ours[MAX_PATH];
  if (!InstalledSaverPath(install, ours)) return ERROR_INSTALL_FAILURE;
  HKEY desktop = OpenDesktopKey(KEY_QUERY_VALUE | KEY_SET_VALUE);
  if (desktop == nullptr) return ERROR_INSTALL_FAILURE;
  const bool kept = RegQueryValueExA(desktop, kSaverValue, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS ||
                    WriteText(desktop, kSaverValue, ours);
  RegCloseKey(desktop);
  return kept ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}
