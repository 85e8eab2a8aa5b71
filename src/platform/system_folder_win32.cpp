#include "platform/system_folder.hpp"

#include <windows.h>

#include "platform/wide_text_win32.hpp"

namespace bq::platform {

std::string system_program_path(std::string_view relative) {
  std::wstring folder(MAX_PATH, L'\0');
  UINT length = ::GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
  if (length >= folder.size()) {
    // Too small: the result is the size needed, the terminating null included.
    folder.resize(length);
    length = ::GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (length >= folder.size()) return {};
  }
  if (length == 0) return {};
  folder.resize(length);
  if (folder.back() != L'\\') folder += L'\\';
  return to_utf8(folder) + std::string(relative);
}

}  // namespace bq::platform
