#include "shell/bridge.hpp"

#include <charconv>
#include <limits>

#include "engine/probe.hpp"
#include "engine/products.hpp"
#include "engine/vendor.hpp"
#include "platform/open_link.hpp"
#include "platform/thread.hpp"
#include "shell/fatal.hpp"
#include "shell/lead_form.hpp"
#include "support/json_reader.hpp"
#include "support/json_writer.hpp"

namespace bq::shell {
namespace {

using support::JsonKind;
using support::JsonReader;

// Arrays and objects inside a payload nest at most this deep. The protocol
// allows a request text 127 levels in all, and the request's own object or
// array is the first of them; a deeper payload breaks the request like any
// other fault, so it gets no reply. The bound also keeps the recursive walks
// of nlohmann::json over a payload (comparison, writing) far from the end of
// a worker's stack.
constexpr std::size_t MAX_PAYLOAD_DEPTH = 126;
// One stack size on every platform instead of each system's default (1 MiB
// reserved on Windows, `ulimit -s`, often 8 MiB, here), so that a worker's
// deepest path (the probe's reading, a TLS handshake, a walk over a payload at
// its depth limit) has the same room everywhere, and many requests at once
// cost little address space.
constexpr std::size_t WORKER_STACK_BYTES = 2 * 1024 * 1024;

std::uint64_t read_id(JsonReader& reader) {
  return reader.read_unsigned(std::numeric_limits<std::uint64_t>::max(), "u64", support::NumberFaults::as_written);
}

std::string read_action(JsonReader& reader) {
  reader.expect_kind(JsonKind::string, "a string");
  return reader.read_string();
}

IpcMessage read_object_form(JsonReader& reader) {
  IpcMessage message;
  bool has_id = false, has_action = false, has_payload = false;
  reader.begin_object();
  while (const auto key = reader.next_key()) {
    bool* seen = *key == "id" ? &has_id : *key == "action" ? &has_action : *key == "payload" ? &has_payload : nullptr;
    if (seen == nullptr) {
      reader.skip_value();
      continue;
    }
    if (*seen) reader.fail("duplicate field `" + *key + "`");
    *seen = true;
    if (seen == &has_id) {
      message.id = read_id(reader);
    } else if (seen == &has_action) {
      message.action = read_action(reader);
    } else {
      message.payload = reader.read_value(MAX_PAYLOAD_DEPTH);
    }
  }
  if (!has_id) reader.fail("missing field `id`");
  if (!has_action) reader.fail("missing field `action`");
  return message;
}

IpcMessage read_array_form(JsonReader& reader) {
  IpcMessage message;
  reader.begin_array();
  std::size_t count = 0;
  while (reader.next_element()) {
    switch (count++) {
      case 0: message.id = read_id(reader); break;
      case 1: message.action = read_action(reader); break;
      case 2: message.payload = reader.read_value(MAX_PAYLOAD_DEPTH); break;
      default: reader.fail("trailing elements, expected struct IpcMessage with 3 elements");
    }
  }
  if (count < 2)
    reader.fail("invalid length " + std::to_string(count) + ", expected struct IpcMessage with 3 elements");
  return message;
}

}  // namespace

const BridgeServices& default_services() {
  static const BridgeServices services{
      [] { return engine::probe_hardware(); },
      [](const engine::LeadForm& form) { return engine::submit_consultation_lead(form); },
      [](const std::string& link) { platform::open_link(link); },
  };
  return services;
}

support::Result<IpcMessage> read_ipc_message(std::string_view body) {
  JsonReader reader(body);
  try {
    IpcMessage message;
    switch (reader.peek()) {
      case JsonKind::object: message = read_object_form(reader); break;
      case JsonKind::array: message = read_array_form(reader); break;
      default: reader.fail_type("struct IpcMessage");
    }
    reader.expect_end();
    return message;
  } catch (const support::JsonError& error) {
    return std::string(error.what());
  }
}

void ipc_handler(const EventLoopProxy& proxy, std::string_view body) { ipc_handler(proxy, body, default_services()); }

void ipc_handler(const EventLoopProxy& proxy, std::string_view body, const BridgeServices& services) {
  auto worker = [job = IpcJob{proxy, std::string(body)}, &services]() mutable {
    handle_ipc_message(std::move(job), services);
  };
  const auto started = platform::start_detached_thread(WORKER_STACK_BYTES, std::move(worker));
  if (const auto* failure = std::get_if<std::string>(&started)) {
    fatal_error("cannot start a worker thread: " + *failure);
  }
}

void handle_ipc_message(IpcJob job) { handle_ipc_message(std::move(job), default_services()); }

void handle_ipc_message(IpcJob job, const BridgeServices& services) {
  auto parsed = read_ipc_message(job.body);
  auto* message = std::get_if<IpcMessage>(&parsed);
  if (message == nullptr) return;  // no reply for a request that does not read

  nlohmann::json reply;
  if (message->action == "scan_hardware") {
    auto probed = services.probe();
    if (auto* snapshot = std::get_if<engine::RawHardwareSnapshot>(&probed)) {
      reply = engine::report_to_json(engine::evaluate_snapshot(*snapshot));
    } else {
      reply = engine::report_to_json(scan_failure_report(std::move(std::get<std::string>(probed))));
    }
  } else if (message->action == "submit_lead") {
    reply = engine::lead_reply_to_json(services.submit_lead(read_lead_form(message->payload)));
  } else if (message->action == "open_url") {
    open_external_link(message->payload, services);
    reply = nlohmann::json{{"ok", true}};
  } else {
    reply = nlohmann::json{{"error", "Unknown action"}};
  }
  send_reply(job.proxy, message->id, reply);
}

engine::HardwareReport scan_failure_report(std::string message) {
  engine::HardwareReport report;
  report.isWindows = true;
  report.isAdmin = false;
  report.deviceName = "Máy tính Windows";
  report.currentOs = "Windows";
  report.osBuild = "";
  report.alreadyOnWin11 = false;
  report.verdictTone = "error";
  report.verdictCode = "NOT_READY";
  report.verdictBadge = "LỖI ĐỌC THÔNG SỐ";
  report.verdictHeadline = "Chưa đọc được đầy đủ thông số phần cứng";
  report.verdictAdvice = "Vui lòng bấm 'Quét lại' bằng quyền Administrator hoặc liên hệ Zalo Brindle Quay " +
                         std::string(engine::CONTACT_PHONE_DISPLAY) + " để kỹ thuật hỗ trợ kiểm tra trực tiếp.";
  report.recommendedProducts = engine::recommended_products("READY");
  report.shareUrl = engine::CHECK_PAGE_URL;
  report.rawError = std::move(message);
  return report;
}

void open_external_link(const nlohmann::json& payload, const BridgeServices& services) {
  if (!payload.is_object()) return;
  const auto url = payload.find("url");
  if (url == payload.end() || !url->is_string()) return;
  const std::string& link = url->get_ref<const std::string&>();
  if (link.starts_with("https://") || link.starts_with("http://") || link.starts_with("tel:")) {
    services.open_link(link);
  }
}

void send_reply(const EventLoopProxy& proxy, std::uint64_t id, const nlohmann::json& reply) {
  std::string script = "window.__bqCallback(";
  char digits[24];
  script.append(digits, std::to_chars(digits, digits + sizeof digits, id).ptr);
  script += ", ";
  script += support::write_json(reply);
  script += ");";
  (void)proxy(std::move(script));  // a reply that cannot be delivered is dropped
}

}  // namespace bq::shell
