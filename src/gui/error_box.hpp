#pragma once
// The message box shown when the program cannot start, before the page exists.
// Backends: gui/gtk/error_box.cpp (a GTK message dialog), gui/win32/.

#include <string_view>

namespace bq::gui {

// Shows a dialog without a parent window, with the error icon, `caption` as
// its title, `text` as its message and one OK button, and returns when the
// user has closed it. Called on the UI thread once the display is open.
void show_error_box(std::string_view caption, std::string_view text);

}  // namespace bq::gui
