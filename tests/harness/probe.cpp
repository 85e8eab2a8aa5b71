// engine-harness probe [-- PROGRAM ARGS...]: runs the probe, with the given
// command in place of this platform's, and prints "ok " and the record as
// compact JSON, or "err " and the message.

#include <cstdio>
#include <string>
#include <string_view>

#include "engine/probe.hpp"
#include "harness.hpp"
#include "support/json_writer.hpp"

namespace bq::harness {

int run_probe(std::span<char*> args) {
  std::variant<engine::RawHardwareSnapshot, std::string> result;
  if (args.empty()) {
    result = engine::probe_hardware();
  } else {
    if (std::string_view(args[0]) != "--" || args.size() < 2) {
      std::fputs("usage: engine-harness probe [-- PROGRAM ARGS...]\n", stderr);
      return 2;
    }
    engine::ProbeCommand command{args[1], {args.begin() + 2, args.end()}};
    result = engine::probe_hardware(command);
  }
  std::string line;
  if (const auto* snapshot = std::get_if<engine::RawHardwareSnapshot>(&result)) {
    line = "ok " + support::write_json(engine::snapshot_to_json(*snapshot));
  } else {
    line = "err " + std::get<std::string>(result);
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
  return 0;
}

}  // namespace bq::harness
