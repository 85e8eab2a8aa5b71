#include "gui/error_box.hpp"

#include <windows.h>

#include "platform/wide_text_win32.hpp"

namespace bq::gui {

void show_error_box(std::string_view caption, std::string_view text) {
  // No owner: the box stands on its own, in front of the program's window.
  MessageBoxW(nullptr, platform::to_wide(text).c_str(), platform::to_wide(caption).c_str(), MB_ICONERROR | MB_OK);
}

}  // namespace bq::gui
