// libFuzzer target: the probe's reading of a finished child on any bytes, and
// the record reader itself. A record it accepts must read back unchanged from
// the text the program writes for it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/probe.hpp"
#include "engine/snapshot.hpp"
#include "support/json_writer.hpp"

namespace {

void check_round_trip(const std::variant<bq::engine::RawHardwareSnapshot, std::string>& result) {
  const auto* snapshot = std::get_if<bq::engine::RawHardwareSnapshot>(&result);
  if (snapshot == nullptr) return;
  const auto again = bq::engine::read_snapshot(bq::support::write_json(bq::engine::snapshot_to_json(*snapshot)));
  const auto* reread = std::get_if<bq::engine::RawHardwareSnapshot>(&again);
  if (reread == nullptr || !(*reread == *snapshot)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  check_round_trip(bq::engine::read_snapshot(bytes));

  // First byte: the exit code; then standard output, and after the first NUL standard error.
  bq::platform::ChildOutput child;
  if (!bytes.empty()) {
    child.exitCode = static_cast<unsigned char>(bytes[0]) % 3;
    const std::string_view rest = bytes.substr(1);
    const std::size_t split = rest.find('\0');
    child.out = std::string(rest.substr(0, split));
    if (split != std::string_view::npos) child.err = std::string(rest.substr(split + 1));
  }
  const auto result = bq::engine::read_probe_output(child);
  if (const auto* message = std::get_if<std::string>(&result); message && message->empty()) {
    std::abort();  // a failure always carries a message
  }
  check_round_trip(result);
  return 0;
}
