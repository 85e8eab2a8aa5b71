#pragma once
// The Windows command-line rules as pure text work, so that they build and
// are tested on every platform.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bq::platform {

// The Windows command line for `program` and `args` by the convention that
// the child's argument parsing undoes: the program name in double quotes,
// then each argument after one blank; an empty argument or one holding a
// blank or tab is quoted, an inner quote gets a backslash (the backslashes
// before it doubled), and backslashes before a closing quote are doubled.
// Pure: safe on any thread.
std::string windows_command_line(const std::string& program, const std::vector<std::string>& args);

// The command line that has the Windows command interpreter's `start` open
// `link`: "cmd.exe" /c start "" LINK, quoted by windows_command_line. The
// interpreter acts on & | ^ < > % and the double quote before `start` sees
// the link, and on line breaks, so a link holding any of them, or any other
// control character, gets nullopt and is not opened. Pure: safe on any thread.
std::optional<std::string> windows_start_command_line(std::string_view link);

}  // namespace bq::platform
