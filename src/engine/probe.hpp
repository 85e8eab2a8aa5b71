#pragma once
// The hardware probe: runs the probe script in a child process and reads the
// one JSON object it prints into RawHardwareSnapshot.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/snapshot.hpp"
#include "platform/process.hpp"
#include "support/result.hpp"

namespace bq::engine {

// The PowerShell probe script: UTF-8, line-feed line ends, beginning and
// ending with a line feed (kept in scripts/probe.ps1).
extern const std::string_view PROBE_SCRIPT;

// Makes PowerShell write its standard output in UTF-8 and hide its progress
// display; "{}" receives the script.
inline constexpr std::string_view PROBE_PRELUDE =
    "[Console]::OutputEncoding = [System.Text.Encoding]::UTF8; $ProgressPreference = 'SilentlyContinue'; {}";

// PROBE_PRELUDE with PROBE_SCRIPT in the place of "{}".
std::string probe_command_text();

// The arguments of powershell.exe for a -Command text, in order:
// -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command TEXT.
std::vector<std::string> powershell_arguments(std::string_view command_text);

// A program (as run_child takes it) and its arguments.
struct ProbeCommand {
  std::string program;
  std::vector<std::string> args;
};

// This platform's probe: powershell.exe with the probe script on Windows,
// /bin/sh -c with the POSIX stand-in script elsewhere.
ProbeCommand probe_command();

// The messages of a failed probe.
inline constexpr std::string_view CANNOT_START_PREFIX = "Không gọi được PowerShell: ";
inline constexpr std::string_view NO_DATA = "PowerShell không trả dữ liệu.";
inline constexpr std::string_view NO_JSON = "Không phân tích được dữ liệu JSON phần cứng.";
inline constexpr std::string_view READ_FAULT_PREFIX = "Lỗi đọc thông số phần cứng: ";

// The most bytes of the probe's output kept, over both streams together. The
// record is about 1 KB, and PowerShell's warnings and errors a few KB more;
// 16 MiB keeps megabytes of stray text around a real record readable, while a
// child that writes without end costs the worker no more than this.
inline constexpr std::size_t MAX_PROBE_OUTPUT_BYTES = std::size_t{16} << 20;

// The description after READ_FAULT_PREFIX for a child that wrote more than
// MAX_PROBE_OUTPUT_BYTES.
std::string output_too_long_description();

// Decides a finished child's outcome from its exit code and output alone:
// the record, or one of the failure messages. Never fails otherwise, whatever
// bytes the child wrote. A child ended for writing too much fails as a record
// that cannot be read, whatever it wrote first and whatever its exit code.
support::Result<RawHardwareSnapshot> read_probe_output(const platform::ChildOutput& child);

// Runs this platform's probe. Blocks the calling thread until the child has
// exited and both of its output pipes have ended, with no time limit. Keeps
// no state: calls on several threads run independent children.
support::Result<RawHardwareSnapshot> probe_hardware();

// The same with another command in place of the platform's (tests, the
// harness). Same thread contract.
support::Result<RawHardwareSnapshot> probe_hardware(const ProbeCommand& command);

}  // namespace bq::engine
