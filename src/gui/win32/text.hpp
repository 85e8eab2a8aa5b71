#pragma once
// Text at the Win32 boundary: the program's texts are UTF-8, the system's are
// UTF-16.

#include <windows.h>

#include <string>
#include <string_view>

namespace bq::gui {

// Malformed UTF-8 comes out as U+FFFD, so a text always reaches the system.
std::wstring utf16_from_utf8(std::string_view text);

// The system's description of `error` in UTF-8, followed by " (os error N)".
std::string system_error_text(DWORD error);

}  // namespace bq::gui
