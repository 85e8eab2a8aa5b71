// Child processes on Linux: posix_spawnp, pipes drained with poll(), and a
// pidfd that tells when the child has exited.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <future>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/fd_posix.hpp"
#include "platform/os_error.hpp"
#include "platform/process.hpp"

extern char** environ;

namespace bq::platform {
namespace {

// The launcher's description of a start failure.
std::string launch_error(int code) {
  if (code == ENOENT) return "program not found";
  return os_error_message(static_cast<unsigned long>(code));
}

// Moves a descriptor above the standard three, so that the child's dup2 onto
// 0, 1 and 2 can never overwrite a pipe end it still has to copy (this happens
// when the parent runs with one of its standard streams closed).
// Holds no descriptor when it cannot be moved, with errno telling why.
Fd above_standard_streams(Fd fd) {
  if (fd.get() > STDERR_FILENO) return fd;
  Fd moved(::fcntl(fd.get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1));
  const int saved = errno;
  fd.reset();
  errno = saved;
  return moved;
}

// A pipe whose ends are close-on-exec, so that children started by other
// threads at the same moment inherit neither end.
bool make_pipe(Fd& read_end, Fd& write_end) {
  std::array<int, 2> fds{};
  if (::pipe2(fds.data(), O_CLOEXEC) != 0) return false;
  read_end = above_standard_streams(Fd(fds[0]));
  write_end = above_standard_streams(Fd(fds[1]));
  return read_end.get() >= 0 && write_end.get() >= 0;
}

std::vector<char*> argv_of(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 2);
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  return argv;
}

// Spawn attributes shared by both kinds of child: the caller's thread may
// block signals or ignore SIGPIPE, and a child must start with neither.
class SpawnAttributes {
 public:
  SpawnAttributes() {
    initialised_ = ::posix_spawnattr_init(&attr_) == 0;
    if (!initialised_) return;
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    ok_ = ::posix_spawnattr_setsigmask(&attr_, &none) == 0 && ::posix_spawnattr_setsigdefault(&attr_, &all) == 0 &&
          ::posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
  }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  ~SpawnAttributes() {
    if (initialised_) ::posix_spawnattr_destroy(&attr_);
  }

  bool ok() const { return ok_; }
  const posix_spawnattr_t* get() const { return &attr_; }

 private:
  posix_spawnattr_t attr_{};
  bool initialised_ = false;
  bool ok_ = false;
};

class FileActions {
 public:
  FileActions() { ok_ = ::posix_spawn_file_actions_init(&actions_) == 0; }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  ~FileActions() {
    if (ok_) ::posix_spawn_file_actions_destroy(&actions_);
  }

  bool ok() const { return ok_; }
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_{};
  bool ok_ = false;
};

// Waits for `pid`, retrying on EINTR. Returns 0 with the status, or errno.
int wait_for(pid_t pid, int& status) {
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

// glibc 2.36 declares pidfd_open without C linkage, so the call goes direct.
// The descriptor is always close-on-exec.
int pidfd_of(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

std::uint32_t exit_code_of(int status) {
  if (WIFEXITED(status)) return static_cast<std::uint32_t>(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return 128u + static_cast<std::uint32_t>(WTERMSIG(status));
  return 1;
}

// Appends what still fits of `data` to `sink`, within the `room` left over
// both streams; false when some of it did not fit.
bool keep(std::string& sink, const char* data, std::size_t size, std::size_t& room) {
  const std::size_t kept = std::min(size, room);
  sink.append(data, kept);
  room -= kept;
  return kept == size;
}

// Takes what is left in a pipe once its writer has exited, without waiting:
// at most the pipe's capacity, which holds all that the writer left unread.
// False when that overflowed `room`.
bool take_rest(Fd& fd, std::string& sink, std::size_t& room, char* buffer, std::size_t size) {
  const int capacity = ::fcntl(fd.get(), F_GETPIPE_SZ);
  std::size_t left = capacity > 0 ? static_cast<std::size_t>(capacity) : 1u << 20;
  const int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags | O_NONBLOCK) < 0) left = 0;
  while (left > 0) {
    const ssize_t n = ::read(fd.get(), buffer, std::min(size, left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (!keep(sink, buffer, static_cast<std::size_t>(n), room)) return false;
    left -= static_cast<std::size_t>(n);
  }
  fd.reset();
  return true;
}

// Reads both pipes at the same time, so that a child blocked on a full stderr
// pipe never stalls its stdout, until each has reached its end, or until the
// child itself has exited (`child` is its pidfd, or -1 where there is none):
// a process it left behind still holding a pipe must not keep the caller
// waiting. A read error other than EINTR/EAGAIN ends that stream as if it had
// reached its end. Stops early, returning false, when the output overflows
// `room`; the pipes the caller still holds are then left open.
bool drain(Fd& out_fd, Fd& err_fd, int child, std::size_t room, std::string& out, std::string& err) {
  std::array<char, 65536> buffer;
  Fd* fds[2] = {&out_fd, &err_fd};
  std::string* sinks[2] = {&out, &err};
  while (out_fd.get() >= 0 || err_fd.get() >= 0) {
    // Negative descriptors are skipped by poll.
    std::array<pollfd, 3> polled = {pollfd{out_fd.get(), POLLIN, 0}, pollfd{err_fd.get(), POLLIN, 0},
                                    pollfd{child, POLLIN, 0}};
    if (::poll(polled.data(), polled.size(), -1) < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      // poll itself failing (ENOMEM) leaves nothing to wait on: stop reading.
      out_fd.reset();
      err_fd.reset();
      return true;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i]->get() < 0 || polled[i].revents == 0) continue;
      const ssize_t n = ::read(fds[i]->get(), buffer.data(), buffer.size());
      if (n > 0) {
        if (!keep(*sinks[i], buffer.data(), static_cast<std::size_t>(n), room)) return false;
      } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        fds[i]->reset();
      }
    }
    if (child >= 0 && polled[2].revents != 0) {
      for (int i = 0; i < 2; ++i) {
        if (fds[i]->get() >= 0 && !take_rest(*fds[i], *sinks[i], room, buffer.data(), buffer.size())) return false;
      }
    }
  }
  return true;
}

}  // namespace

support::Result<ChildOutput> run_child(const std::string& program, const std::vector<std::string>& args,
                                       std::size_t max_output_bytes) {
  Fd out_read, out_write, err_read, err_write;
  if (!make_pipe(out_read, out_write) || !make_pipe(err_read, err_write)) return launch_error(errno);

  FileActions actions;
  if (!actions.ok()) return launch_error(ENOMEM);
  int rc = ::posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (rc == 0) rc = ::posix_spawn_file_actions_adddup2(actions.get(), out_write.get(), STDOUT_FILENO);
  if (rc == 0) rc = ::posix_spawn_file_actions_adddup2(actions.get(), err_write.get(), STDERR_FILENO);
  if (rc != 0) return launch_error(rc);
  SpawnAttributes attributes;
  if (!attributes.ok()) return launch_error(ENOMEM);

  std::vector<char*> argv = argv_of(program, args);
  pid_t pid = 0;
  rc = ::posix_spawnp(&pid, program.c_str(), actions.get(), attributes.get(), argv.data(), environ);
  if (rc != 0) return launch_error(rc);

  // Only the child may hold the write ends now, or the reads never see an end.
  out_write.reset();
  err_write.reset();

  // Where pidfds are missing (kernels before 5.3) the pipes' ends alone end the reading.
  const Fd child(pidfd_of(pid));
  ChildOutput result;
  if (!drain(out_read, err_read, child.get(), max_output_bytes, result.out, result.err)) {
    // Not reaped yet, so the pid still names this child and no other process.
    ::kill(pid, SIGKILL);
    // Whatever the child left behind that still writes now meets a closed pipe.
    out_read.reset();
    err_read.reset();
    result.output_exceeded = true;
  }
  int status = 0;
  if (const int error = wait_for(pid, status); error != 0) return launch_error(error);
  result.exitCode = exit_code_of(status);
  return result;
}

support::Result<support::Done> start_detached(const std::string& program, const std::vector<std::string>& args) {
  // The reaper thread is started first and spawns the child itself, so a
  // thread that cannot be created means no child at all, never an unreaped one.
  std::promise<int> started;  // 0, or why the child could not be started
  std::future<int> outcome = started.get_future();
  try {
    std::thread([program, args, started = std::move(started)]() mutable {
      SpawnAttributes attributes;
      std::vector<char*> argv = argv_of(program, args);
      pid_t pid = 0;
      int rc = ENOMEM;
      if (attributes.ok()) rc = ::posix_spawnp(&pid, program.c_str(), nullptr, attributes.get(), argv.data(), environ);
      started.set_value(rc);
      if (rc != 0) return;
      int status = 0;
      wait_for(pid, status);
    }).detach();
  } catch (const std::system_error& error) {
    return launch_error(error.code().value());
  }
  if (const int rc = outcome.get(); rc != 0) return launch_error(rc);
  return support::Done{};
}

}  // namespace bq::platform
