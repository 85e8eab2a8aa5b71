// engine-harness share: the share link of a report read from standard input,
// or one error line.

#include <stdexcept>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "common/test_files.hpp"
#include "engine/vendor.hpp"
#include "support/base64.hpp"
#include "support/json_writer.hpp"

namespace {

using bq::test::read_data_file;
using bq::test::read_data_line;

std::string link_prefix() { return std::string(bq::engine::CHECK_PAGE_URL) + "#report="; }

TEST(ShareHarness, PrintsTheLinkOfTheReadyMachine) {
  const bq::test::HarnessRun run = bq::test::run_harness({"share"}, read_data_file("share-ready-input.json"));
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(run.out, link_prefix() + bq::support::base64url_encode(read_data_line("share-ready-report.json")) + "\n");
}

TEST(ShareHarness, BadInputIsAnErrorLine) {
  const std::string good = bq::support::write_json(nlohmann::json::parse(read_data_file("share-ready-input.json")));
  const auto edit = [&](std::string_view from, std::string_view to) {
    std::string text = good;
    const std::size_t at = text.find(from);
    if (at == std::string::npos) throw std::runtime_error("fixture lacks " + std::string(from));
    return text.replace(at, from.size(), to);
  };
  struct Case {
    std::string input;
    std::string_view message;
  };
  const Case cases[] = {
      {"", "EOF while parsing a value"},
      {"[]", "invalid type: sequence, expected the share input object at line 1 column 1"},
      {good + "x", "trailing characters"},
      {edit("\"verdictCode\":\"READY\",", ""), "missing field `verdictCode`"},
      {edit("\"passCount\":7", "\"passCount\":-1"), "invalid value: `-1`, expected u64"},
      {edit("\"passCount\":7", "\"passCount\":7.0"), "invalid value: `7.0`, expected u64"},
      {edit("\"passCount\":7", "\"passCount\":\"7\""), "invalid type: string \"7\", expected u64"},
      {edit("\"passCount\":7", "\"passCount\":18446744073709551616"), "expected u64"},
      {edit("\"deviceName\":", "\"x\":1,\"deviceName\":"), "unknown field `x` at line 1 column "},
      {edit("\"deviceName\":", "\"verdictTone\":\"pass\",\"deviceName\":"), "duplicate field `verdictTone`"},
      {edit("\"checks\":[", "\"checks\":[1,"), "invalid type: integer `1`, expected a check row object"},
      {edit("\"checks\":[", "\"checks\":{"), "invalid type: map, expected an array of check rows"},
      {edit("\"detail\":", "\"x\":null,\"detail\":"), "unknown field `x`"},
      {edit("\"status\":\"pass\",", ""), "missing field `status`"},
      {edit("\"snapshot\":{", "\"snapshot\":{\"tpmReady\":true,"), "snapshot: duplicate field `tpmReady`"},
      {edit("\"tpmReady\":true,", ""), "snapshot: missing field `tpmReady` at line 1 column 616 of the snapshot\n"},
      {edit("\"ramGb\":16", "\"ramGb\":\"16\""), "snapshot: invalid type: string \"16\", expected f64"},
      {edit("\"snapshot\":{", "\"snapshot\":[{"), "invalid type: sequence, expected the snapshot object"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input.substr(0, 80));
    const bq::test::HarnessRun run = bq::test::run_harness({"share"}, c.input);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.starts_with("err ")) << run.out;
    EXPECT_NE(run.out.find(c.message), std::string::npos) << run.out;
    EXPECT_TRUE(run.out.ends_with("\n"));
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << run.out;
  }
}

TEST(ShareHarness, TakesNoArguments) {
  EXPECT_EQ(bq::test::run_harness({"share", "x"}, read_data_file("share-ready-input.json")).status, 2);
}

}  // namespace
