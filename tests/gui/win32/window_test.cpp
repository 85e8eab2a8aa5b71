#include "gui/window.hpp"

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "loop_guard.hpp"

#include "gui/error_box.hpp"
#include "gui/win32/native_window.hpp"

namespace {

using namespace bq::gui;
using bq::gui::testing::run_guarded;

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

TEST(Win32Window, ACloseRequestReachesTheHandlerAndLeavesTheWindow) {
  const EventLoop loop = create_event_loop();
  const HWND handle = build(loop);
  PostMessageW(handle, WM_CLOSE, 0, 0);
  int closes = 0;
  ASSERT_TRUE(run_guarded(loop, [&](LoopEvent event) {
    if (std::holds_alternative<CloseRequested>(event)) ++closes;
    end_event_loop(loop);
  }));
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(IsWindow(handle));
  EXPECT_TRUE(IsWindowVisible(handle));
  DestroyWindow(handle);
}

// What another thread sees of an error box, before it presses OK.
struct SeenBox {
  bool found = false;
  std::wstring text;
  HWND owner = nullptr;
  int buttons = 0;
  bool error_icon = false;
};

BOOL CALLBACK inspect_child(HWND child, LPARAM data) {
  auto* seen = reinterpret_cast<SeenBox*>(data);
  wchar_t class_name[32]{};
  GetClassNameW(child, class_name, 32);
  if (lstrcmpiW(class_name, L"Button") == 0) ++seen->buttons;
  // The system's error icon is one shared handle.
  const auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
  if (lstrcmpiW(class_name, L"Static") == 0 && icon != nullptr &&
      icon == LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_HAND))) {
    seen->error_icon = true;
  }
  return TRUE;
}

// Waits up to ten seconds for the box captioned `caption`, notes what it
// shows and presses its OK button.
SeenBox inspect_and_confirm(const wchar_t* caption) {
  SeenBox seen;
  HWND box = nullptr;
  for (int i = 0; i < 200 && box == nullptr; ++i) {
    box = FindWindowW(L"#32770", caption);
    if (box == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (box == nullptr) return seen;
  seen.found = true;
  wchar_t text[1024]{};
  GetDlgItemTextW(box, 0xFFFF, text, 1024);  // the message's static control
  seen.text = text;
  seen.owner = GetWindow(box, GW_OWNER);
  EnumChildWindows(box, inspect_child, reinterpret_cast<LPARAM>(&seen));
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  return seen;
}

TEST(Win32ErrorBox, ShowsItsCaptionAndTextWithTheErrorIconAndOneOkButton) {
  SeenBox seen;
  std::thread watcher([&] { seen = inspect_and_confirm(L"Hộp lỗi — thử"); });
  show_error_box("Hộp lỗi — thử", "Dòng một.\nChi tiết: “lỗi”\n\nDòng cuối.");
  watcher.join();
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.text, L"Dòng một.\nChi tiết: “lỗi”\n\nDòng cuối.");
  EXPECT_EQ(seen.owner, nullptr);
  EXPECT_EQ(seen.buttons, 1);
  EXPECT_TRUE(seen.error_icon);
}

}  // namespace
