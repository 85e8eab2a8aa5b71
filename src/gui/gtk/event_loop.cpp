#include "gui/event_loop.hpp"

#include <atomic>
#include <utility>

#include <glib.h>

namespace bq::gui {

struct LoopState {
  GMainLoop* main_loop = nullptr;          // freed with the last copy of the loop
  std::atomic<bool> accepting{true};       // false once the loop has been told to end
  std::function<void(LoopEvent)> handler;  // touched on the UI thread only

  // The program ends without running destructors, so this only runs where a
  // loop is made and dropped within a run, as in the tests. A worker's proxy
  // may hold the last copy; g_main_loop_unref is safe on any thread.
  ~LoopState() { g_main_loop_unref(main_loop); }
};

namespace {

// One queued script. GLib keeps idle sources of one priority in the order
// they were attached and dispatches them in that order, so the main context's
// source list is the proxy's queue.
struct Delivery {
  std::shared_ptr<LoopState> state;
  std::string script;
};

gboolean deliver(gpointer data) {
  auto* delivery = static_cast<Delivery*>(data);
  dispatch_event(EventLoop{delivery->state}, UserEvent{std::move(delivery->script)});
  return G_SOURCE_REMOVE;
}

void release(gpointer data) { delete static_cast<Delivery*>(data); }

}  // namespace

support::Result<EventLoop> create_event_loop() {
  auto state = std::make_shared<LoopState>();
  state->main_loop = g_main_loop_new(nullptr, FALSE);
  return EventLoop{std::move(state)};
}

shell::EventLoopProxy create_event_loop_proxy(const EventLoop& loop) {
  return [state = loop.state](std::string script) {
    if (!state->accepting.load(std::memory_order_acquire)) return false;
    // An idle source rather than g_main_context_invoke: invoke runs the
    // function at once when called on the UI thread, which would overtake
    // scripts already queued.
    g_idle_add_full(G_PRIORITY_DEFAULT, deliver, new Delivery{state, std::move(script)}, release);
    return true;
  };
}

void dispatch_event(const EventLoop& loop, LoopEvent event) {
  if (loop.state->handler) loop.state->handler(std::move(event));
}

void run_event_loop(const EventLoop& loop, std::function<void(LoopEvent)> handler) {
  loop.state->handler = std::move(handler);
  g_main_loop_run(loop.state->main_loop);
}

void end_event_loop(const EventLoop& loop) {
  loop.state->accepting.store(false, std::memory_order_release);
  g_main_loop_quit(loop.state->main_loop);
}

}  // namespace bq::gui
