#include "platform/thread.hpp"

#include <windows.h>

#include <memory>
#include <utility>

#include "platform/handle_win32.hpp"
#include "platform/wide_text_win32.hpp"

namespace bq::platform {
namespace {

DWORD WINAPI run_body(void* arg) {
  const std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(arg));
  (*body)();
  return 0;
}

}  // namespace

support::Result<support::Done> start_detached_thread(std::size_t stack_bytes, std::function<void()> body) {
  auto owned = std::make_unique<std::function<void()>>(std::move(body));
  // The size reserves address space; pages are committed as the stack grows.
  // The handle is not kept: nothing waits for the thread.
  const Handle thread(
      ::CreateThread(nullptr, stack_bytes, run_body, owned.get(), STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
  if (!thread) return system_message(::GetLastError());
  owned.release();  // the thread owns it now
  return support::Done{};
}

}  // namespace bq::platform
