// libFuzzer target: the probe record reader on any bytes. A record it accepts
// must read back unchanged from the text the program writes for it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/snapshot.hpp"
#include "support/json_writer.hpp"
#include "support/utf8.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const std::string& text : {std::string(bytes), bq::support::decode_utf8_lossy(bytes)}) {
    const auto result = bq::engine::read_snapshot(text);
    if (const auto* snapshot = std::get_if<bq::engine::RawHardwareSnapshot>(&result)) {
      const std::string written = bq::support::write_json(bq::engine::snapshot_to_json(*snapshot));
      const auto again = bq::engine::read_snapshot(written);
      const auto* reread = std::get_if<bq::engine::RawHardwareSnapshot>(&again);
      if (reread == nullptr || !(*reread == *snapshot)) std::abort();
    }
  }
  return 0;
}
