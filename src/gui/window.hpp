#pragma once
// The program's window. Backends: gui/gtk/window.cpp (GTK 3), gui/win32/.

#include <string>
#include <string_view>

#include "gui/event_loop.hpp"
#include "support/result.hpp"

namespace bq::gui {

// The toolkit's window; each backend defines it.
struct Window;

// Sizes in logical pixels: the toolkit scales them by the display's scale
// factor.
struct WindowAttributes {
  std::string_view title;
  int width = 0;  // of the inner (client) area at creation
  int height = 0;
  int min_width = 0;  // the inner area cannot be made smaller
  int min_height = 0;
};

// Connects to the display; the program's command line is not read. Returns
// the library's description of a failure. Called once, on the main thread,
// before any other toolkit call.
support::Result<support::Done> open_display();

// Builds the window and shows it at once: resizable, decorated by the system,
// no icon, placed by the window manager. Its close request reaches `loop`'s
// handler as CloseRequested and leaves the window as it is; the handler
// decides. The window lives until the process ends. Returns the library's
// description of a failure.
// Called on the UI thread.
support::Result<Window*> build_window(const EventLoop& loop, const WindowAttributes& attributes);

}  // namespace bq::gui
