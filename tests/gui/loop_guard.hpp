#pragma once
// Runs an event loop in a test without the risk of running it for ever, and
// looks at what the loop may have left behind. Backends: gtk/loop_guard.cpp,
// win32/loop_guard.cpp.

#include <functional>

#include "gui/event_loop.hpp"

namespace bq::gui::testing {

// Runs `loop` with `handler`, ending it after ten seconds should the test
// never do so itself. Returns false when the guard had to end it. Called on
// the UI thread; the tests run their loops on one thread.
bool run_guarded(const EventLoop& loop, std::function<void(LoopEvent)> handler);

// Whether anything is still queued for a later loop of this thread. Called on
// the UI thread.
bool events_pending();

}  // namespace bq::gui::testing
