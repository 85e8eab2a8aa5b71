// win32-layer-app: the Win32 window and event loop with a worker that never
// finishes, for the test that closes the window while a worker holds.
//
// It opens a window titled "Lớp cửa sổ — chờ". A worker thread sends one
// script through the event-loop proxy and then sleeps for ten minutes; when
// that script arrives, the title becomes "Lớp cửa sổ — đang giữ". A close
// request ends the loop, and the process ends as the program's does.

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>
#include <variant>

#include "gui/event_loop.hpp"
#include "gui/startup_failure.hpp"
#include "gui/win32/window.hpp"
#include "gui/window.hpp"
#include "shell/fatal.hpp"

int main() {
  using namespace bq::gui;
  const auto made_loop = create_event_loop();
  if (const auto* failure = std::get_if<std::string>(&made_loop)) fail_event_loop(*failure);
  const EventLoop& loop = std::get<EventLoop>(made_loop);
  const bq::shell::EventLoopProxy proxy = create_event_loop_proxy(loop);
  const auto built = build_window(loop, {"Lớp cửa sổ — chờ", 640, 480, 400, 300});
  if (const auto* failure = std::get_if<std::string>(&built)) bq::shell::fatal_error(*failure);
  const HWND handle = std::get<Window*>(built)->handle;

  std::thread([proxy] {
    proxy("held");
    std::this_thread::sleep_for(std::chrono::minutes(10));
    proxy("woke");
  }).detach();

  run_event_loop(loop, [&](LoopEvent event) {
    if (std::holds_alternative<CloseRequested>(event)) {
      end_event_loop(loop);
    } else if (std::get<UserEvent>(event).script == "held") {
      SetWindowTextW(handle, L"Lớp cửa sổ — đang giữ");
    }
  });
  bq::shell::end_process(0);
}
