#pragma once
// How start-up fails. Each of these ends the process through fatal_error.

#include <string>
#include <string_view>

namespace bq::gui {

// The error box's title.
inline constexpr std::string_view ERROR_BOX_CAPTION = "Brindle Quay Win11 Check";

// No display could be opened: fatal, nothing is shown.
[[noreturn]] void fail_display(std::string_view description);

// The event loop could not be made: fatal, nothing is shown.
[[noreturn]] void fail_event_loop(std::string_view description);

// The window could not be built: fatal, nothing is shown.
[[noreturn]] void fail_window_build(std::string_view description);

// The error box's text for a web view that could not be built.
std::string web_view_failure_message(std::string_view error);

// The web view could not be built: shows the error box with `error`, then,
// once the user has closed it, the fatal error. Called on the UI thread.
[[noreturn]] void fail_web_view_build(std::string_view error);

}  // namespace bq::gui
