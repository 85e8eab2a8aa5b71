#pragma once
// Child processes: one run with its output captured, and one start that is
// not waited for. Backends: process_posix.cpp, process_win32.cpp.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace bq::platform {

struct ChildOutput {
  std::uint32_t exitCode = 0;
  std::string out;  // every byte of standard output
  std::string err;  // every byte of standard error
};

// On POSIX systems a bare `program` is looked up on the PATH. On Windows it
// is the path of the file to run and no search is made (system_folder.hpp
// gives the system's programs); the command line, by windows_command_line,
// names it by its file name alone.

// Runs `program` with `args`, standard
// input the null device, standard output and standard error two pipes read
// at the same time until both end, then waits for it without a time limit.
// The environment and working folder are inherited. On a start failure the
// result is the launcher's description: "program not found", or the system's
// message for the error then " (os error N)".
// Blocks the calling thread; safe to call from several threads at once.
std::variant<ChildOutput, std::string> run_child(const std::string& program, const std::vector<std::string>& args);

// Starts `program` with `args` and does not wait for it; the child is reaped
// when it ends, so none is left behind as a zombie. No shell is involved. On
// Windows the child inherits no handle at all.
// Returns false when it could not be started. Safe to call from any thread.
bool start_detached(const std::string& program, const std::vector<std::string>& args);

}  // namespace bq::platform
