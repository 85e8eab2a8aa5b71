// A child program for the Windows launcher's tests; the first argument picks
// what it does:
//   args                 writes each further argument as [ARG], in UTF-8
//   write OUT ERR CODE   writes OUT and ERR to its two streams, exits with CODE
//   talk ROUNDS OUT ERR  writes the file OUT to stdout, then the file ERR to stderr,
//                        ROUNDS times, and exits with 7
//   stdin                reads standard input to its end, writes how much it got
//   env NAME             writes the working folder, a line feed and the variable
//   pipes                writes how many pipe handles it holds beyond its standard three
//   leave FILE           starts a sleeper that inherits both streams, writes its id
//                        to FILE, then 60 KiB to each stream, and exits with 4
//   sleep                sleeps for five minutes
//   flood STREAMS FILE   writes its id to FILE, then without end to stdout
//                        ("out", letter o), stderr ("err", letter e) or, in
//                        turns, to both ("both"), until a write fails
//   flood-on STREAMS FILE  the same, writing on once the streams are closed

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/process_handles_win32.hpp"
#include "common/windows_test.hpp"
#include "platform/handle_win32.hpp"

namespace {

using bq::test::utf8;

// False when the stream is closed.
bool write_to(DWORD stream, const std::string& bytes) {
  const HANDLE handle = ::GetStdHandle(stream);
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    if (!::WriteFile(handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr))
      return false;
    done += written;
  }
  return true;
}

void write_file(const std::string& path, const std::string& bytes) {
  const bq::platform::Handle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string read_file(const std::string& path) {
  std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int main() {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(utf8(std::wstring_view(wide[i])));
  ::LocalFree(wide);
  if (args.empty()) return 100;
  const std::string& mode = args[0];

  if (mode == "args") {
    std::string out;
    for (std::size_t i = 1; i < args.size(); ++i) out += "[" + args[i] + "]";
    write_to(STD_OUTPUT_HANDLE, out);
    return 0;
  }
  if (mode == "write" && args.size() == 4) {
    write_to(STD_OUTPUT_HANDLE, args[1]);
    write_to(STD_ERROR_HANDLE, args[2]);
    return static_cast<int>(std::strtoul(args[3].c_str(), nullptr, 0));
  }
  if (mode == "talk" && args.size() == 4) {
    const std::string out = read_file(args[2]);
    const std::string err = read_file(args[3]);
    for (int round = std::atoi(args[1].c_str()); round > 0; --round) {
      write_to(STD_OUTPUT_HANDLE, out);
      write_to(STD_ERROR_HANDLE, err);
    }
    return 7;
  }
  if (mode == "stdin") {
    std::size_t total = 0;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &got, nullptr) && got > 0) total += got;
    write_to(STD_OUTPUT_HANDLE, "read " + std::to_string(total));
    return 0;
  }
  if (mode == "env" && args.size() == 2) {
    wchar_t folder[MAX_PATH];
    const DWORD length = ::GetCurrentDirectoryW(MAX_PATH, folder);
    const char* value = std::getenv(args[1].c_str());
    write_to(STD_OUTPUT_HANDLE, utf8(std::wstring_view(folder, length)) + "\n" + (value ? value : "(unset)"));
    return 0;
  }
  if (mode == "pipes") {
    const HANDLE standard[] = {::GetStdHandle(STD_INPUT_HANDLE), ::GetStdHandle(STD_OUTPUT_HANDLE),
                               ::GetStdHandle(STD_ERROR_HANDLE)};
    int pipes = 0;
    for (std::uintptr_t value = 4; value < 4096; value += 4) {
      const auto handle = reinterpret_cast<HANDLE>(value);
      DWORD flags = 0;
      if (handle == standard[0] || handle == standard[1] || handle == standard[2]) continue;
      if (::GetHandleInformation(handle, &flags) && ::GetFileType(handle) == FILE_TYPE_PIPE) ++pipes;
    }
    write_to(STD_OUTPUT_HANDLE, std::to_string(pipes));
    return 0;
  }
  if (mode == "leave" && args.size() == 2) {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = L"child sleep";
    STARTUPINFOW info{};
    info.cb = sizeof info;
    info.dwFlags = STARTF_USESTDHANDLES;
    info.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    info.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    info.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(self, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &info,
                          &started))
      return 101;
    const bq::test::ProcessHandles sleeper(started);  // not waited for
    write_file(args[1], std::to_string(started.dwProcessId));
    const std::string rest(60 * 1024, 'x');
    write_to(STD_OUTPUT_HANDLE, rest);
    write_to(STD_ERROR_HANDLE, rest);
    return 4;
  }
  if ((mode == "flood" || mode == "flood-on") && args.size() == 3) {
    write_file(args[2], std::to_string(::GetCurrentProcessId()));
    const bool out = args[1] != "err";
    const bool err = args[1] != "out";
    const bool writes_on = mode == "flood-on";
    const std::string o(4096, 'o');
    const std::string e(4096, 'e');
    // flood-on writes on when the reader has gone: only being ended stops it.
    for (;;) {
      if (out && !write_to(STD_OUTPUT_HANDLE, o) && !writes_on) return 0;
      if (err && !write_to(STD_ERROR_HANDLE, e) && !writes_on) return 0;
    }
  }
  if (mode == "sleep") {
    ::Sleep(300 * 1000);
    return 0;
  }
  return 100;
}
