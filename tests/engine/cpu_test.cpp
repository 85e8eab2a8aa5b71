#include "engine/cpu.hpp"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/test_files.hpp"
#include "support/json_writer.hpp"

namespace {

using bq::engine::classify_cpu;
using bq::engine::CpuAssessment;
using bq::engine::CpuOutcome;
using bq::engine::number_after;
using bq::engine::ryzen_model_number;

struct Case {
  int line = 0;
  std::string name;
  std::string outcome;
  std::string text;
};

std::string outcome_name(CpuOutcome outcome) {
  switch (outcome) {
    case CpuOutcome::pass: return "pass";
    case CpuOutcome::fail: return "fail";
    case CpuOutcome::warn: return "warn";
  }
  return "?";
}

std::string describe(const CpuAssessment& assessment) {
  return outcome_name(assessment.outcome) + ": " + assessment.text;
}

// The name column: \xHH is the byte HH, \\ a backslash.
std::string decode_name(std::string_view field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 1 < field.size() && field[i + 1] == '\\') {
      out += '\\';
      ++i;
    } else if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] == 'x') {
      out += static_cast<char>(std::stoi(std::string(field.substr(i + 2, 2)), nullptr, 16));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

std::vector<Case> load_cases() {
  std::istringstream in(bq::test::read_data_file("cpu-cases.tsv"));
  std::vector<Case> cases;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    const std::size_t first = line.find('\t');
    const std::size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
    if (second == std::string::npos) {
      ADD_FAILURE() << "cpu-cases.tsv:" << number << " needs three tab-separated fields";
      continue;
    }
    cases.push_back({number, decode_name(std::string_view(line).substr(0, first)),
                     line.substr(first + 1, second - first - 1), line.substr(second + 1)});
  }
  return cases;
}

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

TEST(CpuClassifier, EveryCaseOfTheTable) {
  const std::vector<Case> cases = load_cases();
  ASSERT_FALSE(cases.empty());
  for (const Case& c : cases) {
    const CpuAssessment got = classify_cpu(c.name);
    EXPECT_EQ(outcome_name(got.outcome), c.outcome) << "cpu-cases.tsv:" << c.line << " '" << c.name << "'";
    EXPECT_EQ(got.text, c.text) << "cpu-cases.tsv:" << c.line << " '" << c.name << "'";
  }
}

TEST(CpuClassifier, TheHarnessPrintsTheTableLineByLine) {
  std::string input;
  std::string expected;
  for (const Case& c : load_cases()) {
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

TEST(CpuClassifier, VeryLongNamesAreAssessedLikeTheirShortForm) {
  const std::string blanks(4096, ' ');
  for (const Case& c : load_cases()) {
    EXPECT_EQ(describe(classify_cpu(blanks + c.name + "\t" + blanks)), c.outcome + ": " + c.text)
        << "cpu-cases.tsv:" << c.line;
  }
  const std::string mebibyte(1 << 20, ' ');
  EXPECT_EQ(describe(classify_cpu(mebibyte + "AMD Ryzen 7 5800X" + mebibyte)),
            describe(classify_cpu("AMD Ryzen 7 5800X")));
  EXPECT_EQ(describe(classify_cpu("\n\r\nAMD Ryzen 7 5800X\n")), describe(classify_cpu("AMD Ryzen 7 5800X")));
  EXPECT_EQ(describe(classify_cpu("\n\n")), describe(classify_cpu("")));
  const std::string unknown = describe(classify_cpu("Apple M1"));
  EXPECT_EQ(describe(classify_cpu(std::string(1 << 20, 'x'))), unknown);
  EXPECT_EQ(describe(classify_cpu("Intel Core i7-" + std::string(1 << 20, '9'))), unknown);
  EXPECT_EQ(describe(classify_cpu("Intel Core i7-" + std::string(1 << 20, '0') + "8550U")),
            describe(classify_cpu("Intel Core i7-8550U")));
  EXPECT_EQ(describe(classify_cpu(std::string(1 << 20, '\xff'))), unknown);
}

TEST(CpuClassifier, NumberAfterTheFirstOccurrence) {
  struct NumberCase {
    const char* name;
    const char* token;
    std::optional<std::uint32_t> expected;
  };
  const NumberCase cases[] = {
      {"core i7-8550u", "i7-", 8550},
      {"core i7 - _-_ 8550u", "i7", 8550},
      {"i5-0800", "i5-", 800},
      {"i5-4294967295", "i5-", 4294967295u},
      {"i5-4294967296", "i5-", std::nullopt},
      {"i5-12345678901234567890", "i5-", std::nullopt},
      {"i5-", "i5-", std::nullopt},
      {"i5- x 9400", "i5-", std::nullopt},
      {"gold g6400", "g", std::nullopt},
      {"g6400 gold", "g", 6400},
      {"core i5-9400", "i7-", std::nullopt},
      {"", "g", std::nullopt},
      {"i5-\t9400", "i5-", std::nullopt},
  };
  for (const NumberCase& c : cases) EXPECT_EQ(number_after(c.name, c.token), c.expected) << c.name << " / " << c.token;
}

TEST(CpuClassifier, RyzenModelNumberIsTheFirstFourDigitToken) {
  struct ModelCase {
    const char* name;
    std::optional<std::uint32_t> expected;
  };
  const ModelCase cases[] = {
      {"amd ryzen 7 5800x3d", 5800},
      {"amd ryzen 9 7840hs w/ radeon 780m", 7840},
      {"ryzen 7 2700x eight-core", 2700},
      {"ryzen 780m 12345 0123 x2700 1700", 1700},
      {"ryzen 5 pro 2400ge", 2400},
      {"ryzen\xe2\x84\xa2 9999", 9999},
      {"ryzen 0999 10000", std::nullopt},
      {"", std::nullopt},
      {"----", std::nullopt},
  };
  for (const ModelCase& c : cases) EXPECT_EQ(ryzen_model_number(c.name), c.expected) << c.name;
}

}  // namespace
