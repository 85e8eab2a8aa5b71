#pragma once
// The two ways the process ends: a fatal error and the normal end when the
// window is closed. Neither runs destructors or exit handlers, so nothing that
// a still-running worker thread uses is torn down under it.

#include <string_view>

namespace bq::shell {

// Writes `text` and a line break to standard error, then ends the process by
// the platform's fail-fast.
// Safe to call from any thread.
[[noreturn]] void fatal_error(std::string_view text);

// Flushes standard output and standard error, then ends the process at once
// with `status`. Safe to call from any thread.
[[noreturn]] void end_process(int status);

}  // namespace bq::shell
