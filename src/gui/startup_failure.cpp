#include "gui/startup_failure.hpp"

#include <fmt/format.h>

#include "engine/vendor.hpp"
#include "gui/error_box.hpp"
#include "shell/fatal.hpp"

namespace bq::gui {

void fail_display(std::string_view description) {
  shell::fatal_error(fmt::format("Không mở được màn hình: {}", description));
}

void fail_event_loop(std::string_view description) { shell::fatal_error(fmt::format("event loop: {}", description)); }

void fail_window_build(std::string_view description) {
  shell::fatal_error(fmt::format("Không tạo được cửa sổ ứng dụng: {}", description));
}

std::string web_view_failure_message(std::string_view error) {
  return fmt::format(
      "Máy tính chưa có Microsoft Edge WebView2 Runtime để mở giao diện.\nChi tiết: {}\n\n"
      "Vui lòng cập nhật Windows hoặc liên hệ Zalo Brindle Quay: {}.",
      error, engine::CONTACT_PHONE_DISPLAY);
}

void fail_web_view_build(std::string_view error) {
  show_error_box(ERROR_BOX_CAPTION, web_view_failure_message(error));
  shell::fatal_error(fmt::format("WebView2 init error: {}", error));
}

}  // namespace bq::gui
