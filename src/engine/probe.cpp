#include "engine/probe.hpp"

#include "support/utf8.hpp"

namespace bq::engine {

std::string probe_command_text() {
  const std::size_t hole = PROBE_PRELUDE.find("{}");
  std::string text;
  text.reserve(PROBE_PRELUDE.size() - 2 + PROBE_SCRIPT.size());
  text.append(PROBE_PRELUDE.substr(0, hole));
  text.append(PROBE_SCRIPT);
  text.append(PROBE_PRELUDE.substr(hole + 2));
  return text;
}

std::vector<std::string> powershell_arguments(std::string_view command_text) {
  return {"-NoProfile", "-NonInteractive", "-ExecutionPolicy", "Bypass", "-Command", std::string(command_text)};
}

std::string output_too_long_description() {
  return "output longer than " + std::to_string(MAX_PROBE_OUTPUT_BYTES) + " bytes";
}

support::Result<RawHardwareSnapshot> read_probe_output(const platform::ChildOutput& child) {
  // Neither the cut output nor the exit code of a killed child tells anything;
  // the record was not read, and the description says why.
  if (child.output_exceeded) return std::string(READ_FAULT_PREFIX) + output_too_long_description();
  const std::string out_text = support::decode_utf8_lossy(child.out);
  const std::string_view output = support::trim_white_space(out_text);
  if (child.exitCode != 0 && output.empty()) {
    const std::string err_text = support::decode_utf8_lossy(child.err);
    const std::string_view error = support::trim_white_space(err_text);
    if (error.empty()) return std::string(NO_DATA);
    return std::string(error);
  }
  const std::size_t brace = output.find('{');
  if (brace == std::string_view::npos) return std::string(NO_JSON);
  auto record = read_snapshot(output.substr(brace));
  if (auto* fault = std::get_if<std::string>(&record)) return std::string(READ_FAULT_PREFIX) + *fault;
  return record;
}

support::Result<RawHardwareSnapshot> probe_hardware() { return probe_hardware(probe_command()); }

support::Result<RawHardwareSnapshot> probe_hardware(const ProbeCommand& command) {
  auto child = platform::run_child(command.program, command.args, MAX_PROBE_OUTPUT_BYTES);
  if (auto* failure = std::get_if<std::string>(&child)) return std::string(CANNOT_START_PREFIX) + *failure;
  return read_probe_output(std::get<platform::ChildOutput>(child));
}

}  // namespace bq::engine
