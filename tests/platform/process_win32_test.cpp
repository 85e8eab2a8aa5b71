#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "common/windows_test.hpp"
#include "platform/process.hpp"
#include "run_child_test.hpp"

namespace {

using bq::platform::ChildOutput;
using bq::platform::run_child;
using bq::test::beside_this_program;
using bq::test::open_handles;
using bq::test::ROOM;
using bq::test::run_ok;
using bq::test::start_error;

// The test's own child program, built next to this one.
const std::string& child() {
  static const std::string path = beside_this_program("bq-test-child.exe");
  return path;
}

TEST(RunChild, ReturnsBothStreamsAndTheExitCode) {
  const ChildOutput result = run_ok(child(), {"write", "to out", "to err", "3"});
  EXPECT_EQ(result.out, "to out");
  EXPECT_EQ(result.err, "to err");
  EXPECT_EQ(result.exitCode, 3u);
}

TEST(RunChild, ExitCodesAreUnsigned32Bit) {
  for (const std::uint32_t code : {0u, 1u, 255u, 256u, 0xC0000005u, 0xFFFFFFFFu}) {
    EXPECT_EQ(run_ok(child(), {"write", "", "", std::to_string(code)}).exitCode, code);
  }
}

TEST(RunChild, ArgumentsArriveAsGiven) {
  const std::vector<std::string> args = {"",          "a b",        "%PATH%",         "'\"",
                                         "*",         "tail\\",     "tail\\ space\\", "in\\\"side",
                                         "tab\there", "line\nfeed", "& | ^ < >",      "Tiếng Việt"};
  std::vector<std::string> all = {"args"};
  all.insert(all.end(), args.begin(), args.end());
  std::string expected;
  for (const std::string& arg : args) expected += "[" + arg + "]";
  EXPECT_EQ(run_ok(child(), all).out, expected);
}

TEST(RunChild, StandardInputIsTheNullDevice) {
  // A read of standard input ends at once with nothing instead of waiting.
  EXPECT_EQ(run_ok(child(), {"stdin"}).out, "read 0");
}

TEST(RunChild, EnvironmentAndWorkingFolderAreInherited) {
  const bq::test::WindowsTempDir dir;
  wchar_t before[MAX_PATH];
  ::GetCurrentDirectoryW(MAX_PATH, before);
  ASSERT_TRUE(::SetCurrentDirectoryW(dir.path().c_str()));
  wchar_t now[MAX_PATH];
  const DWORD length = ::GetCurrentDirectoryW(MAX_PATH, now);
  ::SetEnvironmentVariableW(L"BQ_PROCESS_TEST", L"inherited value");
  const ChildOutput result = run_ok(child(), {"env", "BQ_PROCESS_TEST"});
  ::SetEnvironmentVariableW(L"BQ_PROCESS_TEST", nullptr);
  ::SetCurrentDirectoryW(before);
  EXPECT_EQ(result.out, bq::test::utf8(std::wstring_view(now, length)) + "\ninherited value");
}

TEST(RunChild, StartFailuresAreDescribed) {
  const bq::test::WindowsTempDir dir;
  const std::string text_file = dir.write("data.txt", "not a program");
  EXPECT_EQ(start_error(bq::test::utf8(dir.path() / "missing.exe")), "program not found");
  EXPECT_EQ(start_error(bq::test::utf8(dir.path() / "no folder" / "missing.exe")), "program not found");
  EXPECT_EQ(start_error(""), "program not found");
  // Not a program: the system's own words for error 193, then its number.
  const std::string bad_format = start_error(text_file);
  EXPECT_TRUE(bad_format.ends_with(" (os error 193)")) << bad_format;
  EXPECT_GT(bad_format.size(), std::string(" (os error 193)").size()) << bad_format;
  EXPECT_EQ(bad_format.find_first_of("\r\n"), std::string::npos) << bad_format;
}

TEST(RunChild, LargeInterleavedOutputOnBothStreamsIsReadWhole) {
  // Each round writes four pipe buffers to one stream and then to the other:
  // a reader that waits for one stream to end before reading the other
  // deadlocks on the first round.
  const int rounds = 24;  // 6 MiB on each stream
  const ChildOutput result = run_ok(child(), {"talk", std::to_string(rounds)});
  ASSERT_EQ(result.out.size(), std::size_t{256 * 1024} * rounds);
  ASSERT_EQ(result.err.size(), std::size_t{256 * 1024} * rounds);
  for (std::size_t i = 0; i < result.out.size(); ++i) {
    ASSERT_EQ(result.out[i], static_cast<char>('a' + i % (256 * 1024) % 26)) << "stdout byte " << i;
    ASSERT_EQ(result.err[i], static_cast<char>('A' + i % (256 * 1024) % 26)) << "stderr byte " << i;
  }
  EXPECT_EQ(result.exitCode, 7u);
}

TEST(RunChild, EndsWhenTheChildExitsThoughAProcessItLeftHoldsThePipes) {
  // The child leaves a sleeper behind that holds both pipes open, and exits
  // with its output still unread in the pipes: the call takes that output
  // and returns instead of waiting for the sleeper.
  const bq::test::WindowsTempDir dir;
  const std::string id_file = bq::test::utf8(dir.path() / "sleeper");
  const ChildOutput result = run_ok(child(), {"leave", id_file});
  std::ifstream id_in(id_file);
  DWORD sleeper = 0;
  id_in >> sleeper;
  ASSERT_NE(sleeper, 0u);
  const HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, sleeper);
  ASSERT_NE(process, nullptr);
  ::TerminateProcess(process, 1);
  ::WaitForSingleObject(process, 10 * 1000);
  ::CloseHandle(process);
  EXPECT_EQ(result.out, std::string(60 * 1024, 'x'));
  EXPECT_EQ(result.err, std::string(60 * 1024, 'x'));
  EXPECT_EQ(result.exitCode, 4u);
}

TEST(RunChild, LeavesNoHandlesBehind) {
  // A child that writes nothing at all, one that cannot start, and an
  // ordinary one: every handle of every run is closed again.
  (void)run_child(child(), {"write", "", "", "0"}, ROOM);  // the first run's one-time allocations
  const std::size_t before = open_handles();
  for (int i = 0; i < 20; ++i) {
    const ChildOutput silent = run_ok(child(), {"write", "", "", "1"});
    EXPECT_EQ(silent.out, "");
    EXPECT_EQ(silent.err, "");
    EXPECT_EQ(silent.exitCode, 1u);
    EXPECT_EQ(start_error(child() + ".missing"), "program not found");
    run_ok(child(), {"write", "out", "err", "0"});
  }
  EXPECT_EQ(open_handles(), before);
}

TEST(RunChild, ChildrenStartedAtTheSameTimeInheritNoPipeOfAnother) {
  // Each child counts the pipe handles it holds beyond its standard three:
  // a pipe end of a run on another thread would be one of them.
  std::vector<std::thread> threads;
  std::vector<std::string> leaks(8);
  for (std::size_t t = 0; t < leaks.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 10; ++i) {
        auto result = run_child(child(), {"pipes"}, ROOM);
        if (auto* error = std::get_if<std::string>(&result)) {
          leaks[t] += *error + "\n";
        } else if (const std::string& count = std::get<ChildOutput>(result).out; count != "0") {
          leaks[t] += count + " pipes\n";
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (const std::string& leak : leaks) EXPECT_EQ(leak, "");
}

TEST(StartDetached, StartsTheChildAndKeepsNoHandleOfIt) {
  const bq::test::WindowsTempDir dir;
  const std::string id_file = bq::test::utf8(dir.path() / "sleeper");
  const std::size_t before = open_handles();
  // The child starts a sleeper, which shows it ran; the sleeper is then ended.
  const auto started = bq::platform::start_detached(child(), {"leave", id_file});
  ASSERT_TRUE(std::holds_alternative<bq::support::Done>(started)) << std::get<std::string>(started);
  EXPECT_EQ(open_handles(), before);
  DWORD sleeper = 0;
  for (int i = 0; i < 1000 && sleeper == 0; ++i) {  // bounded: at most 10 s
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream id_in(id_file);
    id_in >> sleeper;
  }
  ASSERT_NE(sleeper, 0u);
  const HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, sleeper);
  ASSERT_NE(process, nullptr);
  ::TerminateProcess(process, 1);
  ::CloseHandle(process);
}

TEST(StartDetached, ReportsAProgramThatCannotStart) {
  const std::size_t before = open_handles();
  // The launcher's words, as run_child gives them.
  const auto missing = bq::platform::start_detached(child() + ".missing", {});
  ASSERT_TRUE(std::holds_alternative<std::string>(missing));
  EXPECT_EQ(std::get<std::string>(missing), "program not found");
  const auto nameless = bq::platform::start_detached("", {});
  ASSERT_TRUE(std::holds_alternative<std::string>(nameless));
  EXPECT_FALSE(std::get<std::string>(nameless).empty());
  EXPECT_EQ(open_handles(), before);
}

// Whether the process whose id `file` holds has ended; an id that names no
// process any more counts as ended.
bool has_ended(const std::string& file) {
  std::ifstream id_in(file);
  DWORD id = 0;
  id_in >> id;
  if (id == 0) return false;
  const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, id);
  if (process == nullptr) return true;
  const bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  ::CloseHandle(process);
  return ended;
}

TEST(RunChild, OutputPastTheBoundEndsTheChild) {
  // `out` and `err` are what is kept: the first bytes of each stream, exactly
  // the bound over both once it is exceeded.
  const bq::test::WindowsTempDir dir;
  const std::filesystem::path id_path = dir.path() / "flood";
  const std::string id_file = bq::test::utf8(id_path);
  struct Case {
    std::vector<std::string> args;
    std::size_t bound;
    bool exceeded;
    std::string out;
    std::string err;
  };
  const Case cases[] = {
      {{"flood", "out", id_file}, 5000, true, std::string(5000, 'o'), ""},
      {{"flood", "err", id_file}, 5000, true, "", std::string(5000, 'e')},
      // Exactly the bound is not past it, and the child's own exit code stands.
      {{"write", "abc", "de", "3"}, 5, false, "abc", "de"},
      {{"write", "abc", "def", "3"}, 5, true, "abc", "de"},
      {{"write", "", "", "3"}, 0, false, "", ""},
      {{"write", "a", "", "3"}, 0, true, "", ""},
  };
  (void)run_child(child(), {"write", "", "", "0"}, ROOM);  // the first run's one-time allocations
  for (const Case& c : cases) {
    // Counted inside the trace: GoogleTest's first trace takes a handle of its own.
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    const std::size_t before = open_handles();
    const ChildOutput result = run_ok(child(), c.args, c.bound);
    EXPECT_EQ(result.output_exceeded, c.exceeded);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, c.err);
    if (!c.exceeded) {
      EXPECT_EQ(result.exitCode, 3u);
    }
    if (c.args[0] == "flood") {
      // Ended and waited for before the call returned.
      EXPECT_TRUE(has_ended(id_file));
      std::filesystem::remove(id_path);
    }
    EXPECT_EQ(open_handles(), before);
  }
}

TEST(RunChild, ABoundOfMegabytesOverBothStreamsEndsAnEndlessWriter) {
  const bq::test::WindowsTempDir dir;
  const std::string id_file = bq::test::utf8(dir.path() / "flood");
  const std::size_t bound = std::size_t{4} << 20;
  const std::size_t before = open_handles();
  const ChildOutput result = run_ok(child(), {"flood", "both", id_file}, bound);
  EXPECT_TRUE(result.output_exceeded);
  EXPECT_EQ(result.out.size() + result.err.size(), bound);
  EXPECT_EQ(result.out.find_first_not_of('o'), std::string::npos);
  EXPECT_EQ(result.err.find_first_not_of('e'), std::string::npos);
  EXPECT_TRUE(has_ended(id_file));
  EXPECT_EQ(open_handles(), before);
}

}  // namespace
