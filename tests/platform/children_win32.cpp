#include <windows.h>

#include <tlhelp32.h>

#include <fstream>

#include "common/windows_test.hpp"
#include "platform/children.hpp"
#include "platform/handle_win32.hpp"

namespace bq::test {

namespace {

Command child(std::vector<std::string> args) {
  static const std::string path = beside_this_program("bq-test-child.exe");
  return {path, std::move(args)};
}

DWORD id_in(const std::string& id_file) {
  std::ifstream in(std::filesystem::path(std::u8string(id_file.begin(), id_file.end())));
  DWORD id = 0;
  in >> id;
  return id;
}

}  // namespace

Command child_writes(const std::string& out, const std::string& err, std::uint32_t code) {
  return child({"write", out, err, std::to_string(code)});
}

Command child_echoes(const std::vector<std::string>& args) {
  Command command = child({"args"});
  command.args.insert(command.args.end(), args.begin(), args.end());
  return command;
}

Command child_reads_its_input() { return child({"stdin"}); }

Command child_shows_folder_and(const std::string& name) { return child({"env", name}); }

Command child_talks(int rounds, const std::string& out_file, const std::string& err_file) {
  return child({"talk", std::to_string(rounds), out_file, err_file});
}

Command child_leaves_a_sleeper(const std::string& id_file) { return child({"leave", id_file}); }

Command child_floods(const std::string& streams, OnBrokenPipe then, const std::string& id_file) {
  return child({then == OnBrokenPipe::writes_on ? "flood-on" : "flood", streams, id_file});
}

Command child_lists_its_pipes() { return child({"pipes"}); }

// The child counts its pipes itself, and holds none by right.
PipeCheck::PipeCheck() = default;

std::string PipeCheck::foreign(const std::string& listing) const { return listing == "0" ? "" : listing + " pipes\n"; }

std::vector<NotAProgram> not_programs(const TempDir& dir) {
  using testing::AllOf;
  using testing::EndsWith;
  using testing::HasSubstr;
  using testing::Not;
  using testing::SizeIs;
  // The system's own words for error 193, then its number, on one line.
  const std::string suffix = " (os error 193)";
  return {{dir.write("data.txt", "not a program"),
           AllOf(EndsWith(suffix), SizeIs(testing::Gt(suffix.size())), Not(HasSubstr("\r")), Not(HasSubstr("\n")))}};
}

bool end_process(const std::string& id_file) {
  const DWORD id = id_in(id_file);
  if (id == 0) return false;
  const platform::Handle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
  if (!process) return false;
  ::TerminateProcess(process.get(), 1);
  ::WaitForSingleObject(process.get(), 10 * 1000);
  return true;
}

// An id that names no process any more counts as ended.
bool has_ended(const std::string& id_file) {
  const DWORD id = id_in(id_file);
  if (id == 0) return false;
  const platform::Handle process(::OpenProcess(SYNCHRONIZE, FALSE, id));
  return !process || ::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
}

std::string children_left() {
  std::string found;
  const platform::Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return "no process snapshot\n";
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  const DWORD self = ::GetCurrentProcessId();
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ParentProcessID == self) {
      found += std::to_string(entry.th32ProcessID) + " " + utf8(std::wstring_view(entry.szExeFile)) + "\n";
    }
  }
  return found;
}

std::size_t open_os_handles() { return open_handles(); }

}  // namespace bq::test
