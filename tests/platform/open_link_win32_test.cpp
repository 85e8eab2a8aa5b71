#include "platform/open_link.hpp"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "common/system_folder_fakes.hpp"
#include "platform/process.hpp"

namespace {

class OpenLinkOnWindows : public bq::test::SystemFolderFakes {
 protected:
  // Wine starts its own cmd.exe, whatever file lies in the system folder,
  // unless WINEDLLOVERRIDES says cmd.exe=n (CTest sets it for these tests).
  // Its cmd.exe would hand the links to the machine's browser, so the fake
  // must be seen to run before any link is opened.
  void SetUp() override {
    SystemFolderFakes::SetUp();
    if (IsSkipped()) return;
    install("cmd.exe");
    const std::string cmd = bq::test::utf8(bq::test::system_folder() / "cmd.exe");
    (void)bq::platform::run_child(cmd, {"/c", "exit"}, 4096);
    ASSERT_EQ(starts().size(), 1u) << "wine ran its own cmd.exe: run with WINEDLLOVERRIDES=cmd.exe=n";
    forget_starts();
  }

  // The starts recorded once `count` have come, or after 20 s.
  std::vector<std::pair<std::string, std::string>> wait_for_starts(std::size_t count) const {
    auto found = starts();
    for (int i = 0; i < 2000 && found.size() < count; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      found = starts();
    }
    return found;
  }
};

TEST_F(OpenLinkOnWindows, TheSystemsCmdGetsTheLinkWholeAndAPlantedOneNothing) {
  plant("cmd.exe");
  // Refused links start nothing: had they started a child, it would be
  // recorded before the accepted links that follow.
  bq::platform::open_link("https://a/?x=1&calc.exe");
  bq::platform::open_link("https://a/%PATH%");
  const std::string links[] = {
      "https://brindlequay.vn/kiem-tra-cau-hinh-windows-11#report=eyJib290Ijo-_x",
      "https://brindlequay.vn/tìm kiếm?q=Tiếng Việt",
      "tel:0912345678",
  };
  const std::string lines[] = {
      R"("cmd.exe" /c start "" https://brindlequay.vn/kiem-tra-cau-hinh-windows-11#report=eyJib290Ijo-_x)",
      R"("cmd.exe" /c start "" "https://brindlequay.vn/tìm kiếm?q=Tiếng Việt")",
      R"("cmd.exe" /c start "" tel:0912345678)",
  };
  const std::string cmd = bq::test::utf8(bq::test::system_folder() / "cmd.exe");
  for (std::size_t i = 0; i < std::size(links); ++i) {
    bq::platform::open_link(links[i]);
    const auto starts = wait_for_starts(i + 1);
    ASSERT_EQ(starts.size(), i + 1) << links[i];
    EXPECT_EQ(starts[i].first, cmd);
    EXPECT_EQ(starts[i].second, lines[i]);
  }
}

TEST_F(OpenLinkOnWindows, WithoutCmdInTheSystemFolderAPlantedOneIsNotStarted) {
  take_out("cmd.exe");
  plant("cmd.exe");
  const std::size_t before = bq::test::open_handles();
  bq::platform::open_link("https://brindlequay.vn/missing");
  EXPECT_EQ(bq::test::open_handles(), before);
  // A later link, once the system folder has its cmd.exe again, is the only
  // start recorded: the planted one, had it been started, would be too.
  install("cmd.exe");
  bq::platform::open_link("https://brindlequay.vn/present");
  const auto starts = wait_for_starts(1);
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].second, R"("cmd.exe" /c start "" https://brindlequay.vn/present)");
}

}  // namespace
