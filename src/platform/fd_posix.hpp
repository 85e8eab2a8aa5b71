#pragma once
// A POSIX file descriptor that closes itself, for the POSIX backends and the
// tests.

#include <unistd.h>

#include <utility>

namespace bq::platform {

// Owns one file descriptor; -1 is none.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(other.release()) {}
  Fd& operator=(Fd&& other) noexcept {
    reset(other.release());
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { reset(); }

  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }
  // close() is not retried on EINTR: on Linux the descriptor is gone either way.
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

}  // namespace bq::platform
