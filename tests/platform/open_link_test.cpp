#include "platform/open_link.hpp"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
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

}  // namespace
