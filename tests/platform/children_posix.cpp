#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/children.hpp"

namespace bq::test {

namespace {

Command shell(const std::string& script, std::vector<std::string> args = {}) {
  args.insert(args.begin(), {"-c", script, "sh"});
  return {"/bin/sh", std::move(args)};
}

pid_t id_in(const std::string& id_file) {
  std::ifstream in(id_file);
  pid_t id = 0;
  in >> id;
  return id;
}

}  // namespace

Command child_writes(const std::string& out, const std::string& err, std::uint32_t code) {
  return shell("printf '%s' \"$1\"; printf '%s' \"$2\" >&2; exit \"$3\"", {out, err, std::to_string(code)});
}

Command child_echoes(const std::vector<std::string>& args) {
  // printf itself, without a shell: nothing of an argument is interpreted.
  Command command{"/usr/bin/printf", {"[%s]"}};
  command.args.insert(command.args.end(), args.begin(), args.end());
  return command;
}

Command child_reads_its_input() { return shell("printf 'read %d' \"$(wc -c)\""); }

Command child_shows_folder_and(const std::string& name) {
  return shell("pwd; value=$(printenv \"$1\") && printf '%s' \"$value\" || printf '(unset)'", {name});
}

Command child_talks(int rounds, const std::string& out_file, const std::string& err_file) {
  return shell("i=0\nwhile [ $i -lt \"$1\" ]; do\n  cat \"$2\"\n  cat \"$3\" >&2\n  i=$((i + 1))\ndone\nexit 7",
               {std::to_string(rounds), out_file, err_file});
}

Command child_leaves_a_sleeper(const std::string& id_file) {
  return shell(
      "sleep 300 & echo $! > \"$1\"\n"
      "block=$(head -c 61440 /dev/zero | tr '\\0' x)\n"
      "printf '%s' \"$block\"; printf '%s' \"$block\" >&2; exit 4",
      {id_file});
}

Command child_floods(const std::string& streams, OnBrokenPipe then, const std::string& id_file) {
  // $$ is the shell that the launcher started; printf is its builtin, so the
  // loop starts no process. "both" takes turns, 4 KiB at a time.
  std::string script = then == OnBrokenPipe::writes_on ? "trap '' TERM INT HUP PIPE\n" : "";
  script +=
      "echo $$ > \"$1\"\n"
      "o=$(printf '%4096s' '' | tr ' ' o)\n"
      "e=$(printf '%4096s' '' | tr ' ' e)\n";
  if (streams == "out") script += "while :; do printf '%s' \"$o\"; done";
  if (streams == "err") script += "while :; do printf '%s' \"$e\" >&2; done";
  if (streams == "both") script += "while :; do printf '%s' \"$o\"; printf '%s' \"$e\" >&2; done";
  return shell(script, {id_file});
}

Command child_lists_its_pipes() {
  // ls opens no pipe of its own.
  return {"ls", {"-l", "/proc/self/fd/"}};
}

PipeCheck::PipeCheck() {
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ignored;
    inherited_.insert(std::filesystem::read_symlink(entry.path(), ignored).string());
  }
}

std::string PipeCheck::foreign(const std::string& listing) const {
  std::string found;
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t arrow = line.find(" -> ");
    if (arrow == std::string::npos) continue;
    const std::size_t name = line.rfind(' ', arrow - 1) + 1;
    const int fd = std::stoi(line.substr(name, arrow - name));
    const std::string target = line.substr(arrow + 4);
    if (fd > 2 && target.starts_with("pipe:") && !inherited_.contains(target)) found += line + "\n";
  }
  return found;
}

std::vector<NotAProgram> not_programs(const TempDir& dir) {
  using testing::Eq;
  const std::string not_executable = dir.write("data.txt", "#!/bin/sh\necho hi\n");
  const std::string bad_format = dir.write("garbage",
                                           "\x7f"
                                           "ELF but not really",
                                           true);
  return {{not_executable, Eq("Permission denied (os error 13)")},
          {dir.path().string(), Eq("Permission denied (os error 13)")},
          {bad_format, Eq("Exec format error (os error 8)")}};
}

bool end_process(const std::string& id_file) {
  const pid_t id = id_in(id_file);
  if (id <= 0 || ::kill(id, SIGKILL) != 0) return false;
  // Not a child of this process: it cannot be waited for, only seen to go.
  for (int i = 0; i < 1000 && ::kill(id, 0) == 0; ++i) ::usleep(10 * 1000);
  return true;
}

bool has_ended(const std::string& id_file) {
  const pid_t id = id_in(id_file);
  // Once reaped, the id is no child of this process any more, living or zombie.
  return id > 0 && ::waitpid(id, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

std::string children_left() {
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

std::size_t open_os_handles() {
  std::size_t count = 0;
  DIR* dir = ::opendir("/proc/self/fd");
  while (dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] != '.') ++count;
  }
  ::closedir(dir);
  return count - 1;  // the listing's own descriptor
}

}  // namespace bq::test
