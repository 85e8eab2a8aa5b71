#pragma once
// Subcommands of engine-harness. Each takes the arguments after its name and
// returns the process exit status (0 done, 1 the case failed, 2 bad usage).

#include <span>
#include <string>

namespace bq::harness {

// All of standard input, as bytes.
std::string read_stdin();

// lead --endpoint URL --cacert FILE | lead --dry-run (payload on standard input)
int run_lead(std::span<char*> args);

}  // namespace bq::harness
