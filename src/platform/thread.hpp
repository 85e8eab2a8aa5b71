#pragma once
// Worker threads with a stack size of the caller's choosing. Backends:
// thread_posix.cpp (pthread), thread_win32.cpp.

#include <cstddef>
#include <functional>

#include "support/result.hpp"

namespace bq::platform {

// Starts a detached thread with a stack of `stack_bytes` that runs `body` and
// then ends; nothing can wait for it. Returns Done once it is started, or
// the system's description of why it could not be (`body` is then dropped
// without running). Safe to call from any thread.
support::Result<support::Done> start_detached_thread(std::size_t stack_bytes, std::function<void()> body);

}  // namespace bq::platform
