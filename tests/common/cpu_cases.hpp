#pragma once
// The CPU classifier's table of cases (tests/data/cpu-cases.tsv): read by the
// classifier's own tests and by those of `engine-harness cpu`.

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "common/test_files.hpp"
#include "engine/cpu.hpp"

namespace bq::test {

struct CpuCase {
  int line = 0;
  std::string name;
  std::string outcome;
  std::string text;
};

inline std::string outcome_name(engine::CpuOutcome outcome) {
  switch (outcome) {
    case engine::CpuOutcome::pass: return "pass";
    case engine::CpuOutcome::fail: return "fail";
    case engine::CpuOutcome::warn: return "warn";
  }
  return "?";
}

// The name column: \xHH is the byte HH, \\ a backslash.
inline std::string decode_name(std::string_view field) {
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

inline std::vector<CpuCase> load_cpu_cases() {
  std::istringstream in(read_data_file("cpu-cases.tsv"));
  std::vector<CpuCase> cases;
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

}  // namespace bq::test
