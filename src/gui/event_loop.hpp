#pragma once
// The UI thread's event loop and the proxy through which other threads hand
// it script texts. Backends: gui/gtk/event_loop.cpp (the GLib main loop of
// the default main context), gui/win32/.

#include <functional>
#include <memory>
#include <string>
#include <variant>

#include "shell/event_loop_proxy.hpp"
#include "support/result.hpp"

namespace bq::gui {

// The window's close button, Alt+F4 or a window manager's close request.
struct CloseRequested {};
// A script text sent through the proxy, to be run in the page.
struct UserEvent {
  std::string script;
};
using LoopEvent = std::variant<CloseRequested, UserEvent>;

struct LoopState;

// The one event loop of the process. Copies refer to the same loop.
struct EventLoop {
  std::shared_ptr<LoopState> state;
};

// Called on the main thread, which becomes the UI thread. Returns the
// system's description of a failure; the caller decides what it means.
support::Result<EventLoop> create_event_loop();

// The bridge's proxy: its sends reach the loop's handler as UserEvents on the UI thread,
// one at a time, each once, in the order the sends were queued. Sends made
// before run_event_loop wait for it (a nested loop that runs before it, like
// the error box's, drops them). A send returns false, dropping the script,
// once end_event_loop has been called.
// The proxy and its copies are safe to use from any thread and never block on
// the UI thread.
shell::EventLoopProxy create_event_loop_proxy(const EventLoop& loop);

// Hands an event of the window to the running handler; dropped when no handler
// runs yet. Called on the UI thread.
void dispatch_event(const EventLoop& loop, LoopEvent event);

// Runs the loop on the UI thread, calling `handler` for every event, and
// returns once end_event_loop has been called and the events being dispatched
// at that moment have been handled. Between events the thread sleeps.
void run_event_loop(const EventLoop& loop, std::function<void(LoopEvent)> handler);

// Makes later sends fail and run_event_loop return. Called on the UI thread.
void end_event_loop(const EventLoop& loop);

}  // namespace bq::gui
