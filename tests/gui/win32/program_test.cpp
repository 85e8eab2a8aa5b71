// The program and the window layer as whole processes under the system.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <variant>

#include <gtest/gtest.h>

#include "gui/web_view.hpp"
#include "inspect_box.hpp"
#include "platform/wide_text_win32.hpp"
#include "scaled_sizes.hpp"

namespace {

// A path from the build, as the system takes it: under wine a Linux path is
// reached through drive Z:.
std::wstring system_path(std::string path) {
  if (path.starts_with('/')) path = "Z:" + path;
  return std::wstring(path.begin(), path.end());
}

// A child whose standard error goes to a file of the test's own. A child
// still running when the test ends is ended with it.
struct Child {
  PROCESS_INFORMATION process{};
  std::wstring error_file;
  Child() = default;
  Child(const Child&) = delete;
  ~Child();
};

void start(Child& child, const std::string& program) {
  wchar_t folder[MAX_PATH]{};
  wchar_t file[MAX_PATH]{};
  GetTempPathW(MAX_PATH, folder);
  GetTempFileNameW(folder, L"bq", 0, file);
  child.error_file = file;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const HANDLE error = CreateFileW(file, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdError = error;
  std::wstring command_line = L"\"" + system_path(program) + L"\"";
  const BOOL started = CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                      &startup, &child.process);
  CloseHandle(error);
  EXPECT_TRUE(started) << program << ": error " << GetLastError();
}

// The exit status, or STILL_ACTIVE when the child has not ended in `seconds`.
DWORD wait_exit(const Child& child, int seconds) {
  WaitForSingleObject(child.process.hProcess, static_cast<DWORD>(seconds) * 1000);
  DWORD status = STILL_ACTIVE;
  GetExitCodeProcess(child.process.hProcess, &status);
  return status;
}

Child::~Child() {
  if (process.hProcess != nullptr) {
    if (wait_exit(*this, 0) == STILL_ACTIVE) TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  DeleteFileW(error_file.c_str());
}

std::string read_file(const std::wstring& path) {
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(file);
  return text;
}

// Waits up to fifteen seconds for a visible top-level window of `class_name`
// titled `title`. The window exists before it has its size; it is shown after.
HWND wait_for_window(const wchar_t* class_name, const wchar_t* title) {
  for (int i = 0; i < 300; ++i) {
    const HWND found = FindWindowW(class_name, title);
    if (found != nullptr && IsWindowVisible(found)) return found;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return nullptr;
}

TEST(Win32Process, ClosingTheWindowWhileAWorkerHoldsEndsWithStatusZeroAtOnce) {
  Child child;
  start(child, BQ_LAYER_APP);
  // The title changes once the worker's script has gone through the proxy and
  // the worker has started its ten-minute sleep.
  const HWND window = wait_for_window(L"BrindleQuayWin11CheckWindow", L"Lớp cửa sổ — đang giữ");
  ASSERT_NE(window, nullptr);
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(wait_exit(child, 15), 0u);
  EXPECT_EQ(read_file(child.error_file), "");
}

TEST(Win32Process, StartUpWithoutAWebViewEndsInTheErrorBoxThenAFailureStatus) {
  const auto built = bq::gui::build_web_view(nullptr, nullptr, "", {});
  ASSERT_TRUE(std::holds_alternative<std::string>(built));
  const std::string error = std::get<std::string>(built);

  Child child;
  start(child, BQ_PROGRAM);
  SeenBox seen;
  std::thread watcher([&] { seen = inspect_box(L"Brindle Quay Win11 Check"); });
  // The window stands behind the box.
  const HWND window =
      wait_for_window(L"BrindleQuayWin11CheckWindow", L"Brindle Quay — Kiểm tra điều kiện cài đặt Windows 11 Pro");
  RECT client{};
  GetClientRect(window, &client);
  const UINT dpi = GetDpiForWindow(window);
  watcher.join();
  ASSERT_NE(window, nullptr);
  if (expected_dpi() != 0) {
    EXPECT_EQ(dpi, expected_dpi()) << "the run's screen scale";
  }
  const ScaledSizes* sizes = sizes_at(dpi);
  ASSERT_NE(sizes, nullptr) << "no sizes for " << dpi << " DPI";
  EXPECT_EQ(client.right, sizes->client.cx);
  EXPECT_EQ(client.bottom, sizes->client.cy);
  ASSERT_TRUE(seen.found);
  const std::string expected_text =
      "Máy tính chưa có Microsoft Edge WebView2 Runtime để mở giao diện.\nChi tiết: " + error +
      "\n\nVui lòng cập nhật Windows hoặc liên hệ Zalo Brindle Quay: 0912 345 678.";
  EXPECT_EQ(seen.text, bq::platform::to_wide(expected_text));
  EXPECT_EQ(seen.owner, nullptr);
  EXPECT_EQ(seen.buttons, 1);
  EXPECT_TRUE(seen.icon);  // which one, the error box's own test sees

  const DWORD status = wait_exit(child, 15);
  EXPECT_EQ(status, 0xC0000409u) << "the fail-fast status";
  // The line break may be CR LF: standard error can be a text stream here.
  std::string fatal = read_file(child.error_file);
  fatal.resize(std::min(fatal.find('\n'), fatal.size()));
  if (fatal.ends_with('\r')) fatal.pop_back();
  EXPECT_EQ(fatal, "WebView2 init error: " + error);
}

}  // namespace
