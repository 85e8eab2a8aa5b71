#include "gui/startup_failure.hpp"

#include <gtest/gtest.h>

namespace {

TEST(StartupFailure, ErrorBoxTextCarriesTheErrorAndTheContactNumber) {
  EXPECT_EQ(bq::gui::web_view_failure_message("Không tìm thấy tiến trình web"),
            "Máy tính chưa có Microsoft Edge WebView2 Runtime để mở giao diện.\n"
            "Chi tiết: Không tìm thấy tiến trình web\n"
            "\n"
            "Vui lòng cập nhật Windows hoặc liên hệ Zalo Brindle Quay: 0912 345 678.");
}

TEST(StartupFailure, ErrorTextIsTakenLiterally) {
  EXPECT_EQ(bq::gui::web_view_failure_message("{} {:x} %s\n"),
            "Máy tính chưa có Microsoft Edge WebView2 Runtime để mở giao diện.\n"
            "Chi tiết: {} {:x} %s\n\n\n"
            "Vui lòng cập nhật Windows hoặc liên hệ Zalo Brindle Quay: 0912 345 678.");
}

TEST(StartupFailure, FatalErrorsWriteTheirTextAndAbort) {
  EXPECT_DEATH(bq::gui::fail_window_build("no X server"), "^Không tạo được cửa sổ ứng dụng: no X server\n$");
  EXPECT_DEATH(bq::gui::fail_display("Cannot open display: :9"), "^Không mở được màn hình: Cannot open display: :9\n$");
  EXPECT_DEATH(bq::gui::fail_event_loop("RegisterClassExW: Access is denied. (os error 5)"),
               "^event loop: RegisterClassExW: Access is denied\\. \\(os error 5\\)\n$");
}

}  // namespace
