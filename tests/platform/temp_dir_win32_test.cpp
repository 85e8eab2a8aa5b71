#include "platform/temp_dir.hpp"

#include <windows.h>

#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace {

std::optional<std::wstring> variable(const wchar_t* name) {
  std::wstring value(32768, L'\0');
  const DWORD length = ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
  if (length == 0) return std::nullopt;
  value.resize(length);
  return value;
}

TEST(TempDirPath, JoinsTheSystemsTemporaryFolderWithTheNameByOneSeparator) {
  // GetTempPathW takes TMP first.
  struct Case {
    const wchar_t* tmp;
    std::string expected;
  };
  const Case cases[] = {
      {L"C:\\Temp", "C:\\Temp\\BrindleQuayWin11Check_WebView2"},
      {L"C:\\Temp\\", "C:\\Temp\\BrindleQuayWin11Check_WebView2"},
      {L"C:\\", "C:\\BrindleQuayWin11Check_WebView2"},
      {L"C:\\Users\\Nguyễn Văn Đức\\AppData\\Local\\Temp",
       "C:\\Users\\Nguyễn Văn Đức\\AppData\\Local\\Temp\\BrindleQuayWin11Check_WebView2"},
  };
  const std::optional<std::wstring> saved = variable(L"TMP");
  for (const Case& c : cases) {
    ::SetEnvironmentVariableW(L"TMP", c.tmp);
    EXPECT_EQ(bq::platform::temp_dir_path("BrindleQuayWin11Check_WebView2"), c.expected);
  }
  ::SetEnvironmentVariableW(L"TMP", saved ? saved->c_str() : nullptr);
}

}  // namespace
