// libFuzzer target: the page request reader on any bytes. An accepted
// request's payload must be written as JSON that reads back as the same value.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "shell/bridge.hpp"
#include "support/json_reader.hpp"
#include "support/json_writer.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto result = bq::shell::read_ipc_message(bytes);
  if (const auto* message = std::get_if<bq::shell::IpcMessage>(&result)) {
    const std::string written = bq::support::write_json(message->payload);
    try {
      bq::support::JsonReader reader(written);
      const nlohmann::json again = reader.read_value(126);
      reader.expect_end();
      if (bq::support::write_json(again) != written) std::abort();
    } catch (const bq::support::JsonError&) {
      std::abort();
    }
  }
  return 0;
}
