// Ownership of COM references and of a thread's apartment. ComPtr owns the reference of one
// local variable, so that every early return releases what the function took; ReleaseHolder
// empties a process-wide holder and then releases what it held; ComApartment pairs
// CoInitialize with CoUninitialize. Used on whatever thread owns the reference or apartment.
#pragma once

#include <windows.h>

#include <objbase.h>

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over a reference that the caller already owns (no AddRef).
  explicit ComPtr(T* owned) : ptr_(owned) {}
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  T* Get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }

  // Releases the current reference and takes over `owned` (no AddRef).
  void Reset(T* owned = nullptr) {
    T* old = ptr_;
    ptr_ = owned;
    if (old) old->Release();
  }

  // Hands the reference to the caller, who must release it.
  T* Detach() {
    T* p = ptr_;
    ptr_ = nullptr;
    return p;
  }

  // For out parameters: releases the current reference first.
  T** Receive() {
    Reset();
    return &ptr_;
  }
  // The same for APIs that take void** (QueryInterface, CoCreateInstance).
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

 private:
  T* ptr_ = nullptr;
};

// Empties a process-wide holder before releasing its reference, so that nothing can reach
// the object through the holder while it is being destroyed.
template <typename T>
void ReleaseHolder(T*& holder) {
  T* p = holder;
  holder = nullptr;
  if (p) p->Release();
}

// The calling thread's single-threaded apartment for the owner's scope (CoInitialize is the
// call every Windows the program starts on has). Left again only when entering it succeeded,
// S_FALSE (already entered) included, as COM counts the pairs. Declared before every COM
// object of the scope, so that it is left last.
class ComApartment {
 public:
  ComApartment() : result_(CoInitialize(nullptr)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  HRESULT Result() const { return result_; }

 private:
  HRESULT result_;
};
