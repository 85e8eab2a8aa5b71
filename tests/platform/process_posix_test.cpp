// The child-process cases that only POSIX systems have: signals, the PATH,
// closed standard streams, descriptors and zombies.

#include "platform/process.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "common/temp_dir.hpp"
#include "platform/children.hpp"
#include "platform/fd_posix.hpp"

namespace {

using bq::platform::ChildOutput;
using bq::platform::run_child;
using bq::test::children_left;
using bq::test::ROOM;
using bq::test::run_ok;
using bq::test::start_error;
using bq::test::TempDir;

TEST(RunChild, ExitCodes) {
  struct Case {
    std::string script;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {"exit 0", 0},
      {"exit 1", 1},
      {"exit 255", 255},
      {"kill -TERM $$", 128 + 15},  // killed by a signal: 128 + its number
      {"kill -KILL $$", 128 + 9},
  };
  for (const Case& c : cases) EXPECT_EQ(run_ok("/bin/sh", {"-c", c.script}).exitCode, c.expected) << c.script;
}

TEST(RunChild, BareNamesAreLookedUpOnThePath) { EXPECT_EQ(run_ok("sh", {"-c", "echo found"}).out, "found\n"); }

TEST(RunChild, WorksWhenTheCallersStandardStreamsAreClosed) {
  // New pipes then take descriptors 0 to 2, where the child's own streams go.
  bq::platform::Fd saved[3];
  for (int fd = 0; fd < 3; ++fd) saved[fd].reset(::fcntl(fd, F_DUPFD_CLOEXEC, 10));
  for (int fd = 0; fd < 3; ++fd) ::close(fd);
  auto result = run_child("/bin/sh", {"-c", "cat; echo out; echo err >&2"}, ROOM);
  for (int fd = 0; fd < 3; ++fd) ::dup2(saved[fd].get(), fd);
  ASSERT_TRUE(std::holds_alternative<ChildOutput>(result)) << std::get<std::string>(result);
  EXPECT_EQ(std::get<ChildOutput>(result).out, "out\n");
  EXPECT_EQ(std::get<ChildOutput>(result).err, "err\n");
}

TEST(RunChild, LeavesNoDescriptorsBehind) {
  const std::size_t before = bq::test::open_os_handles();
  for (int i = 0; i < 20; ++i) {
    run_ok("/bin/sh", {"-c", "echo out; echo err >&2"});
    (void)start_error("bq-no-such-program-on-the-path");
  }
  EXPECT_EQ(bq::test::open_os_handles(), before);
}

TEST(StartDetached, StartsTheChildAndLeavesNoZombie) {
  TempDir dir;
  const std::string marker = (dir.path() / "ran").string();
  const auto started = bq::platform::start_detached("/bin/sh", {"-c", "echo yes > \"$1\"", "sh", marker});
  ASSERT_TRUE(std::holds_alternative<bq::support::Done>(started)) << std::get<std::string>(started);
  // Bounded waits: the child writes its marker, and its reaper collects it.
  for (int i = 0; i < 500 && !std::filesystem::exists(marker); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(std::filesystem::exists(marker));
  std::string children = children_left();
  for (int i = 0; i < 500 && !children.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    children = children_left();
  }
  EXPECT_EQ(children, "");
}

}  // namespace
