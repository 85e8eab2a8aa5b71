// engine-harness started by posix_spawn, its standard streams in files.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "common/test_files.hpp"
#include "platform/fd_posix.hpp"

extern char** environ;

namespace bq::test {
namespace {

// An unlinked temporary file, closed when it goes out of scope.
class TempFile {
 public:
  TempFile() {
    std::string name =
        (std::getenv("TMPDIR") ? std::string(std::getenv("TMPDIR")) : std::string("/tmp")) + "/bq-harness-XXXXXX";
    fd_.reset(::mkstemp(name.data()));
    if (fd_.get() < 0) throw std::runtime_error("mkstemp failed");
    ::unlink(name.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  int fd() const { return fd_.get(); }

  void write_all(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::write(fd_.get(), bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw std::runtime_error("write failed");
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    ::lseek(fd_.get(), 0, SEEK_SET);
  }

  std::string read_all() const {
    ::lseek(fd_.get(), 0, SEEK_SET);
    std::string out;
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::read(fd_.get(), buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      out.append(buffer, static_cast<std::size_t>(n));
    }
    return out;
  }

 private:
  platform::Fd fd_;
};

}  // namespace

HarnessRun run_harness(const std::vector<std::string>& args, std::string_view input) {
  TempFile in, out, err;
  in.write_all(input);

  std::vector<std::string> words{HARNESS};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in.fd(), 0);
  posix_spawn_file_actions_adddup2(&actions, out.fd(), 1);
  posix_spawn_file_actions_adddup2(&actions, err.fd(), 2);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + words[0]);

  int wait_status = 0;
  while (::waitpid(pid, &wait_status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("waitpid failed");
  }
  HarnessRun run;
  run.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
  run.out = out.read_all();
  run.err = err.read_all();
  return run;
}

}  // namespace bq::test
