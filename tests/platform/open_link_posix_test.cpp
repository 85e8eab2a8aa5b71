#include "platform/open_link.hpp"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "common/temp_dir.hpp"

namespace {

TEST(OpenLink, HandsTheLinkToXdgOpenAsOneArgumentWithoutAShell) {
  const bq::test::TempDir dir;
  const std::string log = (dir.path() / "args").string();
  dir.write("bin/xdg-open",
            "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > '" + log + ".tmp' && mv '" + log + ".tmp' '" + log + "'\n", true);
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

TEST(OpenLink, LinksHoldingControlCharactersAreNotOpened) {
  // Each start of the fake xdg-open adds a line; a link that would be cut at
  // its NUL shows up as the part before it. The last link is opened, and once
  // its line is there the refused ones, asked for first, would be too.
  const bq::test::TempDir dir;
  const std::string log = (dir.path() / "opened").string();
  dir.write("bin/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + log + "'\n", true);
  const char* old_path = std::getenv("PATH");
  const std::string saved = old_path ? old_path : "";
  ::setenv("PATH", ((dir.path() / "bin").string() + ":" + saved).c_str(), 1);

  using namespace std::string_literals;
  for (const std::string& refused :
       {"https://x.invalid/\0evil"s, "https://x.invalid/\nevil"s, "https://x.invalid/\r"s, "https://x.invalid/\tb"s,
        "https://x.invalid/\x1f"s, "https://x.invalid/\x7f"s, "\0"s}) {
    bq::platform::open_link(refused);
  }
  const std::string accepted = "https://x.invalid/\xC3\xA9?a=1 b";  // bytes above 0x7F and blanks are fine
  bq::platform::open_link(accepted);
  ::setenv("PATH", saved.c_str(), 1);

  std::string received;
  for (int i = 0; i < 500 && received.find(accepted) == std::string::npos; ++i) {  // bounded: at most 5 s
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(log);
    std::stringstream buffer;
    buffer << in.rdbuf();
    received = buffer.str();
  }
  EXPECT_EQ(received, accepted + "\n");
}

TEST(HoldsControlCharacter, EveryByteBelowBlankAndDelete) {
  for (int byte = 0; byte < 256; ++byte) {
    const std::string link = "https://a/" + std::string(1, static_cast<char>(byte)) + "b";
    EXPECT_EQ(bq::platform::holds_control_character(link), byte < 0x20 || byte == 0x7F) << byte;
  }
  EXPECT_FALSE(bq::platform::holds_control_character(""));
  // U+0085 in UTF-8: none of its bytes ends a C string or a command line.
  EXPECT_FALSE(bq::platform::holds_control_character("https://x.invalid/\xC2\x85"));
}

}  // namespace
