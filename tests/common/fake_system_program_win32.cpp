// Stands in, in the tests under wine, for a program of the system folder
// (powershell.exe, cmd.exe), and for one planted beside the test program.
// With BQ_FAKE_RECORD set it first appends its own path and its whole command
// line to that file, in UTF-8, each followed by a NUL byte. BQ_FAKE_MODE then
// says what it does:
//   probe  checks that it got exactly the probe's six arguments, byte for
//          byte, and prints FAKE_PROBE_RECORD (with a byte-order mark before
//          it and a line break after it, as PowerShell may write them);
//          a mismatch goes to standard error with exit status 2
//   hold   waits until the file that BQ_FAKE_RELEASE names exists (a minute
//          at most), then exits with 0 without writing: its reader has
//          ended by then, and such a write was seen to hang under wine
//   fail   writes a message to standard error only and exits with 1
//   endless-out, endless-err, endless-both
//          prints FAKE_PROBE_RECORD, then writes without end to standard
//          output, standard error, or both in turns
//   other  exits with 0

// Before <windows.h>, whose winsock part defines NO_DATA as a macro.
#include "common/fake_probe_record.hpp"
#include "engine/probe.hpp"

#include <windows.h>

#include <string>
#include <vector>

#include "common/windows_test.hpp"
#include "platform/handle_win32.hpp"

namespace {

using bq::test::utf8;

std::wstring variable(const wchar_t* name) {
  std::wstring value(32768, L'\0');
  value.resize(::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
  return value;
}

// False when the stream is closed.
bool write_to(DWORD stream, std::string_view bytes) {
  DWORD written = 0;
  return ::WriteFile(::GetStdHandle(stream), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void record(const std::wstring& file) {
  std::wstring self(32768, L'\0');
  self.resize(::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  std::string entry = utf8(std::wstring_view(self));
  entry += '\0';
  entry += utf8(std::wstring_view(::GetCommandLineW()));
  entry += '\0';
  const bq::platform::Handle out(
      ::CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr));
  DWORD written = 0;
  ::WriteFile(out.get(), entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr);
}

// Empty when the arguments are the probe's, else what differs.
std::string check_probe_arguments() {
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> got;
  for (int i = 1; i < count; ++i) got.push_back(utf8(std::wstring_view(argv[i])));
  ::LocalFree(argv);
  const std::vector<std::string> expected = bq::engine::powershell_arguments(bq::engine::probe_command_text());
  if (got.size() != expected.size())
    return "got " + std::to_string(got.size()) + " arguments, not " + std::to_string(expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    if (got[i] == expected[i]) continue;
    std::size_t at = 0;
    while (at < got[i].size() && at < expected[i].size() && got[i][at] == expected[i][at]) ++at;
    return "argument " + std::to_string(i + 1) + " differs from byte " + std::to_string(at) + " on (" +
           std::to_string(got[i].size()) + " bytes, not " + std::to_string(expected[i].size()) + ")";
  }
  return {};
}

}  // namespace

int main() {
  if (const std::wstring file = variable(L"BQ_FAKE_RECORD"); !file.empty()) record(file);
  const std::wstring mode = variable(L"BQ_FAKE_MODE");
  if (mode == L"hold") {
    const std::wstring release = variable(L"BQ_FAKE_RELEASE");
    for (int i = 0; i < 600 && ::GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) ::Sleep(100);
    return 0;
  }
  if (mode == L"probe") {
    if (const std::string fault = check_probe_arguments(); !fault.empty()) {
      write_to(STD_ERROR_HANDLE, fault);
      return 2;
    }
    write_to(STD_OUTPUT_HANDLE, "\xEF\xBB\xBF");
    write_to(STD_OUTPUT_HANDLE, bq::test::FAKE_PROBE_RECORD);
    write_to(STD_OUTPUT_HANDLE, "\r\n");
    return 0;
  }
  if (mode.starts_with(L"endless-")) {
    write_to(STD_OUTPUT_HANDLE, bq::test::FAKE_PROBE_RECORD);
    const bool out = mode != L"endless-err";
    const bool err = mode != L"endless-out";
    std::string lines;
    while (lines.size() < 64 * 1024) lines += "WARNING: still running\r\n";
    // Ends only when the reader is gone, or by being ended.
    while ((!out || write_to(STD_OUTPUT_HANDLE, lines)) && (!err || write_to(STD_ERROR_HANDLE, lines))) {
    }
    return 3;
  }
  if (mode == L"fail") {
    write_to(STD_ERROR_HANDLE, "\r\nGet-CimInstance : Truy cập bị từ chối.\r\n");
    return 1;
  }
  return 0;
}
