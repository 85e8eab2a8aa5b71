#include "gui/win32/text.hpp"

#include <fmt/format.h>

namespace bq::gui {

std::wstring utf16_from_utf8(std::string_view text) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string system_error_text(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string message;
  if (length > 0) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    message.resize(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(length), message.data(), size, nullptr, nullptr);
  }
  LocalFree(buffer);
  // The system ends its messages with a line break.
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
    message.pop_back();
  }
  if (message.empty()) message = "unknown error";
  return fmt::format("{} (os error {})", message, error);
}

}  // namespace bq::gui
