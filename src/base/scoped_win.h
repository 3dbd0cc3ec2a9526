// Small owners of Win32 handles, so that every early return gives back what a function
// took: a library module, a registry key, a GDI object, a global memory block, a window's
// device context, and a critical section with its scoped lock. Each is used on the thread that made it.
#pragma once

#include <windows.h>

// Owns one handle that `Close` gives back; null means none.
template <typename Handle, auto Close>
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(Handle handle) : handle_(handle) {}
  ~ScopedHandle() { Reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
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
    if (handle_ != nullptr) Close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

using ScopedLibrary = ScopedHandle<HMODULE, &FreeLibrary>;
using ScopedRegistryKey = ScopedHandle<HKEY, &RegCloseKey>;
using ScopedGlobalMemory = ScopedHandle<HGLOBAL, &GlobalFree>;
template <typename Object>
using ScopedGdiObject = ScopedHandle<Object, &DeleteObject>;

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
