#include "platform/process.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "common/temp_dir.hpp"
#include "run_child_test.hpp"

namespace {

using bq::platform::ChildOutput;
using bq::platform::run_child;
using bq::test::ROOM;
using bq::test::run_ok;
using bq::test::start_error;
using bq::test::TempDir;

std::size_t open_descriptors() {
  std::size_t count = 0;
  DIR* dir = ::opendir("/proc/self/fd");
  while (dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] != '.') ++count;
  }
  ::closedir(dir);
  return count - 1;  // the listing's own descriptor
}

TEST(RunChild, ReturnsBothStreamsAndTheExitCode) {
  const ChildOutput child = run_ok("/bin/sh", {"-c", "printf 'to out'; printf 'to err' >&2; exit 3"});
  EXPECT_EQ(child.out, "to out");
  EXPECT_EQ(child.err, "to err");
  EXPECT_EQ(child.exitCode, 3u);
}

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

TEST(RunChild, ArgumentsArePassedUntouchedWithoutAShell) {
  const std::vector<std::string> args = {"", "a b", "$HOME", "'\"", "*", "line\nfeed", "\xC3\xA9"};
  const ChildOutput child = run_ok("/usr/bin/printf", [&] {
    std::vector<std::string> all = {"[%s]"};
    all.insert(all.end(), args.begin(), args.end());
    return all;
  }());
  EXPECT_EQ(child.out, "[][a b][$HOME]['\"][*][line\nfeed][\xC3\xA9]");
}

TEST(RunChild, BareNamesAreLookedUpOnThePath) { EXPECT_EQ(run_ok("sh", {"-c", "echo found"}).out, "found\n"); }

TEST(RunChild, StandardInputIsTheNullDevice) {
  // A read of standard input ends at once instead of waiting for a terminal.
  EXPECT_EQ(run_ok("/bin/sh", {"-c", "cat; read line; echo \"read $?\""}).out, "read 1\n");
}

TEST(RunChild, EnvironmentAndWorkingFolderAreInherited) {
  TempDir dir;
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  ::setenv("BQ_PROCESS_TEST", "inherited value", 1);
  const ChildOutput child = run_ok("/bin/sh", {"-c", "pwd; printf '%s' \"$BQ_PROCESS_TEST\""});
  ::unsetenv("BQ_PROCESS_TEST");
  std::filesystem::current_path(before);
  EXPECT_EQ(child.out, std::filesystem::canonical(dir.path()).string() + "\ninherited value");
}

TEST(RunChild, StartFailuresAreDescribed) {
  TempDir dir;
  const std::string not_executable = dir.write("data.txt", "#!/bin/sh\necho hi\n");
  const std::string bad_format = dir.write("garbage",
                                           "\x7f"
                                           "ELF but not really",
                                           true);
  EXPECT_EQ(start_error(dir.path() / "missing"), "program not found");
  EXPECT_EQ(start_error("bq-no-such-program-on-the-path"), "program not found");
  EXPECT_EQ(start_error(""), "program not found");
  EXPECT_EQ(start_error(not_executable), "Permission denied (os error 13)");
  EXPECT_EQ(start_error(dir.path().string()), "Permission denied (os error 13)");
  EXPECT_EQ(start_error(bad_format), "Exec format error (os error 8)");
}

TEST(RunChild, LargeInterleavedOutputOnBothStreamsIsReadWhole) {
  // Each round writes four pipe buffers to one stream and then to the other:
  // a reader that waits for one stream to end before reading the other
  // deadlocks on the first round.
  TempDir dir;
  std::string out_block(256 * 1024, '\0');
  std::string err_block(256 * 1024, '\0');
  for (std::size_t i = 0; i < out_block.size(); ++i) {
    out_block[i] = static_cast<char>('a' + i % 26);
    err_block[i] = static_cast<char>(i * 7 % 256);
  }
  dir.write("out.bin", out_block);
  dir.write("err.bin", err_block);
  const int rounds = 24;  // 6 MiB on each stream
  const std::string child = dir.script("talk", "i=0\nwhile [ $i -lt " + std::to_string(rounds) +
                                                   " ]; do\n  cat \"$1/out.bin\"\n  cat \"$1/err.bin\" >&2\n"
                                                   "  i=$((i + 1))\ndone\nexit 7");
  const ChildOutput result = run_ok(child, {dir.path().string()});
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
  const std::string block(60 * 1024, 'x');
  dir.write("block", block);
  const std::string pid_file = (dir.path() / "sleeper").string();
  const ChildOutput child = run_ok("/bin/sh", {"-c", "sleep 300 & echo $! > \"$1\"; cat \"$2\"; cat \"$2\" >&2; exit 4",
                                               "sh", pid_file, (dir.path() / "block").string()});
  std::ifstream pid_in(pid_file);
  pid_t sleeper = 0;
  pid_in >> sleeper;
  ASSERT_GT(sleeper, 0);
  ::kill(sleeper, SIGKILL);
  EXPECT_EQ(child.out, block);
  EXPECT_EQ(child.err, block);
  EXPECT_EQ(child.exitCode, 4u);
}

TEST(RunChild, WorksWhenTheCallersStandardStreamsAreClosed) {
  // New pipes then take descriptors 0 to 2, where the child's own streams go.
  int saved[3];
  for (int fd = 0; fd < 3; ++fd) saved[fd] = ::fcntl(fd, F_DUPFD_CLOEXEC, 10);
  for (int fd = 0; fd < 3; ++fd) ::close(fd);
  auto result = run_child("/bin/sh", {"-c", "cat; echo out; echo err >&2"}, ROOM);
  for (int fd = 0; fd < 3; ++fd) {
    ::dup2(saved[fd], fd);
    ::close(saved[fd]);
  }
  ASSERT_TRUE(std::holds_alternative<ChildOutput>(result)) << std::get<std::string>(result);
  EXPECT_EQ(std::get<ChildOutput>(result).out, "out\n");
  EXPECT_EQ(std::get<ChildOutput>(result).err, "err\n");
}

TEST(RunChild, LeavesNoDescriptorsBehind) {
  const std::size_t before = open_descriptors();
  for (int i = 0; i < 20; ++i) {
    run_ok("/bin/sh", {"-c", "echo out; echo err >&2"});
    (void)start_error("bq-no-such-program-on-the-path");
  }
  EXPECT_EQ(open_descriptors(), before);
}

TEST(RunChild, ChildrenStartedAtTheSameTimeInheritNoPipeOfAnother) {
  // Each child (ls, which opens no pipe of its own) lists the descriptors it
  // holds. A pipe end without close-on-exec, made by one thread while another
  // spawns, would show up beyond the standard three. Pipes that this process
  // itself inherited without close-on-exec are not ours, and are left out.
  std::set<std::string> inherited;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ignored;
    inherited.insert(std::filesystem::read_symlink(entry.path(), ignored).string());
  }
  std::vector<std::thread> threads;
  std::vector<std::string> leaks(8);
  for (std::size_t t = 0; t < leaks.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 15; ++i) {
        auto result = run_child("ls", {"-l", "/proc/self/fd/"}, ROOM);
        if (auto* error = std::get_if<std::string>(&result)) {
          leaks[t] += *error;
          continue;
        }
        std::istringstream lines(std::get<ChildOutput>(result).out);
        for (std::string line; std::getline(lines, line);) {
          const std::size_t arrow = line.find(" -> ");
          if (arrow == std::string::npos) continue;
          const std::size_t name = line.rfind(' ', arrow - 1) + 1;
          const int fd = std::stoi(line.substr(name, arrow - name));
          const std::string target = line.substr(arrow + 4);
          if (fd > 2 && target.starts_with("pipe:") && !inherited.contains(target)) leaks[t] += line + "\n";
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (const std::string& leak : leaks) EXPECT_EQ(leak, "");
}

// The children of this process, as "pid state" lines from /proc.
std::string children_of_this_process() {
  std::string found;
  const std::string self = std::to_string(::getpid());
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // pid (comm) state ppid ...: the command may hold blanks and parentheses.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 1));
    std::string state, parent;
    rest >> state >> parent;
    if (parent == self) found += name + " " + state + "\n";
  }
  return found;
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
  std::string children = children_of_this_process();
  for (int i = 0; i < 500 && !children.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    children = children_of_this_process();
  }
  EXPECT_EQ(children, "");
}

TEST(StartDetached, ReportsAProgramThatCannotStart) {
  // The launcher's words, as run_child gives them.
  const auto started = bq::platform::start_detached("bq-no-such-program-on-the-path", {});
  ASSERT_TRUE(std::holds_alternative<std::string>(started));
  EXPECT_EQ(std::get<std::string>(started), "program not found");
}

TEST(RunChild, OutputPastTheBoundEndsTheChild) {
  // `out` and `err` are what is kept: the first bytes of each stream, exactly
  // the bound over both once it is exceeded.
  struct Case {
    std::string script;
    std::size_t bound;
    bool exceeded;
    std::string out;
    std::string err;
  };
  const std::string ys(5000, 'y');
  const Case cases[] = {
      {"while :; do printf yyyyy; done", 5000, true, ys, ""},
      {"while :; do printf yyyyy; done >&2", 5000, true, "", ys},
      // Signals that would end a polite child change nothing.
      {"trap '' TERM INT HUP PIPE; while :; do printf yyyyy; done", 5000, true, ys, ""},
      // Exactly the bound is not past it, and the child's own exit code stands.
      {"printf abc; printf de >&2; exit 3", 5, false, "abc", "de"},
      {"printf abc; printf def >&2; exit 3", 5, true, "abc", "de"},
      {"exit 3", 0, false, "", ""},
      {"printf a", 0, true, "", ""},
  };
  const std::size_t descriptors = open_descriptors();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    const ChildOutput child = run_ok("/bin/sh", {"-c", c.script}, c.bound);
    EXPECT_EQ(child.output_exceeded, c.exceeded);
    EXPECT_EQ(child.out, c.out);
    EXPECT_EQ(child.err, c.err);
    if (!c.exceeded) {
      EXPECT_EQ(child.exitCode, 3u);
    }
    // The child was reaped before the call returned.
    EXPECT_EQ(children_of_this_process(), "");
  }
  EXPECT_EQ(open_descriptors(), descriptors);
}

TEST(RunChild, ABoundOfMegabytesOverBothStreamsEndsAnEndlessWriter) {
  // Both streams without end at full speed, as a runaway child writes.
  const std::size_t bound = std::size_t{4} << 20;
  const ChildOutput child = run_ok("/bin/sh", {"-c", "yes out & exec yes err >&2"}, bound);
  EXPECT_TRUE(child.output_exceeded);
  EXPECT_EQ(child.out.size() + child.err.size(), bound);
  EXPECT_EQ(child.out.find_first_not_of("out\n"), std::string::npos);
  EXPECT_EQ(child.err.find_first_not_of("err\n"), std::string::npos);
  EXPECT_EQ(children_of_this_process(), "");
}

}  // namespace
