// Evaluation of a snapshot into the report's JSON text, as each scan does it.

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "common/test_paths.hpp"
#include "engine/report.hpp"
#include "support/json_writer.hpp"

namespace {

bq::engine::RawHardwareSnapshot load(const char* name) {
  std::ifstream in(std::string(bq::test::TEST_DATA_DIR) + "/" + name, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return std::get<bq::engine::RawHardwareSnapshot>(bq::engine::read_snapshot(buffer.str()));
}

void evaluate_and_write(benchmark::State& state, const char* name) {
  const bq::engine::RawHardwareSnapshot snapshot = load(name);
  for (auto _ : state) {
    std::string text = bq::support::write_json(bq::engine::report_to_json(bq::engine::evaluate_snapshot(snapshot)));
    benchmark::DoNotOptimize(text);
  }
}

BENCHMARK_CAPTURE(evaluate_and_write, ready, "snapshot-ready.json");
BENCHMARK_CAPTURE(evaluate_and_write, needs_bios, "snapshot-needs-bios.json");
BENCHMARK_CAPTURE(evaluate_and_write, not_ready, "snapshot-not-ready.json");

}  // namespace

BENCHMARK_MAIN();
