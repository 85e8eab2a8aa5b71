// How long the probe takes on this machine, from the child's start to the
// record: run with no arguments and read the _median row.

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "common/test_paths.hpp"
#include "engine/probe.hpp"

namespace {

void probe_this_machine(benchmark::State& state) {
  for (auto _ : state) {
    auto result = bq::engine::probe_hardware();
    if (!std::holds_alternative<bq::engine::RawHardwareSnapshot>(result)) {
      state.SkipWithError(std::get<std::string>(result).c_str());
      return;
    }
    benchmark::DoNotOptimize(result);
  }
}
// The child runs in another process: wall-clock time is what counts.
BENCHMARK(probe_this_machine)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(15)->ReportAggregatesOnly();

// Reading alone, without the child: the fixed cost of steps 5 to 9.
void read_output(benchmark::State& state) {
  std::ifstream in(std::string(bq::test::TEST_DATA_DIR) + "/snapshot-ready.json", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  bq::platform::ChildOutput child;
  child.out = "\xEF\xBB\xBFWARNING: stray line\r\n" + text.str();
  for (auto _ : state) {
    auto result = bq::engine::read_probe_output(child);
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(read_output)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
