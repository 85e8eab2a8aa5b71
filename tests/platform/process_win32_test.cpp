// The child-process cases that only Windows has: exit codes of 32 bits,
// handles, and a detached child that keeps none.

#include <windows.h>

#include <chrono>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "common/temp_dir.hpp"
#include "common/windows_test.hpp"
#include "platform/children.hpp"
#include "platform/process.hpp"

namespace {

using bq::platform::ChildOutput;
using bq::platform::run_child;
using bq::test::child_writes;
using bq::test::open_handles;
using bq::test::ROOM;
using bq::test::run_ok;
using bq::test::start_error;

TEST(RunChild, ExitCodesAreUnsigned32Bit) {
  for (const std::uint32_t code : {0u, 1u, 255u, 256u, 0xC0000005u, 0xFFFFFFFFu}) {
    EXPECT_EQ(run_ok(child_writes("", "", code)).exitCode, code);
  }
}

TEST(RunChild, LeavesNoHandlesBehind) {
  // A child that writes nothing at all, one that cannot start, and an
  // ordinary one: every handle of every run is closed again.
  run_ok(child_writes("", "", 0));  // the first run's one-time allocations
  const std::string missing = bq::test::beside_this_program("bq-test-child.exe.missing");
  const std::size_t before = open_handles();
  for (int i = 0; i < 20; ++i) {
    const ChildOutput silent = run_ok(child_writes("", "", 1));
    EXPECT_EQ(silent.out, "");
    EXPECT_EQ(silent.err, "");
    EXPECT_EQ(silent.exitCode, 1u);
    EXPECT_EQ(start_error(missing), "program not found");
    run_ok(child_writes("out", "err", 0));
  }
  EXPECT_EQ(open_handles(), before);
}

TEST(StartDetached, StartsTheChildAndKeepsNoHandleOfIt) {
  const bq::test::TempDir dir;
  const std::string id_file = bq::test::utf8_path(dir.path() / "sleeper");
  const std::size_t before = open_handles();
  // The child starts a sleeper, which shows it ran; the sleeper is then ended.
  const bq::test::Command leave = bq::test::child_leaves_a_sleeper(id_file);
  const auto started = bq::platform::start_detached(leave.program, leave.args);
  ASSERT_TRUE(std::holds_alternative<bq::support::Done>(started)) << std::get<std::string>(started);
  EXPECT_EQ(open_handles(), before);
  DWORD sleeper = 0;
  for (int i = 0; i < 1000 && sleeper == 0; ++i) {  // bounded: at most 10 s
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream id_in(dir.path() / "sleeper");
    id_in >> sleeper;
  }
  ASSERT_NE(sleeper, 0u);
  EXPECT_TRUE(bq::test::end_process(id_file));
}

}  // namespace
