#pragma once
// The web view: a page given as HTML text, with window.ipc.postMessage(text)
// delivering each text to a native handler. Backends: gui/gtk/web_view.cpp
// (WebKitGTK 4.1), gui/win32/.

#include <functional>
#include <string>
#include <string_view>

#include "gui/window.hpp"
#include "support/result.hpp"

namespace bq::gui {

// The toolkit's web context and web view; each backend defines them.
struct WebContext;
struct WebView;

// A web context whose data and caches live in `data_folder`, which the web
// engine creates when it needs it. The context lives until the process ends.
// Called on the UI thread.
WebContext* create_web_context(const std::string& data_folder);

// Receives each text the page passes to window.ipc.postMessage. Called on the
// UI thread.
using PageMessageHandler = std::function<void(std::string_view text)>;

// Builds the web view inside `window` (it fills the window and follows its
// size; it is painted without hardware acceleration) and starts loading
// `html`. window.ipc.postMessage exists before any script of the page runs;
// texts reach `on_message` in the order posted, and anything posted that is
// not a string is dropped. The web view owns the handler and lives until the
// process ends. Returns a description of the failure when it cannot be built.
// Called on the UI thread.
support::Result<WebView*> build_web_view(Window* window, WebContext* context, const std::string& html,
                                         PageMessageHandler on_message);

// Asks the page to run `script` and returns at once; the result and any
// error are dropped. Scripts run in the order asked. Called on the UI thread.
void run_script(WebView* web_view, const std::string& script);

}  // namespace bq::gui
