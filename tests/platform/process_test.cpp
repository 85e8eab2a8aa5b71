// The child-process contract on both platforms. What each platform runs for
// "a child that does X" is in children_posix.cpp and children_win32.cpp; the
// cases that one platform alone has are in process_posix_test.cpp and
// process_win32_test.cpp.

#include "platform/process.hpp"

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/environment.hpp"
#include "common/temp_dir.hpp"
#include "platform/children.hpp"

namespace {

using bq::platform::ChildOutput;
using bq::platform::run_child;
using bq::test::OnBrokenPipe;
using bq::test::open_os_handles;
using bq::test::ROOM;
using bq::test::run_ok;
using bq::test::start_error;
using bq::test::TempDir;
using bq::test::utf8_path;

TEST(RunChild, ReturnsBothStreamsAndTheExitCode) {
  const ChildOutput child = run_ok(bq::test::child_writes("to out", "to err", 3));
  EXPECT_EQ(child.out, "to out");
  EXPECT_EQ(child.err, "to err");
  EXPECT_EQ(child.exitCode, 3u);
}

TEST(RunChild, ArgumentsArriveAsGiven) {
  // Nothing a shell or the Windows command line would read into a character
  // changes an argument.
  const std::vector<std::string> args = {"",           "a b",       "$HOME",          "%PATH%",     "'\"",
                                         "*",          "tail\\",    "tail\\ space\\", "in\\\"side", "tab\there",
                                         "line\nfeed", "& | ^ < >", "\xC3\xA9",       "Tiếng Việt"};
  std::string expected;
  for (const std::string& arg : args) expected += "[" + arg + "]";
  EXPECT_EQ(run_ok(bq::test::child_echoes(args)).out, expected);
}

TEST(RunChild, StandardInputIsTheNullDevice) {
  // A read of standard input ends at once with nothing instead of waiting for a terminal.
  EXPECT_EQ(run_ok(bq::test::child_reads_its_input()).out, "read 0");
}

TEST(RunChild, EnvironmentAndWorkingFolderAreInherited) {
  TempDir dir;
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  // As the system now names it, with any link in the temporary folder's path resolved.
  const std::string now = utf8_path(std::filesystem::current_path());
  bq::test::set_environment("BQ_PROCESS_TEST", "inherited value");
  const ChildOutput child = run_ok(bq::test::child_shows_folder_and("BQ_PROCESS_TEST"));
  bq::test::unset_environment("BQ_PROCESS_TEST");
  std::filesystem::current_path(before);
  EXPECT_EQ(child.out, now + "\ninherited value");
}

TEST(RunChild, StartFailuresAreDescribed) {
  TempDir dir;
  EXPECT_EQ(start_error(utf8_path(dir.path() / "missing")), "program not found");
  EXPECT_EQ(start_error(utf8_path(dir.path() / "no folder" / "missing")), "program not found");
  EXPECT_EQ(start_error("bq-no-such-program-on-the-path"), "program not found");
  EXPECT_EQ(start_error(""), "program not found");
  for (const bq::test::NotAProgram& file : bq::test::not_programs(dir)) {
    EXPECT_THAT(start_error(file.path), file.description) << file.path;
  }
}

TEST(RunChild, LargeInterleavedOutputOnBothStreamsIsReadWhole) {
  // Each round writes four pipe buffers to one stream and then to the other:
  // a reader that waits for one stream to end before reading the other
  // deadlocks on the first round. The second stream carries every byte value.
  TempDir dir;
  std::string out_block(256 * 1024, '\0');
  std::string err_block(256 * 1024, '\0');
  for (std::size_t i = 0; i < out_block.size(); ++i) {
    out_block[i] = static_cast<char>('a' + i % 26);
    err_block[i] = static_cast<char>(i * 7 % 256);
  }
  const int rounds = 24;  // 6 MiB on each stream
  const ChildOutput result =
      run_ok(bq::test::child_talks(rounds, dir.write("out.bin", out_block), dir.write("err.bin", err_block)));
  ASSERT_EQ(result.out.size(), out_block.size() * rounds);
  ASSERT_EQ(result.err.size(), err_block.size() * rounds);
  for (int r = 0; r < rounds; ++r) {
    ASSERT_EQ(result.out.compare(r * out_block.size(), out_block.size(), out_block), 0) << "round " << r;
    ASSERT_EQ(result.err.compare(r * err_block.size(), err_block.size(), err_block), 0) << "round " << r;
  }
  EXPECT_EQ(result.exitCode, 7u);
}

TEST(RunChild, EndsWhenTheChildExitsThoughAProcessItLeftHoldsThePipes) {
  // The child leaves a sleeper behind that holds both pipes open, and exits
  // with its output still unread in the pipes: the call takes that output
  // and returns instead of waiting for the sleeper.
  TempDir dir;
  const std::string id_file = utf8_path(dir.path() / "sleeper");
  const ChildOutput child = run_ok(bq::test::child_leaves_a_sleeper(id_file));
  ASSERT_TRUE(bq::test::end_process(id_file));
  EXPECT_EQ(child.out, std::string(60 * 1024, 'x'));
  EXPECT_EQ(child.err, std::string(60 * 1024, 'x'));
  EXPECT_EQ(child.exitCode, 4u);
}

TEST(RunChild, ChildrenStartedAtTheSameTimeInheritNoPipeOfAnother) {
  // Each child lists the pipes it holds beyond its standard three: a pipe end
  // of a run on another thread would be one of them.
  const bq::test::PipeCheck pipes;
  std::vector<std::thread> threads;
  std::vector<std::string> leaks(8);
  for (std::size_t t = 0; t < leaks.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 15; ++i) {
        const bq::test::Command list = bq::test::child_lists_its_pipes();
        auto result = run_child(list.program, list.args, ROOM);
        if (auto* error = std::get_if<std::string>(&result)) {
          leaks[t] += *error + "\n";
        } else {
          leaks[t] += pipes.foreign(std::get<ChildOutput>(result).out);
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (const std::string& leak : leaks) EXPECT_EQ(leak, "");
}

TEST(StartDetached, ReportsAProgramThatCannotStart) {
  // The launcher's words, as run_child gives them.
  TempDir dir;
  const std::size_t before = open_os_handles();
  const auto bare = bq::platform::start_detached("bq-no-such-program-on-the-path", {});
  ASSERT_TRUE(std::holds_alternative<std::string>(bare));
  EXPECT_EQ(std::get<std::string>(bare), "program not found");
  const auto missing = bq::platform::start_detached(utf8_path(dir.path() / "missing"), {});
  ASSERT_TRUE(std::holds_alternative<std::string>(missing));
  EXPECT_EQ(std::get<std::string>(missing), "program not found");
  const auto nameless = bq::platform::start_detached("", {});
  ASSERT_TRUE(std::holds_alternative<std::string>(nameless));
  EXPECT_FALSE(std::get<std::string>(nameless).empty());
  EXPECT_EQ(open_os_handles(), before);
}

TEST(RunChild, OutputPastTheBoundEndsTheChild) {
  // `out` and `err` are what is kept: the first bytes of each stream, exactly
  // the bound over both once it is exceeded.
  TempDir dir;
  const std::string id_file = utf8_path(dir.path() / "flood");
  struct Case {
    std::string name;
    bq::test::Command child;
    std::size_t bound;
    bool exceeded;
    std::string out;
    std::string err;
  };
  const std::string os(5000, 'o');
  const std::string es(5000, 'e');
  const Case cases[] = {
      {"flood out", bq::test::child_floods("out", OnBrokenPipe::stops, id_file), 5000, true, os, ""},
      {"flood err", bq::test::child_floods("err", OnBrokenPipe::stops, id_file), 5000, true, "", es},
      // A child that would not stop for a broken pipe or a polite signal changes nothing.
      {"flood on out", bq::test::child_floods("out", OnBrokenPipe::writes_on, id_file), 5000, true, os, ""},
      {"flood on err", bq::test::child_floods("err", OnBrokenPipe::writes_on, id_file), 5000, true, "", es},
      // Exactly the bound is not past it, and the child's own exit code stands.
      {"abc de", bq::test::child_writes("abc", "de", 3), 5, false, "abc", "de"},
      {"abc def", bq::test::child_writes("abc", "def", 3), 5, true, "abc", "de"},
      {"nothing", bq::test::child_writes("", "", 3), 0, false, "", ""},
      {"a", bq::test::child_writes("a", "", 3), 0, true, "", ""},
  };
  run_ok(bq::test::child_writes("", "", 0));  // the first run's one-time allocations
  for (const Case& c : cases) {
    // Counted inside the trace: GoogleTest's first trace takes a handle of its own on Windows.
    SCOPED_TRACE(c.name);
    const std::size_t before = open_os_handles();
    const ChildOutput child = run_ok(c.child, c.bound);
    EXPECT_EQ(child.output_exceeded, c.exceeded);
    EXPECT_EQ(child.out, c.out);
    EXPECT_EQ(child.err, c.err);
    if (!c.exceeded) {
      EXPECT_EQ(child.exitCode, 3u);
    }
    if (c.name.starts_with("flood")) {
      // Ended and waited for before the call returned.
      EXPECT_TRUE(bq::test::has_ended(id_file));
      std::filesystem::remove(std::filesystem::path(std::u8string(id_file.begin(), id_file.end())));
    }
    EXPECT_EQ(bq::test::children_left(), "");
    EXPECT_EQ(open_os_handles(), before);
  }
}

TEST(RunChild, ABoundOfMegabytesOverBothStreamsEndsAnEndlessWriter) {
  // Both streams without end at full speed, as a runaway child writes.
  TempDir dir;
  const std::string id_file = utf8_path(dir.path() / "flood");
  const std::size_t bound = std::size_t{4} << 20;
  for (const OnBrokenPipe then : {OnBrokenPipe::stops, OnBrokenPipe::writes_on}) {
    SCOPED_TRACE(then == OnBrokenPipe::stops ? "stops" : "writes on");
    const std::size_t before = open_os_handles();
    const ChildOutput child = run_ok(bq::test::child_floods("both", then, id_file), bound);
    EXPECT_TRUE(child.output_exceeded);
    EXPECT_EQ(child.out.size() + child.err.size(), bound);
    EXPECT_EQ(child.out.find_first_not_of('o'), std::string::npos);
    EXPECT_EQ(child.err.find_first_not_of('e'), std::string::npos);
    EXPECT_TRUE(bq::test::has_ended(id_file));
    EXPECT_EQ(bq::test::children_left(), "");
    EXPECT_EQ(open_os_handles(), before);
  }
}

}  // namespace
