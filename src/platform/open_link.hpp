#pragma once
// Opening a link with the desktop's default handler (browser, dialler).
// Backends: open_link_posix.cpp (xdg-open), open_link_win32.cpp (cmd.exe's
// start, by windows_start_command_line).

#include <string>

namespace bq::platform {

// Starts the system's handler for `link` and does not wait for it; a failure
// to start is dropped. No shell sees the link (here: xdg-open with the link as
// one argument; on Windows cmd.exe, which refuses a link it would misread).
// Safe to call from any thread.
void open_link(const std::string& link);

}  // namespace bq::platform
