// engine-harness request: runs page request texts (one per line of standard
// input) through the bridge's worker function and prints each reply script on
// a line of its own, as the event-loop proxy would deliver it; a request that
// does not read prints nothing. The probe and the consultation request can be
// put in place:
//   --snapshot FILE          the probe returns the record in FILE
//   --probe-error MESSAGE    the probe fails with MESSAGE
//   --probe -- PROGRAM ARGS  the probe runs that command
//   --lead-endpoint URL --cacert FILE   submit_lead goes to URL, trusting FILE
// Without them the program's own probe and consultation request run. open_url
// prints "open LINK" on standard error instead of starting a handler.

#include <cstdio>
#include <optional>

#include "engine/probe.hpp"
#include "harness.hpp"
#include "shell/bridge.hpp"

namespace bq::harness {
namespace {

int usage() {
  std::fputs(
      "usage: engine-harness request [--snapshot FILE | --probe-error MESSAGE | --probe -- PROGRAM ARGS...]\n"
      "                              [--lead-endpoint URL --cacert FILE]   < REQUEST LINES\n",
      stderr);
  return 2;
}

}  // namespace

int run_request(std::span<char*> args) {
  shell::BridgeServices services = shell::default_services();
  services.open_link = [](const std::string& link) { std::fprintf(stderr, "open %s\n", link.c_str()); };
  const char* endpoint = nullptr;
  const char* cacert = nullptr;
  bool probe_chosen = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const bool has_value = i + 1 < args.size();
    if ((arg == "--snapshot" || arg == "--probe-error" || arg == "--probe") && probe_chosen) return usage();
    if (arg == "--snapshot" && has_value) {
      const auto text = read_file(args[++i]);
      if (!text) {
        std::fprintf(stderr, "cannot read %s\n", args[i]);
        return 2;
      }
      auto read = engine::read_snapshot(*text);
      if (auto* message = std::get_if<std::string>(&read)) {
        std::fprintf(stderr, "%s: %s\n", args[i], message->c_str());
        return 2;
      }
      services.probe = [snapshot = std::get<engine::RawHardwareSnapshot>(read)]() { return snapshot; };
      probe_chosen = true;
    } else if (arg == "--probe-error" && has_value) {
      services.probe = [message = std::string(args[++i])]() {
        return std::variant<engine::RawHardwareSnapshot, std::string>(message);
      };
      probe_chosen = true;
    } else if (arg == "--probe" && has_value && std::string_view(args[i + 1]) == "--" && i + 2 < args.size()) {
      engine::ProbeCommand command{args[i + 2], {}};
      for (std::size_t k = i + 3; k < args.size(); ++k) command.args.emplace_back(args[k]);
      services.probe = [command]() { return engine::probe_hardware(command); };
      probe_chosen = true;
      break;  // the command takes the rest of the arguments
    } else if (arg == "--lead-endpoint" && has_value) {
      endpoint = args[++i];
    } else if (arg == "--cacert" && has_value) {
      cacert = args[++i];
    } else {
      return usage();
    }
  }
  if ((endpoint == nullptr) != (cacert == nullptr)) return usage();
  if (endpoint != nullptr) {
    const auto roots = read_file(cacert);
    if (!roots) {
      std::fprintf(stderr, "cannot read %s\n", cacert);
      return 2;
    }
    services.submit_lead = [transport_endpoint = std::string(endpoint), pem = *roots](const engine::LeadForm& form) {
      engine::LeadTransport transport;
      transport.endpoint = transport_endpoint;
      transport.trusted_roots = pem;
      return engine::submit_consultation_lead(form, transport);
    };
  }

  const shell::EventLoopProxy print = [](std::string script) {
    std::fwrite(script.data(), 1, script.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    return true;
  };
  const std::string input = read_stdin();
  std::size_t start = 0;
  while (start < input.size()) {
    std::size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    shell::handle_ipc_message(shell::IpcJob{print, input.substr(start, end - start)}, services);
    start = end + 1;
  }
  return 0;
}

}  // namespace bq::harness
