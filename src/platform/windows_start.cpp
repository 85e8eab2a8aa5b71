#include "platform/open_link.hpp"

#include "platform/process.hpp"

namespace bq::platform {

std::optional<std::string> windows_start_command_line(std::string_view link) {
  for (const char c : link) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return std::nullopt;
    switch (c) {
      case '&': case '|': case '^': case '<': case '>': case '%': case '"':
        return std::nullopt;
      default:
        break;
    }
  }
  return windows_command_line("cmd.exe", {"/c", "start", "", std::string(link)});
}

}  // namespace bq::platform
