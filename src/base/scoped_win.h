// Small owners of Win32 handles, so that every early return gives back what a function
// took: a library module, a registry key, a kernel object, a GDI object and its selection
// into a device context, a global memory block, a window's device context, and a critical
// section with its scoped lock. Each is used on the thread that made it.
#pragma once

#include <windows.h>

template <typename Handle>
constexpr bool IsNonNull(Handle handle) {
  return handle != nullptr;
}

// Owns one handle that `Close` gives back; a handle for which `Held` is false is none (null
// unless told otherwise).
template <typename Handle, auto Close, auto Held = &IsNonNull<Handle>>
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(Handle handle) : handle_(handle) {}
  ~ScopedHandle() { Reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  Handle Get() const { return handle_; }
  explicit operator bool() const { return Held(handle_); }
  // For functions that hand out a new handle through a pointer: what was held goes first.
  Handle* Receive() {
    Reset();
    return &handle_;
  }
  // Hands the handle on to a new owner.
  Handle Release() {
    const Handle handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  void Reset(Handle handle = nullptr) {
    if (Held(handle_)) Close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

// Kernel objects come back null from most functions that make them (events, mutexes, threads)
// and INVALID_HANDLE_VALUE from CreateFile and a few others; neither is a handle to close.
inline bool IsKernelHandle(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

using ScopedKernelHandle = ScopedHandle<HANDLE, &CloseHandle, &IsKernelHandle>;
using ScopedLibrary = ScopedHandle<HMODULE, &FreeLibrary>;
using ScopedRegistryKey = ScopedHandle<HKEY, &RegCloseKey>;
using ScopedGlobalMemory = ScopedHandle<HGLOBAL, &GlobalFree>;
template <typename Object>
using ScopedGdiObject = ScopedHandle<Object, &DeleteObject>;

// An object selected into a device context, and the one it replaced put back when the scope
// ends, so that the object can be deleted (a selected object cannot). Declared after the
// object's own owner, so that it is deselected first.
class ScopedSelection {
 public:
  ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~ScopedSelection() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  ScopedSelection(const ScopedSelection&) = delete;
  ScopedSelection& operator=(const ScopedSelection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A device context of a window (null: the screen), released with the window it came from.
class ScopedWindowDc {
 public:
  explicit ScopedWindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~ScopedWindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  ScopedWindowDc(const ScopedWindowDc&) = delete;
  ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A Win32 critical section that cannot be copied, with a scoped holder.
class CriticalSection {
 public:
  CriticalSection() { InitializeCriticalSection(&section_); }
  ~CriticalSection() { DeleteCriticalSection(&section_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  void Enter() { EnterCriticalSection(&section_); }
  void Leave() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

class ScopedLock {
 public:
  explicit ScopedLock(CriticalSection& section) : section_(&section) { section_->Enter(); }
  ~ScopedLock() { Unlock(); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;
  void Unlock() {
    if (section_) section_->Leave();
    section_ = nullptr;
  }

 private:
  CriticalSection* section_;
};
