#include "platform/temp_dir.hpp"

#include <cstdlib>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace {

TEST(TempDirPath, JoinsTmpdirOrTmpWithTheNameByOneSeparator) {
  struct Case {
    std::optional<std::string> tmpdir;  // nullopt: unset
    std::string expected;
  };
  const Case cases[] = {
      {std::nullopt, "/tmp/BrindleQuayWin11Check_WebView2"},
      {"", "/tmp/BrindleQuayWin11Check_WebView2"},
      {"/var/tmp", "/var/tmp/BrindleQuayWin11Check_WebView2"},
      {"/var/tmp/", "/var/tmp/BrindleQuayWin11Check_WebView2"},
      {"/var/tmp//", "/var/tmp/BrindleQuayWin11Check_WebView2"},
      {"/", "/BrindleQuayWin11Check_WebView2"},
      {"/thư mục tạm", "/thư mục tạm/BrindleQuayWin11Check_WebView2"},
  };
  const char* saved = std::getenv("TMPDIR");
  const std::optional<std::string> restore = saved ? std::optional<std::string>(saved) : std::nullopt;
  for (const Case& c : cases) {
    if (c.tmpdir) {
      ::setenv("TMPDIR", c.tmpdir->c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
    EXPECT_EQ(bq::platform::temp_dir_path("BrindleQuayWin11Check_WebView2"), c.expected)
        << c.tmpdir.value_or("(unset)");
  }
  if (restore) {
    ::setenv("TMPDIR", restore->c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
}

}  // namespace
