// A WebView2Loader.dll of the tests' own, built with the SDK's header. It
// exports CreateCoreWebView2EnvironmentWithOptions, and its environment,
// controller, web view and settings record every call the program makes of
// them. They answer as the runtime does: later, through messages posted to
// the calling thread, never inside the caller's own call. Once the page has
// been navigated to, the fake plays it from a scenario.
//
// BQ_FAKE_WEBVIEW2_LOG, a file: each record is appended as its name and its
// value, in UTF-8, each followed by a NUL byte. "loaded" (the DLL's path) comes
// first, when the DLL is loaded; "step" (the scenario's line) before each step.
// BQ_FAKE_WEBVIEW2_SCENARIO, a file of one step per line:
//   refuse NAME HRESULT     the method NAME fails at once with HRESULT
//   answer environment|controller HRESULT
//                           that creation completes with HRESULT and nothing
//   post TEXT               the page posts TEXT, a string
//   post-json JSON          the page posts a value that is not a string
//   resize WIDTH HEIGHT     the window is given that outer size
//   minimize, restore, focus
//                           the window is minimised, restored, given the focus
//   await-file VARIABLE     nothing more happens until the file that the
//                           environment variable VARIABLE names exists (15 s
//                           at most; "await-timeout" is recorded then)
//   close                   the window is asked to close
//   close-after-scripts N   the window is asked to close once N scripts ran
// The steps from "post" on run one at a time after the navigation, in order.

#define CINTERFACE
#include <windows.h>

#include <WebView2.h>

#include <cstddef>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "platform/handle_win32.hpp"

namespace {

std::wstring variable(const wchar_t* name) {
  std::wstring value(32768, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
  return value;
}

std::string utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), length, nullptr, nullptr);
  return out;
}

std::wstring wide(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, out.data(), length);
  return out;
}

std::string utf8_or_null(LPCWSTR text) { return text == nullptr ? "(null)" : utf8(text); }

void record(std::string_view name, std::string_view value = {}) {
  static const std::wstring file = variable(L"BQ_FAKE_WEBVIEW2_LOG");
  if (file.empty()) return;
  std::string entry(name);
  entry += '\0';
  entry += value;
  entry += '\0';
  // Opened for each record: the program may end at any moment, without
  // running anything of this DLL.
  const bq::platform::Handle out(CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             nullptr, OPEN_ALWAYS, 0, nullptr));
  DWORD written = 0;
  WriteFile(out.get(), entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr);
}

struct Step {
  std::string line;
  std::string command;
  std::string argument;  // the rest of the line
};

struct Scenario {
  std::map<std::string, HRESULT, std::less<>> refused;
  HRESULT environment_answer = S_OK;
  HRESULT controller_answer = S_OK;
  int close_after_scripts = 0;  // 0: never
  std::vector<Step> page;
};

HRESULT parse_hresult(const std::string& text) { return static_cast<HRESULT>(std::stoul(text, nullptr, 16)); }

Scenario read_scenario() {
  Scenario scenario;
  const std::wstring file = variable(L"BQ_FAKE_WEBVIEW2_SCENARIO");
  if (file.empty()) return scenario;
  std::ifstream in(std::filesystem::path(file), std::ios::binary);
  if (!in) record("scenario-error", "cannot open " + utf8(file));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.starts_with('#')) continue;
    const std::size_t space = line.find(' ');
    Step step{line, line.substr(0, space), space == std::string::npos ? "" : line.substr(space + 1)};
    std::istringstream words(step.argument);
    std::string first;
    std::string second;
    words >> first >> second;
    if (step.command == "refuse") {
      scenario.refused[first] = parse_hresult(second);
    } else if (step.command == "answer" && first == "environment") {
      scenario.environment_answer = parse_hresult(second);
    } else if (step.command == "answer" && first == "controller") {
      scenario.controller_answer = parse_hresult(second);
    } else if (step.command == "close-after-scripts") {
      scenario.close_after_scripts = std::stoi(first);
    } else {
      scenario.page.push_back(std::move(step));
    }
  }
  return scenario;
}

const Scenario& scenario() {
  static const Scenario read = read_scenario();
  return read;
}

// Records the call and answers what the scenario says it answers: S_OK, or
// the failure it refuses the call with.
HRESULT called(std::string_view name, std::string_view value = {}) {
  record(name, value);
  const auto refused = scenario().refused.find(name);
  return refused == scenario().refused.end() ? S_OK : refused->second;
}

// --- answering later ---------------------------------------------------------

constexpr UINT RUN_TASK = WM_APP + 0x2B;
std::deque<std::function<void()>> tasks;
HWND task_window = nullptr;

LRESULT CALLBACK task_procedure(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != RUN_TASK || tasks.empty()) return DefWindowProcW(handle, message, wparam, lparam);
  std::function<void()> task = std::move(tasks.front());
  tasks.pop_front();
  task();
  return 0;
}

// Runs `task` on this thread once its message is dispatched: one message per
// task, in the order asked.
void later(std::function<void()> task) {
  if (task_window == nullptr) {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = task_procedure;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"BqFakeWebView2Tasks";
    RegisterClassW(&window_class);
    task_window = CreateWindowExW(0, window_class.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  window_class.hInstance, nullptr);
  }
  tasks.push_back(std::move(task));
  PostMessageW(task_window, RUN_TASK, 0, 0);
}

// --- the objects -------------------------------------------------------------

// Every slot that has no function of its own records its interface and number.
enum Kind { ENVIRONMENT, CONTROLLER, WEB_VIEW, SETTINGS, MESSAGE_ARGS };
constexpr const char* KIND_NAMES[] = {"ICoreWebView2Environment", "ICoreWebView2Controller", "ICoreWebView2",
                                      "ICoreWebView2Settings", "ICoreWebView2WebMessageReceivedEventArgs"};

template <int K, std::size_t SLOT>
HRESULT STDMETHODCALLTYPE unexpected(void*) {
  record("unexpected", fmt::format("{} slot {}", KIND_NAMES[K], SLOT));
  return E_NOTIMPL;
}

template <int K, typename Vtbl, std::size_t... SLOTS>
void fill_unexpected(Vtbl& vtbl, std::index_sequence<SLOTS...>) {
  auto** slots = reinterpret_cast<void**>(&vtbl);
  ((slots[SLOTS] = reinterpret_cast<void*>(&unexpected<K, SLOTS>)), ...);
}

template <int K, typename Vtbl>
void fill_unexpected(Vtbl& vtbl) {
  fill_unexpected<K>(vtbl, std::make_index_sequence<sizeof(Vtbl) / sizeof(void*)>{});
}

// QueryInterface of an object of the interface whose id is OWN: itself, as
// that interface or IUnknown; anything else is recorded and refused.
template <const IID* OWN, typename Object>
HRESULT STDMETHODCALLTYPE query(Object* self, REFIID iid, void** out) {
  if (IsEqualIID(iid, *OWN) || IsEqualIID(iid, IID_IUnknown)) {
    *out = self;
    return S_OK;
  }
  wchar_t text[40]{};
  StringFromGUID2(iid, text, 40);
  record("QueryInterface", utf8(text));
  *out = nullptr;
  return E_NOINTERFACE;
}

// The four long-lived objects are static: their references are counted for
// nobody. Every slot of theirs records an unexpected call until it is given a
// function of its own.
template <typename Object>
ULONG STDMETHODCALLTYPE static_add_ref(Object*) {
  return 2;
}
template <typename Object>
ULONG STDMETHODCALLTYPE static_release(Object*) {
  return 1;
}
template <int K, const IID* OWN, typename Object, typename Vtbl>
void begin_static(Vtbl& vtbl) {
  fill_unexpected<K>(vtbl);
  vtbl.QueryInterface = query<OWN, Object>;
  vtbl.AddRef = static_add_ref<Object>;
  vtbl.Release = static_release<Object>;
}

ICoreWebView2EnvironmentVtbl environment_vtbl;
ICoreWebView2Environment environment{&environment_vtbl};
ICoreWebView2ControllerVtbl controller_vtbl;
ICoreWebView2Controller controller{&controller_vtbl};
ICoreWebView2Vtbl web_view_vtbl;
ICoreWebView2 web_view{&web_view_vtbl};
ICoreWebView2SettingsVtbl settings_vtbl;
ICoreWebView2Settings settings{&settings_vtbl};

HWND parent = nullptr;
ICoreWebView2WebMessageReceivedEventHandler* message_handler = nullptr;
int scripts_run = 0;

std::string rect_text(const RECT& rect) {
  return fmt::format("{} {} {} {}", rect.left, rect.top, rect.right, rect.bottom);
}

// A message the page posts: a string, or a value that is not one.
struct MessageArgs {
  ICoreWebView2WebMessageReceivedEventArgs com;  // first: the COM pointer is this object's
  std::wstring json;
  std::wstring text;
  bool is_string = false;
  ULONG references = 1;
};
ICoreWebView2WebMessageReceivedEventArgsVtbl message_args_vtbl;

MessageArgs* args_of(ICoreWebView2WebMessageReceivedEventArgs* com) { return reinterpret_cast<MessageArgs*>(com); }

LPWSTR task_memory_copy(const std::wstring& text) {
  auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
  text.copy(copy, text.size());
  copy[text.size()] = L'\0';
  return copy;
}

// A JSON string literal of `text`, as the runtime writes a posted string.
std::wstring json_string(const std::wstring& text) {
  std::wstring out = L"\"";
  for (const wchar_t c : text) {
    if (c == L'"' || c == L'\\') out += L'\\';
    if (c < 0x20) {
      out += wide(fmt::format("\\u{:04x}", static_cast<unsigned>(c)));
      continue;
    }
    out += c;
  }
  return out + L"\"";
}

void post_to_page(const std::string& argument, bool is_string) {
  auto* args = new MessageArgs{{&message_args_vtbl}, {}, {}, is_string};
  if (is_string) {
    args->text = wide(argument);
    args->json = json_string(args->text);
  } else {
    args->json = wide(argument);
  }
  if (message_handler != nullptr) message_handler->lpVtbl->Invoke(message_handler, &web_view, &args->com);
  args->com.lpVtbl->Release(&args->com);
}

void ask_to_close() {
  later([] { PostMessageW(parent, WM_CLOSE, 0, 0); });
}

void play(const Step& step) {
  record("step", step.line);
  std::istringstream words(step.argument);
  if (step.command == "post") {
    post_to_page(step.argument, true);
  } else if (step.command == "post-json") {
    post_to_page(step.argument, false);
  } else if (step.command == "resize") {
    int width = 0;
    int height = 0;
    words >> width >> height;
    SetWindowPos(parent, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
  } else if (step.command == "minimize") {
    ShowWindow(parent, SW_MINIMIZE);
  } else if (step.command == "restore") {
    ShowWindow(parent, SW_RESTORE);
  } else if (step.command == "focus") {
    SetFocus(nullptr);
    SetFocus(parent);
  } else if (step.command == "await-file") {
    // The steps after this one wait in the queue behind it.
    const std::wstring file = variable(wide(step.argument).c_str());
    int waited = 0;
    for (; waited < 750 && GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES; ++waited) Sleep(20);
    if (waited == 750) record("await-timeout", step.argument);
  } else if (step.command == "close") {
    PostMessageW(parent, WM_CLOSE, 0, 0);
  } else {
    record("scenario-error", "unknown step: " + step.line);
  }
}

// -- ICoreWebView2WebMessageReceivedEventArgs

ULONG STDMETHODCALLTYPE args_add_ref(ICoreWebView2WebMessageReceivedEventArgs* self) {
  return ++args_of(self)->references;
}
ULONG STDMETHODCALLTYPE args_release(ICoreWebView2WebMessageReceivedEventArgs* self) {
  const ULONG left = --args_of(self)->references;
  if (left == 0) delete args_of(self);
  return left;
}
HRESULT STDMETHODCALLTYPE args_source(ICoreWebView2WebMessageReceivedEventArgs*, LPWSTR* source) {
  record("get_Source");
  *source = task_memory_copy(L"about:blank");
  return S_OK;
}
HRESULT STDMETHODCALLTYPE args_json(ICoreWebView2WebMessageReceivedEventArgs* self, LPWSTR* json) {
  record("get_WebMessageAsJson");
  *json = task_memory_copy(args_of(self)->json);
  return S_OK;
}
HRESULT STDMETHODCALLTYPE args_string(ICoreWebView2WebMessageReceivedEventArgs* self, LPWSTR* text) {
  const MessageArgs& args = *args_of(self);
  record("TryGetWebMessageAsString", args.is_string ? "string" : "not a string");
  if (!args.is_string) {
    *text = nullptr;
    return E_INVALIDARG;
  }
  *text = task_memory_copy(args.text);
  return S_OK;
}

// -- ICoreWebView2Settings: every flag is on until it is set.

#define BQ_FAKE_SETTING(NAME)                                                 \
  HRESULT STDMETHODCALLTYPE get_##NAME(ICoreWebView2Settings*, BOOL* value) { \
    *value = TRUE;                                                            \
    return S_OK;                                                              \
  }                                                                           \
  HRESULT STDMETHODCALLTYPE put_##NAME(ICoreWebView2Settings*, BOOL value) {  \
    return called("put_" #NAME, value ? "1" : "0");                           \
  }
BQ_FAKE_SETTING(IsScriptEnabled)
BQ_FAKE_SETTING(IsWebMessageEnabled)
BQ_FAKE_SETTING(AreDefaultScriptDialogsEnabled)
BQ_FAKE_SETTING(IsStatusBarEnabled)
BQ_FAKE_SETTING(AreDevToolsEnabled)
BQ_FAKE_SETTING(AreDefaultContextMenusEnabled)
BQ_FAKE_SETTING(AreHostObjectsAllowed)
BQ_FAKE_SETTING(IsZoomControlEnabled)
BQ_FAKE_SETTING(IsBuiltInErrorPageEnabled)
#undef BQ_FAKE_SETTING

// -- ICoreWebView2

HRESULT STDMETHODCALLTYPE get_settings(ICoreWebView2*, ICoreWebView2Settings** out) {
  const HRESULT answer = called("get_Settings");
  *out = SUCCEEDED(answer) ? &settings : nullptr;
  return answer;
}
HRESULT STDMETHODCALLTYPE add_script(ICoreWebView2*, LPCWSTR script,
                                     ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) {
  const HRESULT answer = called("AddScriptToExecuteOnDocumentCreated", utf8_or_null(script));
  if (FAILED(answer)) return answer;
  handler->lpVtbl->AddRef(handler);
  later([handler] {
    record("answer", "AddScriptToExecuteOnDocumentCreated");
    handler->lpVtbl->Invoke(handler, S_OK, L"1");
    handler->lpVtbl->Release(handler);
  });
  return S_OK;
}
HRESULT STDMETHODCALLTYPE add_message_received(ICoreWebView2*, ICoreWebView2WebMessageReceivedEventHandler* handler,
                                               EventRegistrationToken* token) {
  const HRESULT answer = called("add_WebMessageReceived");
  if (FAILED(answer)) return answer;
  handler->lpVtbl->AddRef(handler);
  message_handler = handler;
  token->value = 1;
  return S_OK;
}
HRESULT STDMETHODCALLTYPE remove_message_received(ICoreWebView2*, EventRegistrationToken) {
  return called("remove_WebMessageReceived");
}
HRESULT STDMETHODCALLTYPE navigate_to_string(ICoreWebView2*, LPCWSTR html) {
  const HRESULT answer = called("NavigateToString", utf8_or_null(html));
  if (FAILED(answer)) return answer;
  for (const Step& step : scenario().page) later([&step] { play(step); });
  return S_OK;
}
HRESULT STDMETHODCALLTYPE execute_script(ICoreWebView2*, LPCWSTR script,
                                         ICoreWebView2ExecuteScriptCompletedHandler* handler) {
  const HRESULT answer = called("ExecuteScript", utf8_or_null(script));
  if (FAILED(answer)) return answer;
  if (handler != nullptr) {
    handler->lpVtbl->AddRef(handler);
    later([handler] {
      handler->lpVtbl->Invoke(handler, S_OK, L"null");
      handler->lpVtbl->Release(handler);
    });
  }
  if (++scripts_run == scenario().close_after_scripts) ask_to_close();
  return S_OK;
}

// -- ICoreWebView2Controller

HRESULT STDMETHODCALLTYPE get_is_visible(ICoreWebView2Controller*, BOOL* visible) {
  *visible = TRUE;
  return S_OK;
}
HRESULT STDMETHODCALLTYPE put_is_visible(ICoreWebView2Controller*, BOOL visible) {
  return called("put_IsVisible", visible ? "1" : "0");
}
HRESULT STDMETHODCALLTYPE put_bounds(ICoreWebView2Controller*, RECT bounds) {
  RECT client{};
  GetClientRect(parent, &client);
  return called("put_Bounds", rect_text(bounds) + " client " + rect_text(client));
}
HRESULT STDMETHODCALLTYPE move_focus(ICoreWebView2Controller*, COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
  return called("MoveFocus", std::to_string(static_cast<int>(reason)));
}
HRESULT STDMETHODCALLTYPE get_parent_window(ICoreWebView2Controller*, HWND* window) {
  *window = parent;
  return S_OK;
}
HRESULT STDMETHODCALLTYPE notify_position_changed(ICoreWebView2Controller*) {
  return called("NotifyParentWindowPositionChanged");
}
HRESULT STDMETHODCALLTYPE close_controller(ICoreWebView2Controller*) { return called("Close"); }
HRESULT STDMETHODCALLTYPE get_core_web_view(ICoreWebView2Controller*, ICoreWebView2** out) {
  const HRESULT answer = called("get_CoreWebView2");
  *out = SUCCEEDED(answer) ? &web_view : nullptr;
  return answer;
}

// -- ICoreWebView2Environment

HRESULT STDMETHODCALLTYPE create_controller(ICoreWebView2Environment*, HWND window,
                                            ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) {
  wchar_t title[256]{};
  GetWindowTextW(window, title, 256);
  wchar_t class_name[256]{};
  GetClassNameW(window, class_name, 256);
  const HRESULT answer = called("CreateCoreWebView2Controller", utf8(title) + "\n" + utf8(class_name));
  if (FAILED(answer)) return answer;
  parent = window;
  handler->lpVtbl->AddRef(handler);
  later([handler] {
    const HRESULT result = scenario().controller_answer;
    record("answer", "CreateCoreWebView2Controller");
    handler->lpVtbl->Invoke(handler, result, SUCCEEDED(result) ? &controller : nullptr);
    handler->lpVtbl->Release(handler);
  });
  return S_OK;
}

void build_objects() {
  begin_static<ENVIRONMENT, &IID_ICoreWebView2Environment, ICoreWebView2Environment>(environment_vtbl);
  environment_vtbl.CreateCoreWebView2Controller = create_controller;

  begin_static<CONTROLLER, &IID_ICoreWebView2Controller, ICoreWebView2Controller>(controller_vtbl);
  controller_vtbl.get_IsVisible = get_is_visible;
  controller_vtbl.put_IsVisible = put_is_visible;
  controller_vtbl.put_Bounds = put_bounds;
  controller_vtbl.MoveFocus = move_focus;
  controller_vtbl.get_ParentWindow = get_parent_window;
  controller_vtbl.NotifyParentWindowPositionChanged = notify_position_changed;
  controller_vtbl.Close = close_controller;
  controller_vtbl.get_CoreWebView2 = get_core_web_view;

  begin_static<WEB_VIEW, &IID_ICoreWebView2, ICoreWebView2>(web_view_vtbl);
  web_view_vtbl.get_Settings = get_settings;
  web_view_vtbl.AddScriptToExecuteOnDocumentCreated = add_script;
  web_view_vtbl.add_WebMessageReceived = add_message_received;
  web_view_vtbl.remove_WebMessageReceived = remove_message_received;
  web_view_vtbl.NavigateToString = navigate_to_string;
  web_view_vtbl.ExecuteScript = execute_script;

  begin_static<SETTINGS, &IID_ICoreWebView2Settings, ICoreWebView2Settings>(settings_vtbl);
#define BQ_FAKE_SETTING(NAME)            \
  settings_vtbl.get_##NAME = get_##NAME; \
  settings_vtbl.put_##NAME = put_##NAME;
  BQ_FAKE_SETTING(IsScriptEnabled)
  BQ_FAKE_SETTING(IsWebMessageEnabled)
  BQ_FAKE_SETTING(AreDefaultScriptDialogsEnabled)
  BQ_FAKE_SETTING(IsStatusBarEnabled)
  BQ_FAKE_SETTING(AreDevToolsEnabled)
  BQ_FAKE_SETTING(AreDefaultContextMenusEnabled)
  BQ_FAKE_SETTING(AreHostObjectsAllowed)
  BQ_FAKE_SETTING(IsZoomControlEnabled)
  BQ_FAKE_SETTING(IsBuiltInErrorPageEnabled)
#undef BQ_FAKE_SETTING

  fill_unexpected<MESSAGE_ARGS>(message_args_vtbl);
  message_args_vtbl.QueryInterface =
      query<&IID_ICoreWebView2WebMessageReceivedEventArgs, ICoreWebView2WebMessageReceivedEventArgs>;
  message_args_vtbl.AddRef = args_add_ref;
  message_args_vtbl.Release = args_release;
  message_args_vtbl.get_Source = args_source;
  message_args_vtbl.get_WebMessageAsJson = args_json;
  message_args_vtbl.TryGetWebMessageAsString = args_string;
}

}  // namespace

extern "C" HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browser_folder, PCWSTR data_folder, ICoreWebView2EnvironmentOptions* options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
  build_objects();
  record("browserExecutableFolder", utf8_or_null(browser_folder));
  record("userDataFolder", utf8_or_null(data_folder));
  record("environmentOptions", options == nullptr ? "(null)" : "(set)");
  const HRESULT answer = called("CreateCoreWebView2EnvironmentWithOptions");
  if (FAILED(answer)) return answer;
  handler->lpVtbl->AddRef(handler);
  later([handler] {
    const HRESULT result = scenario().environment_answer;
    record("answer", "CreateCoreWebView2EnvironmentWithOptions");
    handler->lpVtbl->Invoke(handler, result, SUCCEEDED(result) ? &environment : nullptr);
    handler->lpVtbl->Release(handler);
  });
  return S_OK;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(instance, path.data(), static_cast<DWORD>(path.size())));
    record("loaded", utf8(path));
  }
  return TRUE;
}
