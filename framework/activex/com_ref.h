// ComRef<T>: the one holder of a COM interface pointer. It owns one reference and releases it when
// it goes or is reset; out() hands a call that returns a new reference the empty slot, take()
// gives the reference up to the caller. Copies add a reference; moves pass it on.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <utility>

namespace activex {

template <class T>
class ComRef {
 public:
  ComRef() = default;
  // Takes over a reference the caller owns (no AddRef).
  explicit ComRef(T* owned) : p_(owned) {}
  ComRef(const ComRef& other) : p_(other.p_) {
    if (p_ != nullptr) p_->AddRef();
  }
  ComRef(ComRef&& other) noexcept : p_(other.take()) {}
  ComRef& operator=(ComRef other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComRef() { reset(); }

  // A new reference to an object someone else holds (AddRef).
  static ComRef Share(T* shared) {
    if (shared != nullptr) shared->AddRef();
    return ComRef(shared);
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // The empty slot for a call that returns a new reference (the held one released first).
  T** out() {
    reset();
    return &p_;
  }
  // The same slot as QueryInterface and CoCreateInstance take it.
  void** outVoid() { return reinterpret_cast<void**>(out()); }
  // Gives the reference up: the caller owns it now.
  T* take() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }
  // Releases the held reference and holds `owned` (taken over, no AddRef) instead.
  void reset(T* owned = nullptr) {
    T* old = p_;
    p_ = owned;
    if (old != nullptr) old->Release();
  }

  // QueryInterface of the held object into `to`; S_OK when it answered.
  template <class U>
  HRESULT As(REFIID iid, ComRef<U>* to) const {
    if (p_ == nullptr) return E_POINTER;
    const HRESULT hr = p_->QueryInterface(iid, to->outVoid());
    if (FAILED(hr)) to->take();  // some objects leave junk in the slot when they refuse
    return hr;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace activex
