#pragma once
// A Windows kernel handle that closes itself, for the Windows backends and the
// tests.

#include <windows.h>

#include <utility>

namespace bq::platform {

// Owns one kernel handle. INVALID_HANDLE_VALUE, which some calls return for
// a failure, is taken as no handle.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  Handle(Handle&& other) noexcept : handle_(other.release()) {}
  Handle& operator=(Handle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { reset(); }

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  HANDLE release() { return std::exchange(handle_, nullptr); }
  void reset(HANDLE handle = nullptr) {
    if (handle_ != nullptr) ::CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace bq::platform
