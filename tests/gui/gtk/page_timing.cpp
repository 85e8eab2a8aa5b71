// page-timing: the program's start-up with a time line of what happens, for
// tests/gui/gtk/bench-page.sh and tests/gui/gtk/bench-startup.sh.
//
//   page-timing [--snapshot FILE] [HTML-FILE]
//
// Builds the window, the web context and the web view exactly as the program
// does and serves the page through the program's own bridge (the real probe),
// so that everything takes the program's own path. The page is the program's
// embedded one, or HTML-FILE composed with the embedded logo the same way.
//
// Prints one line per event on standard output, "MS EVENT [DETAIL]", MS being
// CLOCK_MONOTONIC in milliseconds:
//   main               main was entered
//   window             the window is built
//   web-view           the web view is built and its load has been asked for
//   load-committed     WebKit has committed the page's load
//   load-finished      the page has loaded
//   post TEXT          the page posted TEXT (its first 60 bytes)
//   reply              a reply script was handed to the web view
//   draw               GTK drew the web view into the window (the first 40)
//   post mark:NAME T   a mark of the page, T being its performance.now():
//     first-frame        the first frame's animation callbacks (the loading state)
//     first-frame-done   the first task after that frame was drawn
//     reply-in           a reply has reached the page
//     rendered           the page's script has rendered the reply
//     layout             style and layout of the rendered reply are done
//     frame              the next frame's animation callbacks
//     frame-done         the first task after that frame was drawn
// The marks come from a script that this tool (never the program) adds to the
// page; posted texts that begin with "mark:" are only printed.
//
// --snapshot FILE: once the first reply has been rendered, writes a copy of
// the page as it stands to FILE, without its scripts and back in the loading
// state (the report hidden, the loading box shown), with one script that
// posts 'scan' through window.webkit.messageHandlers.ipc; then ends. For
// bare-webkit-window: the stack's floor for a page like the program's.
//
// Closing the window ends the process with status 0.

#include <time.h>

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "gui/event_loop.hpp"
#include "gui/gtk/web_view.hpp"
#include "gui/window.hpp"
#include "platform/temp_dir.hpp"
#include "shell/bridge.hpp"
#include "shell/fatal.hpp"
#include "shell/page.hpp"

namespace bq::ui {
extern const std::string_view INDEX_HTML;
extern const std::string_view LOGO_PNG;
}  // namespace bq::ui

namespace {

using namespace bq::gui;
using namespace bq::shell;

// Wraps window.__bqCallback when the page defines it: every reply is marked
// when it arrives, after the page's own continuation has rendered it (that
// continuation is the microtask queued by the callback, so a microtask queued
// after the callback returns runs after it), after style and layout, and at
// the next frame.
constexpr const char* MARKS_SCRIPT = R"js((() => {
  const mark = (name) => window.webkit.messageHandlers.ipc.postMessage('mark:' + name + ' ' + performance.now().toFixed(1));
  const frame = (name) => requestAnimationFrame(() => { mark(name); setTimeout(() => mark(name + '-done'), 0); });
  frame('first-frame');
  let callback;
  Object.defineProperty(window, '__bqCallback', {
    configurable: true,
    get: () => callback,
    set(page) {
      callback = function (id, value) {
        mark('reply-in');
        const result = page.call(this, id, value);
        queueMicrotask(() => {
          mark('rendered');
          void document.body.offsetHeight;
          mark('layout');
          frame('frame');
        });
        return result;
      };
    },
  });
})();)js";

constexpr const char* SNAPSHOT_SCRIPT = R"js((() => {
  const page = document.documentElement.cloneNode(true);
  for (const script of page.querySelectorAll('script')) script.remove();
  page.querySelector('#loading-box').hidden = false;
  page.querySelector('#result-box').hidden = true;
  const post = document.createElement('script');
  post.textContent = "window.webkit.messageHandlers.ipc.postMessage('scan');";
  page.querySelector('body').append(post);
  return '<!DOCTYPE html>\n' + page.outerHTML + '\n';
})())js";

double now_ms() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void print_event(std::string_view event, std::string_view detail = "") {
  std::string line = std::to_string(now_ms()) + ' ' + std::string(event);
  if (!detail.empty()) line += ' ' + std::string(detail);
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

void on_load_changed(WebKitWebView*, WebKitLoadEvent event, gpointer) {
  if (event == WEBKIT_LOAD_COMMITTED) print_event("load-committed");
  if (event == WEBKIT_LOAD_FINISHED) print_event("load-finished");
}

gboolean on_draw(GtkWidget*, cairo_t*, gpointer) {
  static int draws = 0;
  if (draws++ < 40) print_event("draw");
  return FALSE;
}

struct Snapshot {
  std::string path;
  const EventLoop* loop = nullptr;
  bool asked = false;
};

void on_snapshot(GObject* web_view, GAsyncResult* result, gpointer data) {
  auto* snapshot = static_cast<Snapshot*>(data);
  GError* error = nullptr;
  JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(web_view), result, &error);
  if (value == nullptr) {
    std::fprintf(stderr, "page-timing: the snapshot failed: %s\n", error->message);
    g_clear_error(&error);
    std::_Exit(1);
  }
  gchar* text = jsc_value_to_string(value);
  std::ofstream(snapshot->path, std::ios::binary) << text;
  g_free(text);
  g_object_unref(value);
  end_event_loop(*snapshot->loop);
}

int usage() {
  std::fputs("usage: page-timing [--snapshot FILE] [HTML-FILE]\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  print_event("main");
  Snapshot snapshot;
  int arg = 1;
  if (arg < argc && std::string_view(argv[arg]) == "--snapshot") {
    if (arg + 1 >= argc) return usage();
    snapshot.path = argv[arg + 1];
    arg += 2;
  }
  std::string page(bq::ui::INDEX_HTML);
  if (arg < argc) {
    std::ifstream in(argv[arg], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "page-timing: cannot read %s\n", argv[arg]);
      return 2;
    }
    page.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    ++arg;
  }
  if (arg != argc) return usage();

  if (const auto display = open_display(); const auto* failure = std::get_if<std::string>(&display)) {
    std::fprintf(stderr, "page-timing: %s\n", failure->c_str());
    return 2;
  }
  const EventLoop loop = std::get<EventLoop>(create_event_loop());
  snapshot.loop = &loop;
  EventLoopProxy proxy = create_event_loop_proxy(loop);
  const auto window =
      build_window(loop, {.title = "page-timing", .width = 840, .height = 660, .min_width = 520, .min_height = 500});
  if (std::holds_alternative<std::string>(window)) return 2;
  print_event("window");

  WebContext* context = create_web_context(bq::platform::temp_dir_path("BrindleQuayWin11Check_WebView2"));
  const auto web_view = build_web_view(std::get<Window*>(window), context, compose_page(page, bq::ui::LOGO_PNG),
                                       [proxy = std::move(proxy)](std::string_view body) {
                                         print_event("post", body.substr(0, 60));
                                         if (!body.starts_with("mark:")) ipc_handler(proxy, body);
                                       });
  if (std::holds_alternative<std::string>(web_view)) return 2;
  WebView* web_view_handle = std::get<WebView*>(web_view);
  WebKitWebView* view = web_view_handle->webkit_view;
  print_event("web-view");
  // Added before the web process starts, so the first document has it.
  WebKitUserScript* marks = webkit_user_script_new(MARKS_SCRIPT, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                                   WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(webkit_web_view_get_user_content_manager(view), marks);
  webkit_user_script_unref(marks);
  g_signal_connect(view, "load-changed", G_CALLBACK(on_load_changed), nullptr);
  g_signal_connect_after(view, "draw", G_CALLBACK(on_draw), nullptr);

  run_event_loop(loop, [&loop, &snapshot, view, web_view_handle](LoopEvent event) {
    if (std::holds_alternative<CloseRequested>(event)) {
      end_event_loop(loop);
      return;
    }
    print_event("reply");
    run_script(web_view_handle, std::get<UserEvent>(event).script);
    if (!snapshot.path.empty() && !snapshot.asked) {
      // Runs after the reply's script and the page's rendering of it.
      snapshot.asked = true;
      webkit_web_view_evaluate_javascript(view, SNAPSHOT_SCRIPT, -1, nullptr, nullptr, nullptr, on_snapshot, &snapshot);
    }
  });
  end_process(0);
}
