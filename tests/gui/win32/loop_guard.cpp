#include "../loop_guard.hpp"

#include <windows.h>

#include <utility>

namespace bq::gui::testing {
namespace {

// The loop that the guard's timer ends; a timer without a window carries no
// data of its own.
const EventLoop* guarded_loop = nullptr;
bool guard_fired = false;

void CALLBACK end_guarded_loop(HWND, UINT, UINT_PTR, DWORD) {
  guard_fired = true;
  end_event_loop(*guarded_loop);
}

}  // namespace

bool run_guarded(const EventLoop& loop, std::function<void(LoopEvent)> handler) {
  guarded_loop = &loop;
  guard_fired = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 10'000, end_guarded_loop);
  run_event_loop(loop, std::move(handler));
  KillTimer(nullptr, timer);
  return !guard_fired;
}

bool events_pending() {
  MSG message;
  return PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE) != 0;
}

}  // namespace bq::gui::testing
