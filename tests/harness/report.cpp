// engine-harness report: reads a probe record (the probe script's output) from
// standard input and prints the report's JSON text as the page receives it,
// or "err " and the reader's message.

#include <cstdio>

#include "engine/report.hpp"
#include "harness.hpp"
#include "support/json_writer.hpp"

namespace bq::harness {

int run_report(std::span<char*> args) {
  if (!args.empty()) {
    std::fputs("usage: engine-harness report < SNAPSHOT.json\n", stderr);
    return 2;
  }
  auto read = engine::read_snapshot(read_stdin());
  if (auto* message = std::get_if<std::string>(&read)) {
    std::printf("err %s\n", message->c_str());
    return 1;
  }
  const std::string text =
      support::write_json(engine::report_to_json(engine::evaluate_snapshot(std::get<engine::RawHardwareSnapshot>(read))));
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  return 0;
}

}  // namespace bq::harness
