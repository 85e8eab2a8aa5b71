#pragma once
// The process and thread handles that CreateProcessW gives, each closed by
// its owner. Header-only over platform/handle_win32.hpp, so that the tests'
// own programs, which link none of the project's libraries, may use it.

#include <windows.h>

#include "platform/handle_win32.hpp"

namespace bq::test {

struct ProcessHandles {
  ProcessHandles() = default;
  explicit ProcessHandles(const PROCESS_INFORMATION& started) : process(started.hProcess), thread(started.hThread) {}

  platform::Handle process;
  platform::Handle thread;
};

}  // namespace bq::test
