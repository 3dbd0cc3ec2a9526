// What the password stand-ins are told and what they record, kept in the registry under
// HKEY_CURRENT_USER\Software\OrvelTests\Password so that a test can read it back across
// processes. Used by the stand-in libraries (on whatever thread calls them) and by the tests.
#pragma once

#include <windows.h>

#include <string>

#include "base/scoped_win.h"

namespace StandIn {

constexpr char kKeyPath[] = "Software\\OrvelTests\\Password";

// Told by the test.
constexpr char kVerifyAnswer[] = "VerifyAnswer";  // what the verifier returns; missing: 0
constexpr char kVerifyPoke[] = "VerifyPoke";      // a message sent to the owner while the prompt is up
constexpr char kVerifyPokeWParam[] = "VerifyPokeWParam";

// Recorded by PASSWORD.CPL.
constexpr char kVerifierLoads[] = "VerifierLoads";  // times a process loaded it
constexpr char kVerifierPath[] = "VerifierPath";    // the file of the last one loaded
constexpr char kVerifyCalls[] = "VerifyCalls";
constexpr char kVerifyOwner[] = "VerifyOwner";
constexpr char kVerifyDepth[] = "VerifyDepth";    // deepest nesting of verifier calls seen
constexpr char kVerifyCursor[] = "VerifyCursor";  // 1: the owner showed the arrow while the prompt was up

// Recorded by MPR.DLL.
constexpr char kChangeCalls[] = "ChangeCalls";
constexpr char kChangeOwner[] = "ChangeOwner";
constexpr char kChangeProvider[] = "ChangeProvider";
constexpr char kChangeReserved1[] = "ChangeReserved1";
constexpr char kChangeReserved2[] = "ChangeReserved2";

// Recorded by the version probe.
constexpr char kProbeWin9x[] = "ProbeWin9x";
constexpr char kProbePlatform[] = "ProbePlatform";
constexpr char kProbeMajor[] = "ProbeMajor";
constexpr char kProbeMinor[] = "ProbeMinor";

// The calls are the oldest registry ones, so that the stand-ins also load in a program told
// to be Windows 98.
class Key {
 public:
  Key() {
    RegCreateKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.Receive(), nullptr);
  }
  HKEY get() const { return key_.Get(); }

 private:
  ScopedRegistryKey key_;
};

// `fallback` when the value is missing or not a number.
inline DWORD ReadNumber(const char* name, DWORD fallback = 0) {
  Key key;
  DWORD value = 0, size = sizeof(value), type = 0;
  if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD)
    return fallback;
  return value;
}

inline void WriteNumber(const char* name, DWORD value) {
  Key key;
  RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

inline std::string ReadText(const char* name) {
  Key key;
  char text[256] = {};
  DWORD size = sizeof(text) - 1, type = 0;
  if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return "<missing>";
  return text;
}

inline void WriteText(const char* name, const char* text) {
  Key key;
  RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>(lstrlenA(text) + 1));
}

// Forgets everything told and recorded (the key holds values only).
inline void Clear() { RegDeleteKeyA(HKEY_CURRENT_USER, kKeyPath); }

}  // namespace StandIn
