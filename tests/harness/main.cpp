// engine-harness: runs engine cases from the shell, so that tables of cases
// can live in data files. Usage: engine-harness SUBCOMMAND ARGS...

#include <cstdio>
#include <span>
#include <string_view>
#include <vector>

#include "harness.hpp"

namespace {

struct Subcommand {
  std::string_view name;
  int (*run)(std::span<char*> args);
  std::string_view usage;
};

const std::vector<Subcommand> SUBCOMMANDS = {
    {"cpu", bq::harness::run_cpu, "cpu < NAMES"},
    {"lead", bq::harness::run_lead, "lead --endpoint URL --cacert FILE | lead --dry-run  (payload JSON on stdin)"},
    {"probe", bq::harness::run_probe, "probe [-- PROGRAM ARGS...]"},
    {"products", bq::harness::run_products, "products CODE"},
    {"report", bq::harness::run_report, "report < SNAPSHOT"},
    {"request", bq::harness::run_request, "request [--snapshot FILE | --probe-error MESSAGE | --probe -- PROGRAM ARGS...] [--lead-endpoint URL --cacert FILE] < LINES"},
    {"share", bq::harness::run_share, "share < INPUT"},
};

int usage() {
  std::fputs("usage: engine-harness SUBCOMMAND ARGS...\n", stderr);
  for (const auto& sub : SUBCOMMANDS)
    std::fprintf(stderr, "  %.*s\n", static_cast<int>(sub.usage.size()), sub.usage.data());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const std::string_view name = argv[1];
  for (const auto& sub : SUBCOMMANDS) {
    if (sub.name == name) return sub.run(std::span<char*>(argv + 2, static_cast<std::size_t>(argc - 2)));
  }
  return usage();
}
