#include "gui/gtk/window.hpp"

#include <gtk/gtk.h>

namespace bq::gui {
namespace {

gboolean on_delete_event(GtkWidget*, GdkEvent*, gpointer data) {
  dispatch_event(*static_cast<EventLoop*>(data), CloseRequested{});
  return TRUE;  // keep the window: ending the process is the handler's business
}

void release_loop(gpointer data, GClosure*) { delete static_cast<EventLoop*>(data); }

}  // namespace

support::Result<support::Done> open_display() {
  GError* error = nullptr;
  if (gtk_init_with_args(nullptr, nullptr, nullptr, nullptr, nullptr, &error)) return support::Done{};
  std::string description = error != nullptr ? error->message : "GTK could not be initialised";
  g_clear_error(&error);
  // Without a command line GTK leaves the display's name out of "Cannot open
  // display: "; it was the one DISPLAY names.
  if (description.ends_with(": ")) {
    const char* display = g_getenv("DISPLAY");
    description += display != nullptr ? display : "DISPLAY is not set";
  }
  return description;
}

support::Result<Window*> build_window(const EventLoop& loop, const WindowAttributes& attributes) {
  GtkWidget* widget = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  if (widget == nullptr) return std::string("gtk_window_new returned no window");
  GtkWindow* window = GTK_WINDOW(widget);

  const std::string title(attributes.title);
  gtk_window_set_title(window, title.c_str());
  gtk_window_set_default_size(window, attributes.width, attributes.height);
  GdkGeometry geometry{};
  geometry.min_width = attributes.min_width;
  geometry.min_height = attributes.min_height;
  gtk_window_set_geometry_hints(window, nullptr, &geometry, GDK_HINT_MIN_SIZE);

  g_signal_connect_data(widget, "delete-event", G_CALLBACK(on_delete_event), new EventLoop(loop), release_loop,
                        GConnectFlags{});
  gtk_widget_show(widget);
  return new Window{window};  // lives as long as the process, as the widget does
}

}  // namespace bq::gui
