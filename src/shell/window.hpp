#pragma once
// The program's window over GTK 3.

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "shell/event_loop.hpp"

typedef struct _GtkWindow GtkWindow;

namespace bq::shell {

// Sizes in logical pixels: GTK scales them by the display's scale factor.
struct WindowAttributes {
  std::string_view title;
  int width = 0;  // of the inner (client) area at creation
  int height = 0;
  int min_width = 0;  // the inner area cannot be made smaller
  int min_height = 0;
};

// Connects to the display; the program's command line is not read. Returns
// the library's description of a failure. Called once, on the main thread,
// before any other GTK call.
std::optional<std::string> open_display();

// Builds the window and shows it at once: resizable, decorated by the system,
// no icon, placed by the window manager. Its close request reaches `loop`'s
// handler as CloseRequested and leaves the window as it is; the handler
// decides. Returns the library's description of a failure.
// Called on the UI thread.
std::variant<GtkWindow*, std::string> build_window(const EventLoop& loop, const WindowAttributes& attributes);

}  // namespace bq::shell
