#include "gui/event_loop.hpp"

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

#include <fmt/format.h>

#include "platform/os_error.hpp"

namespace bq::gui {

struct LoopState {
  // A message-only window of the UI thread: the proxy's wake-ups are posted
  // to it. Set once at creation, so any thread may read it.
  HWND message_window = nullptr;
  bool message_window_open = false;        // UI thread only
  bool running = false;                    // UI thread only
  std::function<void(LoopEvent)> handler;  // UI thread only
  std::atomic<bool> accepting{true};       // false once the loop has been told to end

  std::mutex lock;
  std::condition_variable queued;
  std::deque<std::string> scripts;  // guarded by `lock`

  ~LoopState();
};

namespace {

constexpr wchar_t MESSAGE_WINDOW_CLASS[] = L"BrindleQuayWin11CheckEventLoop";
constexpr UINT WAKE_UP = WM_APP;

void close_message_window(LoopState& state) {
  if (!state.message_window_open) return;
  state.message_window_open = false;
  DestroyWindow(state.message_window);
}

// Each wake-up stands for exactly one script. Its sender posts first and
// queues second, so the script may still be on its way: wait for it.
std::string take_script(LoopState& state) {
  std::unique_lock hold(state.lock);
  state.queued.wait(hold, [&] { return !state.scripts.empty(); });
  std::string script = std::move(state.scripts.front());
  state.scripts.pop_front();
  return script;
}

LRESULT CALLBACK message_window_procedure(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WAKE_UP) return DefWindowProcW(handle, message, wparam, lparam);
  // A nested loop before run_event_loop (the error box's) takes the script
  // too, with no handler to give it to: it is dropped.
  if (auto* state = reinterpret_cast<LoopState*>(GetWindowLongPtrW(handle, GWLP_USERDATA))) {
    std::string script = take_script(*state);
    if (state->handler) state->handler(UserEvent{std::move(script)});
  }
  return 0;
}

}  // namespace

LoopState::~LoopState() {
  if (!message_window_open) return;
  // Only its own thread may destroy the window; elsewhere it is left without
  // its state, so that a wake-up still queued for it finds nothing.
  if (GetWindowThreadProcessId(message_window, nullptr) == GetCurrentThreadId()) {
    DestroyWindow(message_window);
  } else {
    SetWindowLongPtrW(message_window, GWLP_USERDATA, 0);
  }
}

support::Result<EventLoop> create_event_loop() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = message_window_procedure;
  window_class.hInstance = instance;
  window_class.lpszClassName = MESSAGE_WINDOW_CLASS;
  if (RegisterClassExW(&window_class) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return fmt::format("RegisterClassExW: {}", platform::os_error_message(GetLastError()));
  }
  auto state = std::make_shared<LoopState>();
  state->message_window =
      CreateWindowExW(0, MESSAGE_WINDOW_CLASS, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (state->message_window == nullptr) {
    return fmt::format("CreateWindowExW: {}", platform::os_error_message(GetLastError()));
  }
  state->message_window_open = true;
  SetWindowLongPtrW(state->message_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.get()));
  return EventLoop{std::move(state)};
}

shell::EventLoopProxy create_event_loop_proxy(const EventLoop& loop) {
  return [state = loop.state](std::string script) {
    if (!state->accepting.load(std::memory_order_acquire)) return false;
    // Post first, queue second: a script is queued only once its wake-up is
    // on its way, so no script waits for a later one and none is left over
    // when the post fails (a full message queue, or the loop has ended).
    if (!PostMessageW(state->message_window, WAKE_UP, 0, 0)) return false;
    {
      std::lock_guard hold(state->lock);
      state->scripts.push_back(std::move(script));
    }
    state->queued.notify_one();
    return true;
  };
}

void dispatch_event(const EventLoop& loop, LoopEvent event) {
  if (loop.state->handler) loop.state->handler(std::move(event));
}

void run_event_loop(const EventLoop& loop, std::function<void(LoopEvent)> handler) {
  LoopState& state = *loop.state;
  state.handler = std::move(handler);
  state.running = true;
  MSG message;
  while (state.running && GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  // The wake-ups posted before the end are the batch being dispatched: their
  // scripts still reach the handler. Later posts fail, as the window is gone.
  if (state.message_window_open) {
    while (PeekMessageW(&message, state.message_window, WAKE_UP, WAKE_UP, PM_REMOVE)) DispatchMessageW(&message);
  }
  close_message_window(state);
  state.handler = nullptr;
}

void end_event_loop(const EventLoop& loop) {
  loop.state->accepting.store(false, std::memory_order_release);
  loop.state->running = false;
}

}  // namespace bq::gui
