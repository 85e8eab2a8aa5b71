#include "platform/open_link.hpp"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "common/temp_dir.hpp"

namespace {

using bq::platform::windows_start_command_line;

TEST(WindowsStartCommandLine, QuotesLikeTheRestAndRefusesWhatTheInterpreterActsOn) {
  struct Case {
    std::string link;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"https://brindlequay.vn/windows", R"("cmd.exe" /c start "" https://brindlequay.vn/windows)"},
      {"tel:0912345678", R"("cmd.exe" /c start "" tel:0912345678)"},
      {"https://", R"("cmd.exe" /c start "" https://)"},
      {"https://a/b c", R"("cmd.exe" /c start "" "https://a/b c")"},
      {"https://a/\tb", std::nullopt},
      {"https://brindlequay.vn/kiem-tra-cau-hinh-windows-11#report=eyJib290Ijo-_x",
       R"("cmd.exe" /c start "" https://brindlequay.vn/kiem-tra-cau-hinh-windows-11#report=eyJib290Ijo-_x)"},
      {"https://a/?x=1&calc.exe", std::nullopt},
      {"https://a/|b", std::nullopt},
      {"https://a/^b", std::nullopt},
      {"https://a/<b", std::nullopt},
      {"https://a/>b", std::nullopt},
      {"https://a/%PATH%", std::nullopt},
      {"https://a/\"b", std::nullopt},
      {"https://a/\r\nb", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(windows_start_command_line(c.link), c.expected) << c.link;
}

TEST(OpenLink, HandsTheLinkToXdgOpenAsOneArgumentWithoutAShell) {
  const bq::test::TempDir dir;
  const std::string log = (dir.path() / "args").string();
  dir.write("bin/xdg-open", "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > '" + log + ".tmp' && mv '" + log + ".tmp' '" + log + "'\n",
            true);
  const char* old_path = std::getenv("PATH");
  const std::string saved = old_path ? old_path : "";
  ::setenv("PATH", ((dir.path() / "bin").string() + ":" + saved).c_str(), 1);

  const std::string link = "https://a/b c;$(touch " + (dir.path() / "ran").string() + ")`id`'\"";
  bq::platform::open_link(link);
  ::setenv("PATH", saved.c_str(), 1);

  std::string received;
  for (int i = 0; i < 500 && received.empty(); ++i) {  // bounded: at most 5 s
    std::ifstream in(log);
    std::stringstream buffer;
    buffer << in.rdbuf();
    received = buffer.str();
    if (received.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(received, "1|" + link + "|");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "ran"));
}

}  // namespace
