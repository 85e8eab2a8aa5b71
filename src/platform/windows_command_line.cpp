// The Windows command-line convention, as the C runtime's argument parser
// (and CommandLineToArgvW) undoes it. Pure text work, so it builds and is
// tested on every platform.

#include "platform/windows_command_line.hpp"

namespace bq::platform {
namespace {

void append_argument(std::string& line, const std::string& arg) {
  const bool quoted = arg.empty() || arg.find_first_of(" \t") != std::string::npos;
  if (quoted) line += '"';
  std::size_t backslashes = 0;
  for (const char c : arg) {
    if (c == '\\') {
      ++backslashes;
    } else if (c == '"') {
      // The parser reads 2n backslashes before a quote as n, and then needs
      // one more to take the quote literally.
      line.append(backslashes + 1, '\\');
      backslashes = 0;
    } else {
      backslashes = 0;
    }
    line += c;
  }
  if (quoted) {
    // Trailing backslashes would otherwise escape the closing quote.
    line.append(backslashes, '\\');
    line += '"';
  }
}

}  // namespace

std::string windows_command_line(const std::string& program, const std::vector<std::string>& args) {
  std::string line;
  line += '"';
  line += program;
  line += '"';
  for (const std::string& arg : args) {
    line += ' ';
    append_argument(line, arg);
  }
  return line;
}

std::optional<std::string> windows_start_command_line(std::string_view link) {
  for (const char c : link) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return std::nullopt;
    switch (c) {
      case '&':
      case '|':
      case '^':
      case '<':
      case '>':
      case '%':
      case '"': return std::nullopt;
      default: break;
    }
  }
  return windows_command_line("cmd.exe", {"/c", "start", "", std::string(link)});
}

}  // namespace bq::platform
