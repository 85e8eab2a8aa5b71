// The web view on Windows: WebView2, reached through WebView2Loader.dll in the
// program's own folder. The runtime answers each creation step later, on the
// UI thread; building the view waits for every answer while it dispatches the
// thread's window messages, so the window stays responsive meanwhile.

#include "gui/web_view.hpp"

#include <windows.h>

#include <WebView2.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include <fmt/format.h>

#include "gui/win32/web_view.hpp"
#include "gui/win32/window.hpp"
#include "platform/wide_text_win32.hpp"

namespace bq::gui {

// gui/win32/ipc.js, compiled in.
extern const std::string_view IPC_SCRIPT;

struct WebContext {
  std::wstring data_folder;
};

struct WebView {
  HWND window;
  ICoreWebView2Controller* controller;  // both held until the process ends
  ICoreWebView2* view;
};

namespace {

// One reference to a COM object, released with it.
template <typename T>
class ComRef {
 public:
  ComRef() = default;
  ComRef(ComRef&& other) noexcept : object_(other.release()) {}
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != &other) {
      reset();
      object_ = other.release();
    }
    return *this;
  }
  ~ComRef() { reset(); }

  // A reference of its own to `object`.
  static ComRef share(T* object) {
    ComRef ref;
    ref.object_ = object;
    if (object != nullptr) object->AddRef();
    return ref;
  }

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  // For an out-parameter: drops the reference held, if any.
  T** put() {
    reset();
    return &object_;
  }
  // Hands the reference over to the caller.
  T* release() { return std::exchange(object_, nullptr); }
  void reset() {
    if (object_ != nullptr) std::exchange(object_, nullptr)->Release();
  }

 private:
  T* object_ = nullptr;
};

// A COM object of the handler interface `Interface` whose Invoke calls a
// function. mingw-w64 has no WRL, so this one class stands for every
// completion and event handler. It starts with one reference, its creator's.
template <typename Interface, typename... Args>
class Handler final : public Interface {
 public:
  using Body = std::function<HRESULT(Args...)>;

  static ComRef<Interface> make(const IID& iid, Body body) {
    ComRef<Interface> ref;
    *ref.put() = new Handler(iid, std::move(body));
    return ref;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, iid_) || IsEqualIID(iid, IID_IUnknown)) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE Invoke(Args... args) override { return body_(args...); }

 private:
  Handler(const IID& iid, Body body) : iid_(iid), body_(std::move(body)) {}
  ~Handler() = default;

  const IID& iid_;
  Body body_;
  std::atomic<ULONG> references_{1};
};

using EnvironmentCompleted =
    Handler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, HRESULT, ICoreWebView2Environment*>;
using ControllerCompleted =
    Handler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, HRESULT, ICoreWebView2Controller*>;
using ScriptAdded = Handler<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler, HRESULT, LPCWSTR>;
using ScriptRun = Handler<ICoreWebView2ExecuteScriptCompletedHandler, HRESULT, LPCWSTR>;
using MessageReceived =
    Handler<ICoreWebView2WebMessageReceivedEventHandler, ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs*>;

using CreateEnvironment = HRESULT(STDAPICALLTYPE*)(PCWSTR browser_folder, PCWSTR data_folder,
                                                   ICoreWebView2EnvironmentOptions* options,
                                                   ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);

constexpr wchar_t LOADER[] = L"WebView2Loader.dll";

// NavigateToString takes at most 2 MiB of page.
constexpr std::size_t MAX_PAGE_BYTES = 2 * 1024 * 1024;

// "WHAT: the system's message (0xHRESULT)".
std::string failure(std::string_view what, HRESULT code) {
  return fmt::format("{}: {}", what, platform::hresult_message(code));
}

// The folder of the running program, with its closing backslash.
std::wstring program_folder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  path.resize(path.find_last_of(L'\\') + 1);
  return path;
}

// CreateCoreWebView2EnvironmentWithOptions of the loader beside the program,
// or why there is none. The loader is taken by its full path, and its own
// imports from the system folder only: the program runs elevated, so no DLL
// may come from the current folder or PATH.
support::Result<CreateEnvironment> load_loader() {
  const std::wstring path = program_folder() + LOADER;
  const HMODULE loader = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (loader == nullptr) {
    return failure(fmt::format("WebView2Loader.dll could not be loaded from {}", platform::to_utf8(path)),
                   HRESULT_FROM_WIN32(GetLastError()));
  }
  const FARPROC create = GetProcAddress(loader, "CreateCoreWebView2EnvironmentWithOptions");
  if (create == nullptr) {
    return failure("WebView2Loader.dll has no CreateCoreWebView2EnvironmentWithOptions",
                   HRESULT_FROM_WIN32(GetLastError()));
  }
  return reinterpret_cast<CreateEnvironment>(reinterpret_cast<void*>(create));
}

// What one asynchronous step answered. Shared with its completion handler,
// which the runtime may still call after the build has given up.
template <typename T>
struct Answer {
  bool done = false;
  HRESULT result = E_PENDING;
  ComRef<T> value;
};

// Dispatches the UI thread's messages until `done` holds. False when the
// thread was told to quit meanwhile; the quit is posted again for the loop
// that comes after.
bool wait_for(const bool& done) {
  MSG message;
  while (!done) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      return false;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return true;
}

// The answer's outcome as a failure text, or empty when it brought a value.
template <typename T>
std::string answer_failure(std::string_view what, bool waited, const Answer<T>& answer) {
  if (!waited) return failure(what, HRESULT_FROM_WIN32(ERROR_CANCELLED));
  if (FAILED(answer.result)) return failure(what, answer.result);
  if (answer.value.get() == nullptr) return failure(what, E_POINTER);
  return {};
}

support::Result<ICoreWebView2Environment*> create_environment(CreateEnvironment create,
                                                              const std::wstring& data_folder) {
  constexpr std::string_view WHAT = "the WebView2 environment could not be created";
  auto answer = std::make_shared<Answer<ICoreWebView2Environment>>();
  const auto handler = EnvironmentCompleted::make(IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                                                  [answer](HRESULT result, ICoreWebView2Environment* environment) {
                                                    answer->result = result;
                                                    answer->value =
                                                        ComRef<ICoreWebView2Environment>::share(environment);
                                                    answer->done = true;
                                                    return S_OK;
                                                  });
  // No browser folder and no options: the installed runtime, with its own
  // arguments only.
  const HRESULT called = create(nullptr, data_folder.c_str(), nullptr, handler.get());
  if (FAILED(called)) return failure(WHAT, called);
  const bool waited = wait_for(answer->done);
  if (std::string fault = answer_failure(WHAT, waited, *answer); !fault.empty()) return fault;
  return answer->value.release();
}

support::Result<ICoreWebView2Controller*> create_controller(ICoreWebView2Environment* environment, HWND window) {
  constexpr std::string_view WHAT = "the WebView2 controller could not be created";
  auto answer = std::make_shared<Answer<ICoreWebView2Controller>>();
  const auto handler = ControllerCompleted::make(IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
                                                 [answer](HRESULT result, ICoreWebView2Controller* controller) {
                                                   answer->result = result;
                                                   answer->value = ComRef<ICoreWebView2Controller>::share(controller);
                                                   answer->done = true;
                                                   return S_OK;
                                                 });
  const HRESULT called = environment->CreateCoreWebView2Controller(window, handler.get());
  if (FAILED(called)) return failure(WHAT, called);
  const bool waited = wait_for(answer->done);
  if (std::string fault = answer_failure(WHAT, waited, *answer); !fault.empty()) return fault;
  return answer->value.release();
}

// Developer tools off and no status bar; the context menu, zoom and the
// browser's accelerator keys keep the runtime's defaults (on).
std::string apply_settings(ICoreWebView2* view) {
  ComRef<ICoreWebView2Settings> settings;
  if (const HRESULT got = view->get_Settings(settings.put()); FAILED(got) || settings.get() == nullptr) {
    return failure("the WebView2 settings could not be read", FAILED(got) ? got : E_POINTER);
  }
  if (const HRESULT set = settings->put_AreDevToolsEnabled(FALSE); FAILED(set)) {
    return failure("the WebView2 setting AreDevToolsEnabled was refused", set);
  }
  if (const HRESULT set = settings->put_IsStatusBarEnabled(FALSE); FAILED(set)) {
    return failure("the WebView2 setting IsStatusBarEnabled was refused", set);
  }
  return {};
}

// Adds the window.ipc script for every new document and waits until the
// runtime has taken it, so that it is in place before the page loads.
std::string add_ipc_script(ICoreWebView2* view) {
  constexpr std::string_view WHAT = "the page's message script could not be added";
  auto done = std::make_shared<bool>(false);
  auto result = std::make_shared<HRESULT>(E_PENDING);
  const auto handler = ScriptAdded::make(IID_ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler,
                                         [done, result](HRESULT answer, LPCWSTR) {
                                           *result = answer;
                                           *done = true;
                                           return S_OK;
                                         });
  const HRESULT called =
      view->AddScriptToExecuteOnDocumentCreated(platform::to_wide(IPC_SCRIPT).c_str(), handler.get());
  if (FAILED(called)) return failure(WHAT, called);
  if (!wait_for(*done)) return failure(WHAT, HRESULT_FROM_WIN32(ERROR_CANCELLED));
  if (FAILED(*result)) return failure(WHAT, *result);
  return {};
}

// Hands each message that the page posted as a string to `on_message`; the
// runtime delivers them on the UI thread, in order.
std::string add_message_handler(ICoreWebView2* view, PageMessageHandler on_message) {
  const auto handler = MessageReceived::make(
      IID_ICoreWebView2WebMessageReceivedEventHandler,
      [on_message = std::move(on_message)](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
        LPWSTR text = nullptr;
        // Fails for anything that is not a string: that is dropped.
        if (args != nullptr && SUCCEEDED(args->TryGetWebMessageAsString(&text)) && text != nullptr) {
          const std::string body = platform::to_utf8(text);
          CoTaskMemFree(text);
          on_message(body);
        } else {
          CoTaskMemFree(text);
        }
        return S_OK;
      });
  EventRegistrationToken token{};
  if (const HRESULT added = view->add_WebMessageReceived(handler.get(), &token); FAILED(added)) {
    return failure("the page's message handler could not be added", added);
  }
  return {};
}

void fill_client_area(ICoreWebView2Controller* controller, HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  controller->put_Bounds(client);
}

}  // namespace

WebContext* create_web_context(const std::string& data_folder) {
  return new WebContext{platform::to_wide(data_folder)};
}

support::Result<WebView*> build_web_view(Window* window, WebContext* context, const std::string& html,
                                         PageMessageHandler on_message) {
  const std::wstring page = platform::to_wide(html);
  if (page.size() * sizeof(wchar_t) > MAX_PAGE_BYTES) {
    return fmt::format("the page is {} bytes in UTF-16, more than the {} that NavigateToString takes",
                       page.size() * sizeof(wchar_t), MAX_PAGE_BYTES);
  }

  const auto loaded = load_loader();
  if (const auto* fault = std::get_if<std::string>(&loaded)) return *fault;

  auto environment_made = create_environment(std::get<CreateEnvironment>(loaded), context->data_folder);
  if (auto* fault = std::get_if<std::string>(&environment_made)) return std::move(*fault);
  ComRef<ICoreWebView2Environment> environment;
  *environment.put() = std::get<ICoreWebView2Environment*>(environment_made);

  auto controller_made = create_controller(environment.get(), window->handle);
  if (auto* fault = std::get_if<std::string>(&controller_made)) return std::move(*fault);
  ComRef<ICoreWebView2Controller> controller;
  *controller.put() = std::get<ICoreWebView2Controller*>(controller_made);

  ComRef<ICoreWebView2> view;
  if (const HRESULT got = controller->get_CoreWebView2(view.put()); FAILED(got) || view.get() == nullptr) {
    return failure("the WebView2 controller has no web view", FAILED(got) ? got : E_POINTER);
  }
  if (std::string fault = apply_settings(view.get()); !fault.empty()) return fault;
  fill_client_area(controller.get(), window->handle);
  if (std::string fault = add_message_handler(view.get(), std::move(on_message)); !fault.empty()) return fault;
  if (std::string fault = add_ipc_script(view.get()); !fault.empty()) return fault;
  if (const HRESULT navigated = view->NavigateToString(page.c_str()); FAILED(navigated)) {
    return failure("the page could not be loaded", navigated);
  }

  auto* web_view = new WebView{window->handle, controller.release(), view.release()};
  window->web_view = web_view;
  // The window was shown, and may have been given the focus, before the view
  // existed.
  fill_client_area(web_view->controller, window->handle);
  if (GetFocus() == window->handle) take_window_focus(web_view);
  return web_view;
}

void run_script(WebView* web_view, const std::string& script) {
  // One handler for every script: the results are not wanted.
  static ICoreWebView2ExecuteScriptCompletedHandler* const drop_result =
      ScriptRun::make(IID_ICoreWebView2ExecuteScriptCompletedHandler, [](HRESULT, LPCWSTR) { return S_OK; }).release();
  web_view->view->ExecuteScript(platform::to_wide(script).c_str(), drop_result);
}

void follow_window_size(WebView* web_view, WPARAM kind) {
  if (web_view == nullptr) return;
  if (kind == SIZE_MINIMIZED) {
    web_view->controller->put_IsVisible(FALSE);
    return;
  }
  web_view->controller->put_IsVisible(TRUE);
  fill_client_area(web_view->controller, web_view->window);
}

void follow_window_position(WebView* web_view) {
  if (web_view != nullptr) web_view->controller->NotifyParentWindowPositionChanged();
}

void take_window_focus(WebView* web_view) {
  if (web_view != nullptr) web_view->controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
}

}  // namespace bq::gui
