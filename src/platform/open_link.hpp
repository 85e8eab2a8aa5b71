#pragma once
// Opening a link with the desktop's default handler (browser, dialler).

#include <optional>
#include <string>
#include <string_view>

namespace bq::platform {

// Starts the system's handler for `link` and does not wait for it; a failure
// to start is dropped. No shell sees the link (here: xdg-open with the link as
// one argument). Safe to call from any thread.
void open_link(const std::string& link);

// The command line that has the Windows command interpreter's `start` open
// `link`: "cmd.exe" /c start "" LINK, quoted by windows_command_line. The
// interpreter acts on & | ^ < > % and the double quote before `start` sees
// the link, and on line breaks, so a link holding any of them, or any other
// control character, gets nullopt and is not opened.
std::optional<std::string> windows_start_command_line(std::string_view link);

}  // namespace bq::platform
