#pragma once
// Runs an event loop in a test without the risk of running it for ever.

#include <windows.h>

#include <functional>

#include "gui/event_loop.hpp"

namespace bq::gui::testing {

// The loop that the guard's timer ends; the tests run their loops on one
// thread.
inline const EventLoop* guarded_loop = nullptr;
inline bool guard_fired = false;

inline void CALLBACK end_guarded_loop(HWND, UINT, UINT_PTR, DWORD) {
  guard_fired = true;
  end_event_loop(*guarded_loop);
}

// Runs `loop` with `handler`, ending it after ten seconds should the test
// never do so itself. Returns false when the guard had to end it.
inline bool run_guarded(const EventLoop& loop, std::function<void(LoopEvent)> handler) {
  guarded_loop = &loop;
  guard_fired = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 10'000, end_guarded_loop);
  run_event_loop(loop, std::move(handler));
  KillTimer(nullptr, timer);
  return !guard_fired;
}

}  // namespace bq::gui::testing
