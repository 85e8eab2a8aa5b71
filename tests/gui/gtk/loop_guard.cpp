#include "../loop_guard.hpp"

#include <glib.h>

#include <utility>

namespace bq::gui::testing {

bool run_guarded(const EventLoop& loop, std::function<void(LoopEvent)> handler) {
  bool timed_out = false;
  struct Guard {
    EventLoop loop;
    bool* timed_out;
  } guard{loop, &timed_out};
  const guint id = g_timeout_add_seconds(
      10,
      [](gpointer data) -> gboolean {
        auto* g = static_cast<Guard*>(data);
        *g->timed_out = true;
        end_event_loop(g->loop);
        return G_SOURCE_REMOVE;
      },
      &guard);
  run_event_loop(loop, std::move(handler));
  if (!timed_out) g_source_remove(id);
  return !timed_out;
}

bool events_pending() { return g_main_context_pending(nullptr); }

}  // namespace bq::gui::testing
