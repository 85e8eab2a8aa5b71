// bare-webkit-window: the floor of the GTK + WebKitGTK stack, for the start-up
// benchmark. A window of the program's size with a web view that loads a
// one-line HTML string; the page posts one message, and the answer, run in the
// page, turns the page green. Closing the window ends the process.

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

namespace {

constexpr const char* PAGE =
    "<body style=\"margin:0\"><script>window.webkit.messageHandlers.ipc.postMessage('scan')</script></body>";
constexpr const char* ANSWER = "document.body.style.background = '#1e8e3e';";

void on_message(WebKitUserContentManager*, WebKitJavascriptResult*, gpointer web_view) {
  webkit_web_view_evaluate_javascript(WEBKIT_WEB_VIEW(web_view), ANSWER, -1, nullptr, nullptr, nullptr, nullptr,
                                      nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), 840, 660);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);

  WebKitUserContentManager* content = webkit_user_content_manager_new();
  webkit_user_content_manager_register_script_message_handler(content, "ipc");
  GtkWidget* web_view = webkit_web_view_new_with_user_content_manager(content);
  g_signal_connect(content, "script-message-received::ipc", G_CALLBACK(on_message), web_view);
  gtk_container_add(GTK_CONTAINER(window), web_view);
  webkit_web_view_load_html(WEBKIT_WEB_VIEW(web_view), PAGE, nullptr);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
