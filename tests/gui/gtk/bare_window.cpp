// bare-webkit-window: the floor of the GTK + WebKitGTK stack, for the start-up
// benchmark. A window of the program's size with a web view that loads a
// one-line HTML string; the page posts one message, and the answer, run in the
// page, turns the page green. Closing the window ends the process.
//
//   bare-webkit-window [--no-acceleration] [HTML-FILE ANSWER-SCRIPT]
//
// --no-acceleration turns WebKit's hardware acceleration off, as the program
// does. With HTML-FILE the page is that file's text and the answer to its
// first posted message is ANSWER-SCRIPT: the benchmark's floor for a page as
// large as the program's (a copy of the program's rendered page, made by
// page-timing --snapshot).

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

constexpr const char* PAGE =
    "<body style=\"margin:0\"><script>window.webkit.messageHandlers.ipc.postMessage('scan')</script></body>";
constexpr const char* ANSWER = "document.body.style.background = '#1e8e3e';";

std::string answer = ANSWER;

void on_message(WebKitUserContentManager*, WebKitJavascriptResult*, gpointer web_view) {
  webkit_web_view_evaluate_javascript(WEBKIT_WEB_VIEW(web_view), answer.c_str(), -1, nullptr, nullptr, nullptr, nullptr,
                                      nullptr);
}

int usage() {
  std::fputs("usage: bare-webkit-window [--no-acceleration] [HTML-FILE ANSWER-SCRIPT]\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  int arg = 1;
  const bool accelerated = !(arg < argc && std::strcmp(argv[arg], "--no-acceleration") == 0);
  if (!accelerated) ++arg;
  std::string page = PAGE;
  if (argc - arg == 2) {
    std::ifstream in(argv[arg], std::ios::binary);
    if (!in) return usage();
    page.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    answer = argv[arg + 1];
  } else if (argc != arg) {
    return usage();
  }

  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), 840, 660);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);

  WebKitUserContentManager* content = webkit_user_content_manager_new();
  webkit_user_content_manager_register_script_message_handler(content, "ipc");
  GtkWidget* web_view = webkit_web_view_new_with_user_content_manager(content);
  if (!accelerated) {
    webkit_settings_set_hardware_acceleration_policy(webkit_web_view_get_settings(WEBKIT_WEB_VIEW(web_view)),
                                                     WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  }
  g_signal_connect(content, "script-message-received::ipc", G_CALLBACK(on_message), web_view);
  gtk_container_add(GTK_CONTAINER(window), web_view);
  webkit_web_view_load_html(WEBKIT_WEB_VIEW(web_view), page.c_str(), nullptr);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
