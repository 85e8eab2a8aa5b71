// engine-harness started by CreateProcessW, its standard streams in files.

#include <windows.h>

#include <stdexcept>

#include "common/process_handles_win32.hpp"
#include "common/test_files.hpp"
#include "platform/handle_win32.hpp"
#include "platform/wide_text_win32.hpp"
#include "platform/windows_command_line.hpp"

namespace bq::test {
namespace {

// A temporary file that the system deletes once its last handle closes. The
// handle is inheritable, so the child shares its file position: after the
// child ends, reading starts again from the beginning.
class TempFile {
 public:
  TempFile() {
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    if (::GetTempPathW(MAX_PATH + 1, folder) == 0 || ::GetTempFileNameW(folder, L"bqh", 0, name) == 0) {
      throw std::runtime_error("GetTempFileNameW failed");
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    handle_.reset(::CreateFileW(name, GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!handle_) throw std::runtime_error("CreateFileW failed");
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  HANDLE handle() const { return handle_.get(); }

  void write_all(std::string_view bytes) {
    while (!bytes.empty()) {
      DWORD written = 0;
      if (!::WriteFile(handle_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
          written == 0) {
        throw std::runtime_error("WriteFile failed");
      }
      bytes.remove_prefix(written);
    }
    rewind();
  }

  std::string read_all() {
    rewind();
    std::string out;
    char buffer[65536];
    DWORD n = 0;
    while (::ReadFile(handle_.get(), buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
    return out;
  }

 private:
  void rewind() { ::SetFilePointer(handle_.get(), 0, nullptr, FILE_BEGIN); }

  platform::Handle handle_;
};

}  // namespace

HarnessRun run_harness(const std::vector<std::string>& args, std::string_view input) {
  TempFile in, out, err;
  in.write_all(input);

  std::wstring command_line = platform::to_wide(platform::windows_command_line(HARNESS, args));
  // Only these three handles reach the child, whatever else the test holds open.
  HANDLE handles[] = {in.handle(), out.handle(), err.handle()};
  SIZE_T size = 0;
  ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::string attributes(size, '\0');
  const auto list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
  if (!::InitializeProcThreadAttributeList(list, 1, 0, &size) ||
      !::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles, sizeof handles, nullptr,
                                   nullptr)) {
    throw std::runtime_error("handle list failed");
  }
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = in.handle();
  startup.StartupInfo.hStdOutput = out.handle();
  startup.StartupInfo.hStdError = err.handle();
  startup.lpAttributeList = list;
  PROCESS_INFORMATION process{};
  const BOOL started = ::CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE,
                                        EXTENDED_STARTUPINFO_PRESENT | CREATE_NO_WINDOW, nullptr, nullptr,
                                        &startup.StartupInfo, &process);
  ::DeleteProcThreadAttributeList(list);
  if (!started) throw std::runtime_error(std::string("cannot start ") + HARNESS);
  const ProcessHandles harness(process);

  DWORD exit_code = 0;
  const bool waited = ::WaitForSingleObject(harness.process.get(), INFINITE) == WAIT_OBJECT_0 &&
                      ::GetExitCodeProcess(harness.process.get(), &exit_code);
  if (!waited) throw std::runtime_error("waiting for the harness failed");

  HarnessRun run;
  run.status = static_cast<int>(exit_code);
  run.out = out.read_all();
  run.err = err.read_all();
  return run;
}

}  // namespace bq::test
