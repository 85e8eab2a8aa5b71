#pragma once
// The native end of the page's message protocol: each posted text runs on a
// worker thread of its own and is answered with a reply script through the
// event-loop proxy.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace bq::shell {

// Hands a script text to the UI thread, which runs it in the page. Copies may
// be used from any thread; a send never blocks and returns false once the
// event loop is gone (the script is then dropped).
using EventLoopProxy = std::function<bool(std::string script)>;

// The work of one worker thread.
struct IpcJob {
  EventLoopProxy proxy;  // the worker's own copy
  std::string body;      // the posted request text
};

// Called on the UI thread for every text the page posts: copies it, starts a
// detached worker running handle_ipc_message, and returns at once.
void ipc_handler(const EventLoopProxy& proxy, std::string_view body);

// The body of one worker thread.
void handle_ipc_message(IpcJob job);

}  // namespace bq::shell
