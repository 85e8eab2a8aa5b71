// The web view on Windows is WebView2, whose SDK (header and loader) this
// build does not have. Building one therefore fails, and start-up takes its
// path for a machine without the runtime: the error box, then the fatal
// error. A WebView2 backend replaces this file.

#include "gui/web_view.hpp"

namespace bq::gui {

struct WebContext {
  std::string data_folder;  // where the runtime would keep its user data
};

struct WebView {};

WebContext* create_web_context(const std::string& data_folder) { return new WebContext{data_folder}; }

std::variant<WebView*, std::string> build_web_view(Window*, WebContext*, const std::string&, PageMessageHandler) {
  return std::string("this build has no web view: the WebView2 loader is not linked into it");
}

// Never reached: this backend builds no web view to run a script in.
void run_script(WebView*, const std::string&) {}

}  // namespace bq::gui
