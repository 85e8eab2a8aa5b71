// brindle-quay-win11-check: start-up, and the event loop's handler.
//
// The main thread is the UI thread for the whole run. It opens the window with
// the embedded page, hands every text the page posts to the bridge, and runs
// every reply that a worker thread sends back through the event-loop proxy.

#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "gui/event_loop.hpp"
#include "gui/startup_failure.hpp"
#include "gui/web_view.hpp"
#include "gui/window.hpp"
#include "platform/temp_dir.hpp"
#include "shell/bridge.hpp"
#include "shell/fatal.hpp"
#include "shell/page.hpp"

namespace bq::ui {
// ui/index.html and ui/logo.png, compiled in.
extern const std::string_view INDEX_HTML;
extern const std::string_view LOGO_PNG;
}  // namespace bq::ui

namespace bq::gui {
namespace {

constexpr WindowAttributes WINDOW = {
    .title = "Brindle Quay — Kiểm tra điều kiện cài đặt Windows 11 Pro",
    .width = 840,
    .height = 660,
    .min_width = 520,
    .min_height = 500,
};

// Under the temporary directory; the web engine creates it and keeps it
// between runs.
constexpr std::string_view WEB_VIEW_DATA_FOLDER = "BrindleQuayWin11Check_WebView2";

}  // namespace

// Called by the event loop on the UI thread for every event. A close request
// ends the loop, after which main ends the process with status 0; a user
// event's script runs in the page, its result and any error dropped.
void event_loop_handler(const EventLoop& loop, WebView* web_view, LoopEvent event) {
  if (std::holds_alternative<CloseRequested>(event)) {
    end_event_loop(loop);
    return;
  }
  run_script(web_view, std::get<UserEvent>(event).script);
}

}  // namespace bq::gui

int main() {
  using namespace bq::gui;

  const auto display = open_display();
  if (const auto* failure = std::get_if<std::string>(&display)) fail_display(*failure);
  const auto made_loop = create_event_loop();
  if (const auto* failure = std::get_if<std::string>(&made_loop)) fail_event_loop(*failure);
  const EventLoop& loop = std::get<EventLoop>(made_loop);
  bq::shell::EventLoopProxy proxy = create_event_loop_proxy(loop);

  const auto window = build_window(loop, WINDOW);
  if (const auto* failure = std::get_if<std::string>(&window)) fail_window_build(*failure);

  WebContext* context = create_web_context(bq::platform::temp_dir_path(WEB_VIEW_DATA_FOLDER));

  // The composed page lives only until the web view has taken its copy.
  const auto web_view =
      build_web_view(std::get<Window*>(window), context, bq::shell::compose_page(bq::ui::INDEX_HTML, bq::ui::LOGO_PNG),
                     [proxy = std::move(proxy)](std::string_view body) { bq::shell::ipc_handler(proxy, body); });
  if (const auto* failure = std::get_if<std::string>(&web_view)) fail_web_view_build(*failure);

  run_event_loop(loop, [&loop, view = std::get<WebView*>(web_view)](LoopEvent event) {
    event_loop_handler(loop, view, std::move(event));
  });
  // Workers may still be running: end without running any destructor.
  bq::shell::end_process(0);
}
