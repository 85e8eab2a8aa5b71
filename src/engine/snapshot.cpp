#include "engine/snapshot.hpp"

#include <array>
#include <cstdint>
#include <limits>
#include <optional>

#include "support/json_reader.hpp"

namespace bq::engine {
namespace {

using support::JsonKind;
using support::JsonReader;

enum class FieldType { boolean, text, u32, f64 };

struct Field {
  std::string_view key;
  FieldType type;
  bool RawHardwareSnapshot::*boolean = nullptr;
  std::string RawHardwareSnapshot::*text = nullptr;
  std::uint32_t RawHardwareSnapshot::*u32 = nullptr;
  double RawHardwareSnapshot::*f64 = nullptr;
};

constexpr Field boolean_field(std::string_view key, bool RawHardwareSnapshot::*m) {
  return {key, FieldType::boolean, m, nullptr, nullptr, nullptr};
}
constexpr Field text_field(std::string_view key, std::string RawHardwareSnapshot::*m) {
  return {key, FieldType::text, nullptr, m, nullptr, nullptr};
}
constexpr Field u32_field(std::string_view key, std::uint32_t RawHardwareSnapshot::*m) {
  return {key, FieldType::u32, nullptr, nullptr, m, nullptr};
}
constexpr Field f64_field(std::string_view key, double RawHardwareSnapshot::*m) {
  return {key, FieldType::f64, nullptr, nullptr, nullptr, m};
}

// The 27 fields in record order; the first missing one is reported.
const std::array<Field, 27> FIELDS = {
    boolean_field("isAdmin", &RawHardwareSnapshot::isAdmin),
    text_field("manufacturer", &RawHardwareSnapshot::manufacturer),
    text_field("model", &RawHardwareSnapshot::model),
    text_field("osCaption", &RawHardwareSnapshot::osCaption),
    text_field("osVersion", &RawHardwareSnapshot::osVersion),
    text_field("osBuild", &RawHardwareSnapshot::osBuild),
    text_field("osArch", &RawHardwareSnapshot::osArch),
    text_field("cpuName", &RawHardwareSnapshot::cpuName),
    u32_field("cpuCores", &RawHardwareSnapshot::cpuCores),
    u32_field("cpuThreads", &RawHardwareSnapshot::cpuThreads),
    u32_field("cpuMaxMhz", &RawHardwareSnapshot::cpuMaxMhz),
    u32_field("cpuAddressWidth", &RawHardwareSnapshot::cpuAddressWidth),
    f64_field("ramGb", &RawHardwareSnapshot::ramGb),
    f64_field("diskTotalGb", &RawHardwareSnapshot::diskTotalGb),
    f64_field("diskFreeGb", &RawHardwareSnapshot::diskFreeGb),
    text_field("partitionStyle", &RawHardwareSnapshot::partitionStyle),
    text_field("firmwareType", &RawHardwareSnapshot::firmwareType),
    text_field("secureBoot", &RawHardwareSnapshot::secureBoot),
    boolean_field("tpmPresent", &RawHardwareSnapshot::tpmPresent),
    boolean_field("tpmReady", &RawHardwareSnapshot::tpmReady),
    boolean_field("tpmEnabled", &RawHardwareSnapshot::tpmEnabled),
    text_field("tpmSpecVersion", &RawHardwareSnapshot::tpmSpecVersion),
    text_field("gpuName", &RawHardwareSnapshot::gpuName),
    text_field("gpuDriver", &RawHardwareSnapshot::gpuDriver),
    text_field("wddmVersion", &RawHardwareSnapshot::wddmVersion),
    u32_field("screenWidth", &RawHardwareSnapshot::screenWidth),
    u32_field("screenHeight", &RawHardwareSnapshot::screenHeight),
};

void read_field(JsonReader& reader, const Field& field, RawHardwareSnapshot& out) {
  switch (field.type) {
    case FieldType::boolean:
      reader.expect_kind(JsonKind::boolean, "a boolean");
      out.*field.boolean = reader.read_bool();
      return;
    case FieldType::text:
      reader.expect_kind(JsonKind::string, "a string");
      out.*field.text = reader.read_string();
      return;
    case FieldType::u32:
      out.*field.u32 = static_cast<std::uint32_t>(
          reader.read_unsigned(std::numeric_limits<std::uint32_t>::max(), "u32", support::NumberFaults::by_kind));
      return;
    case FieldType::f64:
      reader.expect_kind(JsonKind::number, "f64");
      out.*field.f64 = reader.read_double();
      return;
  }
}

}  // namespace

support::Result<RawHardwareSnapshot> read_snapshot(std::string_view text) {
  RawHardwareSnapshot snapshot;
  std::array<bool, FIELDS.size()> seen{};
  JsonReader reader(text);
  try {
    reader.expect_kind(JsonKind::object, "struct RawHardwareSnapshot");
    reader.begin_object();
    while (const std::optional<std::string> key = reader.next_key()) {
      std::size_t index = 0;
      while (index < FIELDS.size() && FIELDS[index].key != *key) ++index;
      if (index == FIELDS.size()) {
        reader.skip_value();
        continue;
      }
      if (seen[index]) reader.fail("duplicate field `" + *key + "`");
      seen[index] = true;
      read_field(reader, FIELDS[index], snapshot);
    }
    for (std::size_t i = 0; i < FIELDS.size(); ++i) {
      if (!seen[i]) reader.fail("missing field `" + std::string(FIELDS[i].key) + "`");
    }
    reader.expect_end();
  } catch (const support::JsonError& error) {
    return std::string(error.what());
  }
  return snapshot;
}

nlohmann::json snapshot_to_json(const RawHardwareSnapshot& snapshot) {
  nlohmann::json out = nlohmann::json::object();
  for (const Field& field : FIELDS) {
    const std::string key(field.key);
    switch (field.type) {
      case FieldType::boolean: out[key] = snapshot.*field.boolean; break;
      case FieldType::text: out[key] = snapshot.*field.text; break;
      case FieldType::u32: out[key] = snapshot.*field.u32; break;
      case FieldType::f64: out[key] = snapshot.*field.f64; break;
    }
  }
  return out;
}

}  // namespace bq::engine
