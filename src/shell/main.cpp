// brindle-quay-win11-check: start-up, and the event loop's handler.
//
// The main thread is the UI thread for the whole run. It opens the window with
// the embedded page, hands every text the page posts to the bridge, and runs
// every reply that a worker thread sends back through the event-loop proxy.

#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "shell/bridge.hpp"
#include "shell/event_loop.hpp"
#include "shell/fatal.hpp"
#include "shell/page.hpp"
#include "shell/startup_failure.hpp"
#include "shell/web_view.hpp"
#include "shell/window.hpp"

namespace bq::ui {
// ui/index.html and ui/logo.png, compiled in.
extern const std::string_view INDEX_HTML;
extern const std::string_view LOGO_PNG;
}  // namespace bq::ui

namespace bq::shell {

static_assert(std::is_same_v<ScriptSender, EventLoopProxy>, "the event loop's proxy is the bridge's");

namespace {

constexpr WindowAttributes WINDOW = {
    .title = "Brindle Quay — Kiểm tra điều kiện cài đặt Windows 11 Pro",
    .width = 840,
    .height = 660,
    .min_width = 520,
    .min_height = 500,
};

// Under the temporary directory; WebKit creates it and keeps it between runs.
constexpr std::string_view WEB_VIEW_DATA_FOLDER = "BrindleQuayWin11Check_WebView2";

}  // namespace

// Called by the event loop on the UI thread for every event. A close request
// ends the loop, after which main ends the process with status 0; a user
// event's script runs in the page, its result and any error dropped.
void event_loop_handler(const EventLoop& loop, WebKitWebView* web_view, LoopEvent event) {
  if (std::holds_alternative<CloseRequested>(event)) {
    end_event_loop(loop);
    return;
  }
  run_script(web_view, std::get<UserEvent>(event).script);
}

}  // namespace bq::shell

int main() {
  using namespace bq::shell;

  if (auto failure = open_display()) fail_display(*failure);
  const EventLoop loop = create_event_loop();
  EventLoopProxy proxy = create_event_loop_proxy(loop);

  const auto window = build_window(loop, WINDOW);
  if (const auto* failure = std::get_if<std::string>(&window)) fail_window_build(*failure);

  WebKitWebContext* context = create_web_context(temp_dir_path(WEB_VIEW_DATA_FOLDER));

  // The composed page lives only until WebKit has taken its copy.
  const auto web_view =
      build_web_view(std::get<GtkWindow*>(window), context, compose_page(bq::ui::INDEX_HTML, bq::ui::LOGO_PNG),
                     [proxy = std::move(proxy)](std::string_view body) { ipc_handler(proxy, body); });
  if (const auto* failure = std::get_if<std::string>(&web_view)) fail_web_view_build(*failure);

  run_event_loop(loop, [&loop, view = std::get<WebKitWebView*>(web_view)](LoopEvent event) {
    event_loop_handler(loop, view, std::move(event));
  });
  // Workers may still be running: end without running any destructor.
  end_process(0);
}
