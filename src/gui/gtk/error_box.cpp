#include "gui/error_box.hpp"

#include <string>

#include <gtk/gtk.h>

namespace bq::gui {

void show_error_box(std::string_view caption, std::string_view text) {
  const std::string message(text);
  const std::string title(caption);
  GtkWidget* dialog =
      gtk_message_dialog_new(nullptr, GtkDialogFlags{}, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", message.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
  // GTK stopped drawing the message type's icon by itself; the box must show it.
  GtkWidget* icon = gtk_image_new_from_icon_name("dialog-error", GTK_ICON_SIZE_DIALOG);
  gtk_widget_show(icon);
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(dialog), icon);
  G_GNUC_END_IGNORE_DEPRECATIONS
  gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
}

}  // namespace bq::gui
