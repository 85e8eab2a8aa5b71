#pragma once
// The native end of the page's message protocol: each posted text runs on a
// worker thread of its own and is answered with a reply script through the
// event-loop proxy.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "engine/lead.hpp"
#include "engine/report.hpp"
#include "engine/snapshot.hpp"
#include "shell/event_loop_proxy.hpp"
#include "support/result.hpp"

namespace bq::shell {

// One request of the page.
struct IpcMessage {
  std::uint64_t id = 0;
  std::string action;
  nlohmann::json payload;  // null when absent
};

// The work of one worker thread.
struct IpcJob {
  EventLoopProxy proxy;  // the worker's own copy
  std::string body;      // the posted request text
};

// What a worker calls out to. The program uses default_services(); tests and
// the test driver put their own in place.
struct BridgeServices {
  std::function<support::Result<engine::RawHardwareSnapshot>()> probe;
  std::function<engine::LeadReply(const engine::LeadForm&)> submit_lead;
  std::function<void(const std::string& link)> open_link;  // starts the system's handler for an accepted link
};

// The real probe, the real consultation request and the system's link handler.
const BridgeServices& default_services();

// Reads a request: an object with "id", "action" and an optional "payload", or
// the array [id, action] / [id, action, payload]; the reader's fault otherwise.
support::Result<IpcMessage> read_ipc_message(std::string_view body);

// Called on the UI thread for every text the page posts: copies it, starts a
// detached worker running handle_ipc_message, and returns at once. A refused
// thread creation is fatal.
void ipc_handler(const EventLoopProxy& proxy, std::string_view body);
// The same with other services; they must outlive every worker.
void ipc_handler(const EventLoopProxy& proxy, std::string_view body, const BridgeServices& services);

// The body of one worker thread: read, dispatch, reply. A request that does not
// read gets no reply.
void handle_ipc_message(IpcJob job);
void handle_ipc_message(IpcJob job, const BridgeServices& services);

// The report that answers scan_hardware when the probe returns a message.
engine::HardwareReport scan_failure_report(std::string message);

// Opens the payload's "url" when it is a string beginning with "https://",
// "http://" or "tel:"; anything else is ignored. Never reports a failure.
void open_external_link(const nlohmann::json& payload, const BridgeServices& services);

// Writes the reply script "window.__bqCallback(ID, JSON);" and sends it; a
// failed send is dropped.
void send_reply(const EventLoopProxy& proxy, std::uint64_t id, const nlohmann::json& reply);

}  // namespace bq::shell
