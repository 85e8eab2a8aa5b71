#pragma once
// Subcommands of engine-harness. Each takes the arguments after its name and
// returns the process exit status (0 done, 1 the case failed, 2 bad usage).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/checks.hpp"
#include "engine/report.hpp"
#include "engine/snapshot.hpp"

namespace bq::harness {

// All of standard input, as bytes.
std::string read_stdin();

// The bytes of the file at `path`, or nullopt when it cannot be read.
std::optional<std::string> read_file(const char* path);

// cpu < NAMES: one processor name per line of standard input; prints for each
// {"name":…,"outcome":"pass|fail|warn","text":…} on a line of its own.
int run_cpu(std::span<char*> args);

// lead --endpoint URL --cacert FILE | lead --dry-run (payload on standard input)
int run_lead(std::span<char*> args);

// probe [-- PROGRAM ARGS...]: runs the probe, with that command in place of
// this platform's; prints "ok " and the record as compact JSON, or "err " and
// the message, and exits 0 either way.
int run_probe(std::span<char*> args);

// products CODE: the four cards for the verdict code as a compact JSON array.
int run_products(std::span<char*> args);

// The arguments of build_share_url, as `share` reads them. Of the report only
// the fields that the link carries are read; the others keep their defaults.
struct ShareInput {
  engine::HardwareReport report;
  engine::RawHardwareSnapshot snapshot;
};

// Reads {"verdictCode":…,"verdictTone":…,"deviceName":…,"passCount":…,
// "warnCount":…,"failCount":…,"checks":[rows],"snapshot":{…}}: every member
// required once, rows with the seven CheckRow keys, the snapshot in the
// probe's 27-key form. On a fault, its description with its position.
std::variant<ShareInput, std::string> read_share_input(std::string_view text);

// report < SNAPSHOT: the report's JSON text for a probe record, as the page
// receives it, or "err " and the reader's message.
int run_report(std::span<char*> args);

// request [options] < LINES: page request texts through the bridge's worker,
// each reply script on a line of its own (see request.cpp for the options).
int run_request(std::span<char*> args);

// share < INPUT: the share link of the report summary on standard input.
int run_share(std::span<char*> args);

}  // namespace bq::harness
