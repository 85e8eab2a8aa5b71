#pragma once
// The web view over WebKitGTK 4.1: a page given as HTML text, with
// window.ipc.postMessage(text) delivering each text to a native handler.

#include <functional>
#include <string>
#include <string_view>
#include <variant>

typedef struct _GtkWindow GtkWindow;
typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitWebView WebKitWebView;

namespace bq::shell {

// The system's temporary directory joined with `name`.
std::string temp_dir_path(std::string_view name);

// A web context whose data and caches live in `data_folder`, which WebKit
// creates when it needs it. The context lives until the process ends.
// Called on the UI thread.
WebKitWebContext* create_web_context(const std::string& data_folder);

// Receives each text the page passes to window.ipc.postMessage. Called on the
// UI thread.
using PageMessageHandler = std::function<void(std::string_view text)>;

// Builds the web view inside `window` (it fills the window and follows its
// size; WebKit paints it without hardware acceleration) and starts loading
// `html`. window.ipc.postMessage exists before any
// script of the page runs; texts reach `on_message` in the order posted, and
// anything posted that is not a string is dropped. The web view owns the
// handler. Returns a description of the failure when it cannot be built.
// Called on the UI thread.
std::variant<WebKitWebView*, std::string> build_web_view(GtkWindow* window, WebKitWebContext* context,
                                                         const std::string& html, PageMessageHandler on_message);

// Asks the page to run `script` and returns at once; the result and any
// error are dropped. Scripts run in the order asked. Called on the UI thread.
void run_script(WebKitWebView* web_view, const std::string& script);

}  // namespace bq::shell
