// engine-harness cpu: classifies one processor name per line of standard input.

#include <cstdio>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "engine/cpu.hpp"
#include "harness.hpp"
#include "support/json_writer.hpp"

namespace bq::harness {

namespace {

std::string_view outcome_name(engine::CpuOutcome outcome) {
  switch (outcome) {
    case engine::CpuOutcome::pass: return "pass";
    case engine::CpuOutcome::fail: return "fail";
    case engine::CpuOutcome::warn: return "warn";
  }
  return "warn";
}

}  // namespace

int run_cpu(std::span<char*> args) {
  if (!args.empty()) return 2;
  const std::string input = read_stdin();
  std::string out;
  // Every line feed ends a line; text after the last one is a line too.
  std::size_t start = 0;
  while (start < input.size()) {
    std::size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    const std::string_view name = std::string_view(input).substr(start, end - start);
    const engine::CpuAssessment assessment = engine::classify_cpu(name);
    nlohmann::json line{{"name", name}, {"outcome", outcome_name(assessment.outcome)}, {"text", assessment.text}};
    out += support::write_json(line);
    out += '\n';
    start = end + 1;
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace bq::harness
