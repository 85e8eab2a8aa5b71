#include "platform/wide_text_win32.hpp"

#include <windows.h>

#include <cstdint>

#include <fmt/format.h>

namespace bq::platform {

std::wstring to_wide(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::string to_utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

std::string system_message(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring message = length > 0 ? std::wstring(buffer, length) : L"Unknown error";
  ::LocalFree(buffer);
  // Some messages have a blank before their closing line break.
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
    message.pop_back();
  return to_utf8(message);
}

std::string hresult_message(long code) {
  const auto bits = static_cast<std::uint32_t>(code);
  const unsigned long message_code = HRESULT_FACILITY(code) == FACILITY_WIN32 ? HRESULT_CODE(code) : bits;
  return fmt::format("{} (0x{:08X})", system_message(message_code), bits);
}

}  // namespace bq::platform
