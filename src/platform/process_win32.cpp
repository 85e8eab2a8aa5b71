// Child processes on Windows: CreateProcessW with exactly the three standard
// handles inherited, and both output pipes read by overlapped calls in one
// wait loop that also watches the child's exit.
//
// `program` is the path of the file to run; CreateProcessW makes no search
// for it. The command line names the program by its file name alone, so a
// child sees the same line whichever folder it was started from.

#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <utility>

#include "platform/handle_win32.hpp"
#include "platform/os_error.hpp"
#include "platform/process.hpp"
#include "platform/wide_text_win32.hpp"
#include "platform/windows_command_line.hpp"

namespace bq::platform {
namespace {

// The kernel buffer of each output pipe and the size of each read.
constexpr DWORD PIPE_BUFFER_BYTES = 64 * 1024;

// Once the child has exited, a process it left behind may still hold a pipe
// and write on; this much more is taken from each pipe, then it is let go.
constexpr std::size_t AFTER_EXIT_BYTES = 1u << 20;

// The launcher's description of a start failure.
std::string launch_error(DWORD code) {
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return "program not found";
  return os_error_message(code);
}

std::string last_error() { return launch_error(::GetLastError()); }

SECURITY_ATTRIBUTES inheritable() { return {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE}; }

// An output pipe: our end reads overlapped and is never inherited; the
// child's end is inheritable, which matters only to a start that names it in
// its handle list. Anonymous pipes cannot be read overlapped, hence a named
// pipe with a name of its own that no one else can have opened first.
// Returns 0, or the system's error code.
DWORD make_pipe(Handle& read_end, Handle& write_end) {
  static std::atomic<unsigned long> serial{0};
  const std::wstring name = L"\\\\.\\pipe\\bq-child-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                            std::to_wstring(serial.fetch_add(1));
  read_end = Handle(::CreateNamedPipeW(name.c_str(),
                                       PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                       PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                                       0, PIPE_BUFFER_BYTES, 0, nullptr));
  if (!read_end) return ::GetLastError();
  SECURITY_ATTRIBUTES attributes = inheritable();
  write_end = Handle(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, &attributes, OPEN_EXISTING, 0, nullptr));
  if (!write_end) return ::GetLastError();
  return 0;
}

// The attribute that limits what a child inherits to the handles named here,
// so that two children started at once by two threads never get each
// other's pipe ends.
class InheritOnly {
 public:
  explicit InheritOnly(std::array<HANDLE, 3> handles) : handles_(handles) {
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    storage_ = std::make_unique<char[]>(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.get());
    if (!::InitializeProcThreadAttributeList(list, 1, 0, &size)) {
      error_ = ::GetLastError();
      return;
    }
    list_ = list;
    if (!::UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                     handles_.size() * sizeof(HANDLE), nullptr, nullptr))
      error_ = ::GetLastError();
  }
  InheritOnly(const InheritOnly&) = delete;
  InheritOnly& operator=(const InheritOnly&) = delete;
  ~InheritOnly() {
    if (list_ != nullptr) ::DeleteProcThreadAttributeList(list_);
  }

  DWORD error() const { return error_; }
  LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

 private:
  std::array<HANDLE, 3> handles_;  // the list points into this array
  std::unique_ptr<char[]> storage_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
  DWORD error_ = 0;
};

std::string file_name_of(const std::string& program) {
  const std::size_t slash = program.find_last_of("\\/");
  return slash == std::string::npos ? program : program.substr(slash + 1);
}

// Starts `program`. Returns 0 with `started` filled in, or the system's error code.
DWORD create_process(const std::string& program, const std::vector<std::string>& args, STARTUPINFOW& info, bool inherit,
                     DWORD flags, PROCESS_INFORMATION& started) {
  const std::wstring application = to_wide(program);
  std::wstring line = to_wide(windows_command_line(file_name_of(program), args));
  if (!::CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, inherit ? TRUE : FALSE, flags, nullptr,
                        nullptr, &info, &started))
    return ::GetLastError();
  return 0;
}

// What may still be kept of the child's output, over both pipes together.
struct Room {
  std::size_t left = 0;
  bool exceeded = false;  // a read brought more than fitted
};

// One output pipe with at most one overlapped read in flight.
class Reader {
 public:
  Reader(std::string& sink, Room& room)
      : sink_(sink), room_(room), buffer_(std::make_unique<char[]>(PIPE_BUFFER_BYTES)) {}
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;
  // The system writes into the buffer until the read is over.
  ~Reader() { close(); }

  // Returns 0, or the system's error code.
  DWORD open(Handle pipe) {
    pipe_ = std::move(pipe);
    event_ = Handle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event_) return ::GetLastError();
    start_read();
    return 0;
  }

  bool is_open() const { return static_cast<bool>(pipe_); }
  HANDLE event() const { return event_.get(); }
  bool completed() const { return pending_ && HasOverlappedIoCompleted(&overlapped_); }

  // Takes the outcome of a completed read and starts the next one, unless
  // the room is exceeded; the stream ends at its end or at a read error.
  // Returns the bytes read.
  std::size_t take() {
    const std::size_t taken = finish(FALSE);
    if (is_open() && !room_.exceeded) start_read();
    return taken;
  }

  // Cancels the read in flight and takes whatever it had got by then; a
  // read that got nothing ends the stream. Returns the bytes read.
  std::size_t cancel() {
    ::CancelIoEx(pipe_.get(), &overlapped_);
    const std::size_t taken = finish(TRUE);
    if (taken == 0) {
      close();
    } else if (is_open() && !room_.exceeded) {
      start_read();
    }
    return taken;
  }

  void close() {
    if (pending_) {
      ::CancelIoEx(pipe_.get(), &overlapped_);
      DWORD ignored = 0;
      ::GetOverlappedResult(pipe_.get(), &overlapped_, &ignored, TRUE);
      pending_ = false;
    }
    pipe_.reset();
  }

 private:
  void start_read() {
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = event_.get();
    // Done at once or later, the event is set and take() collects it.
    if (::ReadFile(pipe_.get(), buffer_.get(), PIPE_BUFFER_BYTES, nullptr, &overlapped_) ||
        ::GetLastError() == ERROR_IO_PENDING) {
      pending_ = true;
    } else {
      pipe_.reset();
    }
  }

  std::size_t finish(BOOL wait) {
    DWORD count = 0;
    const BOOL ok = ::GetOverlappedResult(pipe_.get(), &overlapped_, &count, wait);
    pending_ = false;
    if (!ok) {
      pipe_.reset();
      return 0;
    }
    const std::size_t kept = std::min<std::size_t>(count, room_.left);
    sink_.append(buffer_.get(), kept);
    room_.left -= kept;
    if (kept < count) room_.exceeded = true;
    return count;
  }

  std::string& sink_;
  Room& room_;
  std::unique_ptr<char[]> buffer_;
  Handle pipe_;
  Handle event_;
  OVERLAPPED overlapped_{};
  bool pending_ = false;
};

// Once the child has exited: what is already in the pipe, and no more than
// AFTER_EXIT_BYTES of it, then the pipe is let go.
void take_rest(Reader& reader, const Room& room) {
  std::size_t left = AFTER_EXIT_BYTES;
  while (reader.is_open() && left > 0 && !room.exceeded) {
    const std::size_t taken = reader.completed() ? reader.take() : reader.cancel();
    left -= std::min(left, taken);
  }
  reader.close();
}

// Reads both pipes at the same time until each has reached its end, or until
// the child has exited and what it left in them is taken. Stops early once
// the output overflows `room`, leaving the pipes open. Returns 0, or the
// error code of a failed wait.
DWORD drain(Reader& out, Reader& err, HANDLE child, const Room& room) {
  std::array<Reader*, 2> readers = {&out, &err};
  while (out.is_open() || err.is_open()) {
    std::array<HANDLE, 3> waited{};
    DWORD count = 0;
    for (Reader* reader : readers) {
      if (reader->is_open()) waited[count++] = reader->event();
    }
    waited[count++] = child;
    const DWORD woken = ::WaitForMultipleObjects(count, waited.data(), FALSE, INFINITE);
    if (woken >= WAIT_OBJECT_0 + count) {
      const DWORD error = woken == WAIT_FAILED ? ::GetLastError() : ERROR_INVALID_HANDLE;
      out.close();
      err.close();
      return error;
    }
    // Both are looked at on every wake-up, so a busy stdout cannot hold
    // stderr back.
    for (Reader* reader : readers) {
      if (reader->completed()) reader->take();
      if (room.exceeded) return 0;
    }
    if (waited[woken - WAIT_OBJECT_0] == child) {
      take_rest(out, room);
      take_rest(err, room);
      if (room.exceeded) return 0;
    }
  }
  return 0;
}

}  // namespace

support::Result<ChildOutput> run_child(const std::string& program, const std::vector<std::string>& args,
                                       std::size_t max_output_bytes) {
  Handle out_read, out_write, err_read, err_write;
  if (const DWORD error = make_pipe(out_read, out_write); error != 0) return launch_error(error);
  if (const DWORD error = make_pipe(err_read, err_write); error != 0) return launch_error(error);
  SECURITY_ATTRIBUTES attributes = inheritable();
  const Handle input(
      ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &attributes, OPEN_EXISTING, 0, nullptr));
  if (!input) return last_error();

  const InheritOnly inherit_only({input.get(), out_write.get(), err_write.get()});
  if (inherit_only.error() != 0) return launch_error(inherit_only.error());
  STARTUPINFOEXW info{};
  info.StartupInfo.cb = sizeof(info);
  info.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  info.StartupInfo.hStdInput = input.get();
  info.StartupInfo.hStdOutput = out_write.get();
  info.StartupInfo.hStdError = err_write.get();
  info.lpAttributeList = inherit_only.get();
  // EXTENDED_STARTUPINFO_PRESENT only says that `info` carries the handle list.
  PROCESS_INFORMATION started{};
  if (const DWORD error = create_process(program, args, info.StartupInfo, true,
                                         CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT, started);
      error != 0)
    return launch_error(error);
  const Handle process(started.hProcess);
  const Handle thread(started.hThread);

  // Only the child may hold the write ends now, or the reads never see an end.
  out_write.reset();
  err_write.reset();

  ChildOutput result;
  Room room{max_output_bytes};
  Reader out(result.out, room);
  Reader err(result.err, room);
  if (const DWORD error = out.open(std::move(out_read)); error != 0) return launch_error(error);
  if (const DWORD error = err.open(std::move(err_read)); error != 0) return launch_error(error);
  if (const DWORD error = drain(out, err, process.get(), room); error != 0) return launch_error(error);
  if (room.exceeded) {
    // Fails only when the child has already ended, which is as good.
    ::TerminateProcess(process.get(), 1);
    // Whatever the child left behind that still writes now meets a closed pipe.
    out.close();
    err.close();
    result.output_exceeded = true;
  }
  if (::WaitForSingleObject(process.get(), INFINITE) == WAIT_FAILED) return last_error();
  DWORD code = 0;
  if (!::GetExitCodeProcess(process.get(), &code)) return last_error();
  result.exitCode = code;
  return result;
}

support::Result<support::Done> start_detached(const std::string& program, const std::vector<std::string>& args) {
  // Nothing is inherited, so no pipe end of a probe running at the same
  // moment can leak into a child that is never waited for.
  STARTUPINFOW info{};
  info.cb = sizeof(info);
  PROCESS_INFORMATION started{};
  if (const DWORD error = create_process(program, args, info, false, CREATE_NO_WINDOW, started); error != 0)
    return launch_error(error);
  // Neither handle is kept: nothing waits for this child.
  const Handle process(started.hProcess);
  const Handle thread(started.hThread);
  return support::Done{};
}

}  // namespace bq::platform
