#include "platform/temp_dir.hpp"

#include <windows.h>

#include "platform/wide_text_win32.hpp"

namespace bq::platform {

std::string temp_dir_path(std::string_view name) {
  // GetTempPathW: TMP, else TEMP, else USERPROFILE, else the Windows folder.
  std::wstring folder(MAX_PATH + 1, L'\0');
  DWORD length = ::GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  if (length > folder.size()) {
    folder.resize(length);
    length = ::GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  }
  folder.resize(length <= folder.size() ? length : 0);
  // The folder comes with a closing separator; the joined path has one.
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  std::string path = to_utf8(folder);
  path += '\\';
  path += name;
  return path;
}

}  // namespace bq::platform
