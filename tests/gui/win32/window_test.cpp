#include "gui/window.hpp"

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "../loop_guard.hpp"
#include "inspect_box.hpp"
#include "scaled_sizes.hpp"

#include "gui/error_box.hpp"
#include "gui/win32/window.hpp"

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
  const EventLoop loop = std::get<EventLoop>(create_event_loop());
  const HWND handle = build(loop);
  wchar_t title[128]{};
  GetWindowTextW(handle, title, 128);
  EXPECT_EQ(std::wstring(title), L"Brindle Quay — Kiểm tra điều kiện cài đặt Windows 11 Pro");

  const UINT dpi = GetDpiForWindow(handle);
  if (expected_dpi() != 0) {
    EXPECT_EQ(dpi, expected_dpi()) << "the run's screen scale";
  }
  const ScaledSizes* sizes = sizes_at(dpi);
  ASSERT_NE(sizes, nullptr) << "no sizes for " << dpi << " DPI";
  const SIZE client = client_size(handle);
  EXPECT_EQ(client.cx, sizes->client.cx);
  EXPECT_EQ(client.cy, sizes->client.cy);

  EXPECT_TRUE(IsWindowVisible(handle));
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(handle, GWL_STYLE));
  EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, DWORD{WS_OVERLAPPEDWINDOW}) << "resizable, with the system's frame";
  EXPECT_EQ(GetClassLongPtrW(handle, GCLP_HICON), 0u);
  EXPECT_EQ(GetClassLongPtrW(handle, GCLP_HICONSM), 0u);
  DestroyWindow(handle);
}

TEST(Win32Window, CannotBeMadeSmallerThanItsMinimum) {
  const EventLoop loop = std::get<EventLoop>(create_event_loop());
  const HWND handle = build(loop);
  const UINT dpi = GetDpiForWindow(handle);
  const ScaledSizes* sizes = sizes_at(dpi);
  ASSERT_NE(sizes, nullptr) << "no sizes for " << dpi << " DPI";
  RECT minimum{0, 0, sizes->minimum.cx, sizes->minimum.cy};
  AdjustWindowRectExForDpi(&minimum, WS_OVERLAPPEDWINDOW, FALSE, 0, dpi);

  MINMAXINFO info{};
  SendMessageW(handle, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, minimum.right - minimum.left);
  EXPECT_EQ(info.ptMinTrackSize.y, minimum.bottom - minimum.top);

  SetWindowPos(handle, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
  pump_messages();
  const SIZE client = client_size(handle);
  EXPECT_EQ(client.cx, sizes->minimum.cx);
  EXPECT_EQ(client.cy, sizes->minimum.cy);
  DestroyWindow(handle);
}

TEST(Win32Window, ACloseRequestReachesTheHandlerAndLeavesTheWindow) {
  const EventLoop loop = std::get<EventLoop>(create_event_loop());
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

TEST(Win32ErrorBox, ShowsItsCaptionAndTextWithTheErrorIconAndOneOkButton) {
  SeenBox seen;
  std::thread watcher([&] { seen = inspect_box(L"Hộp lỗi — thử"); });
  show_error_box("Hộp lỗi — thử", "Dòng một.\nChi tiết: “lỗi”\n\nDòng cuối.");
  watcher.join();
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.text, L"Dòng một.\nChi tiết: “lỗi”\n\nDòng cuối.");
  EXPECT_EQ(seen.owner, nullptr);
  EXPECT_EQ(seen.buttons, 1);
  EXPECT_TRUE(seen.error_icon);
}

}  // namespace
