// engine-harness cpu: the classifier's table through the harness's standard
// streams, one JSON line per input line.

#include <string>

#include <gtest/gtest.h>

#include "common/cpu_cases.hpp"
#include "common/test_files.hpp"
#include "engine/cpu.hpp"
#include "support/json_writer.hpp"

namespace {

using bq::engine::classify_cpu;
using bq::engine::CpuAssessment;
using bq::test::load_cpu_cases;

// The standard output of `engine-harness cpu` with `input` on its standard input.
std::string run_harness(std::string_view input) {
  const bq::test::HarnessRun run = bq::test::run_harness({"cpu"}, input);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  return run.out;
}

std::string harness_line(const std::string& name, const std::string& outcome, const std::string& text) {
  return bq::support::write_json(nlohmann::json{{"name", name}, {"outcome", outcome}, {"text", text}}) + "\n";
}

TEST(CpuClassifier, TheHarnessPrintsTheTableLineByLine) {
  std::string input;
  std::string expected;
  for (const bq::test::CpuCase& c : load_cpu_cases()) {
    ASSERT_EQ(c.name.find('\n'), std::string::npos) << "cpu-cases.tsv:" << c.line << " would end the harness's line";
    input += c.name + "\n";
    expected += harness_line(c.name, c.outcome, c.text);
  }
  input.pop_back();  // the last line has no line feed and still counts
  EXPECT_EQ(run_harness(input), expected);
}

TEST(CpuClassifier, TheHarnessKeepsBlankLines) {
  const CpuAssessment empty = classify_cpu("");
  EXPECT_EQ(run_harness(""), "");
  EXPECT_EQ(run_harness("\n"), harness_line("", "warn", empty.text));
  EXPECT_EQ(run_harness("\n \n"), harness_line("", "warn", empty.text) + harness_line(" ", "warn", empty.text));
}

}  // namespace
