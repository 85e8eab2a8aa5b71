#include "engine/snapshot.hpp"

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "common/test_files.hpp"

#include "support/json_writer.hpp"

namespace {

using bq::engine::RawHardwareSnapshot;
using bq::engine::read_snapshot;

std::string fixture(const std::string& name) { return bq::test::read_data_line(name); }

// The ready fixture with one member's value replaced, removed (value "") or appended.
std::string with(std::string_view key, std::string_view value) {
  nlohmann::json object = nlohmann::json::parse(fixture("snapshot-ready.json"));
  std::string text = bq::support::write_json(object);
  const std::string needle = "\"" + std::string(key) + "\":";
  const std::size_t at = text.find(needle);
  if (at == std::string::npos) return text.substr(0, text.size() - 1) + "," + needle + std::string(value) + "}";
  std::size_t end = at + needle.size();
  int depth = 0;
  bool in_string = false;
  for (; end < text.size(); ++end) {
    const char c = text[end];
    if (in_string) {
      if (c == '\\') ++end;
      else if (c == '"') in_string = false;
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      ++depth;
    } else if ((c == ',' || c == '}') && depth == 0) {
      break;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  if (value.empty()) {
    const std::size_t from = text[at - 1] == ',' ? at - 1 : at;
    const std::size_t to = text[at - 1] == ',' ? end : end + 1;
    return text.erase(from, to - from);
  }
  return text.replace(at + needle.size(), end - at - needle.size(), value);
}

std::string outcome(const std::string& text) {
  auto result = read_snapshot(text);
  if (auto* error = std::get_if<std::string>(&result)) return *error;
  return "ok";
}

TEST(SnapshotReader, ReadsEveryFieldOfTheRecord) {
  const auto result = read_snapshot(fixture("snapshot-ready.json"));
  ASSERT_TRUE(std::holds_alternative<RawHardwareSnapshot>(result)) << std::get<std::string>(result);
  const auto& s = std::get<RawHardwareSnapshot>(result);
  EXPECT_TRUE(s.isAdmin);
  EXPECT_EQ(s.manufacturer, "Dell Inc.");
  EXPECT_EQ(s.cpuName, "Intel(R) Core(TM) i7-8650U CPU @ 1.90GHz");
  EXPECT_EQ(s.cpuCores, 4u);
  EXPECT_EQ(s.cpuMaxMhz, 2112u);
  EXPECT_EQ(s.ramGb, 16.0);
  EXPECT_EQ(s.diskTotalGb, 476.9);
  EXPECT_EQ(s.tpmSpecVersion, "2.0, 0, 1.38");
  EXPECT_EQ(s.screenHeight, 1080u);
  // Written back, the record is the same object.
  EXPECT_EQ(nlohmann::json::parse(bq::support::write_json(bq::engine::snapshot_to_json(s))),
            nlohmann::json::parse(fixture("snapshot-ready.json")));
}

TEST(SnapshotReader, FaultsAndTheirDescriptions) {
  struct Case {
    std::string text;
    std::string expected_prefix;  // the position suffix follows
  };
  const Case cases[] = {
      {with("tpmReady", "") , "missing field `tpmReady`"},
      {with("gpuName", ""), "missing field `gpuName`"},
      {with("isAdmin", ""), "missing field `isAdmin`"},
      {with("cpuName", "\"x\",\"cpuName\":\"y\""), "duplicate field `cpuName`"},
      {with("cpuCores", "4.0"), "invalid type: floating point `4.0`, expected u32"},
      {with("cpuCores", "4e0"), "invalid type: floating point `4.0`, expected u32"},
      {with("screenWidth", "4294967296"), "invalid value: integer `4294967296`, expected u32"},
      {with("screenWidth", "-1"), "invalid value: integer `-1`, expected u32"},
      {with("screenWidth", "99999999999999999999999"), "invalid value: integer `99999999999999999999999`, expected u32"},
      {with("osBuild", "22631"), "invalid type: integer `22631`, expected a string"},
      {with("gpuDriver", "null"), "invalid type: null, expected a string"},
      {with("isAdmin", "\"true\""), "invalid type: string \"true\", expected a boolean"},
      {with("isAdmin", "1"), "invalid type: integer `1`, expected a boolean"},
      {with("ramGb", "\"16\""), "invalid type: string \"16\", expected f64"},
      {with("ramGb", "[16]"), "invalid type: sequence, expected f64"},
      {with("model", "{}"), "invalid type: map, expected a string"},
      {with("tpmPresent", "false") + "\nmore", "trailing characters"},
      {with("tpmPresent", "false") + "{}", "trailing characters"},
      {"[1]", "invalid type: sequence, expected struct RawHardwareSnapshot"},
      {"{\"isAdmin\":tru}", "expected ident"},
      {"{\"isAdmin\":true", "EOF while parsing an object"},
  };
  for (const Case& c : cases) {
    const std::string result = outcome(c.text);
    EXPECT_EQ(result.substr(0, c.expected_prefix.size()), c.expected_prefix) << result;
    EXPECT_NE(result.find(" at line "), std::string::npos) << result;
  }
}

TEST(SnapshotReader, AcceptsWhatTheRulesAllow) {
  const std::string accepted[] = {
      with("ramGb", "16"),                                  // an integer for a double
      with("ramGb", "1.6e1"),
      with("IsAdmin", "null"),                              // not one of the 27: skipped
      with("extra", R"({"a":[1,null,{"b":[]}],"c":"\ud800"})"),  // skipped whatever it holds
      with("cpuCores", "4294967295"),
      with("cpuCores", "0"),
      with("manufacturer", "\"\""),
      with("tpmPresent", "false") + " \r\n\t",
  };
  for (const std::string& text : accepted) EXPECT_EQ(outcome(text), "ok") << text;

  const auto result = read_snapshot(with("ramGb", "16"));
  EXPECT_EQ(std::get<RawHardwareSnapshot>(result).ramGb, 16.0);
}

TEST(SnapshotReader, TextsAreKeptAsRead) {
  const auto result = read_snapshot(with("manufacturer", "\"  A\\u00e9\\\"b\xFF\""));
  ASSERT_TRUE(std::holds_alternative<RawHardwareSnapshot>(result));
  EXPECT_EQ(std::get<RawHardwareSnapshot>(result).manufacturer, "  A\xC3\xA9\"b\xEF\xBF\xBD");
}

TEST(SnapshotReader, MissingFieldWinsOverNothingElse) {
  // The missing key is found only after the whole object has been read.
  EXPECT_EQ(outcome("{}"), "missing field `isAdmin` at line 1 column 3");
}

}  // namespace
