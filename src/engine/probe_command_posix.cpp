// The probe on POSIX systems: Windows PowerShell does not exist here, so a
// POSIX shell script reads the same facts from /proc, /sys and the like and
// prints the same one-line JSON object.

#include "engine/probe.hpp"

namespace bq::engine {

// scripts/probe-linux.sh, compiled in.
extern const std::string_view LINUX_PROBE_SCRIPT;

ProbeCommand probe_command() { return {"/bin/sh", {"-c", std::string(LINUX_PROBE_SCRIPT)}}; }

}  // namespace bq::engine
