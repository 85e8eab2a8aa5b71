#pragma once
// Opening a link with the desktop's default handler (browser, dialler).
// Backends: open_link_posix.cpp (xdg-open), open_link_win32.cpp (cmd.exe's
// start, by windows_start_command_line).

#include <string>
#include <string_view>

namespace bq::platform {

// True when `link` holds a control character: a byte from 0x00 to 0x1F, or
// 0x7F. No backend opens such a link. Handed on as a C string it would be cut
// at a NUL, so that another link than the one asked for opens; the Windows
// command interpreter takes a line break for the end of its command.
// Pure: safe on any thread.
constexpr bool holds_control_character(std::string_view link) {
  for (const char c : link) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return true;
  }
  return false;
}

// Starts the system's handler for `link` and does not wait for it; a failure
// to start is dropped, and so is a link that holds a control character
// (nothing is started for it). No shell sees the link (here: xdg-open with
// the link as one argument; on Windows cmd.exe, which refuses a link it would
// misread). Safe to call from any thread.
void open_link(const std::string& link);

}  // namespace bq::platform
