// gui-layer-app: the window, event loop and web view layers with a test
// page and an echo handler in place of the bridge, driven by layer-test.sh.
//
//   gui-layer-app echo       a page that talks to the native side; every
//                              line on standard output is one event
//   gui-layer-app error-box  the start-up failure for a web view that
//                              cannot be built
//
// Once the web view stands it prints "acceleration: never" (or "on") for its
// hardware acceleration policy. Each text the page posts is printed as
// "message: TEXT" and answered by a detached worker thread through the
// event-loop proxy with window.__reply(TEXT), except for these:
//   "bad"    a script that does not compile, then window.__reply("after-bad")
//   "sleep"  a worker that sleeps for ten minutes before it answers; prints
//            "sleeping" once it runs

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <thread>
#include <variant>

#include <webkit2/webkit2.h>

#include "gui/event_loop.hpp"
#include "gui/gtk/web_view.hpp"
#include "gui/startup_failure.hpp"
#include "gui/window.hpp"
#include "platform/temp_dir.hpp"
#include "shell/fatal.hpp"
#include "support/json_writer.hpp"

namespace {

using namespace bq::gui;
using bq::shell::EventLoopProxy;

constexpr std::string_view PAGE = R"html(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>layer</title>
<script>
  window.ipc.postMessage('ipc-at-first-script:' + typeof window.ipc.postMessage);
</script></head>
<body>
<h1>Lớp cửa sổ</h1>
<pre id="out"></pre>
<img id="relative" src="logo.png">
<script>
  const out = document.getElementById('out');
  const expected = ['hello', 'Tiếng Việt — “ngoặc” \\ "q"'];
  for (let i = 1; i <= 40; ++i) expected.push('n:' + i);
  let answered = 0;
  window.__reply = function (text) {
    out.textContent += text + '\n';
    if (text === 'after-bad') {
      window.ipc.postMessage('dom-after-bad:' + out.textContent.includes('after-bad'));
      window.ipc.postMessage('sleep');
    }
    if (expected.includes(text) && ++answered === expected.length) {
      const lines = out.textContent.trim().split('\n');
      const complete = expected.every((e) => lines.filter((l) => l === e).length === 1);
      window.ipc.postMessage('dom-complete:' + complete);
      window.ipc.postMessage('bad');
    }
  };
  document.getElementById('relative').onerror = () => window.ipc.postMessage('relative-image:error');
  window.ipc.postMessage('origin:' + location.href);
  window.ipc.postMessage('secure:' + window.isSecureContext + ':' + typeof (navigator.clipboard && navigator.clipboard.writeText));
  window.ipc.postMessage('nul:\u0000:end');
  window.ipc.postMessage(42);
  window.ipc.postMessage({text: 'object'});
  for (const text of expected) window.ipc.postMessage(text);
</script>
</body></html>
)html";

void print_line(std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::string reply_script(std::string_view text) {
  std::string script = "window.__reply(";
  bq::support::append_json_string(script, text);
  return script + ");";
}

void echo(const EventLoopProxy& proxy, std::string_view text) {
  print_line("message: " + std::string(text));
  if (text == "sleep") {
    std::thread([proxy] {
      print_line("sleeping");
      std::this_thread::sleep_for(std::chrono::minutes(10));
      proxy(reply_script("woke"));
    }).detach();
    return;
  }
  std::thread([proxy, text = std::string(text)] {
    if (text == "bad") {
      proxy("window.__reply(");
      proxy(reply_script("after-bad"));
    } else {
      proxy(reply_script(text));
    }
  }).detach();
}

int run_echo() {
  const auto display = open_display();
  if (const auto* failure = std::get_if<std::string>(&display)) fail_display(*failure);
  const EventLoop loop = std::get<EventLoop>(create_event_loop());
  EventLoopProxy proxy = create_event_loop_proxy(loop);

  const auto window = build_window(loop, {"Lớp cửa sổ — kiểm tra", 640, 480, 400, 300});
  if (const auto* failure = std::get_if<std::string>(&window)) fail_window_build(*failure);
  WebContext* context = create_web_context(bq::platform::temp_dir_path("gui-layer-app-data"));
  const auto web_view = build_web_view(std::get<Window*>(window), context, std::string(PAGE),
                                       [proxy = std::move(proxy)](std::string_view text) { echo(proxy, text); });
  if (const auto* failure = std::get_if<std::string>(&web_view)) fail_web_view_build(*failure);
  const auto policy = webkit_settings_get_hardware_acceleration_policy(
      webkit_web_view_get_settings(std::get<WebView*>(web_view)->webkit_view));
  print_line(policy == WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER ? "acceleration: never" : "acceleration: on");

  run_event_loop(loop, [&loop, view = std::get<WebView*>(web_view)](LoopEvent event) {
    if (std::holds_alternative<CloseRequested>(event)) {
      print_line("close requested");
      end_event_loop(loop);
    } else {
      run_script(view, std::get<UserEvent>(event).script);
    }
  });
  print_line("loop ended");
  bq::shell::end_process(0);
}

int run_error_box() {
  const auto display = open_display();
  if (const auto* failure = std::get_if<std::string>(&display)) fail_display(*failure);
  fail_web_view_build("lỗi thử nghiệm");
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view mode = argc == 2 ? argv[1] : "";
  if (mode == "echo") return run_echo();
  if (mode == "error-box") return run_error_box();
  std::fputs("usage: gui-layer-app echo|error-box\n", stderr);
  return 2;
}
