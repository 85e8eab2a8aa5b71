#include "engine/cpu.hpp"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/cpu_cases.hpp"
#include "support/json_writer.hpp"

namespace {

using bq::engine::classify_cpu;
using bq::engine::CpuAssessment;
using bq::engine::CpuOutcome;
using bq::engine::number_after;
using bq::engine::ryzen_model_number;
using bq::test::load_cpu_cases;
using bq::test::outcome_name;

std::string describe(const CpuAssessment& assessment) {
  return outcome_name(assessment.outcome) + ": " + assessment.text;
}

TEST(CpuClassifier, EveryCaseOfTheTable) {
  const std::vector<bq::test::CpuCase> cases = load_cpu_cases();
  ASSERT_FALSE(cases.empty());
  for (const bq::test::CpuCase& c : cases) {
    const CpuAssessment got = classify_cpu(c.name);
    EXPECT_EQ(outcome_name(got.outcome), c.outcome) << "cpu-cases.tsv:" << c.line << " '" << c.name << "'";
    EXPECT_EQ(got.text, c.text) << "cpu-cases.tsv:" << c.line << " '" << c.name << "'";
  }
}

TEST(CpuClassifier, VeryLongNamesAreAssessedLikeTheirShortForm) {
  const std::string blanks(4096, ' ');
  for (const bq::test::CpuCase& c : load_cpu_cases()) {
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
