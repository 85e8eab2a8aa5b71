#pragma once
// The platform's fail-fast end of the process. Backends: fail_fast_posix.cpp,
// fail_fast_win32.cpp.

namespace bq::platform {

// Ends the process at once with a failure status, running no destructor, exit
// handler or stream flush. Safe to call from any thread.
[[noreturn]] void fail_fast();

}  // namespace bq::platform
