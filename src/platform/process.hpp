#pragma once
// Child processes: one run with its output captured, and one start that is
// not waited for. Backends: process_posix.cpp, process_win32.cpp.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "support/result.hpp"

namespace bq::platform {

struct ChildOutput {
  std::uint32_t exitCode = 0;
  std::string out;  // every byte of standard output, up to the bound
  std::string err;  // every byte of standard error, up to the bound
  // The child wrote more than the bound and was ended for it: `out` and `err`
  // are then only the first bytes it wrote, and `exitCode` is that of a
  // killed process, which says nothing of the child's own outcome.
  bool output_exceeded = false;
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
// message for the error with its code, "MESSAGE (os error N)" (os_error.hpp).
//
// At most `max_output_bytes` are kept, counted over both streams together, so
// a child that writes without end cannot grow the caller's memory without
// end. Once a read brings the total past the bound, every backend does the
// same: it keeps the bytes that still fit (out.size() + err.size() is then
// exactly the bound), stops reading, ends the child at once (SIGKILL;
// TerminateProcess on Windows; the child's own children are not looked
// for), closes its ends of both pipes, still waits for the child so that
// nothing is left behind (no zombie, no handle), and returns the output with
// `output_exceeded` set. A child that writes exactly the bound and ends is
// not ended early: the bound is only exceeded by a byte beyond it.
// Blocks the calling thread; safe to call from several threads at once.
support::Result<ChildOutput> run_child(const std::string& program, const std::vector<std::string>& args,
                                       std::size_t max_output_bytes);

// Starts `program` with `args` and does not wait for it; the child is reaped
// when it ends, so none is left behind as a zombie. No shell is involved. On
// Windows the child inherits no handle at all.
// When it could not be started, the result is the launcher's description, as
// run_child gives it. Safe to call from any thread.
support::Result<support::Done> start_detached(const std::string& program, const std::vector<std::string>& args);

}  // namespace bq::platform
