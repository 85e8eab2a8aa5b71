// The program and the window layer as whole processes under the system. The
// program runs as a copy in a folder of its own, with the SDK's
// WebView2Loader.dll beside it (no runtime here), with the tests' fake one
// (which plays a page from a scenario of tests/data/webview2), or with none.

// Before <windows.h>, whose winsock part defines NO_DATA as a macro.
#include "common/fake_probe_record.hpp"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "common/process_handles_win32.hpp"
#include "common/system_folder_fakes.hpp"
#include "common/test_files.hpp"
#include "common/windows_test.hpp"
#include "gui/web_view.hpp"
#include "inspect_box.hpp"
#include "platform/handle_win32.hpp"
#include "platform/wide_text_win32.hpp"
#include "scaled_sizes.hpp"
#include "shell/page.hpp"

namespace bq::ui {
extern const std::string_view INDEX_HTML;
extern const std::string_view LOGO_PNG;
}  // namespace bq::ui

namespace {

using bq::test::utf8;

constexpr std::string_view TITLE = "Brindle Quay — Kiểm tra điều kiện cài đặt Windows 11 Pro";
constexpr std::string_view BOX_START = "Máy tính chưa có Microsoft Edge WebView2 Runtime để mở giao diện.\nChi tiết: ";
constexpr std::string_view BOX_END = "\n\nVui lòng cập nhật Windows hoặc liên hệ Zalo Brindle Quay: 0912 345 678.";
constexpr DWORD FAIL_FAST = 0xC0000409;

// A path from the build, as the system takes it: under wine a Linux path is
// reached through drive Z:.
std::filesystem::path system_path(std::string path) {
  if (path.starts_with('/')) path = "Z:" + path;
  return std::filesystem::path(std::wstring(path.begin(), path.end()));
}

// A child whose standard error goes to a file of the test's own. A child
// still running when the test ends is ended with it.
struct Child {
  bq::test::ProcessHandles handles;
  std::wstring error_file;
  Child() = default;
  Child(const Child&) = delete;
  ~Child();
};

void start(Child& child, const std::filesystem::path& program, const wchar_t* folder = nullptr) {
  wchar_t temp[MAX_PATH]{};
  wchar_t file[MAX_PATH]{};
  GetTempPathW(MAX_PATH, temp);
  GetTempFileNameW(temp, L"bq", 0, file);
  child.error_file = file;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const bq::platform::Handle error(
      CreateFileW(file, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdError = error.get();
  std::wstring command_line = L"\"" + program.native() + L"\"";
  PROCESS_INFORMATION process{};
  const BOOL started =
      CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, folder, &startup, &process);
  EXPECT_TRUE(started) << utf8(program) << ": error " << GetLastError();
  if (started) child.handles = bq::test::ProcessHandles(process);
}

// The exit status, or STILL_ACTIVE when the child has not ended in `seconds`.
DWORD wait_exit(const Child& child, int seconds) {
  WaitForSingleObject(child.handles.process.get(), static_cast<DWORD>(seconds) * 1000);
  DWORD status = STILL_ACTIVE;
  GetExitCodeProcess(child.handles.process.get(), &status);
  return status;
}

Child::~Child() {
  if (handles.process) {
    if (wait_exit(*this, 0) == STILL_ACTIVE) TerminateProcess(handles.process.get(), 1);
    WaitForSingleObject(handles.process.get(), INFINITE);
  }
  DeleteFileW(error_file.c_str());
}

// The first line of what the child wrote to standard error. The line break
// may be CR LF: standard error can be a text stream here.
std::string first_error_line(const Child& child) {
  std::string text = bq::test::read_bytes(child.error_file).value_or("");
  text.resize(std::min(text.find('\n'), text.size()));
  if (text.ends_with('\r')) text.pop_back();
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
  start(child, system_path(BQ_LAYER_APP));
  // The title changes once the worker's script has gone through the proxy and
  // the worker has started its ten-minute sleep.
  const HWND window = wait_for_window(L"BrindleQuayWin11CheckWindow", L"Lớp cửa sổ — đang giữ");
  ASSERT_NE(window, nullptr);
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(wait_exit(child, 15), 0u);
  EXPECT_EQ(first_error_line(child), "");
}

// What the fake loader recorded, in order: each call's name and value.
using Records = std::vector<std::pair<std::string, std::string>>;

Records read_records(const std::filesystem::path& file) {
  return bq::test::nul_separated_pairs(bq::test::read_bytes(file).value_or(""));
}

std::vector<std::string> values_of(const Records& records, std::string_view name) {
  std::vector<std::string> values;
  for (const auto& [record, value] : records) {
    if (record == name) values.push_back(value);
  }
  return values;
}

// The position of the first record `name` (with `value`, when given) from
// `from` on, or the number of records when there is none.
std::size_t find_record(const Records& records, std::string_view name, std::string_view value = {},
                        std::size_t from = 0) {
  for (std::size_t i = from; i < records.size(); ++i) {
    if (records[i].first == name && (value.empty() || records[i].second == value)) return i;
  }
  return records.size();
}

// "L T R B client L T R B" of a put_Bounds record: the bounds and the
// window's client area at that moment.
std::pair<std::string, std::string> bounds_and_client(const std::string& value) {
  const std::size_t middle = value.find(" client ");
  if (middle == std::string::npos) return {value, ""};
  return {value.substr(0, middle), value.substr(middle + 8)};
}

struct ProgramRun {
  DWORD status = STILL_ACTIVE;
  std::string fatal;  // the first line of standard error
  Records records;
  SeenBox box;
};

// The program's runs, each from a copy of its own, with the system folder's
// powershell.exe the tests' fake (printing FAKE_PROBE_RECORD).
class Win32Program : public bq::test::SystemFolderFakes {
 protected:
  void SetUp() override {
    SystemFolderFakes::SetUp();
    if (IsSkipped()) return;
    install("WindowsPowerShell\\v1.0\\powershell.exe");
    set_mode(L"probe");
    log_ = folder_.path() / "webview2.log";
    SetEnvironmentVariableW(L"BQ_FAKE_WEBVIEW2_LOG", log_.c_str());
  }

  void TearDown() override {
    SetEnvironmentVariableW(L"BQ_FAKE_WEBVIEW2_LOG", nullptr);
    SetEnvironmentVariableW(L"BQ_FAKE_WEBVIEW2_SCENARIO", nullptr);
    SystemFolderFakes::TearDown();
  }

  // A folder of this test's own holding the program, and `loader` beside it
  // as WebView2Loader.dll (none when null).
  std::filesystem::path copy_program(const char* loader) {
    const std::filesystem::path folder = folder_.path() / ("app" + std::to_string(copies_++));
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(system_path(BQ_PROGRAM), folder / "brindle-quay-win11-check.exe");
    if (loader != nullptr) std::filesystem::copy_file(system_path(loader), folder / "WebView2Loader.dll");
    return folder;
  }

  // Runs the program from `folder` with `scenario` for the fake loader, until
  // it ends (half a minute at most). When `box` is set, the error box is
  // awaited, looked at and closed with OK.
  ProgramRun run(const std::filesystem::path& folder, std::string_view scenario, bool box,
                 const wchar_t* current_folder = nullptr) {
    std::filesystem::remove(log_);
    const std::string scenario_file = folder_.write("scenario.txt", scenario);
    SetEnvironmentVariableW(L"BQ_FAKE_WEBVIEW2_SCENARIO", bq::platform::to_wide(scenario_file).c_str());
    ProgramRun result;
    Child child;
    start(child, folder / "brindle-quay-win11-check.exe", current_folder);
    if (box) result.box = inspect_box(L"Brindle Quay Win11 Check");
    result.status = wait_exit(child, 30);
    result.fatal = first_error_line(child);
    result.records = read_records(log_);
    return result;
  }

  ProgramRun run_data_scenario(std::string_view name) {
    return run(copy_program(BQ_FAKE_WEBVIEW2_LOADER), bq::test::read_data_file("webview2/" + std::string(name)), false);
  }

  bq::test::WindowsTempDir folder_;
  std::filesystem::path log_;

 private:
  int copies_ = 0;
};

// The error box's detail, after "Chi tiết: ", when its text is the start-up
// failure's; empty otherwise.
std::string box_detail(const SeenBox& box) {
  const std::string text = bq::platform::to_utf8(box.text);
  if (!text.starts_with(BOX_START) || !text.ends_with(BOX_END)) return {};
  return text.substr(BOX_START.size(), text.size() - BOX_START.size() - BOX_END.size());
}

TEST_F(Win32Program, WithTheSdksLoaderAndNoRuntimeTheBoxShowsTheLoadersFailureThenItFailsFast) {
  const std::filesystem::path folder = copy_program(BQ_REAL_WEBVIEW2_LOADER);
  Child child;
  start(child, folder / "brindle-quay-win11-check.exe");
  SeenBox seen;
  std::thread watcher([&] { seen = inspect_box(L"Brindle Quay Win11 Check"); });
  // The window stands behind the box.
  const HWND window = wait_for_window(L"BrindleQuayWin11CheckWindow", bq::platform::to_wide(TITLE).c_str());
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
  EXPECT_EQ(seen.owner, nullptr);
  EXPECT_EQ(seen.buttons, 1);
  EXPECT_TRUE(seen.icon);  // which one, the error box's own test sees
  // Without a runtime the loader fails at once with "file not found", in the
  // system's words.
  const std::string detail = box_detail(seen);
  EXPECT_TRUE(detail.starts_with("the WebView2 environment could not be created: "))
      << bq::platform::to_utf8(seen.text);
  EXPECT_TRUE(detail.ends_with(" (0x80070002)")) << detail;

  EXPECT_EQ(wait_exit(child, 15), FAIL_FAST);
  EXPECT_EQ(first_error_line(child), "WebView2 init error: " + detail);
}

TEST_F(Win32Program, WithoutALoaderBesideItNoneFromTheCurrentFolderOrPathIsLoaded) {
  // The fake loader in the current folder and in a folder of PATH, none
  // beside the program.
  const std::filesystem::path current = copy_program(BQ_FAKE_WEBVIEW2_LOADER);
  const std::filesystem::path on_path = copy_program(BQ_FAKE_WEBVIEW2_LOADER);
  const std::filesystem::path folder = copy_program(nullptr);
  std::wstring path(32768, L'\0');
  path.resize(GetEnvironmentVariableW(L"PATH", path.data(), static_cast<DWORD>(path.size())));
  SetEnvironmentVariableW(L"PATH", (on_path.native() + L";" + path).c_str());
  const ProgramRun run = this->run(folder, "", true, current.c_str());
  SetEnvironmentVariableW(L"PATH", path.c_str());

  ASSERT_TRUE(run.box.found);
  const std::string detail = box_detail(run.box);
  const std::string loader = utf8(folder / "WebView2Loader.dll");
  EXPECT_TRUE(detail.starts_with("WebView2Loader.dll could not be loaded from " + loader + ": "))
      << bq::platform::to_utf8(run.box.text);
  EXPECT_TRUE(detail.ends_with(" (0x8007007E)")) << detail;
  EXPECT_EQ(run.status, FAIL_FAST);
  EXPECT_EQ(run.fatal, "WebView2 init error: " + detail);
  EXPECT_EQ(values_of(run.records, "loaded"), std::vector<std::string>{});
}

TEST_F(Win32Program, AnswersThePageEndToEnd) {
  const ProgramRun run = run_data_scenario("page.txt");
  const Records& records = run.records;
  EXPECT_EQ(run.status, 0u);
  EXPECT_EQ(run.fatal, "");
  EXPECT_EQ(values_of(records, "unexpected"), std::vector<std::string>{});

  // The runtime installed on the system, with the data folder under the
  // temporary directory, and nothing of the program's own.
  wchar_t temp[MAX_PATH + 1]{};
  std::wstring data_folder(temp, GetTempPathW(MAX_PATH + 1, temp));
  data_folder += L"BrindleQuayWin11Check_WebView2";
  EXPECT_EQ(values_of(records, "userDataFolder"), std::vector<std::string>{bq::platform::to_utf8(data_folder)});
  EXPECT_EQ(values_of(records, "browserExecutableFolder"), std::vector<std::string>{"(null)"});
  EXPECT_EQ(values_of(records, "environmentOptions"), std::vector<std::string>{"(null)"});

  // On the program's window, filling its client area.
  EXPECT_EQ(values_of(records, "CreateCoreWebView2Controller"),
            std::vector<std::string>{std::string(TITLE) + "\nBrindleQuayWin11CheckWindow"});
  const std::vector<std::string> bounds = values_of(records, "put_Bounds");
  ASSERT_FALSE(bounds.empty());
  if (const ScaledSizes* sizes = sizes_at(expected_dpi())) {
    const std::string start_size = fmt::format("0 0 {} {}", sizes->client.cx, sizes->client.cy);
    EXPECT_EQ(bounds_and_client(bounds.front()), std::make_pair(start_size, start_size));
  }
  EXPECT_EQ(values_of(records, "put_AreDevToolsEnabled"), std::vector<std::string>{"0"});

  // window.ipc before the page, which is the composed page, byte for byte.
  const std::size_t script = find_record(records, "AddScriptToExecuteOnDocumentCreated");
  const std::size_t script_taken = find_record(records, "answer", "AddScriptToExecuteOnDocumentCreated");
  const std::size_t navigation = find_record(records, "NavigateToString");
  ASSERT_LT(script, records.size());
  ASSERT_LT(navigation, records.size());
  EXPECT_LT(script_taken, navigation);
  EXPECT_EQ(records[script].second, bq::test::read_source_file("src/gui/win32/ipc.js"));
  EXPECT_TRUE(records[navigation].second == bq::shell::compose_page(bq::ui::INDEX_HTML, bq::ui::LOGO_PNG))
      << "the navigated page differs from the composed page";

  // One answer each for the scan and the unknown action, none for the value
  // that is not a string.
  const bq::test::HarnessRun report = bq::test::run_harness({"report"}, bq::test::FAKE_PROBE_RECORD);
  ASSERT_EQ(report.status, 0) << report.err;
  std::string report_json = report.out;
  while (report_json.ends_with('\n') || report_json.ends_with('\r')) report_json.pop_back();
  std::vector<std::string> scripts = values_of(records, "ExecuteScript");
  std::sort(scripts.begin(), scripts.end());
  EXPECT_EQ(scripts, (std::vector<std::string>{"window.__bqCallback(1, " + report_json + ");",
                                               R"(window.__bqCallback(2, {"error":"Unknown action"});)"}));
}

TEST_F(Win32Program, TheViewFollowsTheWindowsSizeAndFocus) {
  const ProgramRun run = run_data_scenario("window.txt");
  const Records& records = run.records;
  EXPECT_EQ(run.status, 0u);
  const std::size_t resized = find_record(records, "step", "resize 900 700");
  const std::size_t minimised = find_record(records, "step", "minimize");
  const std::size_t restored = find_record(records, "step", "restore");
  const std::size_t focused = find_record(records, "step", "focus");
  ASSERT_LT(focused, records.size());

  // Every bounds given are the client area of that moment; the resize gives
  // new ones.
  const std::size_t first_bounds = find_record(records, "put_Bounds");
  const std::size_t resized_bounds = find_record(records, "put_Bounds", {}, resized);
  ASSERT_LT(resized_bounds, minimised);
  for (const std::string& value : values_of(records, "put_Bounds")) {
    const auto [given, client] = bounds_and_client(value);
    EXPECT_EQ(given, client);
  }
  EXPECT_NE(records[first_bounds].second, records[resized_bounds].second);

  // Hidden while minimised, shown and sized again when restored.
  EXPECT_LT(find_record(records, "put_IsVisible", "0", minimised), restored);
  EXPECT_LT(find_record(records, "put_IsVisible", "1", restored), focused);
  EXPECT_LT(find_record(records, "put_Bounds", {}, restored), focused);
  // The focus goes on into the view.
  EXPECT_LT(find_record(records, "MoveFocus", {}, focused), records.size());
}

TEST_F(Win32Program, TwoRequestsPostedAtOnceGetBothRepliesOnceEach) {
  const ProgramRun run = run_data_scenario("together.txt");
  EXPECT_EQ(run.status, 0u);
  std::vector<std::string> ids;
  for (const std::string& script : values_of(run.records, "ExecuteScript")) {
    ids.push_back(script.substr(0, script.find(',')));
  }
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<std::string>{"window.__bqCallback(1", "window.__bqCallback(2"}));
}

TEST_F(Win32Program, ACloseRequestEndsWithStatusZeroWhileAWorkerStillRuns) {
  // The probe's powershell.exe waits until the test is done.
  const std::filesystem::path release = folder_.path() / "release";
  SetEnvironmentVariableW(L"BQ_FAKE_RELEASE", release.c_str());
  set_mode(L"hold");
  const ProgramRun run = run_data_scenario("close-while-scanning.txt");
  folder_.write("release", "");
  SetEnvironmentVariableW(L"BQ_FAKE_RELEASE", nullptr);
  EXPECT_EQ(run.status, 0u);
  EXPECT_EQ(run.fatal, "");
  EXPECT_EQ(starts().size(), 1u) << "the probe's powershell.exe";
  EXPECT_EQ(values_of(run.records, "await-timeout"), std::vector<std::string>{});
  EXPECT_LT(find_record(run.records, "step", "close"), run.records.size());
  EXPECT_EQ(values_of(run.records, "ExecuteScript"), std::vector<std::string>{});
}

TEST_F(Win32Program, AFailedCreationStepShowsTheBoxWithItsCodeThenFailsFast) {
  struct Case {
    std::string_view scenario;
    std::string_view detail_start;
    std::string_view code;
  };
  const Case cases[] = {
      {"refuse CreateCoreWebView2EnvironmentWithOptions 80004005",
       "the WebView2 environment could not be created: ", "(0x80004005)"},
      {"answer environment 80070005", "the WebView2 environment could not be created: ", "(0x80070005)"},
      {"answer controller 8007000E", "the WebView2 controller could not be created: ", "(0x8007000E)"},
      {"refuse put_AreDevToolsEnabled 80070057",
       "the WebView2 setting AreDevToolsEnabled was refused: ", "(0x80070057)"},
      {"refuse NavigateToString 80004004", "the page could not be loaded: ", "(0x80004004)"},
  };
  const std::filesystem::path folder = copy_program(BQ_FAKE_WEBVIEW2_LOADER);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    const ProgramRun run = this->run(folder, c.scenario, true);
    ASSERT_TRUE(run.box.found);
    const std::string detail = box_detail(run.box);
    EXPECT_TRUE(detail.starts_with(c.detail_start)) << bq::platform::to_utf8(run.box.text);
    EXPECT_TRUE(detail.ends_with(c.code)) << detail;
    EXPECT_EQ(run.status, FAIL_FAST);
    EXPECT_EQ(run.fatal, "WebView2 init error: " + detail);
  }
}

TEST(Win32WebView, APageOverWhatNavigateToStringTakesIsRefusedFirst) {
  // NavigateToString takes at most 2 MiB, counted in UTF-16. A page within
  // that goes on to the loader, which this test program has none of beside
  // it; a page beyond is refused before anything else is touched.
  struct Case {
    std::string page;
    std::string failure_start;
  };
  std::string three_byte_letters;
  for (int i = 0; i < 700'000; ++i) three_byte_letters += "ả";  // 2.1 MB of UTF-8, 1.4 MB of UTF-16
  const Case cases[] = {
      {std::string(1024 * 1024, 'a'), "WebView2Loader.dll could not be loaded from "},
      {three_byte_letters, "WebView2Loader.dll could not be loaded from "},
      {std::string(1024 * 1024 + 1, 'a'),
       "the page is 2097154 bytes in UTF-16, more than the 2097152 that NavigateToString takes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page.size());
    const auto built = bq::gui::build_web_view(nullptr, nullptr, c.page, {});
    ASSERT_TRUE(std::holds_alternative<std::string>(built));
    EXPECT_TRUE(std::get<std::string>(built).starts_with(c.failure_start)) << std::get<std::string>(built);
  }
}

}  // namespace
