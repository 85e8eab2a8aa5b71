#include "gui/window.hpp"

#include <windows.h>

#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "gui/error_box.hpp"
#include "gui/win32/native_window.hpp"

namespace {

using namespace bq::gui;

constexpr WindowAttributes ATTRIBUTES = {
    .title = "Brindle Quay — Kiểm tra điều kiện cài đặt Windows 11 Pro",
    .width = 840,
    .height = 660,
    .min_width = 520,
    .min_height = 500,
};

int scaled(int logical, UINT dpi) { return MulDiv(logical, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI); }

SIZE client_size(HWND handle) {
  RECT rect{};
  GetClientRect(handle, &rect);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

void pump_messages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

HWND build(const EventLoop& loop) {
  auto built = build_window(loop, ATTRIBUTES);
  if (const auto* failure = std::get_if<std::string>(&built)) ADD_FAILURE() << *failure;
  return std::get<Window*>(built)->handle;
}

TEST(Win32Window, HasItsTitleSizeAndStyle) {
  const EventLoop loop = create_event_loop();
  const HWND handle = build(loop);
  wchar_t title[128]{};
  GetWindowTextW(handle, title, 128);
  EXPECT_EQ(std::wstring(title), L"Brindle Quay — Kiểm tra điều kiện cài đặt Windows 11 Pro");

  const UINT dpi = GetDpiForWindow(handle);
  const SIZE client = client_size(handle);
  EXPECT_EQ(client.cx, scaled(840, dpi));
  EXPECT_EQ(client.cy, scaled(660, dpi));

  EXPECT_TRUE(IsWindowVisible(handle));
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(handle, GWL_STYLE));
  EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, DWORD{WS_OVERLAPPEDWINDOW}) << "resizable, with the system's frame";
  EXPECT_EQ(GetClassLongPtrW(handle, GCLP_HICON), 0u);
  EXPECT_EQ(GetClassLongPtrW(handle, GCLP_HICONSM), 0u);
  DestroyWindow(handle);
}

TEST(Win32Window, CannotBeMadeSmallerThanItsMinimum) {
  const EventLoop loop = create_event_loop();
  const HWND handle = build(loop);
  const UINT dpi = GetDpiForWindow(handle);
  RECT minimum{0, 0, scaled(520, dpi), scaled(500, dpi)};
  AdjustWindowRectExForDpi(&minimum, WS_OVERLAPPEDWINDOW, FALSE, 0, dpi);

  MINMAXINFO info{};
  SendMessageW(handle, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, minimum.right - minimum.left);
  EXPECT_EQ(info.ptMinTrackSize.y, minimum.bottom - minimum.top);

  SetWindowPos(handle, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
  pump_messages();
  const SIZE client = client_size(handle);
  EXPECT_EQ(client.cx, scaled(520, dpi));
  EXPECT_EQ(client.cy, scaled(500, dpi));
  DestroyWindow(handle);
}

}  // namespace
