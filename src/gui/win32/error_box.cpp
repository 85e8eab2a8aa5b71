#include "gui/error_box.hpp"

#include "gui/win32/text.hpp"

namespace bq::gui {

void show_error_box(std::string_view caption, std::string_view text) {
  // No owner: the box stands on its own, in front of the program's window.
  MessageBoxW(nullptr, utf16_from_utf8(text).c_str(), utf16_from_utf8(caption).c_str(), MB_ICONERROR | MB_OK);
}

}  // namespace bq::gui
