#pragma once
// What the launcher's tests run and ask of the system, one backend per
// platform: children_posix.cpp (/bin/sh and the system's tools) and
// children_win32.cpp (the test child program child_win32.cpp, built beside
// the suite). A child that writes its id to a file lets the test find it
// again, as a sleeper it left behind or as one that had to be ended.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/temp_dir.hpp"
#include "platform/process.hpp"

namespace bq::test {

// More than any child of these tests writes, where the bound is not the point.
inline constexpr std::size_t ROOM = std::size_t{64} << 20;

struct Command {
  std::string program;
  std::vector<std::string> args;
};

inline platform::ChildOutput run_ok(const std::string& program, const std::vector<std::string>& args,
                                    std::size_t bound = ROOM) {
  auto result = platform::run_child(program, args, bound);
  if (auto* error = std::get_if<std::string>(&result)) {
    ADD_FAILURE() << program << ": " << *error;
    return {};
  }
  return std::get<platform::ChildOutput>(result);
}

inline platform::ChildOutput run_ok(const Command& command, std::size_t bound = ROOM) {
  return run_ok(command.program, command.args, bound);
}

// The launcher's description of why `program` did not start.
inline std::string start_error(const std::string& program) {
  auto result = platform::run_child(program, {}, ROOM);
  if (auto* error = std::get_if<std::string>(&result)) return *error;
  return "started, exit code " + std::to_string(std::get<platform::ChildOutput>(result).exitCode);
}

// Writes `out` and `err` to its two streams and exits with `code`.
Command child_writes(const std::string& out, const std::string& err, std::uint32_t code);
// Writes each of `args` as [ARG].
Command child_echoes(const std::vector<std::string>& args);
// Reads standard input to its end, then writes "read N" for the N bytes it got.
Command child_reads_its_input();
// Writes its working folder, a line feed and the value of the variable `name`.
Command child_shows_folder_and(const std::string& name);
// Writes the file `out_file` to standard output, then `err_file` to standard
// error, `rounds` times, and exits with 7.
Command child_talks(int rounds, const std::string& out_file, const std::string& err_file);
// Starts a sleeper that inherits both streams, writes its id to `id_file`,
// then 60 KiB of 'x' to each stream, and exits with 4.
Command child_leaves_a_sleeper(const std::string& id_file);

// What a flooding child does once its reader has gone.
enum class OnBrokenPipe { stops, writes_on };
// Writes its id to `id_file`, then without end 'o' to standard output
// ("out"), 'e' to standard error ("err"), or both at once ("both"). One that
// writes on ignores every signal it can, so only being ended stops it.
Command child_floods(const std::string& streams, OnBrokenPipe then, const std::string& id_file);

// Lists the pipes it holds beyond its standard three.
Command child_lists_its_pipes();
// Tells the pipes of such a listing that the child should not hold from those
// this process already had when the check began (POSIX: inherited without
// close-on-exec, not ours). Made before any child runs.
class PipeCheck {
 public:
  PipeCheck();
  // The listing's lines (or count) of pipes held that are not allowed; empty
  // when there are none.
  std::string foreign(const std::string& listing) const;

 private:
  std::set<std::string> inherited_;
};

// Files that are no program, each with what the launcher says of it.
struct NotAProgram {
  std::string path;
  testing::Matcher<const std::string&> description;
};
std::vector<NotAProgram> not_programs(const TempDir& dir);

// Ends the process whose id `id_file` holds and waits for it (at most 10 s);
// false when the file names none.
bool end_process(const std::string& id_file);
// Whether the child whose id `id_file` holds has ended and was waited for.
bool has_ended(const std::string& id_file);
// The children of this process that the system still knows, one line each;
// empty when none is left.
std::string children_left();
// The descriptors (POSIX) or handles (Windows) that this process holds.
std::size_t open_os_handles();

}  // namespace bq::test
