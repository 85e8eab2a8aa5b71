#include "gui/window.hpp"

#include "gui/win32/web_view.hpp"
#include "gui/win32/window.hpp"
#include "platform/os_error.hpp"
#include "platform/wide_text_win32.hpp"

#include <ole2.h>

#include <fmt/format.h>

namespace bq::gui {
namespace {

constexpr wchar_t WINDOW_CLASS[] = L"BrindleQuayWin11CheckWindow";
// Resizable, with the system's frame, title bar and buttons.
constexpr DWORD STYLE = WS_OVERLAPPEDWINDOW;
constexpr DWORD EX_STYLE = 0;

// The outer size of a window whose client area is width × height logical
// pixels, at `dpi`.
SIZE outer_size(int width, int height, UINT dpi) {
  RECT rect{0, 0, MulDiv(width, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI),
            MulDiv(height, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI)};
  AdjustWindowRectExForDpi(&rect, STYLE, FALSE, EX_STYLE, dpi);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

// The system's description of why `call` failed, as the window's build
// reports it.
std::string failure(std::string_view call, DWORD error) {
  return fmt::format("{}: {}", call, platform::os_error_message(error));
}

LRESULT CALLBACK window_procedure(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  // Null for the size query that comes before WM_NCCREATE; the size is set
  // after creation anyway.
  auto* window = reinterpret_cast<Window*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
  if (window == nullptr) return DefWindowProcW(handle, message, wparam, lparam);

  switch (message) {
    case WM_GETMINMAXINFO: {
      const SIZE minimum = outer_size(window->min_width, window->min_height, GetDpiForWindow(handle));
      reinterpret_cast<MINMAXINFO*>(lparam)->ptMinTrackSize = {minimum.cx, minimum.cy};
      return 0;
    }
    case WM_DPICHANGED: {
      // On a monitor of another scale the system proposes the rectangle that
      // keeps the client area's logical size.
      const auto* proposed = reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(handle, nullptr, proposed->left, proposed->top, proposed->right - proposed->left,
                   proposed->bottom - proposed->top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_SIZE: follow_window_size(window->web_view, wparam); return 0;
    case WM_MOVE: follow_window_position(window->web_view); return 0;
    case WM_SETFOCUS: take_window_focus(window->web_view); return 0;
    case WM_CLOSE:
      // Not DefWindowProcW, which would destroy the window: ending the
      // process is the handler's business.
      dispatch_event(window->loop, CloseRequested{});
      return 0;
    default: return DefWindowProcW(handle, message, wparam, lparam);
  }
}

}  // namespace

support::Result<support::Done> open_display() { return support::Done{}; }

support::Result<Window*> build_window(const EventLoop& loop, const WindowAttributes& attributes) {
  // The UI thread becomes a single-threaded apartment with OLE, as the web
  // view's runtime requires of the thread it runs on.
  if (const HRESULT initialised = OleInitialize(nullptr); FAILED(initialised)) {
    return fmt::format("OleInitialize: {}", platform::hresult_message(initialised));
  }
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = window_procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = WINDOW_CLASS;
  if (RegisterClassExW(&window_class) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return failure("RegisterClassExW", GetLastError());
  }

  auto* window = new Window{nullptr, loop, attributes.min_width, attributes.min_height};
  const std::wstring title = platform::to_wide(attributes.title);
  window->handle = CreateWindowExW(EX_STYLE, WINDOW_CLASS, title.c_str(), STYLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, window);
  if (window->handle == nullptr) {
    const DWORD error = GetLastError();
    delete window;
    return failure("CreateWindowExW", error);
  }
  // The window's DPI is that of the monitor the system placed it on, known
  // only once it exists.
  const SIZE size = outer_size(attributes.width, attributes.height, GetDpiForWindow(window->handle));
  SetWindowPos(window->handle, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(window->handle, SW_SHOWDEFAULT);
  return window;
}

}  // namespace bq::gui
