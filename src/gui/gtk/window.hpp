#pragma once
// What a Window is under GTK, for the GTK backend's other files and the GTK
// test tools.

#include "gui/window.hpp"

typedef struct _GtkWindow GtkWindow;

namespace bq::gui {

struct Window {
  GtkWindow* gtk_window;
};

}  // namespace bq::gui
