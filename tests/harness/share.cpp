// engine-harness share: reads the report summary from standard input and
// prints its share link.

#include <array>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "engine/checks.hpp"
#include "engine/share.hpp"
#include "engine/snapshot.hpp"
#include "harness.hpp"
#include "support/json_reader.hpp"

namespace bq::harness {
namespace {

using support::JsonKind;
using support::JsonReader;

std::string read_text(JsonReader& reader) {
  reader.expect_kind(JsonKind::string, "a string");
  return reader.read_string();
}

std::uint64_t read_count(JsonReader& reader) {
  reader.expect_kind(JsonKind::number, "u64");
  const std::size_t start = reader.offset();
  const support::JsonNumber number = reader.read_number();
  std::uint64_t value = 0;
  const auto result = std::from_chars(number.text.data(), number.text.data() + number.text.size(), value);
  if (!number.integer || number.negative || result.ec != std::errc{} ||
      result.ptr != number.text.data() + number.text.size()) {
    reader.fail_at("invalid value: `" + std::string(number.text) + "`, expected u64", start);
  }
  return value;
}

// Reads the members of an object whose keys are all required and all known.
template <std::size_t N, typename ReadMember>
void read_members(JsonReader& reader, const std::array<std::string_view, N>& keys, std::string_view what,
                  ReadMember read_member) {
  reader.expect_kind(JsonKind::object, what);
  reader.begin_object();
  std::array<bool, N> seen{};
  while (const std::optional<std::string> key = reader.next_key()) {
    std::size_t index = 0;
    while (index < N && keys[index] != *key) ++index;
    if (index == N) reader.fail("unknown field `" + *key + "`");
    if (seen[index]) reader.fail("duplicate field `" + *key + "`");
    seen[index] = true;
    read_member(index);
  }
  for (std::size_t i = 0; i < N; ++i) {
    if (!seen[i]) reader.fail("missing field `" + std::string(keys[i]) + "`");
  }
}

engine::CheckRow read_row(JsonReader& reader) {
  static constexpr std::array<std::string_view, 7> KEYS = {"id",     "label",       "requirement", "detected",
                                                           "status", "statusLabel", "detail"};
  engine::CheckRow row;
  std::array<std::string*, 7> fields = {&row.id,     &row.label,       &row.requirement, &row.detected,
                                        &row.status, &row.statusLabel, &row.detail};
  read_members(reader, KEYS, "a check row object", [&](std::size_t index) { *fields[index] = read_text(reader); });
  return row;
}

// Fills everything but the snapshot, whose own text it returns.
std::string_view read_input(std::string_view text, ShareInput& input) {
  static constexpr std::array<std::string_view, 8> KEYS = {"verdictCode", "verdictTone", "deviceName", "passCount",
                                                           "warnCount",   "failCount",   "checks",     "snapshot"};
  std::string_view snapshot;
  JsonReader reader(text);
  read_members(reader, KEYS, "the share input object", [&](std::size_t index) {
    switch (index) {
      case 0: input.report.verdictCode = read_text(reader); break;
      case 1: input.report.verdictTone = read_text(reader); break;
      case 2: input.report.deviceName = read_text(reader); break;
      case 3: input.report.passCount = read_count(reader); break;
      case 4: input.report.warnCount = read_count(reader); break;
      case 5: input.report.failCount = read_count(reader); break;
      case 6:
        reader.expect_kind(JsonKind::array, "an array of check rows");
        reader.begin_array();
        while (reader.next_element()) input.report.checks.push_back(read_row(reader));
        break;
      default: {
        reader.expect_kind(JsonKind::object, "the snapshot object");
        const std::size_t start = reader.offset();
        reader.skip_value();
        snapshot = text.substr(start, reader.offset() - start);
        break;
      }
    }
  });
  reader.expect_end();
  return snapshot;
}

}  // namespace

std::variant<ShareInput, std::string> read_share_input(std::string_view text) {
  ShareInput input;
  std::string_view snapshot_text;
  try {
    snapshot_text = read_input(text, input);
  } catch (const support::JsonError& error) {
    return std::string(error.what());
  }
  // The snapshot's text goes through the probe's own reader as it stands, so it
  // must hold the probe's 27 keys once each; its positions count from its "{".
  auto snapshot = engine::read_snapshot(snapshot_text);
  if (const auto* error = std::get_if<std::string>(&snapshot)) return "snapshot: " + *error + " of the snapshot";
  input.snapshot = std::get<engine::RawHardwareSnapshot>(std::move(snapshot));
  return input;
}

int run_share(std::span<char*> args) {
  if (!args.empty()) {
    std::fputs("usage: engine-harness share < INPUT\n", stderr);
    return 2;
  }
  const auto input = read_share_input(read_stdin());
  if (const auto* error = std::get_if<std::string>(&input)) {
    std::printf("err %s\n", error->c_str());
    return 1;
  }
  const ShareInput& in = std::get<ShareInput>(input);
  const std::string url = engine::build_share_url(in.report, in.snapshot);
  std::printf("%s\n", url.c_str());
  return 0;
}

}  // namespace bq::harness
