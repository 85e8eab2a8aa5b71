#pragma once
// The operating system's error codes as text. Backends: os_error_posix.cpp,
// os_error_win32.cpp.

#include <string>

namespace bq::platform {

// The system's message for `code` (an errno value here, a GetLastError() code
// on Windows), then the code: "MESSAGE (os error N)". Safe to call from any
// thread.
std::string os_error_message(unsigned long code);

}  // namespace bq::platform
